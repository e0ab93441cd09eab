#include "Config.h"
#include "BuildIdentity.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "../platform/TempDir.h"

namespace fs = std::filesystem;

namespace {

TRecentFiles Recent(const TConfig& config) {
    TRecentFiles files;
    files.fill("junk");
    config.ReadRecentFiles(files);
    return files;
}

void StoreNine(TConfig& config) {
    for (int i = 0; i < 9; ++i)
        config.IniFile->WriteString("RecentFiles", std::to_string(i),
                                    "/p/" + std::to_string(i) + ".gldp");
}

} // namespace

TEST(Settings, DefaultsWithoutAFileAndNothingCreated) {
    TTempDir dir;
    TConfig config(dir.Path());
    EXPECT_FALSE(config.UsesUserFolder());
    EXPECT_EQ(config.ProgramDir, dir.Path());
    EXPECT_EQ(config.FileName, dir / "configuration.ini");
    EXPECT_TRUE(config.GetShowToolbar());
    EXPECT_TRUE(config.GetQuickStart());
    EXPECT_FALSE(config.GetBackupAfterSave());
    EXPECT_FALSE(config.GetTestAfterCompile());
    EXPECT_FALSE(config.GetAssociation());
    TRecentFiles files = Recent(config);
    for (const std::string& f : files)
        EXPECT_EQ(f, "");
    config.AddRecentFile("");
    EXPECT_EQ(CountEntries(dir.Path()), 0u) << "a probe or settings file was left behind";
}

TEST(Settings, SwitchesAreWrittenAtOnceAndReadAsNumbers) {
    TTempDir dir;
    TConfig config(dir.Path());
    config.SetShowToolbar(false);
    config.SetQuickStart(false);
    config.SetBackupAfterSave(true);
    config.SetTestAfterCompile(true);
    config.SetAssociation(true);
    EXPECT_EQ(
        ReadFileBytes(dir / "configuration.ini"),
        "[General]\r\nShowToolbar=0\r\n[Configuration]\r\nQuickStart=0\r\nBackupAfterSave=1\r\n"
        "TestAfterCompile=1\r\nAssociation=1\r\n");
    TConfig second(dir.Path());
    EXPECT_FALSE(second.GetShowToolbar());
    EXPECT_FALSE(second.GetQuickStart());
    EXPECT_TRUE(second.GetBackupAfterSave());

    WriteFileBytes(dir / "configuration.ini",
                   "[Configuration]\r\nQuickStart=never\r\nBackupAfterSave=5\r\n");
    EXPECT_TRUE(config.GetQuickStart());
    EXPECT_TRUE(config.GetBackupAfterSave());

    config.CloseSettings();
    EXPECT_FALSE(config.IniFile);
}

TEST(Settings, AddingAStoredPathMovesItFirst) {
    TTempDir dir;
    TConfig config(dir.Path());
    StoreNine(config);
    config.AddRecentFile("/p/5.gldp");
    TRecentFiles files = Recent(config);
    EXPECT_EQ(files[0], "/p/5.gldp");
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(files[i], "/p/" + std::to_string(i - 1) + ".gldp");
    for (int i = 6; i <= 8; ++i)
        EXPECT_EQ(files[i], "/p/" + std::to_string(i) + ".gldp");
    EXPECT_EQ(files[9], "");
}

TEST(Settings, ATenthPathDropsTheOldest) {
    TTempDir dir;
    TConfig config(dir.Path());
    StoreNine(config);
    config.AddRecentFile("/p/new.gldp");
    TRecentFiles files = Recent(config);
    EXPECT_EQ(files[0], "/p/new.gldp");
    EXPECT_EQ(files[8], "/p/7.gldp");
    EXPECT_EQ(files[9], "");
    EXPECT_EQ(config.IniFile->ReadSection("RecentFiles").size(), 9u);
}

TEST(Settings, ComparisonIsExactAndEmptyPathsChangeNothing) {
    TTempDir dir;
    TConfig config(dir.Path());
    config.AddRecentFile("C:\\a\\X.gldp");
    config.AddRecentFile("C:\\A\\x.gldp");
    TRecentFiles files = Recent(config);
    EXPECT_EQ(files[0], "C:\\A\\x.gldp");
    EXPECT_EQ(files[1], "C:\\a\\X.gldp");
    std::string before = ReadFileBytes(dir / "configuration.ini");
    config.AddRecentFile("");
    EXPECT_EQ(ReadFileBytes(dir / "configuration.ini"), before);
    config.ClearRecentFiles(files);
    for (const std::string& f : files)
        EXPECT_EQ(f, "");
}

