#include "Utils.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <locale>
#include <pwd.h>
#include <regex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "../platform/TempDir.h"
#include "FileErrors.h"
#include "FileWriter.h"

namespace fs = std::filesystem;

namespace {

// Pins the C++ global locale for one test and restores it afterwards.
class TLocaleScope {
public:
    explicit TLocaleScope(const std::locale& locale) : saved(std::locale::global(locale)) {}
    ~TLocaleScope() { std::locale::global(saved); }

private:
    std::locale saved;
};

struct TDotGrouping : std::numpunct<char> {
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

} // namespace

TEST(Utils, SizeToKBTextDropsTheFractionAndGroupsThousands) {
    TLocaleScope scope(std::locale::classic());
    EXPECT_EQ(SizeToKBText(0), "0KB");
    EXPECT_EQ(SizeToKBText(1023), "0KB");
    EXPECT_EQ(SizeToKBText(1024), "1KB");
    EXPECT_EQ(SizeToKBText(1536), "1KB");
    EXPECT_EQ(SizeToKBText(1048576), "1,024KB");
    EXPECT_EQ(SizeToKBText(5000000), "4,882KB");
    EXPECT_EQ(SizeToKBText(1024 * 999), "999KB");
    EXPECT_EQ(SizeToKBText(INT32_MAX), "2,097,151KB");
    EXPECT_EQ(SizeToKBText(-5000), "0KB");
}

TEST(Utils, SizeToKBTextUsesTheLocalesSeparator) {
    TLocaleScope scope(std::locale(std::locale::classic(), new TDotGrouping));
    EXPECT_EQ(SizeToKBText(5000000), "4.882KB");
}

TEST(Utils, NameWithoutExtensionAndRightChars) {
    EXPECT_EQ(NameWithoutExtension("C:\\Work\\demo.gldp"), "demo");
    EXPECT_EQ(NameWithoutExtension("C:\\Work\\demo"), "demo");
    EXPECT_EQ(NameWithoutExtension("C:\\Work\\my.project.gldp"), "my.project");
    EXPECT_EQ(NameWithoutExtension("/home/a.b/demo"), "demo");
    EXPECT_EQ(RightChars("abcdef", 3), "def");
    EXPECT_EQ(RightChars("ab", 3), "ab");
    EXPECT_EQ(RightChars("ab", 0), "");
    EXPECT_EQ(RightChars("x\xC3\xA9t\xC3\xA9", 2), "t\xC3\xA9"); // never half a character
}

TEST(Utils, RandomBelowStaysInRangeAndVaries) {
    std::set<int> seen;
    for (int i = 0; i < 5000; ++i) {
        int r = RandomBelow(1000);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 1000);
        seen.insert(r);
    }
    EXPECT_GT(seen.size(), 900u);
    EXPECT_EQ(RandomBelow(1), 0);
    EXPECT_EQ(RandomBelow(0), 0);
}

TEST(Utils, FileDisplayNameByKindOfPath) {
    TTempDir dir;
    fs::create_directories(dir / "Movies");
    WriteFileBytes(dir / "Movies/intro.swf", "FWS");
    WriteFileBytes(dir / "Movies/Saver.scr", "MZ");
    WriteFileBytes(dir / "Movies/LOUD.SCR", "MZ");
    EXPECT_EQ(FileDisplayName(dir / "Movies/missing.swf"), "NOT FOUND!");
    EXPECT_EQ(FileDisplayName(dir / "Movies/intro.swf"), "intro.swf");
    EXPECT_EQ(FileDisplayName(dir / "Movies"), dir / "Movies");

    // Without a describer a screensaver shows its display name.
    EXPECT_EQ(FileDisplayName(dir / "Movies/Saver.scr"), "Saver.scr");
    InstallScreensaverDescriber(
        [](const std::string&) { return std::optional<std::string>("Aurora Dreams"); });
    EXPECT_EQ(FileDisplayName(dir / "Movies/Saver.scr"), "Aurora Dreams");
    // Only a lower-case ".scr" is asked for its description.
    EXPECT_EQ(FileDisplayName(dir / "Movies/LOUD.SCR"), "LOUD.SCR");
    InstallScreensaverDescriber(
        [](const std::string&) { return std::optional<std::string>(std::string(400, 'd')); });
    EXPECT_EQ(FileDisplayName(dir / "Movies/Saver.scr").size(), 255u);
    InstallScreensaverDescriber(nullptr);
}

TEST(Utils, FileSizeAndDate) {
    TTempDir dir;
    WriteFileBytes(dir / "f.bin", std::string(1234, 'x'));
    EXPECT_EQ(FileSizeOf(dir / "f.bin"), 1234);
    EXPECT_EQ(FileSizeOf(dir / "none"), -1);
    EXPECT_EQ(FileSizeOf(dir.Path()), -1);
    struct utimbuf times {
        1102520710, 1102520710
    };
    ASSERT_EQ(utime((dir / "f.bin").c_str(), &times), 0);
    EXPECT_EQ(FileDateOf(dir / "f.bin"), 1102520710);
    EXPECT_EQ(FileDateOf(dir / "none"), static_cast<std::time_t>(-1));
}

