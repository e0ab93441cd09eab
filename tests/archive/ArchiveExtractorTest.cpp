// The safe extractor on hostile archives and hostile folders: names cut to their last part or
// refused, nothing already in the folder written through or replaced, repeats numbered, and
// nothing left of an entry that fails or is cancelled.

#include "ArchiveExtractorUnit.h"
#include "ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <set>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

std::set<std::string> Listing(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

std::string Slurp(const std::string& path) {
    const auto bytes = ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

class ArchiveExtractorTest : public ::testing::Test {
protected:
    // Writes the crafted archive and opens it.
    TArchiveReader& Open(const std::vector<TCraftedEntry>& entries) {
        WriteAll(dir / "a.pak", CraftArchive(entries));
        reader = TArchiveReader::Open(dir / "a.pak");
        return *reader;
    }

    TScratchFolder dir;
    std::unique_ptr<TArchiveReader> reader;
};

TEST_F(ArchiveExtractorTest, OnlyNamePartsAreUsedAndUnsafeOnesAreRefused) {
    TArchiveReader& r = Open({
        {"/home/ann/movies/a.swf", Text("a")},
        {"C:\\Work\\b.swf", Text("b")},
        {"C:c.swf", Text("c")},
        {"..", Text("up")},
        {"x/..", Text("up again")},
        {"folder/", Text("nameless")},
        {"esc\x1b]0;owned\x07.swf", Text("title")},
        {"tab\there.swf", Text("tab")},
        {"c1\xC2\x9B"
         "1m.swf",
         Text("csi")},
        {"caf\xC3\xA9.swf", Text("utf-8")},
    });
    TArchiveExtractor extractor(r, dir / "out");
    std::vector<std::string> failures;
    const auto written = extractor.ExtractAll(
        [&](size_t, const std::string& message) { failures.push_back(message); });
    EXPECT_EQ(Listing(dir / "out"),
              (std::set<std::string>{"a.swf", "b.swf", "c.swf", "caf\xC3\xA9.swf"}));
    EXPECT_EQ(Slurp(dir / "out/b.swf"), "b");
    ASSERT_EQ(failures.size(), 6u);
    for (const auto& message : failures) {
        EXPECT_NE(message.find("no usable file name"), std::string::npos) << message;
        // The refusal names the entry without letting its bytes reach a terminal.
        EXPECT_EQ(message.find('\x1b'), std::string::npos);
        EXPECT_EQ(message.find('\x07'), std::string::npos);
    }
    EXPECT_NE(failures[3].find("esc\\x1B]0;owned\\x07.swf"), std::string::npos) << failures[3];
    EXPECT_EQ(Listing(dir.path), (std::set<std::string>{"a.pak", "out"})) << "nothing outside";
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(written[0].path, dir / "out/a.swf");
    // The entry's time stamp becomes the file's.
    struct stat st {};
    ASSERT_EQ(::stat((dir / "out/a.swf").c_str(), &st), 0);
    std::tm local{};
    localtime_r(&st.st_mtime, &local);
    EXPECT_EQ(local.tm_year + 1900, 2026);
    EXPECT_EQ(local.tm_min, 30);
}

TEST_F(ArchiveExtractorTest, NothingInTheFolderIsWrittenThroughOrReplaced) {
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "elsewhere");
    WriteText(dir / "elsewhere/victim", "precious");
    fs::create_symlink(dir / "elsewhere/victim", dir / "out/movie.swf");
    fs::create_symlink(dir / "elsewhere/absent", dir / "out/dangling.swf");
    WriteText(dir / "out/notes.txt", "the user's notes");
    TArchiveReader& r = Open({{"/p/movie.swf", Text("movie")},
                              {"/p/dangling.swf", Text("dangling")},
                              {"/p/notes.txt", Text("packed notes")}});
    TArchiveExtractor extractor(r, dir / "out");
    const auto written = extractor.ExtractAll([](size_t, const std::string& m) { FAIL() << m; });
    EXPECT_EQ(Slurp(dir / "elsewhere/victim"), "precious");
    EXPECT_FALSE(fs::exists(dir / "elsewhere/absent"));
    EXPECT_TRUE(fs::is_symlink(dir / "out/movie.swf"));
    EXPECT_TRUE(fs::is_symlink(dir / "out/dangling.swf"));
    EXPECT_EQ(Slurp(dir / "out/notes.txt"), "the user's notes");
    EXPECT_EQ(Slurp(dir / "out/movie (2).swf"), "movie");
    EXPECT_EQ(Slurp(dir / "out/dangling (2).swf"), "dangling");
    EXPECT_EQ(Slurp(dir / "out/notes (2).txt"), "packed notes");
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written[2].name, "notes (2).txt");
}