TEST(Settings, RemovingAPathClosesTheGapAndLeavesNoStaleEntry) {
    TTempDir dir;
    TConfig config(dir.Path());
    StoreNine(config);
    config.RemoveRecentFile("/p/3.gldp");
    TRecentFiles files = Recent(config);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(files[i], "/p/" + std::to_string(i < 3 ? i : i + 1) + ".gldp");
    EXPECT_EQ(files[8], "");
    EXPECT_EQ(config.IniFile->ReadSection("RecentFiles").size(), 8u);
    // The next addition fills the list again without bringing the removed path back.
    config.AddRecentFile("/p/new.gldp");
    files = Recent(config);
    EXPECT_EQ(files[0], "/p/new.gldp");
    EXPECT_EQ(files[8], "/p/8.gldp");
    EXPECT_EQ(std::count(files.begin(), files.end(), "/p/3.gldp"), 0);

    // Exact comparison; a path not stored writes nothing.
    const std::string before = ReadFileBytes(dir / "configuration.ini");
    config.RemoveRecentFile("/P/4.gldp");
    config.RemoveRecentFile("");
    EXPECT_EQ(ReadFileBytes(dir / "configuration.ini"), before);
    for (const auto& path : Recent(config))
        if (!path.empty()) config.RemoveRecentFile(path);
    EXPECT_EQ(Recent(config)[0], "");
}

TEST(Settings, AGapEndsTheListUntilTheNextAdditionCloses) {
    TTempDir dir;
    WriteFileBytes(dir / "configuration.ini", "[RecentFiles]\r\n0=a\r\n1=b\r\n3=d\r\n");
    TConfig config(dir.Path());
    TRecentFiles files = Recent(config);
    EXPECT_EQ(files[0], "a");
    EXPECT_EQ(files[1], "b");
    EXPECT_EQ(files[2], "");
    config.AddRecentFile("c");
    files = Recent(config);
    EXPECT_EQ((std::vector<std::string>(files.begin(), files.begin() + 5)),
              (std::vector<std::string>{"c", "a", "b", "d", ""}));
}

TEST(Settings, UnwritableProgramFolderFallsBackToTheUsersFolder) {
    TTempDir dir;
    WriteFileBytes(dir / "blocker", "");
    // Not even root can create files below a regular file or in /proc.
    for (std::string program : {dir / "blocker/bin", std::string("/proc/self")}) {
        TConfig config(program, dir / "xdg");
        EXPECT_TRUE(config.UsesUserFolder());
        EXPECT_EQ(config.ProgramDir, program);
        EXPECT_EQ(config.FileName, dir / "xdg/glimmerdrome/configuration.ini");
        config.SetQuickStart(false);
        config.AddRecentFile("/w/p.gldp");
        EXPECT_EQ(ReadFileBytes(config.FileName),
                  "[Configuration]\r\nQuickStart=0\r\n[RecentFiles]\r\n0=/w/p.gldp\r\n");
        fs::remove(config.FileName);
    }
    EXPECT_FALSE(fs::exists(dir / "blocker/bin"));

    // A read-only settings file beside the program counts as an unwritable program folder.
    fs::create_directory(dir / "locked");
    WriteFileBytes(dir / "locked/configuration.ini", "[General]\r\nShowToolbar=0\r\n");
    fs::permissions(dir / "locked/configuration.ini", fs::perms::owner_read);
    TConfig locked(dir / "locked", dir / "xdg");
    EXPECT_TRUE(locked.UsesUserFolder());
    EXPECT_NO_THROW(locked.SetShowToolbar(true));
    EXPECT_EQ(ReadFileBytes(dir / "locked/configuration.ini"), "[General]\r\nShowToolbar=0\r\n");

    // $XDG_CONFIG_HOME is the default user folder.
    setenv("XDG_CONFIG_HOME", (dir / "env").c_str(), 1);
    TConfig from_env("/proc/self");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(from_env.FileName, dir / "env/glimmerdrome/configuration.ini");

    if (geteuid() != 0) {
        fs::create_directory(dir / "ro");
        fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_TRUE(TConfig(dir / "ro", dir / "xdg").UsesUserFolder());
    }
}

