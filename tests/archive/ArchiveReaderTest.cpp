#include "ArchiveManagerUnit.h"
#include "ArchiveReaderUnit.h"
#include "ArchiveTestSupport.h"
#include "Messages.h"

#include <gtest/gtest.h>

namespace {

// Compresses to a few bytes per block, which keeps the damage tests' archive small enough to
// truncate at every length.
std::vector<uint8_t> Repetitive(size_t size) {
    static const char text[] = "glimmer drome ";
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(text[i % (sizeof text - 1)]);
    return bytes;
}

// One small archive shared by the damage tests: three entries (one empty, one of two blocks)
// so that every record kind is present.
class ArchiveReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TScratchFolder("/dev/shm");
        TScratchFolder& dir = *folder;
        WriteAll(dir / "a.swf", SampleBytes(300, 1));
        WriteAll(dir / "empty.ico", {});
        WriteAll(dir / "b.gldp", Repetitive(409600 + 150));
        TArchiveManager m;
        m.OpenArchive(dir / "small.pak", false);
        m.AddFiles({dir / "a.swf", dir / "empty.ico", dir / "b.gldp"});
        m.CloseArchive();
        archive = new std::vector<uint8_t>(ReadAll(dir / "small.pak"));
        // Single-block entries only: every flipped byte means expanding the whole archive.
        WriteAll(dir / "c.txt", SampleBytes(400, 3));
        TArchiveManager t;
        t.OpenArchive(dir / "tiny.pak", false);
        t.AddFiles({dir / "a.swf", dir / "empty.ico", dir / "c.txt"});
        t.CloseArchive();
        tiny = new std::vector<uint8_t>(ReadAll(dir / "tiny.pak"));
    }
    static void TearDownTestSuite() {
        delete archive;
        delete tiny;
        delete folder;
    }

    // Opens bytes as a file and tests every entry; returns "" when all is intact, else the
    // message. Anything but a std::exception escaping here is a test failure.
    std::string Check(const std::vector<uint8_t>& bytes) {
        std::string path = *folder / "probe.bin";
        WriteAll(path, bytes);
        try {
            auto reader = TArchiveReader::Open(path);
            reader->TestAll();
            return "";
        } catch (const std::exception& e) {
            std::string what = e.what();
            return what.empty() ? "(empty message)" : what;
        }
    }

    static TScratchFolder* folder;
    static std::vector<uint8_t>* archive;
    static std::vector<uint8_t>* tiny;
};

TScratchFolder* ArchiveReaderTest::folder = nullptr;
std::vector<uint8_t>* ArchiveReaderTest::archive = nullptr;
std::vector<uint8_t>* ArchiveReaderTest::tiny = nullptr;

TEST_F(ArchiveReaderTest, ListsAndExpandsABareArchive) {
    auto reader = TArchiveReader::Open(*folder / "small.pak");
    EXPECT_EQ(reader->ArchiveStart(), 0);
    EXPECT_EQ(reader->ArchiveLength(), int64_t(archive->size()));
    EXPECT_EQ(reader->BlockSize(), 409600);
    const auto& e = reader->Entries();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].name_part, "a.swf");
    EXPECT_EQ(e[0].folder_part, folder->path + "/");
    EXPECT_EQ(e[1].block_count, 0);
    EXPECT_EQ(e[1].data_offset, e[0].data_offset + 20 + uint32_t(e[0].compressed_size));
    EXPECT_EQ(e[2].block_count, 2);
    std::vector<size_t> pieces;
    std::vector<uint8_t> got;
    reader->ExtractEntry(2, [&](const uint8_t* p, size_t n) {
        pieces.push_back(n);
        got.insert(got.end(), p, p + n);
    });
    EXPECT_EQ(pieces, (std::vector<size_t>{409600, 150}));
    EXPECT_EQ(got, Repetitive(409600 + 150));
    EXPECT_EQ(Check(*archive), "");
}

// The stub may contain the signature itself, even something that looks like a whole archive.
TEST_F(ArchiveReaderTest, FindsTheArchiveBehindAStubThatMimicsOne) {
    std::vector<uint8_t> stub = {'M', 'Z', 0x90, 0, 'K', 'L', 'P', 'M', 1, 2, 3};
    static const uint8_t fake[] = {0x4B, 0x4C, 0x50, 0x4D, 0x45, 0x43, 0x44, 0x52,
                                   0x00, 0x40, 0x06, 0x00, 0x04, 0x00, 0x00, 0x00};
    stub.insert(stub.end(), fake, fake + sizeof fake);
    stub.insert(stub.end(), 5000, 'K');
    std::vector<uint8_t> joined = stub;
    joined.insert(joined.end(), archive->begin(), archive->end());
    WriteAll(*folder / "joined.scr", joined);
    auto reader = TArchiveReader::Open(*folder / "joined.scr");
    EXPECT_EQ(reader->ArchiveStart(), int64_t(stub.size()));
    EXPECT_EQ(reader->Entries().size(), 3u);
    EXPECT_NO_THROW(reader->TestAll());

    // The empty archive behind a stub.
    std::vector<uint8_t> empty_joined = {'s', 't', 'b'};
    empty_joined.insert(empty_joined.end(), fake, fake + sizeof fake);
    WriteAll(*folder / "empty.scr", empty_joined);
    auto empty = TArchiveReader::Open(*folder / "empty.scr");
    EXPECT_EQ(empty->ArchiveStart(), 3);
    EXPECT_TRUE(empty->Entries().empty());
}

