// The build job around the generators: what it leaves of the author's files, the lock on the
// project, movies that are missing or no movies at all, a cancel, and a log that cannot be
// written.

#include "BuildJob.h"

#include "FileLock.h"
#include "FileWriter.h"
#include "GenTestSupport.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

using namespace gentest;

namespace {

class BuildJobTest : public BuildSite {
protected:
    std::string Log() const { return (project_dir / "show.log").string(); }
};

} // namespace

TEST_F(BuildJobTest, AnAuthorsPackageFilesAreNeitherReplacedNorDeleted) {
    WriteFile(project_dir / "show.pak", "the author's own show.pak");
    WriteFile(project_dir / "show_install.pak", "the author's own installer package");
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 2000, 1)});
    std::set<std::string> seen_while_merging;
    on_change = [&](const TProgressState& state) {
        if (state.description == "Merging installer file")
            seen_while_merging = Listing(project_dir);
    };
    ASSERT_EQ(Installer(project), 0);
    EXPECT_EQ(ReadFile(project_dir / "show.pak"), "the author's own show.pak");
    EXPECT_EQ(ReadFile(project_dir / "show_install.pak"), "the author's own installer package");
    // The build's own package took the next free name and went again.
    EXPECT_TRUE(seen_while_merging.count("show_install (2).pak"));
    EXPECT_EQ(Listing(project_dir), (std::set<std::string>{"m.swf", "show.gldp", "show.pak",
                                                           "show_install.pak", "setup.exe"}));
    ASSERT_EQ(Screensaver(project, true), 0);
    EXPECT_EQ(ReadFile(project_dir / "show.pak"), "the author's own show.pak");
    EXPECT_TRUE(fs::exists(project_dir / "Sky.scr"));
}

TEST_F(BuildJobTest, AnEarlierScreensaverSurvivesAFailedInstallerAndMakesWayForAFreshOne) {
    const std::string movie = Movie("m.swf", 2000, 2);
    const std::string project = Project("show.gldp", "Sky", {movie});
    WriteFile(project_dir / "Sky.scr", "made earlier with Screensaver Generator");
    // The installer cannot be written: a folder stands in its place.
    fs::create_directories(project_dir / "setup.exe" / "inside");
    ASSERT_EQ(Installer(project), 1);
    EXPECT_EQ(ReadFile(project_dir / "Sky.scr"), "made earlier with Screensaver Generator");
    EXPECT_EQ(Listing(project_dir),
              (std::set<std::string>{"m.swf", "show.gldp", "show.log", "setup.exe", "Sky.scr"}));

    fs::remove_all(project_dir / "setup.exe");
    ASSERT_EQ(Installer(project), 0);
    // The fresh screensaver, the one packed into the installer, now stands in its place.
    const std::string fresh = ReadFile(project_dir / "Sky.scr");
    EXPECT_EQ(fresh.substr(0, saver_stub.size()), saver_stub);
    const auto packed = Unpack(project_dir / "setup.exe");
    ASSERT_FALSE(packed.empty());
    EXPECT_EQ(ExtractFileName(packed[0].name), "Sky.scr");
    EXPECT_EQ(packed[0].data, fresh);
    EXPECT_EQ(Listing(project_dir),
              (std::set<std::string>{"m.swf", "show.gldp", "show.log", "setup.exe", "Sky.scr"}));
    EXPECT_TRUE(Listing(temp_dir).empty());
}

TEST_F(BuildJobTest, ASecondBuildOfTheProjectWaitsOrStepsBack) {
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 500, 3)});
    TFileLock other(project);
    ASSERT_TRUE(other.TryLock());

    EXPECT_EQ(Installer(project), 1);
    const std::string busy =
        "Another build of this project is running. Please wait until it has finished.";
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{busy}));
    EXPECT_EQ(result.reason, busy);
    EXPECT_EQ(observer.displays, 0);
    EXPECT_FALSE(fs::exists(project_dir / "setup.exe"));

    // A waiting build starts as soon as the first one lets go.
    TBuildParameters waiting = Parameters(project, TBuildKind::Installer);
    waiting.wait_for_project = true;
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.Unlock();
    });
    const int code = Run(waiting);
    release.join();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(observer.waits, 1);
    EXPECT_TRUE(fs::exists(project_dir / "setup.exe"));
}

