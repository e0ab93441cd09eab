// The buffered file stream: buffering, end of file, smart seeks and write failures.

#include "CompressErrors.h"
#include "CompressTestSupport.h"
#include "FileErrors.h"
#include "Messages.h"
#include "smart_buf_filestream_unit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

std::vector<uint8_t> Sequence(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(i * 7 + 3);
    return v;
}

TEST(BufferedStream, OpenFailuresNameTheFile) {
    TScratchDir dir;
    try {
        TBufferedFileStream s(dir.File("missing.bin"), 64, fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.bin"), std::string::npos);
    }
    EXPECT_THROW(TBufferedFileStream(dir.File("no/such/folder.bin"), 64, fmCreate), EFCreateError);
    EXPECT_THROW(TBufferedFileStream(dir.path, 64, fmOpenRead), EFOpenError);
}

TEST(BufferedStream, FullBufferStaysUntilTheNextByteOrFlush) {
    TScratchDir dir;
    const std::string name = dir.File("w.bin");
    TBufferedFileStream s(name, 16, fmCreate);
    EXPECT_TRUE(s.write_mode);
    auto data = Sequence(16);
    EXPECT_EQ(s.WriteBytes(data.data(), 16), 16);
    EXPECT_EQ(s.BufferedPosition(), 16);
    EXPECT_EQ(s.Size(), 0);
    s.WriteByte(0xEE);
    EXPECT_EQ(s.Size(), 16);
    s.FlushBuffer();
    EXPECT_EQ(s.Size(), 17);
    data.push_back(0xEE);
    EXPECT_EQ(ReadWholeFile(name), data);
}

TEST(BufferedStream, DestructorWritesPendingBytes) {
    TScratchDir dir;
    const std::string name = dir.File("d.bin");
    {
        TBufferedFileStream s(name, 1024, fmCreate);
        s.WriteDword(0x41544144);
        EXPECT_EQ(s.BufferedPosition(), 4);
    }
    EXPECT_EQ(ReadWholeFile(name), (std::vector<uint8_t>{'D', 'A', 'T', 'A'}));
}

// Reading through the buffer while written bytes wait in it used to drop those bytes.
TEST(BufferedStream, ReadingAfterWritingKeepsTheWrittenBytes) {
    TScratchDir dir;
    const std::string name = dir.File("rw.bin");
    TBufferedFileStream s(name, 64, fmCreate);
    s.WriteDword(0x04030201);
    uint8_t b = 9;
    EXPECT_FALSE(s.ReadByte(b));
    EXPECT_EQ(s.Size(), 4);
    s.SmartSeek(1, 0);
    ASSERT_TRUE(s.ReadByte(b));
    EXPECT_EQ(b, 2);
}

TEST(BufferedStream, BufferedPositionCountsUnwrittenBytes) {
    TScratchDir dir;
    TBufferedFileStream s(dir.File("p.bin"), 4096, fmCreate);
    EXPECT_EQ(s.BufferedPosition(), 0);
    for (int i = 0; i < 20; ++i)
        s.WriteByte(uint8_t(i));
    EXPECT_EQ(s.BufferedPosition(), 20);
    EXPECT_EQ(s.Position(), 0);
}

TEST(BufferedStream, ReadingAFileOfWholeBuffersEndsCleanly) {
    TScratchDir dir;
    const std::string name = dir.File("r.bin");
    auto data = Sequence(64);
    WriteWholeFile(name, data);
    TBufferedFileStream s(name, 16, fmOpenRead | fmShareDenyWrite);
    EXPECT_FALSE(s.write_mode);
    for (size_t i = 0; i < data.size(); ++i) {
        uint8_t b = 0;
        ASSERT_TRUE(s.ReadByte(b)) << i;
        EXPECT_EQ(b, data[i]);
    }
    uint8_t b = 0x55;
    EXPECT_FALSE(s.ReadByte(b));
    EXPECT_EQ(b, 0);
    EXPECT_FALSE(s.ReadByte(b));
}

TEST(BufferedStream, ReadBytesPastTheEndFillsZerosAndReportsFullCount) {
    TScratchDir dir;
    const std::string name = dir.File("r.bin");
    WriteWholeFile(name, {1, 2, 3, 4, 5, 6});
    TBufferedFileStream s(name, 16, fmOpenRead);
    s.SmartSeek(4, 0);
    uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_EQ(s.ReadBytes(out, 4), 4);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{5, 6, 0, 0}));
}