TEST(Settings, WriteRefusedEverywhereIsReported) {
    TTempDir dir;
    WriteFileBytes(dir / "blocker", "");
    TConfig config("/proc/self", dir / "blocker");
    EXPECT_TRUE(config.GetQuickStart());
    try {
        config.SetQuickStart(false);
        FAIL() << "the refused write was swallowed";
    } catch (const EIniWriteError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Unable to write to " + dir / "blocker/glimmerdrome/configuration.ini");
    }
}

TEST(Settings, SettingsThatCannotBeReadAreNeverReplaced) {
    TTempDir dir;
    auto make_loop = [](const std::string& folder) {
        fs::create_directories(folder);
        fs::create_symlink(folder + "/loop.ini", folder + "/configuration.ini");
        fs::create_symlink(folder + "/configuration.ini", folder + "/loop.ini");
    };
    // Beside the program: the settings move to the user's folder and leave the file alone.
    make_loop(dir / "program");
    TConfig beside(dir / "program", dir / "xdg");
    EXPECT_TRUE(beside.UsesUserFolder());
    beside.SetQuickStart(false);
    EXPECT_FALSE(beside.GetQuickStart());
    EXPECT_TRUE(fs::is_symlink(dir / "program/configuration.ini"));

    // In the user's folder there is nowhere else to go: reads and writes raise, naming the file.
    make_loop(dir / "home/glimmerdrome");
    TConfig config("/proc/self", dir / "home");
    EXPECT_THROW(config.GetQuickStart(), EIniReadError);
    TRecentFiles recent;
    EXPECT_THROW(config.ReadRecentFiles(recent), EIniReadError);
    try {
        config.AddRecentFile("/w/p.gldp");
        FAIL() << "the recent list was written over a file that could not be read";
    } catch (const EIniReadError& e) {
        EXPECT_NE(std::string(e.what()).find(dir / "home/glimmerdrome/configuration.ini"),
                  std::string::npos);
    }
    EXPECT_THROW(config.SetShowToolbar(false), EIniReadError);
    EXPECT_TRUE(fs::is_symlink(dir / "home/glimmerdrome/configuration.ini"));
}

TEST(Settings, ApplyAssociationWritesAndRemovesTheDesktopFiles) {
    TTempDir dir;
    fs::create_directories(dir / "bin");
    setenv("XDG_DATA_HOME", (dir / "share").c_str(), 1);
    TConfig config(dir / "bin");
    const std::string entry = dir / ("share/applications/" + std::string(DesktopId) + ".desktop");
    config.ApplyAssociation(true);
    EXPECT_TRUE(fs::exists(entry));
    EXPECT_TRUE(fs::exists(dir / "share/mime/packages/glimmerdrome-project.xml"));
    config.ApplyAssociation(false);
    unsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_FALSE(fs::exists(dir / "share/mime/packages/glimmerdrome-project.xml"));
}

// An installed tree (here unpacked into a folder, as root could write it) keeps its settings
// in the user's folder and associates project files with its own program and icons.
TEST(Settings, AnInstalledProgramKeepsItsSettingsInTheUsersFolder) {
    TTempDir dir;
    fs::create_directories(dir / "usr/bin");
    fs::create_directories(dir / "usr/lib/glimmerdrome");
    fs::create_directories(dir / "usr/share/glimmerdrome");
    WriteFileBytes(dir / "usr/share/glimmerdrome/defaultProjectIcon.png", "\x89PNG\r\n\x1a\n");
    const TResourceLocator installed = TResourceLocator::Around(dir / "usr/bin");
    ASSERT_EQ(installed.Layout(), TResourceLocator::TLayout::Installed);

    TConfig config(installed, dir / "xdg");
    EXPECT_TRUE(config.UsesUserFolder());
    EXPECT_EQ(config.ProgramDir, dir / "usr/bin");
    config.AddRecentFile("/w/p.gldp");
    EXPECT_EQ(config.FileName, dir / "xdg/glimmerdrome/configuration.ini");
    EXPECT_TRUE(fs::exists(config.FileName));
    EXPECT_FALSE(fs::exists(dir / "usr/bin/configuration.ini"));

    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    config.ApplyAssociation(true);
    unsetenv("XDG_DATA_HOME");
    const std::string entry =
        ReadFileBytes(dir / ("data/applications/" + std::string(DesktopId) + ".desktop"));
    EXPECT_NE(entry.find("\nExec=" + dir / "usr/bin/glimmerdrome %f\n"), std::string::npos)
        << entry;
}