TEST_F(BuildJobTest, MissingMoviesAreWarningsAndNoMovieAtAllIsAFailure) {
    const std::string kept = Movie("kept.swf", 500, 4);
    const std::string gone = (project_dir / "gone.swf").string();
    const std::string text = Other("notes.swf", 300, 5);
    const std::string project = Project("show.gldp", "Sky", {kept, gone, text});
    ASSERT_EQ(Screensaver(project, false), 0);
    const std::vector<std::string> warnings = {"The Flash file \"" + gone +
                                                   "\" does not exist; it is left out.",
                                               "The file \"" + text + "\" is not a Flash movie."};
    EXPECT_EQ(result.warnings, warnings);
    EXPECT_EQ(LogMessages(Log()), warnings);
    EXPECT_EQ(Names(Unpack(project_dir / "Sky.scr")),
              (std::vector<std::string>{kept, text, project}));
    EXPECT_TRUE(BoxTexts().empty());

    fs::remove(Log());
    const std::string none = Project("show.gldp", "Sky", {gone});
    fs::remove(project_dir / "Sky.scr");
    EXPECT_EQ(Installer(none), 1);
    const std::string failure =
        "None of the project's Flash files exists: no Flash file could be packed.";
    EXPECT_EQ(result.reason, failure);
    EXPECT_EQ(LogMessages(Log()),
              (std::vector<std::string>{warnings[0], failure, "Generate Installer Failed"}));
    EXPECT_FALSE(fs::exists(project_dir / "Sky.scr"));
    EXPECT_FALSE(fs::exists(project_dir / "setup.exe"));
}

// A name read from a project file may hold anything: what reaches the log is escaped, and a
// NUL byte (which would make the system read a shorter, other name) is not looked up as one.
TEST_F(BuildJobTest, MovieNamesWithControlBytesAreNamedEscaped) {
    const std::string kept = Movie("kept.swf", 500, 4);
    Movie("cut", 400, 6); // what the name would be read as, up to its NUL byte
    const std::string nul = (project_dir / "cut").string() + std::string(1, '\0') + "tail.swf";
    const std::string escape = (project_dir / "title\x1b]0;owned\x07.swf").string();
    const std::string project = Project("show.gldp", "Sky", {kept, nul, escape});
    ASSERT_EQ(Screensaver(project, false), 0);
    EXPECT_EQ(result.warnings,
              (std::vector<std::string>{
                  "The Flash file \"" + project_dir.string() +
                  "/title\\x1B]0;owned\\x07.swf\" does not exist; it is left out."}));
    EXPECT_EQ(Names(Unpack(project_dir / "Sky.scr")), (std::vector<std::string>{kept, project}));
    // The name with the NUL is reported for what it is, whatever its first part names.
    const std::string said = "Cannot add file: '" + project_dir.string() +
                             "/cut\\x00tail.swf'.\rIts name holds a zero byte";
    bool told = false;
    for (const auto& text : BoxTexts())
        told = told || text.rfind(said, 0) == 0;
    EXPECT_TRUE(told);
}

TEST_F(BuildJobTest, EntriesThatCannotBeReadReachTheObserverInOrder) {
    const std::string movie = Movie("m.swf", 500, 8);
    const std::string icon = (project_dir / "icon.ico").string();
    const std::string pipe = (project_dir / "pipe.swf").string();
    ASSERT_EQ(::mkfifo(icon.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // The archive manager cannot read either; it says so for each, in the order of the list.
    const std::string project = Project("show.gldp", "Sky", {movie, pipe}, icon);
    ASSERT_EQ(Screensaver(project, true), 0);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                              "Cannot open file: '" + pipe + "'.\rIt will not be added.",
                              "Cannot open file: '" + icon + "'.\rIt will not be added."}));
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(Names(Unpack(project_dir / "Sky.scr")), (std::vector<std::string>{movie, project}));
    EXPECT_TRUE(boxes.shown.empty());

    // With no readable movie left there is no screensaver.
    const std::string only_pipe = Project("show.gldp", "Sky", {pipe});
    fs::remove(project_dir / "Sky.scr");
    EXPECT_EQ(Screensaver(only_pipe, true), 1);
    EXPECT_EQ(result.reason,
              "None of the project's Flash files exists: no Flash file could be packed.");
    EXPECT_FALSE(fs::exists(project_dir / "Sky.scr"));
}

