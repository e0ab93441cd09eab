#include "GldpackRun.h"

#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// Starts gldpack with args directly (no shell), in folder, its output to /dev/null and its
// errors into errors; the child's pid, or -1.
pid_t StartGldpack(std::vector<std::string> args, const std::string& folder,
                   const std::string& errors) {
    const std::string program = std::string(GLD_PROGRAM_DIR) + "/gldpack";
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

TEST_F(GldpackTest, HelpAndUsage) {
    TRun help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("gldpack [-v] create ARCHIVE FILE..."), std::string::npos);
    EXPECT_EQ(Run({}).status, 2);
    EXPECT_EQ(Run({"frobnicate"}).status, 2);
    EXPECT_EQ(Run({"list"}).status, 2);
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

    TRun add = Run({"add", dir / "cut.pak", dir / "a.bin"});
    EXPECT_EQ(add.status, 1);
    EXPECT_NE(add.err.find("Nothing was added"), std::string::npos) << add.err;
    EXPECT_EQ(ReadAll(dir / "cut.pak").size(), good.size() - 5);
}

TEST_F(GldpackTest, AddToAnOutputFileSaysWhatIsWrong) {
    WriteAll(dir / "a.txt", SampleBytes(100, 1));
    ASSERT_EQ(Run({"create", dir / "bare.pak", dir / "a.txt"}).status, 0);
    std::vector<uint8_t> setup = {'M', 'Z', 0x90, 0};
    const std::vector<uint8_t> bare = ReadAll(dir / "bare.pak");
    setup.insert(setup.end(), bare.begin(), bare.end());
    WriteAll(dir / "setup.exe", setup);
    const TRun r = Run({"add", dir / "setup.exe", dir / "a.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("output file"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Wrong Signature"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(dir / "setup.exe"), setup);
}

TEST_F(GldpackTest, AddKeepsTheModeAndALinkToTheArchive) {
    WriteAll(dir / "a.txt", SampleBytes(100, 1));
    WriteAll(dir / "b.txt", SampleBytes(200, 2));
    ASSERT_EQ(Run({"create", dir / "pack.pak", dir / "a.txt"}).status, 0);
    ::chmod((dir / "pack.pak").c_str(), 0600);
    std::filesystem::create_symlink(dir / "pack.pak", dir / "link.pak");
    const TRun r = Run({"add", dir / "link.pak", dir / "b.txt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.pak"));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "pack.pak").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(TArchiveReader::Open(dir / "pack.pak")->Entries().size(), 2u);
}

// A second add waits while another holds the archive, and then adds to what the first left.
TEST_F(GldpackTest, AddWaitsForAnotherAddToTheSameArchive) {
    WriteAll(dir / "a.txt", SampleBytes(100, 1));
    WriteAll(dir / "b.txt", SampleBytes(200, 2));
    ASSERT_EQ(Run({"create", dir / "pack.pak", dir / "a.txt"}).status, 0);
    const int held = ::open((dir / "pack.pak").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const std::vector<uint8_t> before = ReadAll(dir / "pack.pak");

    const pid_t pid =
        StartGldpack({"add", dir / "pack.pak", dir / "b.txt"}, dir.path, dir / "stderr.txt");
    ASSERT_GT(pid, 0);

    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "the second add did not wait";
    EXPECT_EQ(ReadAll(dir / "pack.pak"), before);
    const std::vector<uint8_t> said = ReadAll(dir / "stderr.txt");
    EXPECT_NE(std::string(said.begin(), said.end()).find("waiting for another program"),
              std::string::npos);

    ::close(held);
    pid_t ended = 0;
    for (int i = 0; i < 300 && ended == 0; ++i) {
        ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    ASSERT_EQ(ended, pid) << "the second add never ended after the lock was given up";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(TArchiveReader::Open(dir / "pack.pak")->Entries().size(), 2u);
}

// The command line may name one file many times; an archive of more entries than readers accept
// is refused before it exists.
TEST_F(GldpackTest, CreateRefusesMoreEntriesThanReadersAccept) {
    WriteAll(dir / "a", {1});
    // Too many words for a shell's command line: started directly, in the folder.
    std::vector<std::string> args = {"create", "many.pak"};
    args.resize(args.size() + MAX_ARCHIVE_ENTRIES + 1, "a");
    const pid_t pid = StartGldpack(args, dir.path, dir / "stderr.txt");
    ASSERT_GT(pid, 0);
    int raw = 0;
    ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
    EXPECT_NE(Slurp(dir / "stderr.txt").find("at most 65536"), std::string::npos)
        << Slurp(dir / "stderr.txt");
    EXPECT_FALSE(std::filesystem::exists(dir / "many.pak"));
}

// -j changes how many blocks are coded at once, never the archive; every command takes it.
TEST_F(GldpackTest, ThreadCountsGiveTheSameArchive) {
    WriteAll(dir / "a.bin", SampleBytes(409600 + 10, 1));
    WriteAll(dir / "b.bin", SampleBytes(3000, 2));
    const std::vector<std::string> files = {dir / "a.bin", dir / "b.bin"};
    std::vector<std::vector<uint8_t>> archives;
    for (const std::vector<std::string>& option :
         {std::vector<std::string>{"-j", "1"}, {"-j3"}, {}}) {
        std::vector<std::string> args = option;
        const std::string name = dir / ("p" + std::to_string(archives.size()) + ".pak");
        args.insert(args.end(), {"create", name});
        args.insert(args.end(), files.begin(), files.end());
        const TRun r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        archives.push_back(ReadAll(name));
    }
    EXPECT_TRUE(archives[1] == archives[0]);
    EXPECT_TRUE(archives[2] == archives[0]);
    EXPECT_EQ(Run({"-j", "2", "test", dir / "p0.pak"}).status, 0);
    const TRun x = Run({"-j", "3", "extract", dir / "p0.pak", dir / "out"});
    ASSERT_EQ(x.status, 0) << x.err;
    EXPECT_EQ(ReadAll(dir / "out/a.bin"), ReadAll(dir / "a.bin"));
    EXPECT_EQ(ReadAll(dir / "out/b.bin"), ReadAll(dir / "b.bin"));
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"-j", "0", "test", dir / "p0.pak"},
          {"-jx", "test", dir / "p0.pak"},
          {"test", dir / "p0.pak", "-j"}}) {
        const TRun r = Run(bad);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find("-j needs a number of threads from 1 to"), std::string::npos) << r.err;
    }
}

} // namespace
