#include "FilePacker.h"
#include "../archive/ArchiveTestSupport.h"
#include "ArchiveReaderUnit.h"
#include "FileErrors.h"
#include "Messages.h"
#include "cFilePacker.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::vector<uint8_t> EMPTY_ARCHIVE = {0x4B, 0x4C, 0x50, 0x4D, 0x45, 0x43, 0x44, 0x52,
                                            0x00, 0x40, 0x06, 0x00, 0x04, 0x00, 0x00, 0x00};

TEST(FilePackerMerge, OutputIsTheStubFollowedByTheArchive) {
    TScratchFolder dir;
    WriteAll(dir / "stub.dll", {'M', 'Z', '!'});
    WriteAll(dir / "a.pak", EMPTY_ARCHIVE);
    TFilePackerExt::Merge(dir / "stub.dll", dir / "a.pak", dir / "out.scr");
    std::vector<uint8_t> out = ReadAll(dir / "out.scr");
    ASSERT_EQ(out.size(), 19u);
    EXPECT_TRUE(std::equal(EMPTY_ARCHIVE.begin(), EMPTY_ARCHIVE.end(), out.begin() + 3));
    EXPECT_EQ(Dword(out, 15), 4u);
    EXPECT_EQ(TArchiveReader::Open(dir / "out.scr")->ArchiveStart(), 3);
}

TEST(FilePackerMerge, SecondMergeReplacesALongerOutputCompletely) {
    TScratchFolder dir;
    WriteAll(dir / "out.scr", SampleBytes(100000, 1));
    WriteAll(dir / "stub.dll", {1, 2, 3, 4});
    WriteAll(dir / "a.pak", EMPTY_ARCHIVE);
    TFilePackerExt::Merge(dir / "stub.dll", dir / "a.pak", dir / "out.scr");
    EXPECT_EQ(ReadAll(dir / "out.scr").size(), 20u);
    EXPECT_EQ(dir.Names().size(), 3u) << "nothing is left beside the output";
}

TEST(FilePackerMerge, FailedMergeKeepsTheEarlierOutput) {
    TScratchFolder dir;
    std::vector<uint8_t> earlier = SampleBytes(5000, 4);
    WriteAll(dir / "out.scr", earlier);
    WriteAll(dir / "a.pak", EMPTY_ARCHIVE);
    EXPECT_THROW(TFilePackerExt::Merge(dir / "missing.dll", dir / "a.pak", dir / "out.scr"),
                 EFOpenError);
    EXPECT_THROW(TFilePackerExt::Merge(dir / "a.pak", dir / "missing.pak", dir / "out.scr"),
                 EFOpenError);
    // An input that opens but cannot be read (a folder) fails half-way through the copy.
    std::filesystem::create_directory(dir / "folder.pak");
    EXPECT_ANY_THROW(TFilePackerExt::Merge(dir / "a.pak", dir / "folder.pak", dir / "out.scr"));
    EXPECT_EQ(ReadAll(dir / "out.scr"), earlier);
    EXPECT_EQ(dir.Names().size(), 3u) << "no half-written output is left behind";
    EXPECT_THROW(TFilePackerExt::Merge(dir / "a.pak", dir / "a.pak", dir / "no/such/out.scr"),
                 EFCreateError);
}

TEST(FilePackerMerge, OutputIsExecutableLessTheUmaskAlsoWhenItReplacesAnEarlierOne) {
    namespace fs = std::filesystem;
    TScratchFolder dir;
    WriteAll(dir / "stub.dll", {1, 2, 3});
    WriteAll(dir / "a.pak", EMPTY_ARCHIVE);
    auto mode = [&](const char* name) {
        return fs::status(std::string(dir / name)).permissions() & fs::perms::all;
    };
    const mode_t old_mask = ::umask(022);
    TFilePackerExt::Merge(dir / "stub.dll", dir / "a.pak", dir / "out.scr");
    EXPECT_EQ(mode("out.scr"), fs::perms(0755));
    // An earlier output without execute permission is replaced by an executable one.
    WriteAll(dir / "setup.exe", SampleBytes(100, 2));
    fs::permissions(std::string(dir / "setup.exe"), fs::perms(0644));
    ::umask(077);
    TFilePackerExt::Merge(dir / "stub.dll", dir / "a.pak", dir / "setup.exe");
    EXPECT_EQ(mode("setup.exe"), fs::perms(0700));
    ::umask(old_mask);
}

TEST(FilePacker, PacksAListIntoAnArchiveThatReadsBack) {
    TScratchFolder dir;
    WriteAll(dir / "m1.swf", SampleBytes(2000, 5));
    WriteAll(dir / "m2.swf", SampleBytes(70000, 6));
    int added = 0;
    {
        TFilePacker packer;
        packer.Open(dir / "package");
        added = packer.AddFiles({dir / "m1.swf", dir / "gone.swf", dir / "m2.swf"});
    }
    EXPECT_EQ(added, 2);
    ASSERT_TRUE(std::filesystem::exists(dir / "package.rs"));
    WriteAll(dir / "saver.dll", SampleBytes(3333, 7));
    TFilePackerExt::Merge(dir / "saver.dll", dir / "package.rs", dir / "Demo.scr");
    auto reader = TArchiveReader::Open(dir / "Demo.scr");
    EXPECT_EQ(reader->ArchiveStart(), 3333);
    ASSERT_EQ(reader->Entries().size(), 2u);
    EXPECT_EQ(reader->Entries()[1].stored_name, dir / "m2.swf");
    std::vector<uint8_t> got;
    reader->ExtractEntry(1, [&](const uint8_t* p, size_t n) { got.insert(got.end(), p, p + n); });
    EXPECT_EQ(got, SampleBytes(70000, 6));
}

// The packer shows nothing itself: skipped entries reach its observer in the order the entries
// came, with one report per block; without an observer it packs silently.
TEST(FilePacker, ReportsSkippedEntriesInOrderAndEveryBlockAndShowsNoBox) {
    TScratchFolder dir;
    ASSERT_EQ(::mkfifo((dir / "first.swf").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((dir / "second.swf").c_str(), 0644), 0);
    WriteAll(dir / "big.swf", SampleBytes(409600 + 10, 8));
    TScriptedMessageBoxes boxes;
    TMessageBoxesScope scope(boxes);
    struct TRecorder : IArchiveObserver {
        std::vector<std::string> skipped;
        int blocks = 0;
        void EntrySkipped(const TArchiveDiagnostic& diagnostic) override {
            skipped.push_back(diagnostic.text);
        }
        void BlockDone(const std::string&, int64_t, int64_t) override { ++blocks; }
    } recorder;
    int added = 0;
    {
        TFilePacker packer(&recorder);
        packer.Open(dir / "p.pak");
        added = packer.AddFiles({dir / "first.swf", dir / "big.swf", dir / "second.swf"});
    }
    EXPECT_EQ(added, 1);
    EXPECT_EQ(recorder.blocks, 2) << "one report per block";
    ASSERT_EQ(recorder.skipped.size(), 2u);
    EXPECT_EQ(recorder.skipped[0],
              "Cannot open file: '" + (dir / "first.swf") + "'.\rIt will not be added.");
    EXPECT_EQ(recorder.skipped[1],
              "Cannot open file: '" + (dir / "second.swf") + "'.\rIt will not be added.");

    TFilePacker silent;
    silent.Open(dir / "q.pak");
    EXPECT_EQ(silent.AddFiles({dir / "first.swf", dir / "big.swf"}), 1);
    EXPECT_TRUE(boxes.shown.empty());
}

} // namespace
