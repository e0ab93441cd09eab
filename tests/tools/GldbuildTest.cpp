// gldbuild as a script sees it: what it prints, where, and its exit status, also when the build
// fails in ways that take the log file down with it.

#include "GldpackRun.h"
#include "SmallDisk.h"
#include "cScl.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace {

class GldbuildTest : public GldpackTest {
protected:
    void SetUp() override {
        // A build without the user interface (the sanitizer run) has no runtime stubs, and
        // every build of gldbuild here needs them.
        if (!fs::exists(fs::path(GLD_PROGRAM_DIR) / "inst.dll") ||
            !fs::exists(fs::path(GLD_PROGRAM_DIR) / "saver.dll"))
            GTEST_SKIP() << "no runtime stubs in " << GLD_PROGRAM_DIR;
    }

    // temp: the temporary folder gldbuild is given (TMPDIR); "" keeps the test's own.
    TRun Build(const std::vector<std::string>& args, const std::string& temp = "") {
        std::string command = (temp.empty() ? "" : "TMPDIR=" + Quote(temp) + " ") +
                              Quote(std::string(GLD_PROGRAM_DIR) + "/gldbuild");
        for (const auto& a : args)
            command += " " + Quote(a);
        command += " >" + Quote(dir / "stdout.txt") + " 2>" + Quote(dir / "stderr.txt");
        const int raw = std::system(command.c_str());
        TRun r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(dir / "stdout.txt"),
               Slurp(dir / "stderr.txt")};
        fs::remove(dir / "stdout.txt");
        fs::remove(dir / "stderr.txt");
        return r;
    }

    // A saved project in its own folder with the given movies (written as Flash files).
    std::string Project(const std::vector<std::string>& movies, const std::string& gone = "") {
        fs::create_directories(dir / "p");
        TSCL scl;
        scl.Load(dir / "p/show.gldp");
        scl.ProjectName = "Sky";
        for (const std::string& name : movies) {
            std::ofstream(dir / ("p/" + name), std::ios::binary) << "FWS" << SampleText(name);
            scl.Files.push_back(dir / ("p/" + name));
        }
        if (!gone.empty()) scl.Files.push_back(dir / ("p/" + gone));
        scl.Save();
        scl.Release();
        return dir / "p/show.gldp";
    }
    static std::string SampleText(const std::string& seed) {
        std::string text;
        for (int i = 0; i < 2000; ++i)
            text += seed[size_t(i) % seed.size()];
        return text;
    }
    std::string Log() { return dir / "p/show.log"; }
};

TEST_F(GldbuildTest, AFailureAlwaysEndsWithItsReasonAndTheLogOnStderrAlsoWhenQuiet) {
    const std::string project = Project({"m.swf"});
    fs::create_directories(dir / "p/setup.exe/in the way");
    const TRun quiet = Build({"-q", project});
    EXPECT_EQ(quiet.status, 1);
    EXPECT_TRUE(quiet.out.empty()) << quiet.out;
    EXPECT_NE(quiet.err.find("gldbuild: the build failed: "), std::string::npos) << quiet.err;
    EXPECT_NE(quiet.err.find("setup.exe"), std::string::npos) << quiet.err;
    EXPECT_NE(quiet.err.find("see the log file \"" + Log() + "\""), std::string::npos) << quiet.err;
    // Nothing the build made stays beside the project.
    EXPECT_EQ(Lines(quiet.err), 2u) << quiet.err;
    for (const auto& entry : fs::directory_iterator(dir / "p"))
        EXPECT_TRUE(entry.path().extension() != ".pak" && entry.path().filename() != "Sky.scr")
            << entry.path();
}

TEST_F(GldbuildTest, ALogThatCannotBeWrittenIsNamedBesideTheReason) {
    const std::string project = Project({"m.swf"});
    fs::create_directories(dir / "p/setup.exe/in the way");
    fs::create_directories(Log() + "/in the way");
    const TRun run = Build({"--quiet", project});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("gldbuild: the build failed: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("setup.exe"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the log file \"" + Log() + "\" could not be written"),
              std::string::npos)
        << run.err;
}

TEST_F(GldbuildTest, StepsGoToStdoutAndMissingMoviesAreNamedOnStderr) {
    const std::string project = Project({"m.swf"}, "gone.swf");
    const TRun run = Build({project});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("[ 25%] Generating Installer... - Generating screensaver file\n"
                           "[ 50%] Generating Installer... - Compressing neccessary files\n"
                           "[ 75%] Generating Installer... - Merging installer file\n"
                           "[100%] Generating Installer... - Deleting useless resources\n"
                           "[100%] Generate Installer Successfully - Generated file locates on "),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.err, "gldbuild: warning: The Flash file \"" + dir / "p/gone.swf" +
                           "\" does not exist; it is left out.\n");
    EXPECT_TRUE(fs::exists(dir / "p/setup.exe"));
}

TEST_F(GldbuildTest, AFullDiskIsReportedAndLeavesNoTemporaryOrHalfWrittenFile) {
    TSmallDisk disk(256 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
    // The project, its log and the temporary folder sit on the small disk; the movie, which no
    // coder can shrink, does not.
    fs::create_directories(disk / "p");
    fs::create_directories(disk / "tmp");
    const std::string movie = dir / "noise.swf";
    std::string noise = "FWS";
    uint32_t x = 12345;
    while (noise.size() < 400 * 1024) {
        x = x * 1664525u + 1013904223u;
        noise += static_cast<char>(x >> 24);
    }
    std::ofstream(movie, std::ios::binary) << noise;
    const std::string project = disk / "p/show.gldp";
    TSCL scl;
    scl.Load(project);
    scl.ProjectName = "Sky";
    scl.Files = {movie};
    scl.Save();
    scl.Release();

    for (const bool installer : {false, true}) {
        std::vector<std::string> args = {"-q", project};
        if (!installer) args.push_back("--screensaver");
        const TRun run = Build(args, disk / "tmp");
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_NE(run.err.find("gldbuild: the build failed: "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(std::strerror(ENOSPC)), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(disk / "p/show.log"), std::string::npos) << run.err;
        std::set<std::string> left;
        for (const auto& entry : fs::directory_iterator(disk / "p"))
            left.insert(entry.path().filename().string());
        left.erase("show.log"); // written when the room came back, or not at all
        EXPECT_EQ(left, (std::set<std::string>{"show.gldp"}));
        EXPECT_TRUE(fs::is_empty(disk / "tmp"));
    }
}

} // namespace