TEST(BufferedStream, DwordsAreLittleEndian) {
    TScratchDir dir;
    const std::string name = dir.File("le.bin");
    {
        TBufferedFileStream s(name, 8, fmCreate);
        s.WriteDword(0x11223344);
        s.WriteDword(0xFFFFFFFE);
    }
    EXPECT_EQ(ReadWholeFile(name),
              (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11, 0xFE, 0xFF, 0xFF, 0xFF}));
    TBufferedFileStream r(name, 8, fmOpenRead);
    EXPECT_EQ(r.ReadDword(), 0x11223344u);
    EXPECT_EQ(r.ReadDword(), 0xFFFFFFFEu);
}

// A block header is filled in after its payload: the seek writes what is pending first, and
// what is written after it lands at the new place.
TEST(BufferedStream, SeekInCreatedFileWritesPendingBytesFirst) {
    TScratchDir dir;
    const std::string name = dir.File("h.bin");
    {
        TBufferedFileStream s(name, 64, fmCreate);
        for (int i = 0; i < 8; ++i)
            s.WriteByte(0);
        for (int i = 0; i < 4; ++i)
            s.WriteByte(uint8_t(0xA0 + i));
        const int64_t end = s.BufferedPosition();
        EXPECT_EQ(s.SmartSeek(2, 0), 2);
        EXPECT_EQ(s.Size(), 12);
        s.WriteDword(0xDDCCBBAA);
        EXPECT_EQ(s.SmartSeek(end, 0), 12);
        s.WriteByte(0x77);
    }
    EXPECT_EQ(ReadWholeFile(name), (std::vector<uint8_t>{0, 0, 0xAA, 0xBB, 0xCC, 0xDD, 0, 0, 0xA0,
                                                         0xA1, 0xA2, 0xA3, 0x77}));
}

TEST(BufferedStream, SmartSeekStaysInsideTheBufferOnlyStrictlyInside) {
    TScratchDir dir;
    const std::string name = dir.File("s.bin");
    auto data = Sequence(300);
    WriteWholeFile(name, data);
    TBufferedFileStream s(name, 100, fmOpenRead);
    uint8_t b;
    ASSERT_TRUE(s.ReadByte(b));
    ASSERT_EQ(s.buffer_fill, 100);
    // In the buffer: no system seek, the file stays past the buffered bytes.
    EXPECT_EQ(s.SmartSeek(s.abs_offset + 5, 0), 5);
    EXPECT_EQ(s.Position(), 100);
    ASSERT_TRUE(s.ReadByte(b));
    EXPECT_EQ(b, data[5]);
    // Relative to the logical position, still inside.
    EXPECT_EQ(s.SmartSeek(10, 1), 16);
    ASSERT_TRUE(s.ReadByte(b));
    EXPECT_EQ(b, data[16]);
    // The edges go through the system and refill.
    EXPECT_EQ(s.SmartSeek(99, 0), 99);
    EXPECT_EQ(s.Position(), 99);
    ASSERT_TRUE(s.ReadByte(b));
    EXPECT_EQ(b, data[99]);
    EXPECT_EQ(s.SmartSeek(s.abs_offset, 0), 99);
    ASSERT_TRUE(s.ReadByte(b));
    EXPECT_EQ(b, data[99]);
    // From the end, and relative outside the buffer: both land where they say.
    EXPECT_EQ(s.SmartSeek(-3, 2), 297);
    ASSERT_TRUE(s.ReadByte(b));
    EXPECT_EQ(b, data[297]);
    EXPECT_EQ(s.SmartSeek(-200, 1), 98);
    ASSERT_TRUE(s.ReadByte(b));
    EXPECT_EQ(b, data[98]);
    EXPECT_EQ(s.BufferedPosition(), 99);
}

