// Installing into temporary homes and removing again: what lands where, that an uninstall
// gives back every file of the home as it was (the user's ~/.xscreensaver byte for byte), that
// installing again replaces an installation and keeps the user's settings, and that a cancel,
// a refusing folder, a full disk or a broken package leave nothing behind.

#include "Installation.h"
#include "InstallErrors.h"
#include "Requirements.h"
#include "SetupTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <sys/stat.h>

namespace {

const std::string kXScreenSaver = "# preferences\n"
                                  "timeout:\t0:10:00\n"
                                  "mode:\t\tone\n"
                                  "selected:\t1\n"
                                  "\n"
                                  "programs:\t\t\t\t\t\t\t\t      \\\n"
                                  "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
                                  "-\t\t\t\tqix --root\t\t\t\t    \\n\\\n"
                                  "\n"
                                  "\n"
                                  "pointerHysteresis:  10\n";

int Mode(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

class Installation : public testing::Test {
protected:
    TTempDir root;
    std::string home = root / "home";
    std::string screensaver_bytes = GeneratedBytes(1500000, 1);

    void SetUp() override {
        fs::create_directories(home + "/.config/unrelated");
        fs::create_directories(home + "/.local/share/applications");
        WriteFileBytes(home + "/.config/unrelated/settings.ini", "[a]\nb=1\n");
        WriteFileBytes(home + "/.local/share/applications/other.desktop", "[Desktop Entry]\n");
        WriteFileBytes(home + "/.xscreensaver", kXScreenSaver);
        ::chmod((home + "/.xscreensaver").c_str(), 0600);
    }

    TInstallEnvironment Environment() const {
        TInstallEnvironment environment = TInstallEnvironment::For(home);
        environment.system_data = root / "usr/local/share";
        environment.system_config = root / "etc/xdg";
        return environment;
    }

    TInstaller User() const {
        return TInstaller(TInstallLocations(Environment(), TInstallScope::User));
    }

    TInstallRequest Request(const std::string& bytes) const {
        TInstallRequest request;
        request.project_name = "Star Field";
        request.version = "1.0";
        request.menu_folder = "Screensavers";
        request.screensaver = MemoryFile("/build/Star Field.scr", bytes);
        request.icon = MemoryFile("C:\\art\\star.png", "\x89PNG icon");
        request.uninstaller = MemoryFile("uninstall", "#!/bin/sh\n");
        return request;
    }
    TInstallRequest Request() const { return Request(screensaver_bytes); }

    std::string Dest() const { return home + "/.local/share/glimmerdrome/screensavers/Star Field"; }
    std::string Apps() const { return home + "/.local/share/applications"; }
};

// Cancels once the copy has passed a share of the total.
class TCancelAt : public IInstallObserver {
public:
    TCancelAt(std::atomic<bool>& flag, double share) : flag(flag), share(share) {}
    void InstallProgress(int64_t done, int64_t total) override {
        if (done > total * share) flag = true;
    }

private:
    std::atomic<bool>& flag;
    double share;
};

} // namespace

TEST_F(Installation, InstallsForTheUserAndUninstallGivesBackTheHome) {
    const auto before = Snapshot(home);
    const TInstallResult result = User().Install(Request());

    EXPECT_EQ(ReadFileBytes(Dest() + "/Star Field.scr"), screensaver_bytes);
    EXPECT_EQ(Mode(Dest() + "/Star Field.scr") & 0111, 0111);
    EXPECT_EQ(ReadFileBytes(Dest() + "/Star Field.png"), "\x89PNG icon");
    EXPECT_EQ(Mode(Dest() + "/uninstall") & 0111, 0111);
    for (const char* entry : {"", "-settings", "-uninstall"}) {
        const std::string path = Apps() + "/glimmerdrome-star-field" + entry + ".desktop";
        const std::string text = ReadFileBytes(path);
        EXPECT_NE(text.find("Exec=\"" + Dest() + "/"), std::string::npos) << text;
        EXPECT_NE(text.find("Icon=" + Dest() + "/Star Field.png"), std::string::npos) << text;
        if (std::system("command -v desktop-file-validate >/dev/null") == 0) {
            EXPECT_EQ(std::system(("desktop-file-validate '" + path + "'").c_str()), 0);
        }
    }
    EXPECT_NE(ReadFileBytes(Apps() + "/glimmerdrome-star-field-settings.desktop")
                  .find(".scr\" --config\n"),
              std::string::npos);
    EXPECT_NE(ReadFileBytes(Apps() + "/glimmerdrome-star-field-uninstall.desktop")
                  .find("uninstall\" --uninstall --manifest \"" + result.manifest_path + "\""),
              std::string::npos);
    const std::string menu =
        ReadFileBytes(home + "/.config/menus/applications-merged/glimmerdrome-star-field.menu");
    EXPECT_NE(menu.find("<Name>Screensavers</Name>"), std::string::npos);
    EXPECT_TRUE(
        fs::exists(home + "/.local/share/desktop-directories/glimmerdrome-star-field.directory"));

    // The user's list gains our program at its end; the rest of the file reads as before.
    const std::string xscreensaver = ReadFileBytes(home + "/.xscreensaver");
    const size_t entry =
        xscreensaver.find("\"Star Field\"  '" + Dest() + "/Star Field.scr' --root");
    ASSERT_NE(entry, std::string::npos) << xscreensaver;
    EXPECT_GT(entry, xscreensaver.find("qix --root"));
    EXPECT_EQ(Mode(home + "/.xscreensaver"), 0600);
    EXPECT_TRUE(result.notes.empty());

    User().Uninstall(result.manifest_path);
    EXPECT_EQ(Difference(before, Snapshot(home)), "");
}

TEST_F(Installation, WithoutAnXScreenSaverFileNoneIsMade) {
    fs::remove(home + "/.xscreensaver");
    fs::remove_all(home + "/.local");
    fs::remove_all(home + "/.config");
    const auto before = Snapshot(home);
    TInstallRequest request = Request();
    request.menu_folder.clear();
    const TInstallResult result = User().Install(request);
    EXPECT_FALSE(fs::exists(home + "/.xscreensaver"));
    EXPECT_FALSE(fs::exists(home + "/.config/menus"));
    EXPECT_FALSE(result.manifest.xscreensaver);
    User().Uninstall(result.manifest_path);
    // Even the folders the installation had to make are gone.
    EXPECT_EQ(Difference(before, Snapshot(home)), "");
}

TEST_F(Installation, TheUsersOwnChangesToTheListSurviveTheUninstall) {
    const TInstallResult result = User().Install(Request());
    // The user adds a program after ours, disables ours and changes a setting.
    std::string changed = ReadFileBytes(home + "/.xscreensaver");
    const size_t ours = changed.find("\t\t\t\t\"Star Field\"");
    changed.replace(ours, 1, "-");
    changed.insert(changed.find("\n\n\npointer") + 1, "\t\t\t\tflame --root\t\t\\n\\\n");
    changed.replace(changed.find("0:10:00"), 7, "0:20:00");
    WriteFileBytes(home + "/.xscreensaver", changed);

    User().Uninstall(result.manifest_path);
    std::string expected = kXScreenSaver;
    expected.insert(expected.find("\n\n\npointer") + 1, "\t\t\t\tflame --root\t\t\\n\\\n");
    expected.replace(expected.find("0:10:00"), 7, "0:20:00");
    EXPECT_EQ(ReadFileBytes(home + "/.xscreensaver"), expected);
}

TEST_F(Installation, InstallingAgainReplacesAndKeepsTheUsersSettings) {
    const auto before = Snapshot(home);
    User().Install(Request());
    // What the screensaver keeps for its user is not the installation's.
    const std::string settings = home + "/.config/glimmerdrome/screensavers/Star Field.ini";
    fs::create_directories(fs::path(settings).parent_path());
    WriteFileBytes(settings, "[Configuration]\nMute=1\n");

    const std::string newer = GeneratedBytes(700000, 2);
    TInstallRequest again = Request(newer);
    again.menu_folder.clear();
    const TInstallResult result = User().Install(again);
    EXPECT_EQ(ReadFileBytes(Dest() + "/Star Field.scr"), newer);
    EXPECT_FALSE(
        fs::exists(home + "/.config/menus/applications-merged/glimmerdrome-star-field.menu"));
    EXPECT_FALSE(fs::exists(home + "/.local/share/desktop-directories"));
    const std::string xscreensaver = ReadFileBytes(home + "/.xscreensaver");
    EXPECT_EQ(xscreensaver.find("Star Field.scr"), xscreensaver.rfind("Star Field.scr"))
        << xscreensaver;
    EXPECT_EQ(ReadFileBytes(settings), "[Configuration]\nMute=1\n");

    // Somewhere else this time: the first place is cleared.
    TInstallRequest moved = Request(newer);
    moved.destination = root / "elsewhere/Star Field";
    User().Install(moved);
    EXPECT_FALSE(fs::exists(Dest()));
    EXPECT_FALSE(fs::exists(home + "/.local/share/glimmerdrome/screensavers"));
    EXPECT_EQ(User().SuggestedDestination("Star Field"), moved.destination);

    User().Uninstall(result.manifest_path);
    EXPECT_EQ(ReadFileBytes(settings), "[Configuration]\nMute=1\n");
    fs::remove_all(home + "/.config/glimmerdrome");
    EXPECT_EQ(Difference(before, Snapshot(home)), "");
    EXPECT_FALSE(fs::exists(root / "elsewhere/Star Field"));
}

TEST_F(Installation, ACancelLeavesNothingAndKeepsAnEarlierInstallation) {
    const auto empty = Snapshot(home);
    std::atomic<bool> cancel{false};
    TCancelAt observer(cancel, 0.4);
    EXPECT_THROW(User().Install(Request(), &observer, &cancel), EInstallCancelled);
    EXPECT_EQ(Difference(empty, Snapshot(home)), "");

    User().Install(Request());
    const auto installed = Snapshot(home);
    cancel = false;
    TInstallRequest newer = Request(GeneratedBytes(900000, 3));
    newer.menu_folder = "Elsewhere";
    EXPECT_THROW(User().Install(newer, &observer, &cancel), EInstallCancelled);
    EXPECT_EQ(Difference(installed, Snapshot(home)), "");
}

TEST_F(Installation, ABrokenPackageLeavesNothing) {
    const auto before = Snapshot(home);
    TInstallRequest request = Request();
    request.uninstaller->produce = [](const TPackageFile::TSink& sink) {
        sink("#!", 2);
        throw std::runtime_error("Block 1 of \"uninstall\" is damaged.");
    };
    EXPECT_THROW(User().Install(request), std::runtime_error);
    EXPECT_EQ(Difference(before, Snapshot(home)), "");

    // A file that comes out shorter than the package says is no installation either.
    request = Request();
    request.icon->size += 10;
    try {
        User().Install(request);
        ADD_FAILURE() << "a short file was installed";
    } catch (const EInstallError& e) {
        EXPECT_NE(std::string(e.what()).find("star.png"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Difference(before, Snapshot(home)), "");
}

TEST_F(Installation, AnotherProgramsFileIsNotReplaced) {
    WriteFileBytes(Apps() + "/glimmerdrome-star-field.desktop", "mine");
    const auto before = Snapshot(home);
    try {
        User().Install(Request());
        ADD_FAILURE() << "installed over a file that is not ours";
    } catch (const EInstallError& e) {
        EXPECT_NE(std::string(e.what()).find("glimmerdrome-star-field.desktop\" already exists"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(Difference(before, Snapshot(home)), "");
}

TEST_F(Installation, AFolderThatRefusesWritesLeavesNothing) {
    // A destination the user may not write into, and a home of the user's own.
    const std::string locked = root / "locked";
    fs::create_directories(locked);
    ::chmod(locked.c_str(), 0555);
    ::chown(home.c_str(), 65534, 65534);
    for (const auto& entry : fs::recursive_directory_iterator(home))
        ::lchown(entry.path().c_str(), 65534, 65534);
    ::chmod(root.Path().c_str(), 0755);
    const auto before = Snapshot(home);

    const std::string outcome = RunAsOrdinaryUser([&] {
        TInstallRequest request = Request();
        request.destination = locked + "/Star Field";
        try {
            User().Install(request);
            return std::string("installed");
        } catch (const EInstallError& e) {
            return std::string(e.what());
        }
    });
    EXPECT_EQ(outcome, "Cannot create folder \"" + locked + "/Star Field\". Permission denied");
    EXPECT_EQ(Difference(before, Snapshot(home)), "");
    EXPECT_TRUE(fs::is_empty(locked));
}

TEST_F(Installation, AFullDiskLeavesNothing) {
    const std::string small = root / "small";
    TSmallFileSystem disk(small, 1024 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";

    // Too big from the start: refused before a byte is written.
    TInstallRequest request = Request();
    request.destination = small + "/Star Field";
    try {
        User().Install(request);
        ADD_FAILURE() << "installed onto a full disk";
    } catch (const EInstallError& e) {
        EXPECT_NE(std::string(e.what()).find("not enough free space"), std::string::npos)
            << e.what();
    }
    EXPECT_TRUE(fs::is_empty(small));

    // Room at first, but the disk fills up while copying.
    const auto before = Snapshot(home);
    request = Request(GeneratedBytes(600000, 4));
    request.destination = small + "/Star Field";
    struct TFiller : IInstallObserver {
        std::string path;
        bool done = false;
        void InstallProgress(int64_t written, int64_t) override {
            if (done || written == 0) return;
            done = true;
            WriteFileBytes(path, GeneratedBytes(900000, 5));
        }
    } filler;
    filler.path = small + "/filler";
    try {
        User().Install(request, &filler);
        ADD_FAILURE() << "installed onto a full disk";
    } catch (const EInstallError& e) {
        EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(CountEntries(small), 1u); // the filler alone
    EXPECT_EQ(Difference(before, Snapshot(home)), "");
}

TEST_F(Installation, ForEveryUserWithModesEveryoneCanUse) {
    const auto home_before = Snapshot(home);
    const mode_t old_mask = ::umask(077);
    TInstaller system(TInstallLocations(Environment(), TInstallScope::System));
    const TInstallResult result = system.Install(Request());
    ::umask(old_mask);

    const std::string dest = root / "usr/local/share/glimmerdrome/screensavers/Star Field";
    EXPECT_EQ(Mode(dest + "/Star Field.scr"), 0755);
    EXPECT_EQ(Mode(dest + "/Star Field.png"), 0644);
    EXPECT_EQ(Mode(dest), 0755);
    EXPECT_EQ(Mode(root / "usr/local/share/applications/glimmerdrome-star-field.desktop"), 0644);
    EXPECT_TRUE(
        fs::exists(root / "etc/xdg/menus/applications-merged/glimmerdrome-star-field.menu"));
    // No user's files are touched when installing for every user.
    EXPECT_EQ(Difference(home_before, Snapshot(home)), "");

    system.Uninstall(result.manifest_path);
    EXPECT_FALSE(fs::exists(root / "usr"));
    EXPECT_FALSE(fs::exists(root / "etc"));
}

TEST_F(Installation, UninstallWithoutARecordSaysSo) {
    EXPECT_THROW(User().Uninstall(home + "/nothing.manifest"), EInstallError);
    EXPECT_FALSE(User().Installed("Star Field"));
}

TEST(Requirements, MissingPiecesNameTheirPackagesOnce) {
    const std::vector<TRequirement> requirements = {
        {"libc.so.6", "", "libc6"},
        {"libgld-missing.so.9", "", "gld-missing"},
        {"", "/nonexistent/helper", "gld-missing"},
        {"", "/bin/sh", "dash"},
        {"", "/nonexistent/other", "gld-other"},
    };
    EXPECT_EQ(MissingPackages(requirements),
              (std::vector<std::string>{"gld-missing", "gld-other"}));
    const std::string message = MissingPackagesMessage("Star Field", {"a", "b"});
    EXPECT_NE(message.find("sudo apt install a b"), std::string::npos) << message;
    EXPECT_NE(message.find("Nothing was installed"), std::string::npos);
}
