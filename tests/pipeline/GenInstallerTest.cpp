#include "GenInstaller.h"

#include "GenTestSupport.h"

#include <csignal>
#include <sys/resource.h>

using namespace gentest;

namespace {

class GenInstallerTest : public BuildSite {
protected:
    std::string Log() const { return (project_dir / "show.log").string(); }
};

} // namespace

TEST_F(GenInstallerTest, PacksScreensaverProjectIconReadmeAndLicenceInOrderAndLeavesOnlySetup) {
    const std::string movie = Movie("m.swf", 20000, 1);
    const std::string icon = Movie("sky.ico", 300, 2);
    const std::string readme = Movie("readme.txt", 200, 3);
    const std::string licence = Movie("licence.txt", 400, 4);
    const std::string project = Project("show.gldp", "Sky", {movie}, icon, readme, licence);

    ASSERT_EQ(Installer(project), 0);

    const std::string setup = ReadFile(project_dir / "setup.exe");
    EXPECT_EQ(setup.substr(0, inst_stub.size()), inst_stub);
    const auto files = Unpack(project_dir / "setup.exe");
    const std::string screensaver = (project_dir / "Sky.scr").string();
    EXPECT_EQ(Names(files),
              (std::vector<std::string>{screensaver, project, icon, readme, licence}));
    EXPECT_EQ(files[2].data, ReadFile(icon));
    EXPECT_EQ(files[3].data, ReadFile(readme));
    EXPECT_EQ(files[4].data, ReadFile(licence));
    // The packed screensaver is itself a stub and an archive holding the movie.
    EXPECT_EQ(files[0].data.substr(0, saver_stub.size()), saver_stub);
    WriteFile(root / "unpacked.scr", files[0].data);
    const auto inner = Unpack(root / "unpacked.scr");
    EXPECT_EQ(Names(inner), (std::vector<std::string>{movie, icon, project}));
    EXPECT_EQ(inner[0].data, ReadFile(movie));

    EXPECT_EQ(Listing(project_dir),
              (std::set<std::string>{"m.swf", "sky.ico", "readme.txt", "licence.txt", "show.gldp",
                                     "setup.exe"}));
    EXPECT_TRUE(Listing(temp_dir).empty());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(undeleted.empty());
}

TEST_F(GenInstallerTest, MissingReadmeAndLicenceAreLeftOutWithoutAMessage) {
    const std::string icon = Movie("sky.ico", 300, 5);
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 100, 6)}, icon,
                                        (project_dir / "gone.txt").string(), "");
    ASSERT_EQ(Installer(project), 0);
    EXPECT_EQ(Names(Unpack(project_dir / "setup.exe")),
              (std::vector<std::string>{(project_dir / "Sky.scr").string(), project, icon}));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(fs::exists(project_dir / "Sky.scr"));
}

TEST_F(GenInstallerTest, ProgressRunsThroughFourStepsAndEndsWithTheSuccessTexts) {
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 100, 7)});
    std::vector<std::pair<int, std::string>> steps;
    std::vector<std::string> temp_names;
    on_change = ([&](const TProgressState&) {
        if (steps.empty() || steps.back().second != Progress().description) {
            steps.emplace_back(Progress().position, Progress().description);
            for (const auto& name : Listing(temp_dir))
                temp_names.push_back(name);
        }
    });
    const int result = Installer(project);
    ASSERT_EQ(result, 0);
    const std::string located = "Generated file locates on " + project_dir.string() + "/";
    EXPECT_EQ(steps, (std::vector<std::pair<int, std::string>>{{25, "Generating screensaver file"},
                                                               {50, "Compressing neccessary files"},
                                                               {75, "Merging installer file"},
                                                               {100, "Deleting useless resources"},
                                                               {100, located}}));
    // One change per step and one for the closing texts: the view hears nothing twice.
    EXPECT_EQ(observer.changes.size(), 5u);
    EXPECT_EQ(Progress().title, "Generate Installer Successfully");
    EXPECT_EQ(Progress().description, "Generated file locates on " + project_dir.string() + "/");
    EXPECT_TRUE(Progress().succeed_visible);
    // While merging, the installer's temporary archive is "show" + number + "_install.tmp".
    bool seen = false;
    for (const auto& name : temp_names)
        seen = seen || (name.starts_with("show") && name.ends_with("_install.tmp"));
    EXPECT_TRUE(seen);
}

