#include "GenScreensaver.h"

#include "ArchiveManagerUnit.h"
#include "GenTestSupport.h"
#include "ScreensaverDescriber.h"
#include "Utils.h"

#include <csignal>
#include <sys/resource.h>
#include <tuple>

using namespace gentest;

namespace {

class GenScreensaverTest : public BuildSite {};

} // namespace

TEST_F(GenScreensaverTest, WritesStubThenArchiveOfMoviesIconAndProjectNamedAfterTheProject) {
    const std::string a = Movie("intro.swf", 5000, 1);
    const std::string b = Movie("loop.swf", 700000, 2); // two blocks
    const std::string icon = Movie("sky.ico", 766, 3);
    const std::string project = Project("show.gldp", "Sky", {a, b, a}, icon);

    ASSERT_EQ(Screensaver(project, false), 0);

    const std::string output = ReadFile(project_dir / "Sky.scr");
    ASSERT_GT(output.size(), saver_stub.size());
    EXPECT_EQ(output.substr(0, saver_stub.size()), saver_stub);
    const auto files = Unpack(project_dir / "Sky.scr");
    // A movie listed twice is stored twice; the icon and the project file follow the movies.
    EXPECT_EQ(Names(files), (std::vector<std::string>{a, b, a, icon, project}));
    EXPECT_EQ(files[0].data, ReadFile(a));
    EXPECT_EQ(files[1].data, ReadFile(b));
    EXPECT_EQ(files[3].data, ReadFile(icon));
    EXPECT_EQ(files[4].data, ReadFile(project));
    EXPECT_TRUE(boxes.shown.empty());
    // No package, no log; the temporary folder is empty again.
    EXPECT_EQ(Listing(project_dir),
              (std::set<std::string>{"intro.swf", "loop.swf", "sky.ico", "show.gldp", "Sky.scr"}));
    EXPECT_TRUE(Listing(temp_dir).empty());
    EXPECT_TRUE(undeleted.empty());
}

TEST_F(GenScreensaverTest, PackageAndTemporaryArchiveExistWhileMergingUnderTheirNames) {
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 100, 4)});
    std::vector<std::set<std::string>> project_seen, temp_seen;
    std::vector<std::string> descriptions;
    std::set<fs::perms> temp_modes;
    on_change = ([&](const TProgressState&) {
        descriptions.push_back(Progress().description);
        project_seen.push_back(Listing(project_dir));
        temp_seen.push_back(Listing(temp_dir));
        for (const auto& name : temp_seen.back())
            temp_modes.insert(fs::status(temp_dir / name).permissions());
    });
    const int result = Screensaver(project, true);
    ASSERT_EQ(result, 0);

    auto merging = std::find(descriptions.begin(), descriptions.end(), "Merging screensaver file");
    ASSERT_NE(merging, descriptions.end());
    const size_t at = static_cast<size_t>(merging - descriptions.begin());
    EXPECT_TRUE(project_seen[at].count("show.pak"));
    ASSERT_EQ(temp_seen[at].size(), 1u);
    const std::string temp = *temp_seen[at].begin();
    // "show", a number below 1000 without leading zeros, "_saver.tmp".
    ASSERT_TRUE(temp.starts_with("show") && temp.ends_with("_saver.tmp")) << temp;
    const std::string number = temp.substr(4, temp.size() - 4 - 10);
    ASSERT_FALSE(number.empty());
    EXPECT_LE(number.size(), 3u);
    EXPECT_TRUE(number.find_first_not_of("0123456789") == std::string::npos) << number;
    EXPECT_TRUE(number == "0" || number[0] != '0') << number;

    EXPECT_FALSE(Listing(project_dir).count("show.pak"));
    EXPECT_TRUE(Listing(temp_dir).empty());
    // Only the owner may read the temporary archives in the shared folder.
    EXPECT_EQ(temp_modes, (std::set<fs::perms>{fs::perms::owner_read | fs::perms::owner_write}));
}

TEST_F(GenScreensaverTest, ProgressShowsThreeStepsThenTheSuccessTexts) {
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 100, 5)});
    ASSERT_EQ(Screensaver(project, true), 0);
    EXPECT_EQ(observer.displays, 1);
    const std::string title = "Generating Screensaver...";
    std::vector<std::tuple<int, std::string, std::string, bool>> seen;
    for (const auto& state : observer.changes)
        seen.emplace_back(state.position, state.title, state.description, state.succeed_visible);
    EXPECT_EQ(seen, (std::vector<std::tuple<int, std::string, std::string, bool>>{
                        {33, title, "Compressing neccessary files", false},
                        {66, title, "Merging screensaver file", false},
                        {100, title, "Deleting useless resources", true},
                        {100, "Generate Screensaver Successfully",
                         "Generated file locates on " + project_dir.string() + "/", true}}));
    EXPECT_FALSE(Progress().failed);
    EXPECT_TRUE(observer.log_lines.empty());
}