TEST_F(BuildJobTest, ACancelledBuildRemovesWhatItMadeAndSaysSo) {
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 900000, 6)});
    TBuildJob* running = nullptr;
    on_change = [&](const TProgressState& state) {
        if (state.description == "Compressing neccessary files") running->Cancel();
    };
    observer = TRecordingObserver();
    observer.on_change = on_change;
    TBuildJob job(Parameters(project, TBuildKind::Installer), observer);
    running = &job;
    const TBuildResult ended = job.Run();
    EXPECT_EQ(ended.outcome, TBuildOutcome::Cancelled);
    EXPECT_EQ(ended.reason, "The build was cancelled.");
    ASSERT_TRUE(observer.finished);
    EXPECT_EQ(observer.finished->outcome, TBuildOutcome::Cancelled);
    EXPECT_EQ(observer.ends, 1);
    EXPECT_EQ(Listing(project_dir), (std::set<std::string>{"m.swf", "show.gldp", "show.log"}));
    EXPECT_TRUE(Listing(temp_dir).empty());
    EXPECT_TRUE(observer.progress.failed);
}

TEST_F(BuildJobTest, ALogThatCannotBeWrittenHidesNeitherTheReasonNorStopsTheCleanUp) {
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 900, 7)});
    fs::create_directories(project_dir / "show.log" / "in the way");
    fs::create_directories(project_dir / "setup.exe" / "in the way");
    EXPECT_EQ(Installer(project), 1);
    EXPECT_FALSE(result.log_error.empty());
    EXPECT_EQ(observer.log_failures.size(), 1u);
    EXPECT_NE(result.reason.find("setup.exe"), std::string::npos) << result.reason;
    // The display shows the reason where the log cannot hold it.
    EXPECT_EQ(Progress().description, result.reason);
    EXPECT_EQ(observer.log_lines.back(), "Generate Installer Failed");
    EXPECT_EQ(Listing(project_dir),
              (std::set<std::string>{"m.swf", "show.gldp", "show.log", "setup.exe"}));
    EXPECT_TRUE(Listing(temp_dir).empty());
}

TEST_F(BuildJobTest, ADiskThatFillsDuringTheMergeKeepsTheEarlierInstallerAndLeavesNothing) {
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 20000, 9)});
    WriteFile(project_dir / "setup.exe", "an earlier installer");
    {
        // The installer's bytes stop after the stub: the disk is full half-way through.
        TFailingFileWriter full(inst_stub.size() + 10, ENOSPC, "setup.exe");
        TFileWriterScope scope(full);
        EXPECT_EQ(Installer(project), 1);
        EXPECT_GT(full.Refusals(), 0);
    }
    EXPECT_NE(result.reason.find("setup.exe"), std::string::npos) << result.reason;
    EXPECT_NE(result.reason.find(std::strerror(ENOSPC)), std::string::npos) << result.reason;
    EXPECT_EQ(LogMessages(Log()),
              (std::vector<std::string>{result.reason, "Generate Installer Failed"}));
    EXPECT_EQ(ReadFile(project_dir / "setup.exe"), "an earlier installer");
    EXPECT_EQ(Listing(project_dir),
              (std::set<std::string>{"m.swf", "show.gldp", "show.log", "setup.exe"}));
    EXPECT_TRUE(Listing(temp_dir).empty());
}

TEST_F(BuildJobTest, APackageThatCannotBeWrittenWhollyIsNotLeftBehind) {
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 20000, 10)});
    {
        TFailingFileWriter full(100, ENOSPC, ".pak");
        TFileWriterScope scope(full);
        EXPECT_EQ(Screensaver(project, true), 1);
    }
    EXPECT_NE(result.reason.find("show.pak"), std::string::npos) << result.reason;
    EXPECT_EQ(Progress().title, "Generate Screensaver Failed");
    EXPECT_EQ(Listing(project_dir), (std::set<std::string>{"m.swf", "show.gldp", "show.log"}));
    EXPECT_TRUE(Listing(temp_dir).empty());
}