TEST_F(GenInstallerTest, NoMoviesFailsWithTheScreensaversReasonThenItsOwnLine) {
    const std::string project = Project("show.gldp", "Sky", {});
    EXPECT_EQ(Installer(project), 1);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"There is no flash file in this project."}));
    EXPECT_EQ(LogMessages(Log()),
              (std::vector<std::string>{"There is no flash file in this project.",
                                        "Generate Installer Failed"}));
    EXPECT_EQ(Progress().title, "Generate Installer Failed");
    EXPECT_EQ(Progress().description, "Please check log file " + Log());
    EXPECT_EQ(Progress().position, 100);
    EXPECT_TRUE(Progress().succeed_visible);
}

TEST_F(GenInstallerTest, MissingInstallerStubIsAFailureAndKeepsAnEarlierSetup) {
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 100, 8)});
    WriteFile(project_dir / "setup.exe", "an earlier build");
    fs::remove(program_dir / "inst.dll");
    EXPECT_EQ(Installer(project), 1);
    const std::string text = "inst.dll is missed! Please reinstall it to fix the problem.";
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{text}));
    EXPECT_EQ(LogMessages(Log()), (std::vector<std::string>{text, "Generate Installer Failed"}));
    EXPECT_EQ(Progress().title, "Generate Installer Failed");
    EXPECT_EQ(ReadFile(project_dir / "setup.exe"), "an earlier build");
    EXPECT_EQ(Listing(project_dir),
              (std::set<std::string>{"m.swf", "show.gldp", "show.log", "setup.exe"}));
}

TEST_F(GenInstallerTest, MissingScreensaverStubFailsTheInstaller) {
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 100, 9)});
    fs::remove(program_dir / "saver.dll");
    EXPECT_EQ(Installer(project), 1);
    EXPECT_EQ(
        LogMessages(Log()),
        (std::vector<std::string>{"saver.dll is missed! Please reinstall it to fix the problem.",
                                  "Generate Installer Failed"}));
    EXPECT_FALSE(fs::exists(project_dir / "setup.exe"));
}

TEST_F(GenInstallerTest, FailedMergeIsAFailureAndCleansUpEverything) {
    const std::string project = Project("show.gldp", "Sky", {Movie("m.swf", 100, 10)});
    fs::create_directories(project_dir / "setup.exe" / "inside");
    EXPECT_EQ(Installer(project), 1);
    EXPECT_EQ(Progress().title, "Generate Installer Failed");
    EXPECT_EQ(Progress().description, "Please check log file " + Log());
    const auto log = LogMessages(Log());
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[0].find("setup.exe"), std::string::npos) << log[0];
    EXPECT_EQ(log[1], "Generate Installer Failed");
    EXPECT_EQ(Listing(project_dir),
              (std::set<std::string>{"m.swf", "show.gldp", "show.log", "setup.exe"}));
    EXPECT_TRUE(fs::is_directory(project_dir / "setup.exe"));
    EXPECT_TRUE(Listing(temp_dir).empty());
}

TEST_F(GenInstallerTest, FailedPackIsAFailureNotAnInstallerWithAnEmptyArchive) {
    // The readme is packed only by the installer, and it cannot shrink below the size limit.
    const std::string readme = Movie("readme.txt", 600000, 11);
    const std::string project =
        Project("show.gldp", "Sky", {Movie("m.swf", 100, 12)}, "", readme, "");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    const int result = Installer(project);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Progress().title, "Generate Installer Failed");
    const auto log = LogMessages(Log());
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1], "Generate Installer Failed");
    EXPECT_FALSE(fs::exists(project_dir / "setup.exe"));
    EXPECT_EQ(Listing(project_dir),
              (std::set<std::string>{"m.swf", "readme.txt", "show.gldp", "show.log"}));
    EXPECT_TRUE(Listing(temp_dir).empty());
}

TEST_F(GenInstallerTest, AnUnreadableProjectNameNeverWritesOutsideTheFolder) {
    const std::string project = Project("show.gldp", "../Sky", {Movie("m.swf", 100, 13)});
    EXPECT_EQ(Installer(project), 1);
    EXPECT_EQ(Listing(root), (std::set<std::string>{"p", "bin", "tmp"}));
    EXPECT_EQ(LogMessages(Log()).back(), "Generate Installer Failed");
    EXPECT_FALSE(fs::exists(project_dir / "setup.exe"));
}
