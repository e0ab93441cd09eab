// setup.exe as an end user runs it: built by gldbuild from movies of our own generator, run
// with temporary homes. A silent install and an uninstall give back every file of the home as
// it was; the installed screensaver starts and passes its own --test; a damaged package, a home
// that cannot be written, a full disk and a machine without the web engine install nothing;
// --system installs for every user (seen in a private mount namespace); and a real xscreensaver
// under Xvfb starts the installed screensaver.

#include "../platform/TempDir.h"
#include "../setup/SetupTestSupport.h"
#include "SwfGen.h"
#include "cScl.h"

#include <QLibraryInfo>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace {

const fs::path kProgramDir = GLD_PROGRAM_DIR;

struct TRun {
    int status = -1;
    std::string out, err;
};

bool IsRoot() {
    return ::geteuid() == 0;
}

const char* const kAsNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";

class InstallerEndToEnd : public testing::Test {
protected:
    static inline std::unique_ptr<TTempDir> shared;
    static inline std::string setup;

    // One installer for the whole suite: "Star Field" with a readme, a licence and an icon.
    static void SetUpTestSuite() {
        shared = std::make_unique<TTempDir>();
        ::chmod(shared->Path().c_str(), 0755);
        const std::string project_dir = *shared / "project";
        fs::create_directories(project_dir);
        std::vector<std::string> movies;
        for (int i = 0; i < 2; ++i) {
            TSwfParams params;
            params.theme = i;
            params.frames = 24;
            movies.push_back(project_dir + "/movie" + std::to_string(i) + ".swf");
            WriteSwf(movies.back(), params);
        }
        WriteFileBytes(project_dir + "/readme.txt", "Two calm movies.\n");
        WriteFileBytes(project_dir + "/licence.txt", "Free to share.\n");
        TSCL scl;
        scl.Load(project_dir + "/star.gldp");
        scl.ProjectName = "Star Field";
        scl.Version = "1.5";
        scl.Files = movies;
        scl.Icon = (kProgramDir / "defaultProjectIcon.ico").string();
        scl.ReadmeFile = project_dir + "/readme.txt";
        scl.LicenseFile = project_dir + "/licence.txt";
        scl.InstallMode = 1;
        scl.Save();
        scl.Release();
        const std::string command = "TMPDIR=" + Quote(shared->Path()) + " " +
                                    Quote((kProgramDir / "gldbuild").string()) + " " +
                                    Quote(project_dir + "/star.gldp") + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        setup = project_dir + "/setup.exe";
        ASSERT_TRUE(fs::exists(setup));
    }
    static void TearDownTestSuite() { shared.reset(); }

    TTempDir root;
    std::string home = root / "home";

    void SetUp() override {
        ::chmod(root.Path().c_str(), 0755);
        fs::create_directories(home + "/.config/unrelated");
        WriteFileBytes(home + "/.config/unrelated/settings.ini", "[a]\nb=1\n");
        WriteFileBytes(home + "/.xscreensaver", "# mine\n"
                                                "mode:\t\tone\n"
                                                "selected:\t0\n"
                                                "programs:\t\t\t\t\t\t\t\t      \\\n"
                                                "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
                                                "-\t\t\t\tqix --root\t\t\t\t    \\n\\\n"
                                                "\n"
                                                "\n"
                                                "pointerHysteresis:  10\n");
    }

    std::string Dest() const { return home + "/.local/share/glimmerdrome/screensavers/Star Field"; }

    // Runs a shell command line with the test's home and nothing else of the XDG folders.
    TRun Run(const std::string& command, const std::string& prefix = "") const {
        const std::string out = root / "out.txt", err = root / "err.txt";
        const std::string line = prefix + "env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u DISPLAY " +
                                 "-u WAYLAND_DISPLAY HOME=" + Quote(home) + " " + command + " >" +
                                 Quote(out) + " 2>" + Quote(err);
        const int raw = std::system(line.c_str());
        TRun run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = ReadFileBytes(out);
        run.err = ReadFileBytes(err);
        fs::remove(out);
        fs::remove(err);
        return run;
    }
    TRun Setup(const std::string& args, const std::string& prefix = "") const {
        return Run(Quote(setup) + " " + args, prefix);
    }

    void GiveHomeTo(uid_t user) const {
        ::chown(home.c_str(), user, user);
        for (const auto& entry : fs::recursive_directory_iterator(home))
            ::lchown(entry.path().c_str(), user, user);
    }
};

} // namespace