TEST(Utils, LogonUserNameComesFromTheUserDatabase) {
    const passwd* pw = getpwuid(getuid());
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(LogonUserName(), pw->pw_name);
}

TEST(Utils, AppendLogWritesEntriesEachFollowedByAnEmptyLine) {
    TLocaleScope scope(std::locale::classic());
    TTempDir dir;
    std::string log = dir / "demo.log";
    AppendLog(log, "Generate Installer Failed");
    std::string one = ReadFileBytes(log);
    std::regex entry(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d:Generate Installer Failed\r\n\r\n)");
    EXPECT_TRUE(std::regex_match(one, entry)) << one;
    AppendLog(log, "second");
    std::string two = ReadFileBytes(log);
    EXPECT_EQ(two.substr(0, one.size()), one);
    EXPECT_TRUE(std::regex_match(two.substr(one.size()), std::regex(R"(.{19}:second\r\n\r\n)")));

    WriteFileBytes(dir / "plain", "");
    EXPECT_THROW(AppendLog(dir / "plain/x.log", "lost"), EFCreateError);
}

TEST(Utils, BackupFileCopiesBesideTheProject) {
    TTempDir dir;
    WriteFileBytes(dir / "demo.gldp", "v1");
    BackupFile(dir / "demo.gldp");
    EXPECT_EQ(ReadFileBytes(dir / "demo.bak"), "v1");
    WriteFileBytes(dir / "demo.gldp", "v2");
    BackupFile(dir / "demo.gldp", "");
    EXPECT_EQ(ReadFileBytes(dir / "demo.bak"), "v2");
    BackupFile(dir / "demo.gldp", "named.old");
    EXPECT_EQ(ReadFileBytes(dir / "named.old"), "v2");

    // A missing project changes nothing; a ".bak" project is not copied onto itself.
    BackupFile(dir / "gone.gldp");
    EXPECT_FALSE(fs::exists(dir / "gone.bak"));
    BackupFile(dir / "demo.bak");
    EXPECT_EQ(ReadFileBytes(dir / "demo.bak"), "v2");
    EXPECT_EQ(CountEntries(dir.Path()), 3u);
}

TEST(Utils, BackupKeepsTheProjectsModeAndAFailedCopyKeepsTheOldBackup) {
    TTempDir dir;
    const std::string project = dir / "private.gldp";
    WriteFileBytes(project, "v1");
    auto mode_of = [](const std::string& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
    };
    fs::permissions(project, fs::perms::owner_read | fs::perms::owner_write);
    BackupFile(project);
    EXPECT_EQ(ReadFileBytes(dir / "private.bak"), "v1");
    EXPECT_EQ(mode_of(dir / "private.bak"), 0600u);
    fs::permissions(project,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    BackupFile(project);
    EXPECT_EQ(mode_of(dir / "private.bak"), 0640u);

    WriteFileBytes(project, "v2");
    {
        TFailingFileWriter full(1);
        TFileWriterScope scope(full);
        BackupFile(project);
    }
    EXPECT_EQ(ReadFileBytes(dir / "private.bak"), "v1");
    EXPECT_EQ(CountEntries(dir.Path()), 2u);
}

TEST(Utils, StandardBoxesGoThroughTheInstalledHandler) {
    TScriptedMessageBoxes boxes;
    TMessageBoxesScope scope(boxes);
    boxes.Answer(TMsgAnswer::No);
    boxes.Answer(TMsgAnswer::Yes);
    boxes.Answer(TMsgAnswer::Cancel);
    EXPECT_FALSE(Confirm("Drop it?"));
    EXPECT_TRUE(Confirm("Really?"));
    EXPECT_EQ(ConfirmOrCancel("Save changes?"), TMsgAnswer::Cancel);
    Warn("Careful");
    Inform("Done");
    ASSERT_EQ(boxes.shown.size(), 5u);
    EXPECT_EQ(boxes.shown[0].caption, "Confirm");
    EXPECT_EQ(boxes.shown[0].buttons, TMsgButtons::YesNo);
    EXPECT_EQ(boxes.shown[0].icon, TMsgIcon::Question);
    EXPECT_EQ(boxes.shown[2].buttons, TMsgButtons::YesNoCancel);
    EXPECT_EQ(boxes.shown[2].text, "Save changes?");
    EXPECT_EQ(boxes.shown[3].caption, "Warning");
    EXPECT_EQ(boxes.shown[3].icon, TMsgIcon::Warning);
    EXPECT_EQ(boxes.shown[4].caption, "Information");
    EXPECT_EQ(boxes.shown[4].buttons, TMsgButtons::Ok);
}
