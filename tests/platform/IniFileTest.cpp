#include "IniFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

#include "TempDir.h"

namespace fs = std::filesystem;

TEST(IniFile, MissingFileReadsDefaultsAndIsNotCreated) {
    TTempDir dir;
    TIniFile ini(dir / "none.ini");
    EXPECT_EQ(ini.ReadString("S", "K", "fallback"), "fallback");
    EXPECT_FALSE(ini.SectionExists("S"));
    EXPECT_TRUE(ini.ReadSection("S").empty());
    ini.EraseSection("S");
    ini.DeleteKey("S", "K");
    EXPECT_FALSE(fs::exists(dir / "none.ini"));
}

TEST(IniFile, WritesCrLfReplacesInPlaceAndAppendsKeysAndSections) {
    TTempDir dir;
    TIniFile ini(dir / "a.ini");
    ini.WriteString("One", "a", "1");
    ini.WriteString("Two", "x", "");
    ini.WriteString("One", "b", "2");
    ini.WriteString("One", "A", "changed");
    EXPECT_EQ(ReadFileBytes(dir / "a.ini"), "[One]\r\nA=changed\r\nb=2\r\n[Two]\r\nx=\r\n");
    EXPECT_EQ(ini.ReadString("one", "a", "?"), "changed");
    EXPECT_EQ(ini.ReadString("TWO", "X", "?"), "");
    EXPECT_TRUE(ini.ValueExists("two", "x"));
    EXPECT_EQ(ini.ReadSection("one"), (std::vector<std::string>{"A", "b"}));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"One", "Two"}));

    ini.WriteStrings("two", {{"y", "2"}, {"X", "1"}});
    ini.WriteStrings("Three", {{"z", "3"}});
    EXPECT_EQ(ReadFileBytes(dir / "a.ini"),
              "[One]\r\nA=changed\r\nb=2\r\n[Two]\r\nX=1\r\ny=2\r\n[Three]\r\nz=3\r\n");
}

TEST(IniFile, ToleratesForeignLayoutAndKeepsWhatItDoesNotOwn) {
    TTempDir dir;
    // LF endings, blanks, comments, a key above every section, a line without "=", a
    // duplicated section and bytes that are not UTF-8.
    std::string original = "orphan=1\n"
                           "; a comment\n"
                           "  [ Main ]  \n"
                           "  Name  =  spaced value  \n"
                           "junk line\n"
                           "Path=C:\\M\xE9morial\\a.swf\n"
                           "\n"
                           "[Main]\n"
                           "Name=second\n"
                           "Extra=only here\n";
    WriteFileBytes(dir / "f.ini", original);
    TIniFile ini(dir / "f.ini");
    EXPECT_EQ(ini.ReadString("main", "name", ""), "spaced value");
    EXPECT_EQ(ini.ReadString("Main", "Path", ""), "C:\\M\xE9morial\\a.swf");
    // The first occurrence of a section answers; the second is not merged into it.
    EXPECT_EQ(ini.ReadString("Main", "Extra", "none"), "none");
    EXPECT_EQ(ini.ReadString("", "orphan", "none"), "none");
    EXPECT_EQ(ini.ReadString("Main", "; a comment", "none"), "none");

    ini.WriteString("Main", "Path", "D:\\b.swf");
    EXPECT_EQ(ReadFileBytes(dir / "f.ini"), "orphan=1\r\n"
                                            "; a comment\r\n"
                                            "  [ Main ]  \r\n"
                                            "  Name  =  spaced value  \r\n"
                                            "junk line\r\n"
                                            "Path=D:\\b.swf\r\n"
                                            "\r\n"
                                            "[Main]\r\n"
                                            "Name=second\r\n"
                                            "Extra=only here\r\n");

    // A new key goes after the last key of the first occurrence, before its blank line.
    ini.WriteString("Main", "New", "n");
    EXPECT_NE(ReadFileBytes(dir / "f.ini").find("Path=D:\\b.swf\r\nNew=n\r\n\r\n[Main]"),
              std::string::npos);

    // Erasing removes every occurrence, so nothing of the section can be read afterwards.
    ini.EraseSection("MAIN");
    EXPECT_FALSE(ini.SectionExists("Main"));
    EXPECT_EQ(ReadFileBytes(dir / "f.ini"), "orphan=1\r\n; a comment\r\n");
}

TEST(IniFile, ByteOrderMarkDoesNotHideTheFirstSection) {
    TTempDir dir;
    WriteFileBytes(dir / "bom.ini", "\xEF\xBB\xBF[General Information]\r\nProjectName=Marked\r\n");
    TIniFile ini(dir / "bom.ini");
    EXPECT_EQ(ini.ReadString("General Information", "ProjectName", ""), "Marked");
    ini.WriteString("General Information", "Version", "2");
    EXPECT_EQ(ReadFileBytes(dir / "bom.ini"),
              "\xEF\xBB\xBF[General Information]\r\nProjectName=Marked\r\nVersion=2\r\n");
}