TEST_F(InstallerEndToEnd, SilentInstallThenUninstallGivesBackEveryFileOfTheHome) {
    const auto before = Snapshot(home);
    const std::string xscreensaver = ReadFileBytes(home + "/.xscreensaver");

    const TRun install = Setup("--silent");
    ASSERT_EQ(install.status, 0) << install.out << install.err;
    EXPECT_NE(install.out.find("Star Field is installed in \"" + Dest() + "\""), std::string::npos)
        << install.out;
    const std::string screensaver = Dest() + "/Star Field.scr";
    ASSERT_TRUE(fs::exists(screensaver));
    // It starts and passes its own test, from where it was installed.
    const TRun test = Run(Quote(screensaver) + " --test");
    EXPECT_EQ(test.status, 0) << test.out << test.err;
    // The icon became a PNG that the desktop reads; every entry is valid.
    EXPECT_EQ(ReadFileBytes(Dest() + "/Star Field.png").substr(1, 3), "PNG");
    for (const char* entry : {"", "-settings", "-uninstall"}) {
        const std::string path =
            home + "/.local/share/applications/glimmerdrome-star-field" + entry + ".desktop";
        const TRun valid = Run("desktop-file-validate " + Quote(path));
        EXPECT_EQ(valid.status, 0) << path << valid.out << valid.err;
        EXPECT_EQ(valid.out, "") << path;
    }
    // The user's own programs stay where they were; ours comes last.
    const std::string listed = ReadFileBytes(home + "/.xscreensaver");
    EXPECT_NE(listed.find("\t\t\t\tmaze --root\t\t\t\t    \\n\\\n-\t\t\t\tqix --root"),
              std::string::npos);
    EXPECT_GT(listed.find("\"Star Field\"  '" + screensaver + "' --root"), listed.find("qix"));

    // Installing again replaces the installation: still one entry.
    ASSERT_EQ(Setup("--silent").status, 0);
    const std::string again = ReadFileBytes(home + "/.xscreensaver");
    EXPECT_EQ(again.find("Star Field.scr"), again.rfind("Star Field.scr"));

    const TRun uninstall = Setup("--uninstall --silent");
    ASSERT_EQ(uninstall.status, 0) << uninstall.out << uninstall.err;
    EXPECT_EQ(ReadFileBytes(home + "/.xscreensaver"), xscreensaver);
    EXPECT_EQ(Difference(before, Snapshot(home)), "");

    // Once removed, there is nothing to remove.
    const TRun nothing = Setup("--uninstall --silent");
    EXPECT_EQ(nothing.status, 1);
    EXPECT_NE(nothing.err.find("Star Field is not installed."), std::string::npos) << nothing.err;
}

TEST_F(InstallerEndToEnd, TheUninstallerLeftInTheFolderRemovesTheInstallation) {
    const auto before = Snapshot(home);
    ASSERT_EQ(Setup("--silent").status, 0);
    // The uninstaller is the installer's program part alone: no package behind it.
    const std::string uninstaller = Dest() + "/uninstall";
    EXPECT_EQ(fs::file_size(uninstaller), fs::file_size(kProgramDir / "inst.dll"));
    const std::string manifest = home + "/.local/share/glimmerdrome/installed/Star Field.manifest";
    const std::string entry = ReadFileBytes(
        home + "/.local/share/applications/glimmerdrome-star-field-uninstall.desktop");
    EXPECT_NE(
        entry.find("Exec=\"" + uninstaller + "\" --uninstall --manifest \"" + manifest + "\""),
        std::string::npos)
        << entry;
    const TRun run =
        Run(Quote(uninstaller) + " --uninstall --silent --manifest " + Quote(manifest));
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Difference(before, Snapshot(home)), "");

    // Started as it is, with no word of what to remove, it still knows its own installation.
    ASSERT_EQ(Setup("--silent").status, 0);
    const TRun bare = Run(Quote(uninstaller) + " --silent");
    EXPECT_EQ(bare.status, 0) << bare.out << bare.err;
    EXPECT_EQ(Difference(before, Snapshot(home)), "");

    // Away from any installation, the program part alone is still refused as a damaged installer.
    const std::string stray = root / "stray";
    fs::copy_file(kProgramDir / "inst.dll", stray);
    const TRun refused = Run(Quote(stray) + " --silent");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("This installer is damaged"), std::string::npos) << refused.err;
}

