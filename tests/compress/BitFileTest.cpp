// The bit file: bit order, pending bytes, the read limit and its margin.

#include "CompressErrors.h"
#include "CompressTestSupport.h"
#include "Messages.h"
#include "ObjListUnit.h"
#include "bit_file_unit.h"

#include <gtest/gtest.h>

namespace {

TEST(BitFile, BitsLeaveMostSignificantFirst) {
    TScratchDir dir;
    const std::string name = dir.File("b.bin");
    {
        TBitFile f(name, fmCreate);
        f.WriteBit(1);
        f.WriteBit(0);
        f.WriteBit(1);
        f.FlushBits();
        f.WriteBits(5, 3);
        f.FlushBits();
        f.WriteBits(0xDEADBEEF, 32);
        f.WriteBits(1, 1);
        f.FlushBits();
        f.FlushBits(); // nothing pending: writes nothing
    }
    EXPECT_EQ(ReadWholeFile(name),
              (std::vector<uint8_t>{0xA0, 0xA0, 0xDE, 0xAD, 0xBE, 0xEF, 0x80}));
}

TEST(BitFile, DestructorWritesPendingBitsOnlyWhenWriting) {
    TScratchDir dir;
    const std::string name = dir.File("p.bin");
    {
        TBitFile f(name, fmCreate);
        EXPECT_FALSE(f.read_only);
        f.WriteBits(7, 3);
    }
    EXPECT_EQ(ReadWholeFile(name), (std::vector<uint8_t>{0xE0}));
    {
        TBitFile f(name, fmOpenRead);
        EXPECT_TRUE(f.read_only);
        f.ReadBits(3);
    }
    EXPECT_EQ(ReadWholeFile(name), (std::vector<uint8_t>{0xE0}));
    // Opened for reading with the deny-write flag: no byte is forced into it either.
    TScriptedMessageBoxes boxes;
    TMessageBoxesScope scope(boxes);
    {
        TBitFile f(name, fmOpenRead | fmShareDenyWrite);
        EXPECT_FALSE(f.read_only);
        f.ReadBits(3);
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(ReadWholeFile(name), (std::vector<uint8_t>{0xE0}));
}

TEST(BitFile, ReadingTakesANewByteAfterEightBits) {
    TScratchDir dir;
    const std::string name = dir.File("r.bin");
    WriteWholeFile(name, {0xA5, 0x3C, 0xFF});
    TBitFile f(name, fmOpenRead);
    EXPECT_EQ(f.ReadBits(8), 0xA5u);
    EXPECT_EQ(f.BufferedPosition(), 1);
    EXPECT_FALSE(f.ReadBit());
    EXPECT_EQ(f.BufferedPosition(), 2);
    EXPECT_EQ(f.ReadBits(7), 0x3Cu);
    EXPECT_EQ(f.ReadBits(4), 0xFu);
    f.ResetBits();
    EXPECT_EQ(f.ReadBits(8), 0u); // past the end of the file: zero bits
}

// Hostile input used to end the whole program here; now the reader gets an exception.
TEST(BitFile, ReadLimitGivesZerosForTheMarginThenRaises) {
    TScratchDir dir;
    const std::string name = dir.File("l.bin");
    WriteWholeFile(name, {0xFF, 0xFF, 0xFF, 0xFF});
    TBitFile f(name, fmOpenRead);
    f.SetReadLimit(2);
    EXPECT_EQ(f.ReadBits(16), 0xFFFFu);
    for (int i = 0; i < TBitFile::READ_MARGIN; ++i)
        EXPECT_EQ(f.ReadBits(8), 0u) << i;
    EXPECT_EQ(f.bytes_read, 22);
    try {
        f.ReadBit();
        FAIL() << "read past the margin";
    } catch (const EDataCorrupt& e) {
        EXPECT_STREQ(e.what(), "Too many bytes read in bit mode.");
    }
    f.SetReadLimit(1);
    EXPECT_EQ(f.ReadBits(8), 0xFFu);
}

struct TCountedItem {
    TCountedItem(std::vector<int>& log, int id) : log(log), id(id) {}
    ~TCountedItem() { log.push_back(id); }
    std::vector<int>& log;
    int id;
};

TEST(ObjList, ClearDestroysFromLastToFirst) {
    std::vector<int> log;
    {
        TObjList<TCountedItem> list;
        for (int i = 0; i < 4; ++i)
            list.Add(new TCountedItem(log, i));
        list.Delete(1);
        EXPECT_EQ(log, std::vector<int>{1});
        TCountedItem* kept = list.Extract(0);
        EXPECT_EQ(list.Count(), 2);
        EXPECT_EQ(list[0]->id, 2);
        delete kept;
        list.Add(new TCountedItem(log, 9));
        list.Clear();
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(log, (std::vector<int>{1, 0, 9, 3, 2}));
        list.Add(new TCountedItem(log, 5));
    }
    EXPECT_EQ(log.back(), 5);
}

} // namespace
