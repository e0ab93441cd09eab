#include "cScl.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "../platform/TempDir.h"
#include "FileWriter.h"
#include "SecondUser.h"
#include "SmallDisk.h"
#include "Utils.h"

namespace fs = std::filesystem;

namespace {

const char* const ExampleProject =
    "[General Information]\r\n"
    "ProjectName=Glimmerdrome\r\n"
    "Version=1.00\r\n"
    "Author=Owner\r\n"
    "Email=\r\n"
    "Homepage=\r\n"
    "Icon=C:\\Program Files\\Glimmerdrome\\defaultProjectIcon.ico\r\n"
    "[Installer]\r\n"
    "Install Mode=0\r\n"
    "Readme File=\r\n"
    "License File=\r\n"
    "[Files]\r\n"
    "0=C:\\Movies\\intro.swf\r\n"
    "1=C:\\Movies\\loop.swf\r\n"
    "[Configuration]\r\n"
    "Interval=50\r\n"
    "RunType=0\r\n"
    "DisplayStyle=0\r\n"
    "Background Color=clBlack\r\n"
    "SwitchType=0\r\n"
    "EnableUserModify=1\r\n"
    "Mute=0\r\n";

// The main window's values for a new project.
void FillNewProject(TSCL& scl) {
    scl.ProjectName = "Glimmerdrome";
    scl.Version = "1.00";
    scl.Author = "Owner";
    scl.Email = "";
    scl.Homepage = "";
    scl.Icon = "C:\\Program Files\\Glimmerdrome\\defaultProjectIcon.ico";
    scl.InstallMode = 0;
    scl.ReadmeFile = "";
    scl.LicenseFile = "";
    scl.Files = {"C:\\Movies\\intro.swf", "C:\\Movies\\loop.swf"};
    scl.Interval = 50;
    scl.DisplayStyle = 0;
    scl.RunType = 0;
    scl.BackgroundColor = "clBlack";
    scl.SwitchType = 0;
    scl.EnableUserModify = true;
    scl.Mute = false;
}

} // namespace

TEST(ProjectDocument, NewProjectFileMatchesTheFormatByteForByte) {
    TTempDir dir;
    TSCL scl;
    scl.Load(dir / "new.gldp");
    FillNewProject(scl);
    scl.Save();
    scl.Release();
    EXPECT_EQ(ReadFileBytes(dir / "new.gldp"), ExampleProject);
}

TEST(ProjectDocument, LoadReadsEveryFieldBack) {
    TTempDir dir;
    std::string text = ExampleProject;
    text.replace(text.find("Install Mode=0"), 14, "Install Mode=1");
    text.replace(text.find("RunType=0"), 9, "RunType=1");
    text.replace(text.find("Mute=0"), 6, "Mute=1");
    text.replace(text.find("Readme File="), 12, "Readme File=C:\\r.txt");
    WriteFileBytes(dir / "p.gldp", text);
    TSCL scl;
    scl.Load(dir / "p.gldp");
    EXPECT_EQ(scl.FileName, dir / "p.gldp");
    EXPECT_EQ(scl.Author, "Owner");
    EXPECT_EQ(scl.Icon, "C:\\Program Files\\Glimmerdrome\\defaultProjectIcon.ico");
    EXPECT_EQ(scl.InstallMode, 1);
    EXPECT_EQ(scl.ReadmeFile, "C:\\r.txt");
    EXPECT_EQ(scl.Files,
              (std::vector<std::string>{"C:\\Movies\\intro.swf", "C:\\Movies\\loop.swf"}));
    EXPECT_EQ(scl.Interval, 50);
    EXPECT_EQ(scl.RunType, 1);
    EXPECT_EQ(scl.DisplayStyle, 0);
    EXPECT_TRUE(scl.EnableUserModify);
    EXPECT_TRUE(scl.Mute);
    scl.Release();
    EXPECT_FALSE(scl.IniFile);
    EXPECT_TRUE(scl.Files.empty());
}

