#include "TempNames.h"
#include "ArchiveTestSupport.h"
#include "FileErrors.h"

#include <gtest/gtest.h>

#include <set>

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
