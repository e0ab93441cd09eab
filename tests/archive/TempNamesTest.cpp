#include "TempNames.h"
#include "ArchiveTestSupport.h"
#include "FileErrors.h"

#include <gtest/gtest.h>

#include <set>

#include <sys/stat.h>
#include <unistd.h>

TEST(TempNames, ReservesDistinctFilesNamedFromThePrefix) {
    TScratchFolder dir;
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        std::string path = MakeUniqueTempFile(dir.path, "KELPMARSH");
        EXPECT_TRUE(seen.insert(path).second) << path;
        std::string name = path.substr(dir.path.size() + 1);
        EXPECT_EQ(name.substr(0, 3), "KEL");
        EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
        EXPECT_EQ(std::filesystem::file_size(path), 0u);
    }
    EXPECT_EQ(dir.Names().size(), 200u);
}

TEST(TempNames, MissingFolderIsACreateError) {
    TScratchFolder dir;
    EXPECT_THROW(MakeUniqueTempFile(dir / "gone", "abc"), EFCreateError);
}

TEST(TempNames, OpenedFilesAreTheOwnersAloneAndStayOpen) {
    TScratchFolder dir;
    TTempFile file = OpenUniqueTempFile(dir.path, "KELPMARSH");
    ASSERT_GE(file.fd, 0);
    struct stat st {};
    ASSERT_EQ(::fstat(file.fd, &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    // Written through the descriptor, read back by name: the very same file.
    ASSERT_EQ(::write(file.fd, "xyz", 3), 3);
    ::close(file.fd);
    EXPECT_EQ(ReadAll(file.path), (std::vector<uint8_t>{'x', 'y', 'z'}));
}
