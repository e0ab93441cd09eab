#include "IniFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

#include "FileWriter.h"
#include "SecondUser.h"
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

TEST(IniFile, AFileThatCannotBeReadRaisesAndIsNeverReplaced) {
    TTempDir dir;
    // A loop of links is a file that is there but cannot be opened, for root as well.
    fs::create_symlink(dir / "b.ini", dir / "a.ini");
    fs::create_symlink(dir / "a.ini", dir / "b.ini");
    TIniFile loop(dir / "a.ini");
    try {
        loop.ReadString("S", "K", "default");
        FAIL() << "an unreadable file read as an empty one";
    } catch (const EIniReadError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Unable to read " + dir / "a.ini" + ": ", 0), 0u)
            << e.what();
    }
    EXPECT_THROW(loop.WriteString("S", "K", "V"), EIniReadError);
    EXPECT_THROW(loop.ReplaceSection("S", {{"0", "x"}}), EIniReadError);
    EXPECT_TRUE(fs::is_symlink(dir / "a.ini"));
    EXPECT_EQ(CountEntries(dir.Path()), 2u);

    // A file the user may write but not read: replacing it would keep one key of it.
    fs::create_directory(dir / "shared");
    fs::permissions(dir / "shared", fs::perms::all);
    const std::string content = "[S]\r\nA=1\r\nB=2\r\n";
    WriteFileBytes(dir / "shared/p.ini", content);
    fs::permissions(dir / "shared/p.ini",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);
    {
        TActAsSecondUser other;
        TIniFile ini(dir / "shared/p.ini");
        EXPECT_THROW(ini.ReadString("S", "A", ""), EIniReadError);
        EXPECT_THROW(ini.WriteString("S", "C", "3"), EIniReadError);
        EXPECT_THROW(ini.WriteStrings("S", {{"C", "3"}}), EIniReadError);
        EXPECT_THROW(ini.EraseSection("S"), EIniReadError);
    }
    EXPECT_EQ(ReadFileBytes(dir / "shared/p.ini"), content);
    EXPECT_EQ(CountEntries(dir / "shared"), 1u);

    // What is missing still reads as empty.
    EXPECT_EQ(TIniFile(dir / "no/such/file.ini").ReadString("S", "K", "d"), "d");
    EXPECT_EQ(TIniFile(dir / "shared/p.ini/below").ReadString("S", "K", "d"), "d");
}

TEST(IniFile, APipeAtThePathReadsAsEmptyWithoutWaitingAndIsNotReplaced) {
    TTempDir dir;
    ASSERT_EQ(mkfifo((dir / "pipe.ini").c_str(), 0600), 0);
    TIniFile ini(dir / "pipe.ini");
    EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
    EXPECT_THROW(ini.WriteString("S", "K", "V"), EIniWriteError);
    EXPECT_TRUE(fs::is_fifo(dir / "pipe.ini"));
    EXPECT_EQ(CountEntries(dir.Path()), 1u);
}

TEST(IniFile, ADiskThatFillsUpAtAnyByteLeavesTheOldFileWhole) {
    TTempDir dir;
    const std::string path = dir / "p.ini";
    const std::string original = "[S]\r\nK=old\r\n[T]\r\nX=1\r\n";
    const std::string changed = "[S]\r\nK=new value\r\n[T]\r\nX=1\r\n";
    WriteFileBytes(path, original);
    for (uint64_t budget = 0; budget < changed.size(); ++budget) {
        TFailingFileWriter full(budget);
        TFileWriterScope scope(full);
        EXPECT_THROW(TIniFile(path).WriteString("S", "K", "new value"), EIniWriteError) << budget;
        EXPECT_EQ(full.Written(), budget);
        ASSERT_EQ(ReadFileBytes(path), original) << "torn by a disk full after " << budget;
        ASSERT_EQ(CountEntries(dir.Path()), 1u) << "a temporary file was left behind";
    }
    TFailingFileWriter roomy(changed.size());
    TFileWriterScope scope(roomy);
    TIniFile(path).WriteString("S", "K", "new value");
    EXPECT_EQ(ReadFileBytes(path), changed);
    EXPECT_EQ(roomy.Refusals(), 0);

    // A writer aimed at one file lets the others through.
    TFailingFileWriter only_other(0, EIO, "other.ini");
    TFileWriterScope aimed(only_other);
    TIniFile(path).WriteString("S", "K", "again");
    EXPECT_THROW(TIniFile(dir / "other.ini").WriteString("S", "K", "x"), EIniWriteError);
    EXPECT_FALSE(fs::exists(dir / "other.ini"));
}

TEST(IniDocument, ManyKeysReadBackFromOneParse) {
    // The shape of a large project: thousands of numbered keys in one section among others.
    std::string content = "[General]\r\nName=x\r\n[Files]\r\n";
    for (int i = 0; i < 20000; ++i)
        content += std::to_string(i) + "=C:\\Movies\\m" + std::to_string(i) + ".swf\r\n";
    content += "[files]\r\n5=shadowed\r\n[Configuration]\r\nMute=1\r\n";
    TIniDocument document(content);
    for (int i = 0; i < 20000; ++i)
        ASSERT_EQ(document.ReadString("FILES", std::to_string(i), ""),
                  "C:\\Movies\\m" + std::to_string(i) + ".swf");
    EXPECT_EQ(document.ReadString("Files", "20000", "end"), "end");
    EXPECT_EQ(document.ReadSection("Files").size(), 20000u);
    EXPECT_EQ(document.Content(), content);

    // Edits keep the lookups right: a key added in front of others moves their lines.
    document.WriteString("General", "Version", "2");
    document.WriteString("Configuration", "Mute", "0");
    EXPECT_TRUE(document.DeleteKey("files", "3"));
    EXPECT_EQ(document.ReadString("Files", "4", ""), "C:\\Movies\\m4.swf");
    EXPECT_EQ(document.ReadString("Files", "3", "gone"), "gone");
    EXPECT_EQ(document.ReadString("General", "Version", ""), "2");
    EXPECT_EQ(document.ReadString("Configuration", "Mute", ""), "0");
    EXPECT_TRUE(document.ReplaceSection("Files", {{"0", "only.swf"}}));
    EXPECT_EQ(document.ReadSections(),
              (std::vector<std::string>{"General", "Configuration", "Files"}));
    EXPECT_EQ(document.ReadString("files", "0", ""), "only.swf");
}