TEST(BufferedStream, FailedSeekAndUnknownOriginRaise) {
    TScratchDir dir;
    const std::string name = dir.File("f.bin");
    WriteWholeFile(name, Sequence(10));
    TScriptedMessageBoxes boxes;
    TMessageBoxesScope scope(boxes);
    TBufferedFileStream s(name, 4, fmOpenRead);
    try {
        s.SmartSeek(-5, 0);
        FAIL() << "seek before the start succeeded";
    } catch (const ESeekError& e) {
        EXPECT_STREQ(e.what(), "SmartSeek General error");
    }
    EXPECT_THROW(s.SmartSeek(3, 7), ESeekError);
    EXPECT_TRUE(boxes.shown.empty()) << "the engine shows no boxes";
    TBufferedFileStream w(dir.File("g.bin"), 4, fmCreate);
    EXPECT_THROW(w.SmartSeek(-1, 0), ESeekError);
}

TEST(BufferedStream, ByteAccessOutsideSmartModeIsAnAssertion) {
    TScratchDir dir;
    TBufferedFileStream s(dir.File("a.bin"), 4, fmCreate);
    s.SmartModeOff();
    try {
        s.WriteByte(1);
        FAIL() << "byte access outside smart mode";
    } catch (const EAssertionFailed& e) {
        EXPECT_NE(std::string(e.what()).find("Assertion failure"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("smart_buf_filestream_unit"), std::string::npos);
    }
    const char raw[3] = {'x', 'y', 'z'};
    EXPECT_EQ(s.Write(raw, 3), 3);
    s.SmartModeOn();
    s.WriteByte('!');
    s.FlushBuffer();
    EXPECT_EQ(ReadWholeFile(s.file_name), (std::vector<uint8_t>{'x', 'y', 'z', '!'}));
}

// A full disk used to give a truncated archive reported as good.
TEST(BufferedStream, WriteFailureInFlushRaises) {
    struct stat st {};
    if (stat("/dev/full", &st) != 0) GTEST_SKIP() << "no /dev/full here";
    TBufferedFileStream s("/dev/full", 8, fmOpenWrite);
    s.WriteDword(1);
    try {
        s.FlushBuffer();
        FAIL() << "a refused write went unnoticed";
    } catch (const EWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("/dev/full"), std::string::npos);
    }
    // A failure met while the stream goes away cannot be raised; it reaches the stream's
    // handler, not a box.
    TScriptedMessageBoxes boxes;
    std::vector<std::string> lost;
    {
        TMessageBoxesScope scope(boxes);
        TBufferedFileStream t("/dev/full", 8, fmOpenWrite);
        t.OnCloseError = [&](const std::string& message) { lost.push_back(message); };
        t.WriteByte(1);
    }
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_NE(lost[0].find("Cannot write"), std::string::npos);
}

// The archive copies its old data unbuffered, then goes on through the buffer: positions
// counted afterwards must start where the unbuffered writes ended.
TEST(BufferedStream, PositionAfterUnbufferedWritesCountsFromTheFile) {
    TScratchDir dir;
    TBufferedFileStream s(dir.File("u.bin"), 16, fmCreate);
    s.WriteBytes("abcd", 4);
    s.FlushBuffer();
    s.SmartModeOff();
    EXPECT_EQ(s.Write("0123456789", 10), 10);
    s.SmartModeOn();
    EXPECT_EQ(s.BufferedPosition(), 14);
    s.WriteBytes("xyz", 3);
    EXPECT_EQ(s.BufferedPosition(), 17);
    s.FlushBuffer();
    EXPECT_EQ(ReadWholeFile(s.file_name).size(), 17u);
}

} // namespace