TEST_F(InstallerEndToEnd, ADamagedPackageInstallsNothing) {
    const std::string damaged = root / "setup.exe";
    std::string bytes = ReadFileBytes(setup);
    // A byte inside the first block of the screensaver's data, just behind the program part.
    bytes[fs::file_size(kProgramDir / "inst.dll") + 4 + 20 + 5000] ^= 0x55;
    WriteFileBytes(damaged, bytes);
    fs::permissions(damaged, fs::perms::owner_all);
    const auto before = Snapshot(home);
    const TRun run = Run(Quote(damaged) + " --silent");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("This installer is damaged"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Nothing was installed"), std::string::npos) << run.err;
    EXPECT_EQ(Difference(before, Snapshot(home)), "");
}

TEST_F(InstallerEndToEnd, AHomeThatCannotBeWrittenInstallsNothing) {
    if (!IsRoot()) GTEST_SKIP() << "needs root to act as another user";
    // The user's home is the user's, but the data folder in it belongs to somebody else.
    fs::create_directories(home + "/.local/share");
    GiveHomeTo(65534);
    ::chown((home + "/.local/share").c_str(), 0, 0);
    const auto before = Snapshot(home);
    const TRun run = Setup("--silent", kAsNobody);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Cannot create folder \"" + home +
                           "/.local/share/glimmerdrome\". Permission denied"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Difference(before, Snapshot(home)), "");
}

TEST_F(InstallerEndToEnd, AFullDiskInstallsNothing) {
    // A home on a file system smaller than the screensaver.
    const TRun list = Setup("--list");
    const size_t scr = list.out.find("Star Field.scr");
    ASSERT_NE(scr, std::string::npos) << list.out;
    const size_t size = std::stoul(list.out.substr(list.out.rfind('\n', scr) + 1, 12));
    fs::remove_all(home);
    TSmallFileSystem disk(home, size / 2);
    if (!disk.Mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    WriteFileBytes(home + "/.xscreensaver", "programs: maze --root\n");
    const auto before = Snapshot(home);
    const TRun run = Setup("--silent");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("There is not enough free space for Star Field"), std::string::npos)
        << run.err;
    EXPECT_EQ(Difference(before, Snapshot(home)), "");
}

TEST_F(InstallerEndToEnd, AMissingWebEngineIsNamedBeforeAnythingIsCopied) {
    // A private mount namespace hides the web engine's helper program from this run only.
    const std::string helpers =
        QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath).toStdString();
    if (std::system(
            ("unshare -m sh -c 'mount -t tmpfs none " + Quote(helpers) + "' >/dev/null 2>&1")
                .c_str()) != 0)
        GTEST_SKIP() << "private mount namespaces are not permitted here";
    const auto before = Snapshot(home);
    const TRun run = Run("unshare -m sh -c " + Quote("mount -t tmpfs none " + Quote(helpers) +
                                                     " && exec " + Quote(setup) + " --silent"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("sudo apt install libqt6webenginecore6-bin"), std::string::npos)
        << run.err;
    EXPECT_EQ(Difference(before, Snapshot(home)), "");
}

