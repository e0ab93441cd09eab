#include "ArchiveFileUnit.h"
#include "ArchiveTestSupport.h"
#include "CompressErrors.h"

#include <gtest/gtest.h>

namespace {

const std::vector<uint8_t> EMPTY_ARCHIVE = {0x4B, 0x4C, 0x50, 0x4D, 0x45, 0x43, 0x44, 0x52,
                                            0x00, 0x40, 0x06, 0x00, 0x04, 0x00, 0x00, 0x00};

TEST(ArchiveFile, CreatedAndClosedIsTheSixteenByteEmptyArchive) {
    TScratchFolder dir;
    {
        TArchiveFile archive(dir / "e.pak", false);
        EXPECT_EQ(archive.central_dir->Count(), 0);
        EXPECT_EQ(archive.central_dir->block_size, 409600);
    }
    EXPECT_EQ(ReadAll(dir / "e.pak"), EMPTY_ARCHIVE);
    TArchiveFile reopened(dir / "e.pak", true);
    EXPECT_EQ(reopened.central_dir->Count(), 0);
    EXPECT_EQ(reopened.central_dir->block_size, 409600);
    EXPECT_EQ(reopened.central_dir->GetCentralDirOffset(), 4);
}

TEST(ArchiveFile, NegativeTrailingOffsetMeansAnEmptyDirectory) {
    TScratchFolder dir;
    WriteAll(dir / "neg.pak", {0x4B, 0x4C, 0x50, 0x4D, 1, 2, 3, 0xFF, 0xFF, 0xFF, 0xFF});
    TArchiveFile archive(dir / "neg.pak", true);
    EXPECT_EQ(archive.central_dir->Count(), 0);
    EXPECT_FALSE(archive.central_dir->SeekToCentralDir());
}

TEST(ArchiveFile, WrongSignaturesAreRefused) {
    TScratchFolder dir;
    WriteAll(dir / "bad.pak",
             {'K', 'L', 'P', 'X', 0x45, 0x43, 0x44, 0x52, 0, 0x40, 6, 0, 4, 0, 0, 0});
    EXPECT_THROW(TArchiveFile(dir / "bad.pak", true), ESignatureWrong);
    // A directory record that is neither an entry nor the end record.
    std::vector<uint8_t> odd = EMPTY_ARCHIVE;
    odd[4] = 'X';
    WriteAll(dir / "odd.pak", odd);
    EXPECT_THROW(TArchiveFile(dir / "odd.pak", true), ESignatureWrong);
}

TEST(ArchiveFile, EntriesSurviveSaveAndLoadWithTheirNamesSplit) {
    TScratchFolder dir;
    {
        TArchiveFile archive(dir / "d.pak", false);
        auto* bare = new TCentralFileHeader;
        bare->name_part = "movie.swf";
        bare->raw_size = 12;
        bare->block_count = 1;
        bare->compressed_size = 7;
        bare->data_offset = 4;
        bare->time_stamp = PackDosTime(2026, 12, 9, 6, 30, 11);
        bare->attributes = 0x21;
        archive.central_dir->Add(bare);
        auto* full = new TCentralFileHeader;
        full->name_part = "C:\\Work\\aurora\\intro.swf";
        full->data_offset = 31;
        archive.central_dir->Add(full);
        // Pretend the 27 data bytes are there, as the compressor would have left them.
        archive.SeekToData();
        for (int i = 0; i < 27; ++i)
            archive.WriteByte(0);
        archive.central_dir->Save();
    }
    std::vector<uint8_t> bytes = ReadAll(dir / "d.pak");
    ASSERT_EQ(bytes.size(), 4u + 27 + (29 + 9) + (29 + 24) + 12);
    EXPECT_EQ(Dword(bytes, 31), 0x53484643u);
    EXPECT_EQ(std::string(bytes.begin() + 31 + 28, bytes.begin() + 31 + 28 + 10),
              std::string("movie.swf\0", 10));

    TArchiveFile archive(dir / "d.pak", true);
    TCentralDir& cd = *archive.central_dir;
    ASSERT_EQ(cd.Count(), 2);
    EXPECT_EQ(cd.GetCentralDirOffset(), 31);
    EXPECT_EQ(cd[0]->folder_part, "");
    EXPECT_EQ(cd[0]->name_part, "movie.swf");
    EXPECT_EQ(cd[0]->raw_size, 12);
    EXPECT_EQ(cd[0]->compressed_size, 7);
    EXPECT_EQ(cd[0]->attributes, 0x21u);
    EXPECT_EQ(cd[1]->folder_part, "C:\\Work\\aurora\\");
    EXPECT_EQ(cd[1]->name_part, "intro.swf");
    EXPECT_EQ(cd[1]->StoredName(), "C:\\Work\\aurora\\intro.swf");
    EXPECT_EQ(cd[1]->data_offset, 31u);
}

TEST(ArchiveHeaders, DosTimesPackAsTheClassicBitFields) {
    uint32_t packed = PackDosTime(2026, 12, 9, 6, 30, 11);
    EXPECT_EQ(packed >> 16, uint32_t((2026 - 1980) * 512 + 12 * 32 + 9));
    EXPECT_EQ(packed & 0xFFFF, uint32_t(6 * 2048 + 30 * 32 + 5));
    TDosTime t = UnpackDosTime(packed);
    EXPECT_EQ(t.year, 2026);
    EXPECT_EQ(t.month, 12);
    EXPECT_EQ(t.second, 10);
    // Before 1980 the format has no date; the earliest one stands in.
    EXPECT_EQ(UnpackDosTime(PackDosTime(1970, 1, 1, 0, 0, 0)).year, 1980);
    EXPECT_EQ(UnpackDosTime(PackDosTime(2200, 1, 1, 0, 0, 0)).year, 2107);
}

TEST(ArchiveHeaders, StoredNamesSplitAtEitherSeparatorOrADrive) {
    std::string folder, name;
    SplitStoredName("/home/ann/a.swf", folder, name);
    EXPECT_EQ(folder, "/home/ann/");
    EXPECT_EQ(name, "a.swf");
    SplitStoredName("C:movie.swf", folder, name);
    EXPECT_EQ(folder, "C:");
    EXPECT_EQ(name, "movie.swf");
    SplitStoredName("dir\\", folder, name);
    EXPECT_EQ(name, "");
}

} // namespace