TEST_F(GenScreensaverTest, EmptyIconAddsNothingAndRelativeMoviesAreTakenFromTheProjectFolder) {
    const std::string a = Movie("a.swf", 300, 6);
    const std::string project = Project("show.gldp", "Sky", {"a.swf"});
    ASSERT_EQ(Screensaver(project, false), 0);
    const auto files = Unpack(project_dir / "Sky.scr");
    EXPECT_EQ(Names(files), (std::vector<std::string>{a, project}));
}

TEST_F(GenScreensaverTest, NoMoviesWarnsLogsAndFailsWithoutProgress) {
    const std::string project = Project("show.gldp", "Sky", {});
    EXPECT_EQ(Screensaver(project, true), 1);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"There is no flash file in this project."}));
    EXPECT_EQ(result.reason, "There is no flash file in this project.");
    EXPECT_EQ(LogMessages(project_dir / "show.log"),
              (std::vector<std::string>{"There is no flash file in this project."}));
    EXPECT_FALSE(Progress().shown);
    EXPECT_FALSE(fs::exists(project_dir / "Sky.scr"));
}

TEST_F(GenScreensaverTest, MissingStubWarnsLogsAndFails) {
    fs::remove(program_dir / "saver.dll");
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 10, 7)});
    EXPECT_EQ(Screensaver(project, false), 1);
    const std::string text = "saver.dll is missed! Please reinstall it to fix the problem.";
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{text}));
    EXPECT_EQ(LogMessages(project_dir / "show.log"), (std::vector<std::string>{text}));
    EXPECT_EQ(Listing(project_dir), (std::set<std::string>{"m.swf", "show.gldp", "show.log"}));
    EXPECT_TRUE(Listing(temp_dir).empty());
}

TEST_F(GenScreensaverTest, ProjectNamesThatLeadOutOfTheFolderAreRefused) {
    const std::string movie = Movie("m.swf", 10, 8);
    fs::create_directories(project_dir / "sub");
    for (const std::string name :
         {"../evil", "sub/inner", "sub\\inner", "..", "", "   ", "a..b", "/abs", "what?"}) {
        const std::string project = Project("show.gldp", name, {movie});
        EXPECT_EQ(Screensaver(project, false), 1) << name;
        ASSERT_EQ(BoxTexts().size(), 1u) << name;
        EXPECT_NE(BoxTexts()[0].find("name"), std::string::npos) << BoxTexts()[0];
    }
    EXPECT_TRUE(Listing(root) == (std::set<std::string>{"p", "bin", "tmp"}));
    EXPECT_EQ(Listing(project_dir),
              (std::set<std::string>{"m.swf", "show.gldp", "show.log", "sub"}));
    EXPECT_TRUE(Listing(project_dir / "sub").empty());
    EXPECT_EQ(LogMessages(project_dir / "show.log").size(), 9u);
    // An ordinary name with dots and blanks is a file name like any other.
    EXPECT_EQ(Screensaver(Project("show.gldp", "My Sky v1.2", {movie}), false), 0);
    EXPECT_TRUE(fs::exists(project_dir / "My Sky v1.2.scr"));
}

TEST_F(GenScreensaverTest, FailedMergeIsAFailureInResultWindowAndLog) {
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 10, 9)});
    // Something that cannot be replaced by a file stands where the screensaver goes.
    fs::create_directories(project_dir / "Sky.scr" / "inside");
    EXPECT_EQ(Screensaver(project, true), 1);
    EXPECT_EQ(Progress().title, "Generate Screensaver Failed");
    EXPECT_EQ(Progress().description,
              "Please check log file " + (project_dir / "show.log").string());
    EXPECT_TRUE(Progress().succeed_visible);
    const auto log = LogMessages(project_dir / "show.log");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("Sky.scr"), std::string::npos) << log[0];
    EXPECT_FALSE(fs::exists(project_dir / "show.pak"));
    EXPECT_TRUE(Listing(temp_dir).empty());
}

TEST_F(GenScreensaverTest, FailedPackIsAFailureAndLeavesNoTemporaryFiles) {
    const std::string project = Project("show.gldp", "Sky", {Movie("big.swf", 600000, 10)});
    // Writes beyond 64 KiB fail, as on a full disk; the movie cannot shrink below that.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    int result = -1;
    try {
        result = Screensaver(project, true);
    } catch (...) {
        result = -2;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Progress().title, "Generate Screensaver Failed");
    EXPECT_EQ(LogMessages(project_dir / "show.log").size(), 1u);
    EXPECT_FALSE(fs::exists(project_dir / "Sky.scr"));
    EXPECT_FALSE(fs::exists(project_dir / "show.pak"));
    EXPECT_TRUE(Listing(temp_dir).empty());
}