TEST(ProjectDocument, MissingFileGivesDefaultsAndCreatesNothing) {
    TTempDir dir;
    TSCL scl;
    scl.Load(dir / "absent.gldp");
    EXPECT_EQ(scl.ProjectName, "Glimmerdrome");
    EXPECT_EQ(scl.Version, "1.00");
    EXPECT_EQ(scl.Author, LogonUserName());
    EXPECT_EQ(scl.Email, "");
    EXPECT_EQ(scl.Icon, "");
    EXPECT_EQ(scl.InstallMode, 0);
    EXPECT_TRUE(scl.Files.empty());
    EXPECT_EQ(scl.Interval, 5);
    EXPECT_EQ(scl.DisplayStyle, 0);
    EXPECT_EQ(scl.RunType, 0);
    EXPECT_EQ(scl.BackgroundColor, "clBlack");
    EXPECT_EQ(scl.SwitchType, 0);
    EXPECT_TRUE(scl.EnableUserModify);
    EXPECT_FALSE(scl.Mute);
    scl.Release();
    EXPECT_FALSE(fs::exists(dir / "absent.gldp"));
}

TEST(ProjectDocument, ValueFormsFallBackToTheKeysDefaults) {
    TTempDir dir;
    WriteFileBytes(dir / "v.gldp",
                   "[Configuration]\r\nEnableUserModify=yes\r\nMute=2\r\nInterval=0x10\r\n"
                   "DisplayStyle=$1\r\nRunType=one\r\n");
    TSCL scl;
    scl.Load(dir / "v.gldp");
    EXPECT_TRUE(scl.EnableUserModify);
    EXPECT_TRUE(scl.Mute);
    EXPECT_EQ(scl.Interval, 16);
    EXPECT_EQ(scl.DisplayStyle, 1);
    EXPECT_EQ(scl.RunType, 0);

    WriteFileBytes(dir / "v.gldp", "[configuration]\r\ninterval=ten\r\nenableusermodify=0\r\n");
    scl.Load(dir / "v.gldp");
    EXPECT_EQ(scl.Interval, 5);
    EXPECT_FALSE(scl.EnableUserModify);
}

TEST(ProjectDocument, FilesStopAtTheFirstGap) {
    TTempDir dir;
    WriteFileBytes(dir / "g.gldp", "[Files]\r\n0=a.swf\r\n1=b.swf\r\n3=d.swf\r\n");
    TSCL scl;
    scl.Load(dir / "g.gldp");
    EXPECT_EQ(scl.Files, (std::vector<std::string>{"a.swf", "b.swf"}));
    WriteFileBytes(dir / "g.gldp", "[Files]\r\n0=a.swf\r\n1=\r\n2=c.swf\r\n");
    scl.Load(dir / "g.gldp");
    EXPECT_EQ(scl.Files, (std::vector<std::string>{"a.swf"}));
}