TEST_F(ArchiveReaderTest, EveryTruncationFailsCleanly) {
    for (size_t keep = 0; keep < archive->size(); ++keep) {
        std::vector<uint8_t> cut(archive->begin(), archive->begin() + keep);
        EXPECT_NE(Check(cut), "") << "truncated to " << keep << " bytes";
    }
}

TEST_F(ArchiveReaderTest, FlippedBytesNeverCrashAndDamagedDataIsCaught) {
    auto reader = TArchiveReader::Open(*folder / "tiny.pak");
    const size_t data_end = size_t(reader->CentralDirOffset());
    std::vector<bool> record(tiny->size(), false);
    for (size_t at = data_end; at < tiny->size(); ++at)
        record[at] = true;
    for (const TArchiveEntry& e : reader->Entries())
        for (size_t k = 0; k < 20 && e.block_count > 0; ++k)
            record[e.data_offset + k] = true;
    reader.reset();
    size_t data_flips = 0, data_caught = 0;
    for (size_t at = 0; at < tiny->size(); ++at) {
        // Every byte of every record, every third byte of the payloads: enough to reach each
        // stage of the decoder, fast enough for the sanitizer run.
        if (!record[at] && at % 3 != 0) continue;
        std::vector<uint8_t> bytes = *tiny;
        bytes[at] ^= 0x5A;
        std::string result = Check(bytes);
        if (at < data_end) {
            ++data_flips;
            if (!result.empty()) ++data_caught;
        }
    }
    // The coder's last byte may hold padding bits, so a rare flip in the data is harmless.
    EXPECT_GE(data_caught * 100, data_flips * 97) << data_caught << " of " << data_flips;
}

TEST_F(ArchiveReaderTest, OutOfRangeFieldsAreRefused) {
    auto reader = TArchiveReader::Open(*folder / "small.pak");
    const size_t dir = size_t(reader->CentralDirOffset());
    const size_t second = dir + 29 + reader->Entries()[0].stored_name.size();
    const size_t third = second + 29 + reader->Entries()[1].stored_name.size();
    struct Patch {
        size_t at;
        uint32_t value;
        const char* what;
    } patches[] = {
        {archive->size() - 4, 0x7FFFFFF0u, "directory offset past the end"},
        {archive->size() - 4, 0xFFFFFFF0u, "negative directory offset"},
        {archive->size() - 4, 2u, "directory offset inside the signature"},
        {archive->size() - 8, 0u, "block size 0"},
        {archive->size() - 8, 0x7FFFFFFFu, "huge block size"},
        {dir + 4, 0x7FFFFFFFu, "huge compressed size"},
        {dir + 8, 0xFFFFFFFFu, "negative raw size"},
        {dir + 12, 0x10000000u, "huge block count"},
        {dir + 16, 0xFFFFFFF0u, "data offset past the end"},
        // The second entry's data claimed to start at the first's: overlapping data.
        {second + 16, 4u, "overlapping data"},
        // The third entry pointing back at the first block: a loop in the chain.
        {third + 16, 4u, "data offset back at the start"},
        {third + 16, 0u, "data offset zero"},
    };
    for (const Patch& p : patches) {
        std::vector<uint8_t> bytes = *archive;
        PutDword(bytes, p.at, p.value);
        EXPECT_NE(Check(bytes), "") << p.what;
    }
    // A block header whose size runs past its entry.
    std::vector<uint8_t> bytes = *archive;
    PutDword(bytes, 4 + 8, 0x00FFFFFFu);
    EXPECT_NE(Check(bytes), "");
}

TEST_F(ArchiveReaderTest, ADirectoryThatRepeatsItselfIsRefused) {
    auto reader = TArchiveReader::Open(*folder / "small.pak");
    const size_t dir = size_t(reader->CentralDirOffset());
    const size_t first_len = 29 + reader->Entries()[0].stored_name.size();
    reader.reset();
    // The first entry repeated many times: every copy claims the same data.
    std::vector<uint8_t> bytes(archive->begin(), archive->begin() + dir + first_len);
    for (int i = 0; i < 1000; ++i)
        bytes.insert(bytes.end(), archive->begin() + dir, archive->begin() + dir + first_len);
    bytes.insert(bytes.end(), archive->end() - 12, archive->end());
    EXPECT_NE(Check(bytes), "");
    // Entries beyond the limit are refused before anything is allocated for them.
    TArchiveReaderLimits tight;
    tight.max_entries = 2;
    EXPECT_THROW(TArchiveReader::Open(*folder / "small.pak", tight), EArchiveDamaged);
}

