#include "ArchiveManagerUnit.h"
#include "ArchiveReaderUnit.h"
#include "ArchiveTestSupport.h"
#include "Messages.h"

#include <gtest/gtest.h>

namespace {

class ArchiveLayoutTest : public ::testing::Test {
protected:
    std::string Make(const std::string& name, size_t size, uint32_t seed = 1) {
        std::string path = dir / name;
        WriteAll(path, SampleBytes(size, seed));
        return path;
    }

    TScratchFolder dir;
    TScriptedMessageBoxes boxes;
    TMessageBoxesScope scope{boxes};
    TArchiveManager manager;
};

// Offsets, block counts and total length follow from the sizes alone.
TEST_F(ArchiveLayoutTest, WrittenArchiveKeepsTheLayoutInvariants) {
    std::vector<std::string> files = {Make("exact.bin", 409600, 2), Make("over.bin", 409601, 3),
                                      Make("empty.bin", 0), Make("small.txt", 1000, 4),
                                      Make("three.bin", 2 * 409600 + 2, 5)};
    std::string t = dir / "inv.pak";
    manager.OpenArchive(t, false);
    ASSERT_EQ(manager.AddFiles(files), 5);

    TCentralDir& cd = *manager.archive->central_dir;
    ASSERT_EQ(cd.Count(), 5);
    const int expected_blocks[] = {1, 2, 0, 1, 3};
    int64_t offset = 4, names = 0;
    for (int i = 0; i < 5; ++i) {
        TCentralFileHeader& e = *cd[i];
        EXPECT_EQ(e.StoredName(), files[i]);
        EXPECT_EQ(e.block_count, expected_blocks[i]) << files[i];
        EXPECT_EQ(e.raw_size, int32_t(std::filesystem::file_size(files[i])));
        EXPECT_EQ(int64_t(e.data_offset), offset) << files[i];
        EXPECT_EQ(e.attributes & 0x20u, 0x20u);
        offset += e.compressed_size + 20 * int64_t(e.block_count);
        names += 29 + int64_t(e.StoredName().size());
    }
    EXPECT_EQ(cd[2]->compressed_size, 0);
    EXPECT_EQ(cd[1]->data_offset, 4u + 20u + uint32_t(cd[0]->compressed_size));
    EXPECT_EQ(cd.GetCentralDirOffset(), offset);

    std::vector<uint8_t> bytes = ReadAll(t);
    EXPECT_EQ(int64_t(bytes.size()), offset + names + 12);
    EXPECT_EQ(Dword(bytes, 0), 0x4D504C4Bu);
    EXPECT_EQ(Dword(bytes, bytes.size() - 12), 0x52444345u);
    EXPECT_EQ(Dword(bytes, bytes.size() - 8), 409600u);
    EXPECT_EQ(int64_t(Dword(bytes, bytes.size() - 4)), offset);
    // Every block header sits where the running sizes put it.
    EXPECT_EQ(Dword(bytes, cd[4]->data_offset), 0x41544144u);

    auto reader = TArchiveReader::Open(t);
    for (size_t i = 0; i < files.size(); ++i) {
        std::vector<uint8_t> got;
        reader->ExtractEntry(i,
                             [&](const uint8_t* p, size_t n) { got.insert(got.end(), p, p + n); });
        EXPECT_EQ(got, ReadAll(files[i])) << files[i];
    }
}

} // namespace