TEST(ProjectDocument, SavingKeepsForeignContentAndLeavesNoStaleFiles) {
    TTempDir dir;
    WriteFileBytes(dir / "k.gldp",
                   "[General Information]\r\nProjectName=Old\r\nCustom=keep me\r\n"
                   "[Files]\r\n0=1.swf\r\n1=2.swf\r\n2=3.swf\r\n3=4.swf\r\n4=5.swf\r\n"
                   "[Runtime]\r\nSpeed=3\r\n");
    TSCL scl;
    scl.Load(dir / "k.gldp");
    EXPECT_EQ(scl.Files.size(), 5u);
    scl.Files = {"x.swf", "y.swf"};
    scl.ProjectName = "New";
    scl.Save();

    TIniFile ini(dir / "k.gldp");
    EXPECT_EQ(ini.ReadSection("Files"), (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(ini.ReadString("General Information", "Custom", ""), "keep me");
    EXPECT_EQ(ini.ReadString("General Information", "ProjectName", ""), "New");
    EXPECT_EQ(ini.ReadString("Runtime", "Speed", ""), "3");
    // The rewritten list moves after the sections that stayed in place.
    EXPECT_EQ(ini.ReadSections(),
              (std::vector<std::string>{"General Information", "Runtime", "Installer", "Files",
                                        "Configuration"}));

    // An empty list removes the section altogether.
    scl.Files.clear();
    scl.Save();
    EXPECT_FALSE(ini.SectionExists("Files"));
}

TEST(ProjectDocument, SaveBeforeLoadIsRefused) {
    TSCL scl;
    EXPECT_THROW(scl.Save(), std::logic_error);
}

TEST(ProjectDocument, RefusedSaveRaisesAndLeavesThePreviousFileWhole) {
    TTempDir dir;
    WriteFileBytes(dir / "file", "");
    {
        TSCL scl;
        scl.Load(dir / "file/p.gldp");
        FillNewProject(scl);
        try {
            scl.Save();
            FAIL() << "a refused save was reported as done";
        } catch (const EIniWriteError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir / "file/p.gldp");
        }
    }

    // A disk that fills up part-way: a half-saved project would mix old and new fields, so
    // the save is all or nothing, at every point the disk may fill up.
    std::string path = dir / "full.gldp";
    const std::string previous = "[General Information]\r\nProjectName=Previous\r\n"
                                 "[Files]\r\n0=a.swf\r\n1=b.swf\r\n2=c.swf\r\n";
    WriteFileBytes(path, previous);
    for (uint64_t budget : {0, 1, 60, 120, 300, 350}) {
        TSCL scl;
        scl.Load(path);
        FillNewProject(scl);
        TFailingFileWriter full(budget);
        TFileWriterScope scope(full);
        EXPECT_THROW(scl.Save(), EIniWriteError) << budget;
        ASSERT_EQ(ReadFileBytes(path), previous) << "disk full after " << budget;
        ASSERT_EQ(CountEntries(dir.Path()), 2u);
    }
    bool raised = false;
    {
        TSCL scl;
        scl.Load(path);
        FillNewProject(scl);
        TFileSizeLimit limit(120);
        try {
            scl.Save();
        } catch (const EIniWriteError&) {
            raised = true;
        }
    }
    EXPECT_TRUE(raised);
    EXPECT_EQ(ReadFileBytes(path), previous);
}

TEST(ProjectDocument, SaveOnAFullDiskKeepsThePreviousProject) {
    TSmallDisk disk(64 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
    const std::string path = disk / "demo.gldp";
    TSCL scl;
    scl.Load(path);
    FillNewProject(scl);
    scl.Save();
    const std::string saved = ReadFileBytes(path);
    disk.Fill();

    scl.ProjectName = "Renamed";
    for (int i = 0; i < 400; ++i)
        scl.Files.push_back("/movies/" + std::to_string(i) + ".swf");
    EXPECT_THROW(scl.Save(), EIniWriteError);
    EXPECT_EQ(ReadFileBytes(path), saved);
    EXPECT_EQ(CountEntries(disk.Path()), 2u) << "a temporary file was left on the full disk";
}

TEST(ProjectDocument, ProjectThatCannotBeReadIsNeverOverwritten) {
    TTempDir dir;
    fs::create_symlink(dir / "b.gldp", dir / "a.gldp");
    fs::create_symlink(dir / "a.gldp", dir / "b.gldp");
    TSCL looped;
    try {
        looped.Load(dir / "a.gldp");
        FAIL() << "an unreadable project loaded as the defaults";
    } catch (const EIniReadError& e) {
        EXPECT_NE(std::string(e.what()).find(dir / "a.gldp"), std::string::npos);
    }

    // Readable when loaded, unreadable by the time it is saved.
    fs::create_directory(dir / "shared");
    fs::permissions(dir / "shared", fs::perms::all);
    const std::string path = dir / "shared/p.gldp";
    WriteFileBytes(path, ExampleProject);
    TSCL scl;
    scl.Load(path);
    FillNewProject(scl);
    scl.ProjectName = "Changed";
    fs::permissions(path,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);
    {
        TActAsSecondUser other;
        EXPECT_THROW(scl.Save(), EIniReadError);
        TSCL reader;
        EXPECT_THROW(reader.Load(path), EIniReadError);
    }
    EXPECT_EQ(ReadFileBytes(path), ExampleProject);
    EXPECT_EQ(CountEntries(dir / "shared"), 1u);
}