TEST(IniFile, LineBreaksInAValueCannotInjectKeys) {
    TTempDir dir;
    TIniFile ini(dir / "i.ini");
    ini.WriteString("S", "Name", "evil\r\n[Other]\nKey=1");
    EXPECT_FALSE(ini.SectionExists("Other"));
    EXPECT_EQ(ini.ReadString("S", "Name", ""), "evil  [Other] Key=1");
    EXPECT_THROW(ini.WriteString("S", "a=b", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S]", "a", "1"), std::invalid_argument);
}

TEST(IniFile, RefusedWriteRaisesUnableToWrite) {
    TTempDir dir;
    WriteFileBytes(dir / "plain", "x");
    // The folder of this file is a regular file: no one, root included, can create it.
    std::string path = dir / "plain/project.gldp";
    TIniFile ini(path);
    try {
        ini.WriteString("S", "K", "V");
        FAIL() << "the write was reported as done";
    } catch (const EIniWriteError& e) {
        EXPECT_STREQ(e.what(), ("Unable to write to " + path).c_str());
    }
    // A folder standing where the file should be cannot be replaced either.
    fs::create_directory(dir / "isdir.ini");
    TIniFile over_folder(dir / "isdir.ini");
    EXPECT_THROW(over_folder.WriteString("S", "K", "V"), EIniWriteError);
    EXPECT_TRUE(fs::is_directory(dir / "isdir.ini"));
    EXPECT_EQ(CountEntries(dir.Path()), 2u);
}

TEST(IniFile, ReadOnlyFileIsNotReplaced) {
    TTempDir dir;
    std::string path = dir / "locked.gldp";
    WriteFileBytes(path, "[S]\r\nK=old\r\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    TIniFile ini(path);
    EXPECT_THROW(ini.WriteString("S", "K", "new"), EIniWriteError);
    EXPECT_THROW(ini.EraseSection("S"), EIniWriteError);
    EXPECT_EQ(ini.ReadString("S", "K", ""), "old");
    EXPECT_EQ(CountEntries(dir.Path()), 1u);
}

TEST(IniFile, FailedWriteLeavesTheOldFileWhole) {
    TTempDir dir;
    std::string path = dir / "p.ini";
    std::string original = "[S]\r\nK=old\r\n";
    WriteFileBytes(path, original);

    // A file-size limit makes the write of the new content fail part-way, as a full disk would.
    bool raised = false;
    {
        TFileSizeLimit limit(64);
        try {
            TIniFile(path).WriteString("S", "K", std::string(1000, 'n'));
        } catch (const EIniWriteError&) {
            raised = true;
        }
    }
    EXPECT_TRUE(raised);
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(CountEntries(dir.Path()), 1u) << "the half-written temporary file was left behind";
}

TEST(IniFile, NameAtTheSystemsLimitCanBeWritten) {
    TTempDir dir;
    std::string path = dir / (std::string(250, 'n') + ".gldp");
    TIniFile ini(path);
    ini.WriteString("S", "K", "1");
    EXPECT_EQ(ReadFileBytes(path), "[S]\r\nK=1\r\n");
    EXPECT_EQ(CountEntries(dir.Path()), 1u);
}

TEST(IniFile, KeepsPermissionsAndWritesThroughLinks) {
    TTempDir dir;
    std::string path = dir / "m.ini";
    WriteFileBytes(path, "[S]\r\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(path, dir / "link.ini");

    TIniFile(dir / "link.ini").WriteString("S", "K", "1");
    EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
    EXPECT_EQ(ReadFileBytes(path), "[S]\r\nK=1\r\n");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(IniFile, ConcurrentWritersLoseNoKeys) {
    TTempDir dir;
    std::string path = dir / "shared.ini";
    const int per_process = 40;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    TIniFile ini(path);
    const char* who = child == 0 ? "child" : "parent";
    for (int i = 0; i < per_process; ++i)
        ini.WriteString("S", std::string(who) + std::to_string(i), "v");
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(ini.ReadSection("S").size(), 2u * per_process);
}

TEST(IniFile, AnyContentSurvivesAWriteOfOneKey) {
    // Files of arbitrary lines built from the characters that matter to the format: after
    // writing one key, that key reads back and every other key reads as before.
    TTempDir dir;
    std::string path = dir / "r.ini";
    const char alphabet[] = "[]=; \t\r\nSKsk\xE9";
    std::mt19937 random(20261209);
    for (int round = 0; round < 150; ++round) {
        std::string content;
        size_t length = random() % 120;
        for (size_t i = 0; i < length; ++i)
            content += alphabet[random() % (sizeof alphabet - 1)];
        WriteFileBytes(path, content);
        TIniFile ini(path);

        std::vector<std::tuple<std::string, std::string, std::string>> before;
        for (const std::string& section : ini.ReadSections())
            for (const std::string& key : ini.ReadSection(section))
                before.emplace_back(section, key, ini.ReadString(section, key, "?"));

        std::string section = random() % 2 ? "S" : "s K";
        ini.WriteString(section, "K", "value " + std::to_string(round));
        ASSERT_EQ(ini.ReadString(section, "k", "?"), "value " + std::to_string(round)) << content;
        auto lower = [](std::string t) {
            for (char& c : t)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return t;
        };
        for (const auto& [s, k, v] : before) {
            if (lower(s) == lower(section) && lower(k) == "k") continue;
            ASSERT_EQ(ini.ReadString(s, k, "?"), v) << "content: " << content;
        }
    }
}