TEST_F(ArchiveReaderTest, NamesMustEndInsideTheDirectory) {
    std::vector<uint8_t> bytes = *archive;
    for (size_t i = bytes.size() - 12 - 10; i < bytes.size() - 12; ++i)
        if (bytes[i] == 0) bytes[i] = 'x';
    EXPECT_NE(Check(bytes), "");
    TArchiveReaderLimits tight;
    tight.max_name_length = 4;
    EXPECT_THROW(TArchiveReader::Open(*folder / "small.pak", tight), EArchiveDamaged);
}

TEST_F(ArchiveReaderTest, NotAnArchiveAtAll) {
    EXPECT_NE(Check({}), "");
    EXPECT_NE(Check(std::vector<uint8_t>(100000, 'K')), "");
    std::vector<uint8_t> loops;
    for (int i = 0; i < 20000; ++i)
        loops.insert(loops.end(), {'K', 'L', 'P', 'M'});
    loops.insert(loops.end(), {'E', 'C', 'D', 'R', 0, 0x40, 6, 0, 4, 0, 0, 0});
    // Only the candidate right before the end record fits an empty archive of D = 4.
    auto path = *folder / "many.bin";
    WriteAll(path, loops);
    EXPECT_EQ(TArchiveReader::Open(path)->ArchiveStart(), int64_t(loops.size()) - 16);
    EXPECT_THROW(TArchiveReader::Open(*folder / "no-such-file"), std::exception);
}

// What each call of ExtractEntry gives, in the order of the calls: the entry's bytes, or "!"
// and the message. A sink raises at the block numbered stop (counted over the whole run).
std::vector<std::string> Outcomes(const std::vector<uint8_t>& bytes, int threads,
                                  const std::vector<size_t>& order, int stop = -1) {
    auto reader = TArchiveReader::OpenMemory(bytes);
    reader->SetThreads(threads);
    std::vector<std::string> outcomes;
    int blocks = 0;
    for (size_t index : order) {
        std::string got;
        try {
            reader->ExtractEntry(index, [&](const uint8_t* p, size_t n) {
                if (blocks++ == stop) throw std::runtime_error("stopped by the sink");
                got.append(reinterpret_cast<const char*>(p), n);
            });
        } catch (const std::exception& e) {
            got = std::string("!") + e.what();
        }
        outcomes.push_back(got);
    }
    return outcomes;
}

// Blocks expanded ahead on several threads give what one thread gives, call by call: the same
// bytes in any order of entries, the same message for a damaged block while the entries around
// it stay readable, and a fresh start after a sink that stops.
TEST_F(ArchiveReaderTest, ThreadsGiveWhatOneThreadGives) {
    TScratchFolder& dir = *folder;
    WriteAll(dir / "long.txt", Repetitive(3 * 409600 + 5));
    WriteAll(dir / "d.bin", SampleBytes(2000, 4));
    TArchiveManager m;
    m.OpenArchive(dir / "mixed.pak", false);
    m.AddFiles({dir / "a.swf", dir / "empty.ico", dir / "b.gldp", dir / "long.txt", dir / "d.bin"});
    m.CloseArchive();
    const std::vector<uint8_t> mixed = ReadAll(dir / "mixed.pak");

    const std::vector<size_t> in_order = {0, 1, 2, 3, 4};
    const std::vector<std::string> expected = Outcomes(mixed, 1, in_order);
    const std::vector<uint8_t> long_text = Repetitive(3 * 409600 + 5);
    ASSERT_EQ(expected[3], std::string(long_text.begin(), long_text.end()));
    for (const std::vector<size_t>& order :
         {in_order, std::vector<size_t>{3, 0, 4, 2, 2, 1, 3}, std::vector<size_t>{4, 3, 2, 1, 0}})
        for (int threads : {1, 2, 5})
            EXPECT_EQ(Outcomes(mixed, threads, order), Outcomes(mixed, 1, order)) << threads;
    for (int stop : {0, 2, 3, 5, 7})
        EXPECT_EQ(Outcomes(mixed, 3, in_order, stop), Outcomes(mixed, 1, in_order, stop)) << stop;

    auto reader = TArchiveReader::OpenMemory(mixed);
    std::vector<size_t> block_starts;
    for (const TArchiveEntry& e : reader->Entries()) {
        size_t at = e.data_offset;
        for (int32_t k = 0; k < e.block_count; ++k) {
            block_starts.push_back(at);
            at += 20 + Dword(mixed, at + 8);
        }
    }
    for (size_t start : block_starts)
        for (size_t field : {size_t(0), size_t(8), size_t(20 + 3)}) {
            std::vector<uint8_t> damaged = mixed;
            damaged[start + field] ^= 0x21;
            const std::vector<std::string> one = Outcomes(damaged, 1, in_order);
            EXPECT_EQ(Outcomes(damaged, 3, in_order), one) << start << "+" << field;
            EXPECT_NE(one, expected) << start << "+" << field;
        }
}

} // namespace
