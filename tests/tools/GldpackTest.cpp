#include "../archive/ArchiveTestSupport.h"
#include "ArchiveManagerUnit.h"
#include "ArchiveReaderUnit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

namespace {

struct TRun {
    int status;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Slurp(const std::string& path) {
    auto bytes = ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

class GldpackTest : public ::testing::Test {
protected:
    TRun Run(const std::vector<std::string>& args) {
        std::string command = Quote(std::string(GLD_PROGRAM_DIR) + "/gldpack");
        for (const auto& a : args) command += " " + Quote(a);
        command += " >" + Quote(dir / "stdout.txt") + " 2>" + Quote(dir / "stderr.txt");
        int raw = std::system(command.c_str());
        TRun r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(dir / "stdout.txt"),
               Slurp(dir / "stderr.txt")};
        std::filesystem::remove(dir / "stdout.txt");
        std::filesystem::remove(dir / "stderr.txt");
        return r;
    }
    static size_t Lines(const std::string& text) {
        return size_t(std::count(text.begin(), text.end(), '\n'));
    }

    TScratchFolder dir;
};

TEST_F(GldpackTest, HelpAndUsage) {
    TRun help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("gldpack [-v] create ARCHIVE FILE..."), std::string::npos);
    EXPECT_EQ(Run({}).status, 2);
    EXPECT_EQ(Run({"frobnicate"}).status, 2);
    EXPECT_EQ(Run({"list"}).status, 2);
}

TEST_F(GldpackTest, MixedFolderRoundTrips) {
    std::filesystem::create_directory(dir / "in");
    const std::vector<std::pair<std::string, size_t>> files = {
        {"empty.ico", 0},      {"one.txt", 1},          {"page.gldp", 4096},
        {"exact.swf", 409600}, {"multi.swf", 409600 * 2 + 7}};
    std::vector<std::string> args = {"-v", "create", dir / "out.pak"};
    uint32_t seed = 10;
    for (const auto& [name, size] : files) {
        WriteAll(dir / ("in/" + name), SampleBytes(size, seed++));
        args.push_back(dir / ("in/" + name));
    }
    TRun created = Run(args);
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_NE(created.out.find("ArchiveMan: File size = 409600 bytes  (Num blocks=1)"),
              std::string::npos);
    EXPECT_NE(created.out.find("ArchiveMan: Block 2 OK, (Raw size=7 Compressed= "),
              std::string::npos);
    EXPECT_NE(created.out.find("added 5 of 5 files"), std::string::npos);

    TRun listed = Run({"list", dir / "out.pak"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("5 entries"), std::string::npos);
    EXPECT_NE(listed.out.find(dir / "in/multi.swf"), std::string::npos);
    EXPECT_EQ(Lines(listed.out), 1u + 1 + 5 + 1);

    TRun tested = Run({"test", dir / "out.pak"});
    EXPECT_EQ(tested.status, 0) << tested.err;
    EXPECT_NE(tested.out.find("5 entries, 6 blocks, all intact"), std::string::npos) << tested.out;

    TRun extracted = Run({"extract", dir / "out.pak", dir / "x"});
    ASSERT_EQ(extracted.status, 0) << extracted.err;
    for (const auto& [name, size] : files) {
        EXPECT_EQ(ReadAll(dir / ("x/" + name)), ReadAll(dir / ("in/" + name))) << name;
        EXPECT_EQ(std::filesystem::file_size(dir / ("x/" + name)), size);
    }
    EXPECT_EQ(std::filesystem::last_write_time(dir / "x/one.txt").time_since_epoch().count() != 0,
              true);
    // The archive behind a stub is found by itself.
    std::vector<uint8_t> joined = SampleBytes(7777, 99);
    std::vector<uint8_t> pak = ReadAll(dir / "out.pak");
    joined.insert(joined.end(), pak.begin(), pak.end());
    WriteAll(dir / "Demo.scr", joined);
    TRun behind = Run({"list", dir / "Demo.scr"});
    EXPECT_EQ(behind.status, 0) << behind.err;
    EXPECT_NE(behind.out.find("archive at offset 7777"), std::string::npos) << behind.out;
    EXPECT_EQ(Run({"test", dir / "Demo.scr"}).status, 0);
}

TEST_F(GldpackTest, CreateAndAddRespectTheirPreconditions) {
    WriteAll(dir / "a.txt", SampleBytes(100, 1));
    WriteAll(dir / "b.txt", SampleBytes(200, 2));
    EXPECT_EQ(Run({"add", dir / "nope.pak", dir / "a.txt"}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "nope.pak"));
    ASSERT_EQ(Run({"create", dir / "pack", dir / "a.txt"}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "pack.rs"));
    std::vector<uint8_t> before = ReadAll(dir / "pack.rs");
    TRun again = Run({"create", dir / "pack", dir / "b.txt"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already exists"), std::string::npos);
    EXPECT_EQ(ReadAll(dir / "pack.rs"), before);

    TRun added = Run({"add", dir / "pack.rs", dir / "b.txt", dir / "missing.txt"});
    EXPECT_EQ(added.status, 1) << "one listed file was not added";
    EXPECT_NE(added.err.find("missing.txt"), std::string::npos);
    EXPECT_NE(added.out.find("added 1 of 2 files; 2 entries"), std::string::npos) << added.out;
}

// Stored names may be anything; extraction stays inside DIR and never overwrites a sibling.
TEST_F(GldpackTest, ExtractStaysInsideTheFolderAndKeepsRepeatedNames) {
    std::filesystem::create_directories(dir / "deep/er");
    std::filesystem::create_directories(dir / "other");
    WriteText(dir / "deep/er/movie.swf", "first");
    WriteText(dir / "other/movie.swf", "second");
    WriteText(dir / "other/Movie.SWF", "third");
    WriteText(dir / "deep/ab", "dots");
    {
        TArchiveManager m;
        m.OpenArchive(dir / "evil.pak", false);
        // Relative names with "..", a repeated absolute name and a name that is patched to
        // ".." below.
        ASSERT_EQ(m.AddFiles({"../other/movie.swf", dir / "deep/er/movie.swf",
                              "er/../../other/Movie.SWF", "ab"},
                             dir / "deep"),
                  4);
    }
    std::vector<uint8_t> bytes = ReadAll(dir / "evil.pak");
    std::string text(bytes.begin(), bytes.end());
    size_t at = text.rfind(std::string("ab\0", 3));
    ASSERT_NE(at, std::string::npos);
    bytes[at] = '.';
    bytes[at + 1] = '.';
    WriteAll(dir / "evil.pak", bytes);

    TRun r = Run({"extract", dir / "evil.pak", dir / "out"});
    EXPECT_EQ(r.status, 1) << "the entry named '..' is refused";
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_EQ(Slurp(dir / "out/movie.swf"), "second");
    EXPECT_EQ(Slurp(dir / "out/movie (2).swf"), "first");
    EXPECT_EQ(Slurp(dir / "out/Movie (3).SWF"), "third");
    size_t count = 0;
    for (auto& e : std::filesystem::recursive_directory_iterator(dir / "out")) {
        (void)e;
        ++count;
    }
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(Slurp(dir / "other/movie.swf"), "second") << "nothing written outside DIR";
}

TEST_F(GldpackTest, DamagedInputGivesOneLineAndFailure) {
    WriteAll(dir / "a.bin", SampleBytes(20000, 3));
    ASSERT_EQ(Run({"create", dir / "ok.pak", dir / "a.bin"}).status, 0);
    std::vector<uint8_t> good = ReadAll(dir / "ok.pak");

    std::vector<uint8_t> flipped = good;
    flipped[40] ^= 0xFF;
    WriteAll(dir / "flip.pak", flipped);
    TRun t = Run({"test", dir / "flip.pak"});
    EXPECT_EQ(t.status, 1);
    EXPECT_EQ(Lines(t.err), 1u) << t.err;
    TRun x = Run({"extract", dir / "flip.pak", dir / "out"});
    EXPECT_EQ(x.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "out/a.bin")) << "no half-expanded file";

    WriteAll(dir / "cut.pak", std::vector<uint8_t>(good.begin(), good.end() - 5));
    for (const char* command : {"list", "test"}) {
        TRun r = Run({command, dir / "cut.pak"});
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_EQ(Lines(r.err), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("gldpack: ", 0), 0u) << r.err;
    }
    EXPECT_EQ(Run({"list", dir / "missing.pak"}).status, 1);
}

} // namespace
