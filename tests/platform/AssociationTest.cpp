#include "Association.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "TempDir.h"

namespace fs = std::filesystem;

TEST(Association, WindowsKeysAndValuesExactly) {
    auto values = WindowsAssociationValues("C:\\Tools");
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].Key, ".gldp");
    EXPECT_EQ(values[0].Value, "Glimmerdrome.Project");
    EXPECT_EQ(values[1].Key, "Glimmerdrome.Project\\DefaultIcon");
    EXPECT_EQ(values[1].Value, "C:\\Tools\\Glimmerdrome.exe,1");
    EXPECT_EQ(values[2].Key, "Glimmerdrome.Project\\Shell\\Open\\Command");
    EXPECT_EQ(values[2].Value, "\"C:\\Tools\\Glimmerdrome.exe\" \"%1\"");
}

namespace {

// A one-pixel-wide PNG header is enough: only the signature and the width are looked at.
std::string FakePng(uint32_t width) {
    std::string png = "\x89PNG\r\n\x1a\n";
    png += std::string("\0\0\0\x0dIHDR", 8);
    for (int shift = 24; shift >= 0; shift -= 8)
        png += static_cast<char>((width >> shift) & 0xFF);
    png += std::string("\0\0\0\x01\x08\x06\0\0\0", 9);
    return png;
}

std::string Le16(uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
std::string Le32(uint32_t v) {
    return Le16(static_cast<uint16_t>(v)) + Le16(static_cast<uint16_t>(v >> 16));
}

} // namespace

TEST(Association, DesktopFilesWrittenAndRemovedExactly) {
    TTempDir dir;
    std::string data = dir / "share";
    fs::create_directories(dir / "prog dir");
    WriteFileBytes(dir / "prog dir/defaultProjectIcon.png", FakePng(48));
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    TAssociationPaths paths = DefaultAssociationPaths(dir / "prog dir");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(paths.DataHome, data);
    EXPECT_EQ(paths.Program, dir / "prog dir/glimmerdrome");
    EXPECT_EQ(paths.IconSource, dir / "prog dir/defaultProjectIcon.png");

    // Someone else's file in the same folders must survive "off".
    fs::create_directories(data + "/applications");
    WriteFileBytes(data + "/applications/other.desktop", "[Desktop Entry]\n");

    ApplyDesktopAssociation(true, paths);
    TAssociationFiles files = DesktopAssociationFiles(paths);
    EXPECT_EQ(files.MimePackage, data + "/mime/packages/glimmerdrome-project.xml");
    EXPECT_EQ(files.DesktopEntry, data + "/applications/" + DesktopId + ".desktop");
    EXPECT_EQ(files.Icon,
              data + "/icons/hicolor/48x48/mimetypes/application-x-glimmerdrome-project.png");

    std::string mime = ReadFileBytes(files.MimePackage);
    EXPECT_NE(mime.find("<mime-type type=\"application/x-glimmerdrome-project\">"),
              std::string::npos);
    EXPECT_NE(mime.find("<glob pattern=\"*.gldp\"/>"), std::string::npos);
    std::string desktop = ReadFileBytes(files.DesktopEntry);
    EXPECT_NE(desktop.find("\nExec=\"" + dir / "prog dir/glimmerdrome\" %f\n"), std::string::npos)
        << desktop;
    EXPECT_NE(desktop.find("\nMimeType=application/x-glimmerdrome-project;\n"), std::string::npos);
    EXPECT_NE(desktop.find("\nIcon=application-x-glimmerdrome-project\n"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(files.Icon), FakePng(48));

    // Applying twice gives the same files, not a second copy.
    ApplyDesktopAssociation(true, paths);
    EXPECT_EQ(ReadFileBytes(files.DesktopEntry), desktop);

    ApplyDesktopAssociation(false, paths);
    EXPECT_FALSE(fs::exists(files.MimePackage));
    EXPECT_FALSE(fs::exists(files.DesktopEntry));
    EXPECT_FALSE(fs::exists(files.Icon));
    EXPECT_TRUE(fs::exists(data + "/applications/other.desktop"));
    // "Off" again, with nothing left to remove, is no error.
    EXPECT_NO_THROW(ApplyDesktopAssociation(false, paths));
}

TEST(Association, IconTakenFromThePngInsideAnIco) {
    TTempDir dir;
    std::string png = FakePng(32);
    std::string bitmap(40, 'b');
    std::string ico = Le16(0) + Le16(1) + Le16(2);
    ico += std::string("\x10\x10\0\0", 4) + Le16(1) + Le16(32) + Le32(40) + Le32(6 + 32);
    ico += std::string("\x20\x20\0\0", 4) + Le16(1) + Le16(32) +
           Le32(static_cast<uint32_t>(png.size())) + Le32(6 + 32 + 40);
    ico += bitmap + png;
    WriteFileBytes(dir / "p.ico", ico);

    TAssociationPaths paths{dir / "share", dir / "glimmerdrome", dir / "p.ico"};
    ApplyDesktopAssociation(true, paths);
    std::string icon =
        dir / "share/icons/hicolor/32x32/mimetypes/application-x-glimmerdrome-project.png";
    EXPECT_EQ(ReadFileBytes(icon), png);

    // A truncated icon directory yields no icon rather than a crash or garbage.
    WriteFileBytes(dir / "p.ico", ico.substr(0, 20));
    ApplyDesktopAssociation(true, paths);
    EXPECT_FALSE(fs::exists(icon));
    EXPECT_TRUE(DesktopAssociationFiles(paths).Icon.empty());
}

// With the program's own icon beside it, the entry shows that icon, installed in the theme
// under the desktop id, and goes again with the association.
TEST(Association, TheProgramIconNamesTheEntry) {
    TTempDir dir;
    fs::create_directories(dir / "bin");
    WriteFileBytes(dir / "bin/glimmerdrome.png", FakePng(256));
    WriteFileBytes(dir / "bin/defaultProjectIcon.png", FakePng(48));
    setenv("XDG_DATA_HOME", (dir / "share").c_str(), 1);
    TAssociationPaths paths = DefaultAssociationPaths(TResourceLocator(dir / "bin"));
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(paths.ProgramIconSource, dir / "bin/glimmerdrome.png");

    ApplyDesktopAssociation(true, paths);
    TAssociationFiles files = DesktopAssociationFiles(paths);
    EXPECT_EQ(files.ProgramIcon,
              dir / ("share/icons/hicolor/256x256/apps/" + std::string(DesktopId) + ".png"));
    EXPECT_EQ(ReadFileBytes(files.ProgramIcon), FakePng(256));
    std::string desktop = ReadFileBytes(files.DesktopEntry);
    EXPECT_NE(desktop.find("\nIcon=" + std::string(DesktopId) + "\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(files.Icon));

    ApplyDesktopAssociation(false, paths);
    EXPECT_FALSE(fs::exists(files.ProgramIcon));
    EXPECT_FALSE(fs::exists(files.Icon));
}

// The user's entry passes the desktop's own validator, also for a program in a folder whose
// name the Exec line must quote and escape.
TEST(Association, TheUsersEntryPassesTheValidator) {
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "desktop-file-validate is not installed";
    TTempDir dir;
    const std::string program = dir / "it's \"my\" $HOME 100% \\ dir/glimmerdrome";
    for (const std::string& icon : {std::string(""), std::string(dir / "glimmerdrome.png")}) {
        if (!icon.empty()) WriteFileBytes(icon, FakePng(256));
        TAssociationPaths paths{dir / "share", program, "", icon};
        ApplyDesktopAssociation(true, paths);
        const std::string entry = DesktopAssociationFiles(paths).DesktopEntry;
        const std::string log = dir / "validate.log";
        const int status =
            std::system(("desktop-file-validate '" + entry + "' >'" + log + "' 2>&1").c_str());
        EXPECT_EQ(status, 0) << ReadFileBytes(entry) << ReadFileBytes(log);
        EXPECT_EQ(ReadFileBytes(log), "") << ReadFileBytes(entry);
    }
}

// Earlier versions wrote "glimmerdrome.desktop"; left behind, it would list the program twice.
// A file of that name that is not ours stays.
TEST(Association, TheEarlierEntryGoesOnlyWhenItIsOurs) {
    TTempDir dir;
    const std::string legacy = dir / "share/applications/glimmerdrome.desktop";
    TAssociationPaths paths{dir / "share", dir / "glimmerdrome", ""};
    fs::create_directories(dir / "share/applications");
    WriteFileBytes(legacy, "[Desktop Entry]\nName=Mine\nExec=mine\n");
    ApplyDesktopAssociation(true, paths);
    EXPECT_TRUE(fs::exists(legacy));

    WriteFileBytes(legacy, "[Desktop Entry]\nExec=glimmerdrome %f\n"
                           "MimeType=application/x-glimmerdrome-project;\n");
    ApplyDesktopAssociation(true, paths);
    EXPECT_FALSE(fs::exists(legacy));
    EXPECT_TRUE(fs::exists(DesktopAssociationFiles(paths).DesktopEntry));
}

// The installed tree's data folder and icon theme supply the icons.
TEST(Association, AnInstalledTreeSuppliesItsIcons) {
    TTempDir dir;
    fs::create_directories(dir / "usr/bin");
    fs::create_directories(dir / "usr/lib/glimmerdrome");
    fs::create_directories(dir / "usr/share/glimmerdrome");
    WriteFileBytes(dir / "usr/share/glimmerdrome/defaultProjectIcon.png", FakePng(48));
    const std::string theme_icon =
        dir / ("usr/share/icons/hicolor/256x256/apps/" + std::string(DesktopId) + ".png");
    fs::create_directories(fs::path(theme_icon).parent_path());
    WriteFileBytes(theme_icon, FakePng(256));
    TAssociationPaths paths = DefaultAssociationPaths(TResourceLocator::Around(dir / "usr/bin"));
    EXPECT_EQ(paths.Program, dir / "usr/bin/glimmerdrome");
    EXPECT_EQ(paths.IconSource, dir / "usr/share/glimmerdrome/defaultProjectIcon.png");
    EXPECT_EQ(paths.ProgramIconSource, theme_icon);
}

TEST(Association, UnwritableDataFolderRaises) {
    TTempDir dir;
    WriteFileBytes(dir / "file", "x");
    TAssociationPaths paths{dir / "file/share", "/usr/bin/glimmerdrome", ""};
    EXPECT_ANY_THROW(ApplyDesktopAssociation(true, paths));
    paths.DataHome = ".local/share";
    EXPECT_ANY_THROW(ApplyDesktopAssociation(true, paths));
    EXPECT_FALSE(std::filesystem::exists(".local/share/applications/glimmerdrome.desktop"));
}