TEST_F(ArchiveExtractorTest, RepeatedNamesAreNumberedWithoutRegardToCase) {
    TArchiveReader& r = Open({{"a/m.swf", Text("1")},
                              {"b/M.SWF", Text("2")},
                              {"c\\m.swf", Text("3")},
                              {"m (2).swf", Text("4")},
                              {".hidden", Text("5")},
                              {"d/.hidden", Text("6")},
                              {"noext", Text("7")},
                              {"e/noext", Text("8")}});
    TArchiveExtractor extractor(r, dir / "out");
    extractor.ExtractAll([](size_t, const std::string& m) { FAIL() << m; });
    EXPECT_EQ(Slurp(dir / "out/m.swf"), "1");
    EXPECT_EQ(Slurp(dir / "out/M (2).SWF"), "2");
    EXPECT_EQ(Slurp(dir / "out/m (3).swf"), "3");
    EXPECT_EQ(Slurp(dir / "out/m (2) (2).swf"), "4");
    EXPECT_EQ(Slurp(dir / "out/.hidden (2)"), "6");
    EXPECT_EQ(Slurp(dir / "out/noext (2)"), "8");
    EXPECT_EQ(Listing(dir / "out").size(), 8u);
}

TEST_F(ArchiveExtractorTest, ADamagedEntryLeavesNothingAndTheEarlierFileSurvives) {
    fs::create_directories(dir / "out");
    WriteText(dir / "out/big.bin", "earlier");
    std::vector<uint8_t> big = SampleBytes(409600 + 5000, 4);
    std::vector<uint8_t> bytes =
        CraftArchive({{"ok.txt", Text("fine")}, {"big.bin", big}, {"x/big.bin", Text("second")}});
    auto probe = TArchiveReader::OpenMemory(bytes);
    // A byte in the middle of the second block of big.bin.
    const TArchiveEntry& e = probe->Entries()[1];
    const size_t second = e.data_offset + 20 + LoadLE32(bytes.data() + e.data_offset + 8);
    bytes[second + 30] ^= 0x55;
    WriteAll(dir / "a.pak", bytes);
    reader = TArchiveReader::Open(dir / "a.pak");
    TArchiveExtractor extractor(*reader, dir / "out");
    EXPECT_EQ(extractor.ExtractEntry(0).name, "ok.txt");
    EXPECT_THROW(extractor.ExtractEntry(1), EArchiveDamaged);
    EXPECT_EQ(Listing(dir / "out"), (std::set<std::string>{"big.bin", "ok.txt"}));
    EXPECT_EQ(Slurp(dir / "out/big.bin"), "earlier");

    // The failed entry keeps its name: the next one of that name does not take its place.
    TArchiveExtractor fresh(*reader, dir / "fresh");
    std::vector<size_t> failed;
    fresh.ExtractAll([&](size_t index, const std::string&) { failed.push_back(index); });
    EXPECT_EQ(failed, std::vector<size_t>{1});
    EXPECT_EQ(Listing(dir / "fresh"), (std::set<std::string>{"ok.txt", "big (2).bin"}));
}

TEST_F(ArchiveExtractorTest, ProgressComesPerBlockAndACancelDropsTheEntry) {
    const std::vector<uint8_t> big = SampleBytes(409600 + 10, 5);
    TArchiveReader& r = Open({{"one.bin", big}, {"two.bin", big}});
    TArchiveExtractor extractor(r, dir / "out");
    std::atomic<bool> cancel{false};
    extractor.cancel = &cancel;
    std::vector<std::string> seen;
    extractor.OnProgress = [&](size_t index, int64_t done, int64_t size) {
        seen.push_back(std::to_string(index) + ":" + std::to_string(done) + "/" +
                       std::to_string(size));
        if (index == 1) cancel = true;
    };
    EXPECT_THROW(extractor.ExtractAll(nullptr), EExtractCancelled);
    EXPECT_EQ(seen,
              (std::vector<std::string>{"0:409600/409610", "0:409610/409610", "1:409600/409610"}));
    EXPECT_EQ(ReadAll(dir / "out/one.bin"), big);
    EXPECT_EQ(Listing(dir / "out"), std::set<std::string>{"one.bin"}) << "nothing of two.bin";
}

} // namespace
