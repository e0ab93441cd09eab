// Where installations go for a user and for every user, the names made from project names,
// and the installation record read back.

#include "InstallErrors.h"
#include "InstallLocations.h"
#include "InstallManifest.h"

#include <gtest/gtest.h>

TEST(InstallLocations, FollowTheXdgRules) {
    const TInstallLocations user(TInstallEnvironment::For("/home/ann"), TInstallScope::User);
    EXPECT_EQ(user.DefaultDestination("Star Field"),
              "/home/ann/.local/share/glimmerdrome/screensavers/Star Field");
    EXPECT_EQ(user.ApplicationsFolder(), "/home/ann/.local/share/applications");
    EXPECT_EQ(user.MenusFolder(), "/home/ann/.config/menus/applications-merged");
    EXPECT_EQ(user.XScreenSaverPath(), "/home/ann/.xscreensaver");

    const TInstallLocations moved(TInstallEnvironment::For("/home/ann", "/data", "/conf"),
                                  TInstallScope::User);
    EXPECT_EQ(moved.ApplicationsFolder(), "/data/applications");
    EXPECT_EQ(moved.ManifestPath("Sky"), "/data/glimmerdrome/installed/Sky.manifest");
    EXPECT_EQ(moved.MenusFolder(), "/conf/menus/applications-merged");
    // Relative values are not valid XDG folders and are ignored.
    const TInstallLocations relative(TInstallEnvironment::For("/home/ann", "data", "conf"),
                                     TInstallScope::User);
    EXPECT_EQ(relative.ApplicationsFolder(), "/home/ann/.local/share/applications");

    const TInstallLocations system(TInstallEnvironment::For("/root"), TInstallScope::System);
    EXPECT_EQ(system.DefaultDestination("Sky"), "/usr/local/share/glimmerdrome/screensavers/Sky");
    EXPECT_EQ(system.ApplicationsFolder(), "/usr/local/share/applications");
    EXPECT_EQ(system.MenusFolder(), "/etc/xdg/menus/applications-merged");
    EXPECT_EQ(system.XScreenSaverPath(), "");
}

TEST(InstallLocations, ProjectNamesBecomeSafeNames) {
    EXPECT_EQ(FileNameOf("Star Field"), "Star Field");
    EXPECT_EQ(FileNameOf("../../etc/passwd"), ".._.._etc_passwd");
    EXPECT_EQ(FileNameOf(".."), "__");
    EXPECT_EQ(FileNameOf("a\\b\nc"), "a_b_c");
    EXPECT_EQ(FileNameOf("  "), "Screensaver");
    // A Windows project's 8-bit name comes out as UTF-8.
    EXPECT_EQ(FileNameOf("Caf\xe9 \x80"), "Café €");
    EXPECT_EQ(TextAsUtf8("Café"), "Café");
    EXPECT_EQ(TextAsUtf8("\xed\xa0\x80"), "í\xc2\xa0€"); // a surrogate is not UTF-8
    const std::string long_name(300, 'x');
    EXPECT_LE((FileNameOf(long_name) + ".manifest").size(), 255u);
    const std::string long_wide = std::string(239, 'x') + "星星";
    const std::string cut = FileNameOf(long_wide);
    EXPECT_EQ(cut, std::string(239, 'x')); // not half a character

    EXPECT_EQ(DesktopIdOf("Star Field!"), "star-field");
    EXPECT_EQ(DesktopIdOf("--A--B--"), "a-b");
    EXPECT_NE(DesktopIdOf("星"), DesktopIdOf("月"));
    EXPECT_EQ(DesktopIdOf("星").rfind("screensaver-", 0), 0u);
}

TEST(InstallManifest, ReadsBackWhatItWrote) {
    TInstallManifest manifest;
    manifest.project_name = "Star\tField\\n";
    manifest.version = "1.0";
    manifest.scope = TInstallScope::System;
    manifest.destination = "/opt/star\nfield";
    manifest.menu_folder = "Screensavers";
    manifest.folders = {"/opt/star\nfield"};
    manifest.files = {"/opt/star\nfield/a.scr", "/opt/x\\y"};
    manifest.xscreensaver = TXScreenSaverEdit{
        "/home/a/.xscreensaver", 42, "\t\tx \\n\\\n", 99, ContentHash("abc"), "x --root"};
    const TInstallManifest back = TInstallManifest::Parse(manifest.Text());
    EXPECT_EQ(back.Text(), manifest.Text());
    EXPECT_EQ(back.project_name, manifest.project_name);
    EXPECT_EQ(back.files, manifest.files);
    EXPECT_TRUE(back.scope == TInstallScope::System);
    ASSERT_TRUE(back.xscreensaver);
    EXPECT_EQ(back.xscreensaver->inserted, manifest.xscreensaver->inserted);
    EXPECT_EQ(back.xscreensaver->hash_after, ContentHash("abc"));
}

TEST(InstallManifest, RefusesWhatIsNotOne) {
    const std::string header = "Glimmerdrome installation 1\n";
    for (const std::string& text :
         {std::string(""), std::string("something else\n"), header + "file\trelative/path\n",
          header + "unknown\tx\n", header + "xscreensaver\t/a\tnot-a-number\tx\t1\t2\tc\n"})
        EXPECT_THROW(TInstallManifest::Parse(text), EInstallError) << text;
    EXPECT_NO_THROW(TInstallManifest::Parse(header));
}