// Someone else may hold every short temporary name: with folders, with archives of their own
// that would be opened and shipped, with links to a file of the user's. The build goes around
// them all, leaves each as it was, and ships only the project's files.
TEST_F(GenScreensaverTest, TakenTemporaryNamesAreLeftAloneAndNeverShipped) {
    const std::string movie = Movie("m.swf", 10, 11);
    const std::string project = Project("show.gldp", "Sky", {movie});
    const fs::path victim = root / "victim.txt";
    WriteFile(victim, "the user's own file");
    const fs::path evil = root / "EVIL.swf";
    WriteFile(evil, "FWS not from this project");
    {
        TArchiveManager manager;
        manager.OpenArchive((root / "planted.pak").string(), false);
        manager.AddFiles({evil.string()});
    }
    const std::string planted_archive = ReadFile(root / "planted.pak");
    for (int r = 0; r < 1000; ++r) {
        const fs::path name = temp_dir / ("show" + std::to_string(r) + "_saver.tmp");
        if (r % 100 == 0)
            fs::create_directories(name / "x");
        else if (r % 100 == 1)
            fs::create_symlink(victim, name);
        else
            WriteFile(name, planted_archive);
    }
    ASSERT_EQ(Screensaver(project, false), 0);

    EXPECT_EQ(Names(Unpack(project_dir / "Sky.scr")), (std::vector<std::string>{movie, project}));
    EXPECT_EQ(ReadFile(victim), "the user's own file");
    EXPECT_EQ(Listing(temp_dir).size(), 1000u)
        << "nothing of the build stays, nothing planted goes";
    for (int r = 0; r < 1000; ++r) {
        const fs::path name = temp_dir / ("show" + std::to_string(r) + "_saver.tmp");
        if (r % 100 == 1)
            ASSERT_TRUE(fs::is_symlink(name)) << r;
        else if (r % 100 != 0)
            ASSERT_EQ(ReadFile(name), planted_archive) << r;
    }
    EXPECT_TRUE(undeleted.empty());
}

// A zero byte in a movie's path (a project file edited by hand) used to spoil the archive's
// directory and end the build in "Wrong Signature": the movie is left out with the reason.
TEST_F(GenScreensaverTest, AMoviePathWithAZeroByteIsLeftOutWithItsReason) {
    const std::string a = Movie("a.swf", 100, 1);
    const std::string b = Movie("b.swf", 100, 2);
    const std::string project = Project("show.gldp", "Sky", {a + std::string("\0.swf", 5), b});
    ASSERT_EQ(Screensaver(project, false), 0);
    EXPECT_EQ(Names(Unpack(project_dir / "Sky.scr")), (std::vector<std::string>{b, project}));
    bool told = false;
    for (const auto& text : BoxTexts())
        told = told || text.find("zero byte") != std::string::npos;
    EXPECT_TRUE(told);
}

TEST(GetFileKind, SortsNamesByExtensionIgnoringCaseAndFallsBackToFolders) {
    EXPECT_EQ(GetFileKind("/x/Sky.SCR"), 1);
    EXPECT_EQ(GetFileKind("movie.swf"), 2);
    EXPECT_EQ(GetFileKind("C:\\pics\\photo.JPEG"), 3);
    EXPECT_EQ(GetFileKind("a.jpg"), 3);
    EXPECT_EQ(GetFileKind("a.bmp"), 3);
    EXPECT_EQ(GetFileKind("a.gif"), 3);
    EXPECT_EQ(GetFileKind("song.Mp3"), 4);
    EXPECT_EQ(GetFileKind("song.mp1"), 4);
    EXPECT_EQ(GetFileKind("song.mp2"), 4);
    EXPECT_EQ(GetFileKind("README"), 0);
    EXPECT_EQ(GetFileKind("movie.swf.bak"), 0);
    const fs::path folder = fs::temp_directory_path() / ("gld-kind-" + std::to_string(::getpid()));
    fs::create_directories(folder / "clips.d");
    EXPECT_EQ(GetFileKind(folder.string()), 5);
    EXPECT_EQ(GetFileKind((folder / "clips.d").string()), 5);
    fs::create_directories(folder / "odd.swf");
    EXPECT_EQ(GetFileKind((folder / "odd.swf").string()), 2); // the extension decides first
    fs::remove_all(folder);
}

TEST_F(GenScreensaverTest, ABuiltScreensaverIsDescribedByItsProjectName) {
    const std::string project = Project("show.gldp", "Sky at Night", {Movie("m.swf", 100, 12)});
    ASSERT_EQ(Screensaver(project, false), 0);
    const std::string output = (project_dir / "Sky at Night.scr").string();
    EXPECT_EQ(DescribeScreensaver(output), std::optional<std::string>("Sky at Night"));
    InstallBuiltScreensaverDescriber();
    EXPECT_EQ(FileDisplayName(output), "Sky at Night");
    InstallScreensaverDescriber(nullptr);
    // Anything that is not one of our screensavers has no description, and costs no file.
    EXPECT_EQ(DescribeScreensaver(project), std::nullopt);
    EXPECT_EQ(DescribeScreensaver((program_dir / "saver.dll").string()), std::nullopt);
    EXPECT_EQ(DescribeScreensaver((project_dir / "missing.scr").string()), std::nullopt);
    EXPECT_TRUE(Listing(temp_dir).empty());
}
