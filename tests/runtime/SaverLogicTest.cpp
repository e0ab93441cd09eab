// The screensaver's decisions without a display: the order of its movies, how long each one
// shows, its settings and the end user's, its options, and what it finds in its package.

#include "../platform/TempDir.h"
#include "FilePacker.h"
#include "Playlist.h"
#include "RuntimeArchive.h"
#include "SaverCommandLine.h"
#include "SaverPackage.h"
#include "SaverSettings.h"
#include "SwfGen.h"
#include "cFilePacker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and puts the old value back.
class TEnvironment {
public:
    TEnvironment(const char* name, const std::string& value) : name(name) {
        if (const char* old = std::getenv(name)) previous = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~TEnvironment() {
        if (previous)
            ::setenv(name, previous->c_str(), 1);
        else
            ::unsetenv(name);
    }

private:
    const char* name;
    std::optional<std::string> previous;
};

class SaverFolder : public testing::Test {
protected:
    fs::path root;
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("gld-saver-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }
};

} // namespace

TEST(SaverPlaylist, InOrderGoesRoundTheProjectOrder) {
    TPlaylist list(3, false);
    std::vector<int> shown;
    for (int i = 0; i < 7; ++i)
        shown.push_back(list.Next());
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
    TPlaylist single(1, true);
    EXPECT_EQ(single.Next(), 0);
    EXPECT_EQ(single.Next(), 0);
}

TEST(SaverPlaylist, AtRandomEveryRoundShowsEveryMovieOnceAndNoneTwiceInARow) {
    std::set<std::vector<int>> first_rounds;
    for (uint64_t seed = 0; seed < 300; ++seed) {
        for (int count : {2, 3, 5}) {
            TPlaylist list(count, true, seed);
            int previous = -1;
            for (int round = 0; round < 6; ++round) {
                std::vector<int> order;
                for (int i = 0; i < count; ++i) {
                    const int next = list.Next();
                    ASSERT_NE(next, previous) << "seed " << seed << " count " << count;
                    order.push_back(next);
                    previous = next;
                }
                if (count == 5 && round == 0) first_rounds.insert(order);
                std::sort(order.begin(), order.end());
                for (int i = 0; i < count; ++i)
                    ASSERT_EQ(order[static_cast<size_t>(i)], i) << "seed " << seed;
            }
        }
    }
    // The order really is shuffled: 300 seeds give many different first rounds.
    EXPECT_GT(first_rounds.size(), 100u);
}

TEST(SaverPlaylist, AMovieShowsForItsFramesOrTheInterval) {
    EXPECT_DOUBLE_EQ(ShowSeconds(0, 99, 48, 12.0), 4.0);
    EXPECT_DOUBLE_EQ(ShowSeconds(1, 7, 48, 12.0), 7.0);
    EXPECT_DOUBLE_EQ(ShowSeconds(1, 0, 48, 12.0), 1.0);
    // A movie of a single frame would vanish at once; so would a flicker of two frames.
    EXPECT_DOUBLE_EQ(ShowSeconds(0, 5, 1, 24.0), kStillShowSeconds);
    EXPECT_DOUBLE_EQ(ShowSeconds(0, 5, 30, 0.0), kStillShowSeconds);
    EXPECT_DOUBLE_EQ(ShowSeconds(0, 5, 2, 60.0), kShortestShowSeconds);
}

TEST(SaverOptions, ModesAndWindowsStyleSwitches) {
    EXPECT_EQ(ParseSaverOptions({}, nullptr).mode, TSaverMode::Run);
    EXPECT_EQ(ParseSaverOptions({"/S"}, nullptr).mode, TSaverMode::Run);
    EXPECT_EQ(ParseSaverOptions({"/c:1234"}, nullptr).mode, TSaverMode::Config);
    EXPECT_EQ(ParseSaverOptions({"/c"}, nullptr).mode, TSaverMode::Config);
    const TSaverRequest preview = ParseSaverOptions({"/p", "1234"}, nullptr);
    EXPECT_EQ(preview.mode, TSaverMode::Window);
    EXPECT_TRUE(preview.error.empty());
    EXPECT_EQ(ParseSaverOptions({"--window", "--verbose"}, nullptr).verbose, true);

    const TSaverRequest root = ParseSaverOptions({"--root"}, "0x60000C");
    EXPECT_EQ(root.mode, TSaverMode::Root);
    EXPECT_EQ(root.window, 0x60000Cu);
    EXPECT_EQ(ParseSaverOptions({"-root"}, nullptr).window, 0u); // the root window itself
    const TSaverRequest id = ParseSaverOptions({"-window-id", "4194311"}, nullptr);
    EXPECT_EQ(id.mode, TSaverMode::WindowId);
    EXPECT_EQ(id.window, 4194311u);

    EXPECT_FALSE(ParseSaverOptions({"-window-id"}, nullptr).error.empty());
    EXPECT_FALSE(ParseSaverOptions({"-window-id", "0x"}, nullptr).error.empty());
    EXPECT_FALSE(ParseSaverOptions({"-window-id", "-5"}, nullptr).error.empty());
    EXPECT_FALSE(ParseSaverOptions({"--frobnicate"}, nullptr).error.empty());
    EXPECT_FALSE(ParseSaverOptions({"--run", "--config"}, nullptr).error.empty());
    EXPECT_EQ(ParseWindowId("0x1"), 1u);
    EXPECT_EQ(ParseWindowId("0x100000000"), 0u);
}

TEST_F(SaverFolder, UserSettingsOverrideTheProjectsAndAreStoredInOneFile) {
    const TEnvironment config("XDG_CONFIG_HOME", (root / "config").string());
    const std::string path = UserSettingsPath("Sky/Night");
    EXPECT_EQ(path, (root / "config/glimmerdrome/screensavers/Sky_Night.ini").string());
    EXPECT_EQ(UserSettingsPath(".."),
              (root / "config/glimmerdrome/screensavers/Glimmerdrome...ini").string());

    TSaverSettings project;
    project.backgroundColor = 0x00FF00; // clLime
    project.interval = 9;
    // No file yet: the project's settings as they are.
    EXPECT_EQ(WithUserSettings(project, path), project);

    TSaverSettings mine = project;
    mine.backgroundColor = 0x00804020;
    mine.displayStyle = 1;
    mine.runType = 1;
    mine.switchType = 1;
    mine.interval = 42;
    mine.mute = true;
    StoreUserSettings(mine, path);
    EXPECT_EQ(WithUserSettings(project, path), mine);
    const std::string text = ReadFileBytes(path);
    EXPECT_NE(text.find("Background Color=$00804020"), std::string::npos) << text;
    EXPECT_NE(text.find("[Configuration]"), std::string::npos) << text;

    // A file the user edited by hand: unknown values fall back, missing keys keep the
    // project's, values out of range are brought in.
    WriteFileBytes(path, "[Configuration]\nInterval=0\nDisplayStyle=7\nBackground Color=clAqua\n");
    const TSaverSettings read = WithUserSettings(project, path);
    EXPECT_EQ(read.interval, 1);
    EXPECT_EQ(read.displayStyle, 0);
    EXPECT_EQ(read.backgroundColor, 0xFFFF00u);
    EXPECT_EQ(read.runType, project.runType);
}

TEST_F(SaverFolder, PackageGivesItsProjectAndMoviesAndRefusesWhatItCannotPlay) {
    const TEnvironment config("XDG_CONFIG_HOME", (root / "config").string());
    TSwfParams params;
    params.frames = 30;
    params.frame_rate = 15;
    params.width = 320;
    params.height = 200;
    params.compression = TSwfCompression::Zlib;
    WriteSwf((root / "a.swf").string(), params);
    fs::create_directories(root / "other");
    params.frames = 1;
    WriteSwf((root / "other/b.swf").string(), params);
    WriteFileBytes(root / "notes.swf", "These are notes.");
    WriteFileBytes(root / "icon.ico", std::string("\0\0\1\0", 4) + "icon bytes");

    auto project_text = [&](const std::vector<std::string>& files, bool modify) {
        std::string text =
            "[General Information]\r\nProjectName=Sky\r\nVersion=2.5\r\nAuthor=Ann\r\n"
            "Icon=" +
            (root / "icon.ico").string() + "\r\n[Files]\r\n";
        for (size_t i = 0; i < files.size(); ++i)
            text += std::to_string(i) + "=" + files[i] + "\r\n";
        text += "[Configuration]\r\nBackground Color=clRed\r\nDisplayStyle=1\r\nEnableUserModify=" +
                std::string(modify ? "1" : "0") + "\r\n";
        return text;
    };
    auto build = [&](const std::vector<fs::path>& packed, const std::string& project) {
        WriteFileBytes(root / "show.gldp", project);
        fs::remove(root / "pack.tmp");
        {
            TFilePacker packer;
            packer.Open((root / "pack.tmp").string());
            std::vector<std::string> names;
            for (const auto& file : packed)
                names.push_back(file.string());
            packer.AddFiles(names);
        }
        WriteFileBytes(root / "stub", "stub");
        TFilePackerExt::Merge((root / "stub").string(), (root / "pack.tmp").string(),
                              (root / "Sky.scr").string());
        return TRuntimeArchive::Open((root / "Sky.scr").string());
    };

    // The project names a movie twice and one by another folder of the building machine.
    {
        auto archive = build(
            {root / "a.swf", root / "other/b.swf", root / "a.swf", root / "icon.ico",
             root / "show.gldp"},
            project_text({(root / "a.swf").string(), "C:\\Films\\B.SWF", (root / "a.swf").string()},
                         true));
        TSaverPackage package = ReadSaverPackage(*archive);
        EXPECT_EQ(package.projectName, "Sky");
        EXPECT_EQ(package.version, "2.5");
        EXPECT_EQ(package.author, "Ann");
        EXPECT_EQ(ReadFileBytes(root / "icon.ico"),
                  std::string(package.icon.begin(), package.icon.end()));
        EXPECT_EQ(package.settings.backgroundColor, 0x0000FFu);
        EXPECT_EQ(package.settings.displayStyle, 1);
        ASSERT_EQ(package.movies.size(), 3u);
        EXPECT_EQ(package.movies[0].entry, 0u);
        EXPECT_EQ(package.movies[1].entry, 1u);
        EXPECT_EQ(package.movies[2].entry, 2u);
        ReadSaverMovies(*archive, package);
        EXPECT_EQ(package.movies[0].facts.frames, 30);
        EXPECT_EQ(package.movies[0].facts.width, 320);
        EXPECT_DOUBLE_EQ(package.movies[0].facts.rate, 15.0);
        EXPECT_EQ(package.movies[1].facts.frames, 1);

        // The end user's choices count only where the project allows them.
        TSaverSettings mine = package.settings;
        mine.mute = true;
        StoreUserSettings(mine, UserSettingsPath("Sky"));
        EXPECT_TRUE(SettingsToPlay(package).mute);
        package.enableUserModify = false;
        EXPECT_FALSE(SettingsToPlay(package).mute);
    }
    // A listed movie that did not make it into the archive.
    {
        auto archive =
            build({root / "a.swf", root / "show.gldp"},
                  project_text({(root / "a.swf").string(), (root / "gone.swf").string()}, true));
        try {
            ReadSaverPackage(*archive);
            ADD_FAILURE() << "a missing movie was not noticed";
        } catch (const ESaverPackage& e) {
            EXPECT_NE(std::string(e.what()).find("\"gone.swf\" is missing"), std::string::npos)
                << e.what();
        }
    }
    // An entry that is no movie: found when the movies are read.
    {
        auto archive = build({root / "notes.swf", root / "show.gldp"},
                             project_text({(root / "notes.swf").string()}, true));
        TSaverPackage package = ReadSaverPackage(*archive);
        try {
            ReadSaverMovies(*archive, package);
            ADD_FAILURE() << "a file that is no movie was not noticed";
        } catch (const ESaverPackage& e) {
            EXPECT_NE(
                std::string(e.what()).find("\"notes.swf\" in this screensaver is no Flash movie"),
                std::string::npos)
                << e.what();
        }
    }
    // No project file, and a project without movies.
    {
        auto archive = build({root / "a.swf"}, "");
        EXPECT_THROW(ReadSaverPackage(*archive), ESaverPackage);
        auto empty = build({root / "show.gldp"}, project_text({}, true));
        EXPECT_THROW(ReadSaverPackage(*empty), ESaverPackage);
    }
}