TEST_F(InstallerEndToEnd, ForEveryUserOnlyAsRootAndUnderUsrLocal) {
    if (!IsRoot()) GTEST_SKIP() << "needs root";
    const auto before = Snapshot(home);
    // Not root: refused with the reason.
    GiveHomeTo(65534);
    const TRun refused = Setup("--silent --system", kAsNobody);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("needs root"), std::string::npos) << refused.err;
    GiveHomeTo(0);

    // As root, inside a namespace whose /usr/local/share and /etc/xdg are empty and private.
    const std::string script =
        "mount -t tmpfs none /usr/local/share && mount -t tmpfs none /etc/xdg && " + Quote(setup) +
        " --silent --system >/dev/null && find /usr/local/share /etc/xdg -type f | sort && echo -- "
        "&& " +
        Quote(setup) +
        " --uninstall --silent --system >/dev/null && find /usr/local/share /etc/xdg | sort";
    if (std::system("unshare -m true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "private mount namespaces are not permitted here";
    const TRun run = Run("unshare -m sh -c " + Quote(script));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const std::string installed = run.out.substr(0, run.out.find("--\n"));
    const std::string removed = run.out.substr(run.out.find("--\n") + 3);
    for (const char* file : {"/usr/local/share/glimmerdrome/screensavers/Star Field/Star Field.scr",
                             "/usr/local/share/glimmerdrome/installed/Star Field.manifest",
                             "/usr/local/share/applications/glimmerdrome-star-field.desktop",
                             "/etc/xdg/menus/applications-merged/glimmerdrome-star-field.menu"})
        EXPECT_NE(installed.find(std::string(file) + "\n"), std::string::npos) << installed;
    EXPECT_EQ(removed, "/etc/xdg\n/usr/local/share\n");
    // The user's files are nobody's business when installing for every user.
    EXPECT_EQ(Difference(before, Snapshot(home)), "");
}

// xscreensaver refuses to start screensavers as root, so everything here runs as an ordinary
// user with a home of its own, on an X server that lets that user in.
TEST_F(InstallerEndToEnd, XScreenSaverRunsTheInstalledScreensaverWhenActivated) {
    if (!IsRoot()) GTEST_SKIP() << "needs root to act as another user";
    if (std::system("command -v xscreensaver >/dev/null && command -v Xvfb >/dev/null") != 0)
        GTEST_SKIP() << "xscreensaver or Xvfb is not installed";
    WriteFileBytes(home + "/.xscreensaver", "mode:\t\tone\n"
                                            "selected:\t1\n"
                                            "lock:\t\tFalse\n"
                                            "fade:\t\tFalse\n"
                                            "splash:\t\tFalse\n"
                                            "programs:\t\\\n"
                                            "\t\t\t\tmaze --root\t\\n\\\n"
                                            "\n");
    GiveHomeTo(65534);
    const TRun install = Setup("--silent", kAsNobody);
    ASSERT_EQ(install.status, 0) << install.out << install.err;

    const std::string log = home + "/xscreensaver.log";
    struct TProcesses {
        std::vector<pid_t> pids;
        ~TProcesses() {
            // Each runs in a process group of its own, with whatever it started.
            for (auto it = pids.rbegin(); it != pids.rend(); ++it) {
                ::kill(-*it, SIGTERM);
                ::waitpid(*it, nullptr, 0);
            }
        }
        void Start(const std::string& command) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::setpgid(0, 0);
                ::execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), nullptr);
                ::_exit(127);
            }
            pids.push_back(pid);
        }
        void StopLast() {
            ::kill(-pids.back(), SIGTERM);
            ::waitpid(pids.back(), nullptr, 0);
            pids.pop_back();
        }
    } processes;
    // The server picks a free display itself: tests running beside this one start theirs too.
    const std::string display_file = root / "display.txt";
    processes.Start("Xvfb -displayfd 1 -ac -screen 0 640x480x24 >" + Quote(display_file) +
                    " 2>/dev/null");
    auto wait_for = [](const std::function<bool()>& condition, int tenths = 300) {
        for (int i = 0; i < tenths; ++i) {
            if (condition()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    };
    ASSERT_TRUE(
        wait_for([&] { return ReadFileBytes(display_file).find('\n') != std::string::npos; }));
    const std::string name =
        ":" + ReadFileBytes(display_file).substr(0, ReadFileBytes(display_file).find('\n'));
    const std::string as_user =
        std::string(kAsNobody) + "env HOME=" + Quote(home) + " DISPLAY=" + name + " ";
    const std::string start_daemon =
        as_user + "xscreensaver --no-splash --log " + Quote(log) + " >/dev/null 2>&1";
    auto answers = [&] {
        return std::system((as_user + "xscreensaver-command -time >/dev/null 2>&1").c_str()) == 0;
    };
    processes.Start(start_daemon);
    // On a loaded machine xscreensaver has now and then hung at start-up, before it set up its
    // input (its log stops there); that is its start, not what is tested, so it gets a second.
    std::string first_log;
    if (!wait_for(answers, 150)) {
        first_log = ReadFileBytes(log);
        processes.StopLast();
        processes.Start(start_daemon);
    }
    ASSERT_TRUE(wait_for(answers)) << "display " << name << "\nfirst start:\n"
                                   << first_log << "\nsecond start:\n"
                                   << ReadFileBytes(log);
    ASSERT_EQ(std::system((as_user + "xscreensaver-command -activate >/dev/null 2>&1").c_str()), 0);

    // xscreensaver forks the installed file with --root, on a window of its own.
    const std::string started = "'" + Dest() + "/Star Field.scr' --root\" in pid ";
    EXPECT_TRUE(wait_for([&] { return ReadFileBytes(log).find(started) != std::string::npos; }))
        << ReadFileBytes(log);
}
