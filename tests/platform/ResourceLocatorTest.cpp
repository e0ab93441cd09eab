#include "ResourceLocator.h"

#include "FilePaths.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

TEST(ResourceLocator, AFlatFolderHoldsEveryFile) {
    const TResourceLocator here("/opt/glimmer/");
    EXPECT_EQ(here.Layout(), TResourceLocator::TLayout::Flat);
    EXPECT_EQ(here.ProgramFolder(), "/opt/glimmer");
    EXPECT_EQ(here.SaverStub(), "/opt/glimmer/saver.dll");
    EXPECT_EQ(here.InstallerStub(), "/opt/glimmer/inst.dll");
    EXPECT_EQ(here.DefaultProjectIcon(), "/opt/glimmer/defaultProjectIcon.ico");
    EXPECT_EQ(here.HelpFile(), "/opt/glimmer/gldhelp.html");
    EXPECT_EQ(here.SettingsFolder(), "/opt/glimmer");
    EXPECT_EQ(here.ProgramIcon(), "/opt/glimmer/glimmerdrome.png");
}

TEST(ResourceLocator, TheInstalledLayoutSplitsProgramsRuntimeFilesAndData) {
    const TResourceLocator installed = TResourceLocator::Installed("/usr");
    EXPECT_EQ(installed.Layout(), TResourceLocator::TLayout::Installed);
    EXPECT_EQ(installed.ProgramFolder(), "/usr/bin");
    EXPECT_EQ(installed.SaverStub(), "/usr/lib/glimmerdrome/saver.dll");
    EXPECT_EQ(installed.InstallerStub(), "/usr/lib/glimmerdrome/inst.dll");
    EXPECT_EQ(installed.DefaultProjectIcon(), "/usr/share/glimmerdrome/defaultProjectIcon.ico");
    EXPECT_EQ(installed.HelpFile(), "/usr/share/glimmerdrome/gldhelp.html");
    EXPECT_EQ(installed.ProgramIcon(),
              "/usr/share/icons/hicolor/256x256/apps/" + std::string(DesktopId) + ".png");
    // No settings beside the programs: /usr/bin may be writable to root, but it is no place
    // for one user's recent projects.
    EXPECT_EQ(installed.SettingsFolder(), "");
}

TEST(ResourceLocator, TheLayoutIsToldApartByWhatLiesBesideTheExecutable) {
    TTempDir dir;
    // A checkout's build tree: nothing but bin/.
    fs::create_directories(dir / "build/bin");
    const TResourceLocator flat = TResourceLocator::Around(dir / "build/bin");
    EXPECT_EQ(flat.Layout(), TResourceLocator::TLayout::Flat);
    EXPECT_EQ(flat.SaverStub(), dir / "build/bin/saver.dll");

    // An installed tree unpacked anywhere: found relative to the programs, not at /usr.
    fs::create_directories(dir / "unpacked/usr/bin");
    fs::create_directories(dir / "unpacked/usr/lib/glimmerdrome");
    const TResourceLocator moved = TResourceLocator::Around(dir / "unpacked/usr/bin/");
    EXPECT_EQ(moved.Layout(), TResourceLocator::TLayout::Installed);
    EXPECT_EQ(moved.ProgramFolder(), dir / "unpacked/usr/bin");
    EXPECT_EQ(moved.InstallerStub(), dir / "unpacked/usr/lib/glimmerdrome/inst.dll");
    EXPECT_EQ(moved.HelpFile(), dir / "unpacked/usr/share/glimmerdrome/gldhelp.html");
}

TEST(ResourceLocator, TheRunningProgramIsFoundFromItsOwnFile) {
    const std::string folder = TResourceLocator::ExecutableFolder();
    EXPECT_EQ(fs::canonical("/proc/self/exe").parent_path().string(), folder);
    EXPECT_EQ(TResourceLocator::ForRunningProgram().ProgramFolder(), folder);
}
