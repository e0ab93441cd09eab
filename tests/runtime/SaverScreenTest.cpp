// Screensavers built by gldbuild and run as an end user runs them, each under a private Xvfb:
// what they draw (background, movie areas, the movie changing), how they end (a key, the mouse,
// SIGTERM, the window they drew in going away) and how they fail. The movies are solid colours
// of our own generator, so every check is a pixel's colour. Every wait goes by what the screen
// shows or what the program says, never by a fixed time.

#include "../platform/TempDir.h"
#include "SaverSettings.h"
#include "SwfGen.h"
#include "XSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const fs::path kProgramDir = GLD_PROGRAM_DIR;
// A busy machine may need this long to start the web engine and the player.
constexpr auto kFirstFrame = 120s;
constexpr auto kNextFrame = 60s;

constexpr uint32_t kRed = 0xff0000, kGreen = 0x00ff00, kBlue = 0x0000ff;
constexpr uint32_t kYellow = 0xffff00, kFuchsia = 0xff00ff, kAqua = 0x00ffff, kNavy = 0x000080;

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

bool ExitedWith(const std::optional<int>& status, int code) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

std::string Describe(const std::optional<int>& status) {
    if (!status) return "still running";
    if (WIFSIGNALED(*status)) return "killed by signal " + std::to_string(WTERMSIG(*status));
    return "exit status " + std::to_string(WEXITSTATUS(*status));
}

// The "showing N name" lines of --verbose: which movie, and when (seconds since start).
struct TShowing {
    int movie;
    double at;
};
std::vector<TShowing> Showings(const std::string& output) {
    std::vector<TShowing> found;
    static const std::regex line(R"(: ([0-9.]+) s: showing ([0-9]+) )");
    for (auto it = std::sregex_iterator(output.begin(), output.end(), line);
         it != std::sregex_iterator(); ++it)
        found.push_back({std::stoi((*it)[2]), std::stod((*it)[1])});
    return found;
}

std::vector<std::string> FilesUnder(const fs::path& folder) {
    std::vector<std::string> names;
    if (fs::exists(folder))
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            names.push_back(fs::relative(entry.path(), folder).string());
    return names;
}

struct TMovie {
    std::string name;
    uint32_t rgb;
    int width, height, frames;
    double rate = 12;
};

class SaverScreen : public testing::Test {
protected:
    fs::path root, home, config;
    std::unique_ptr<TXvfb> x;
    int screen_width = 640, screen_height = 480;

    void SetUp() override {
        root = fs::temp_directory_path() /
               ("gld-screen-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        home = root / "home";
        config = root / "config";
        for (const auto& dir : {root / "project", home, config, root / "tmp", root / "run"})
            fs::create_directories(dir);
        fs::permissions(root / "run", fs::perms::owner_all);
    }
    void TearDown() override {
        x.reset();
        if (!HasFailure()) fs::remove_all(root);
    }

    // Every case that draws starts its own server; a machine without Xvfb skips them.
    bool StartDisplay() {
        std::string why;
        x = TXvfb::Start(screen_width, screen_height, &why);
        if (!x) std::fprintf(stderr, "skipped: %s\n", why.c_str());
        return x != nullptr;
    }

    // Writes the movies and the project and builds the screensaver as the author would.
    fs::path Build(const std::string& name, const std::vector<TMovie>& movies,
                   const std::map<std::string, std::string>& configuration) {
        std::string text = "[General Information]\r\nProjectName=" + name +
                           "\r\nVersion=1.00\r\nAuthor=Tester\r\n[Files]\r\n";
        for (size_t i = 0; i < movies.size(); ++i) {
            const TMovie& m = movies[i];
            TSwfParams params;
            params.empty = true;
            params.background = m.rgb;
            params.width = m.width;
            params.height = m.height;
            params.frames = m.frames;
            params.frame_rate = m.rate;
            const fs::path path = root / "project" / m.name;
            WriteSwf(path.string(), params);
            text += std::to_string(i) + "=" + path.string() + "\r\n";
        }
        text += "[Configuration]\r\n";
        for (const auto& [key, value] : configuration)
            text += key + "=" + value + "\r\n";
        const fs::path project = root / "project" / "show.gldp";
        WriteFileBytes(project, text);
        const TRunResult build = RunToEnd(
            {(kProgramDir / "gldbuild").string(), "--quiet", project.string(), "--screensaver"},
            Environment(), (root / "build.txt").string());
        EXPECT_EQ(build.status, 0) << build.output;
        return root / "project" / (name + ".scr");
    }

    // What an end user's session offers: the test's display, its own HOME, settings and
    // runtime folders, and nothing of the test runner's windowless platform.
    std::map<std::string, std::string> Environment() const {
        return {{"DISPLAY", x ? x->Display() : ""},
                {"HOME", home.string()},
                {"XDG_CONFIG_HOME", config.string()},
                {"XDG_CACHE_HOME", ""},
                {"XDG_DATA_HOME", ""},
                {"XDG_RUNTIME_DIR", (root / "run").string()},
                {"TMPDIR", (root / "tmp").string()},
                {"QT_QPA_PLATFORM", ""},
                {"XSCREENSAVER_WINDOW", ""}};
    }

    std::unique_ptr<TProcess> Start(const fs::path& program, const std::vector<std::string>& args,
                                    std::map<std::string, std::string> extra = {}) {
        std::vector<std::string> argv = {program.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        auto env = Environment();
        for (const auto& [name, value] : extra)
            env[name] = value;
        static int serial = 0;
        return std::make_unique<TProcess>(
            argv, env, (root / ("output" + std::to_string(++serial) + ".txt")).string());
    }

    bool WaitForColour(xcb_window_t window, int px, int py, uint32_t rgb,
                       std::chrono::milliseconds timeout) {
        return WaitUntil([&] { return SameColour(x->PixelAt(window, px, py), rgb); }, timeout);
    }

    // Checks each point of the window against a colour; on a mismatch keeps the picture.
    void ExpectColours(xcb_window_t window,
                       const std::vector<std::tuple<int, int, uint32_t>>& points,
                       const std::string& what) {
        const TXImage image = x->Grab(window);
        ASSERT_GT(image.width, 0) << what;
        bool all = true;
        for (const auto& [px, py, rgb] : points) {
            const uint32_t seen = image.At(px, py);
            if (!SameColour(seen, rgb)) {
                all = false;
                ADD_FAILURE() << what << ": at " << px << "," << py << " " << ColourText(seen)
                              << " instead of " << ColourText(rgb);
            }
        }
        if (!all) {
            const fs::path picture = root / (what + ".ppm");
            image.SavePpm(picture.string());
            ADD_FAILURE() << "the picture is in " << picture;
        }
    }

    void Xdotool(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {FindProgram("xdotool")};
        argv.insert(argv.end(), args.begin(), args.end());
        RunToEnd(argv, Environment(), (root / "xdotool.txt").string());
    }
};

} // namespace

TEST_F(SaverScreen, OriginalSizeInOrderSwitchesAfterTheLastFrameAndEndsOnAKey) {
    if (!StartDisplay() || FindProgram("xdotool").empty()) GTEST_SKIP() << "needs Xvfb and xdotool";
    // Two seconds of frames each; the interval, far longer, must play no part.
    const fs::path saver =
        Build("Colours", {{"red.swf", kRed, 200, 150, 24}, {"green.swf", kGreen, 120, 90, 24}},
              {{"Background Color", "clYellow"},
               {"DisplayStyle", "0"},
               {"RunType", "0"},
               {"SwitchType", "0"},
               {"Interval", "60"}});
    auto run = Start(saver, {"--run", "--verbose"});
    const xcb_window_t screen = x->Root();
    const int cx = screen_width / 2, cy = screen_height / 2;
    ASSERT_TRUE(WaitForColour(screen, cx, cy, kRed, kFirstFrame)) << run->Output();
    // The movie at its own size in the middle, the background at the corners and around it.
    ExpectColours(screen,
                  {{2, 2, kYellow},
                   {screen_width - 3, 2, kYellow},
                   {2, screen_height - 3, kYellow},
                   {screen_width - 3, screen_height - 3, kYellow},
                   {cx - 97, cy - 72, kRed},
                   {cx + 96, cy + 71, kRed},
                   {cx - 104, cy, kYellow},
                   {cx + 104, cy, kYellow},
                   {cx, cy - 80, kYellow},
                   {cx, cy + 79, kYellow}},
                  "red at its own size");
    ASSERT_TRUE(WaitForColour(screen, cx, cy, kGreen, kNextFrame)) << run->Output();
    ExpectColours(screen,
                  {{cx - 57, cy - 42, kGreen},
                   {cx + 56, cy + 41, kGreen},
                   {cx - 64, cy, kYellow},
                   {cx + 64, cy, kYellow},
                   {cx, cy - 50, kYellow},
                   {cx, cy + 49, kYellow},
                   {2, 2, kYellow}},
                  "green at its own size");
    ASSERT_TRUE(WaitForColour(screen, cx, cy, kRed, kNextFrame)) << run->Output();

    // In project order, round after round; each movie for its two seconds of frames.
    const auto shown = Showings(run->Output());
    ASSERT_GE(shown.size(), 3u) << run->Output();
    EXPECT_EQ(shown[0].movie, 1);
    EXPECT_EQ(shown[1].movie, 2);
    EXPECT_EQ(shown[2].movie, 1);
    // The times are those of the player's reports, which reach the program with some delay of
    // their own on a loaded machine: a tenth of a second is allowed for that.
    EXPECT_GE(shown[1].at - shown[0].at, 1.9) << run->Output();
    EXPECT_LT(shown[1].at - shown[0].at, 30.0) << run->Output();

    Xdotool({"key", "space"});
    const auto status = run->Wait(20s);
    EXPECT_TRUE(ExitedWith(status, 0)) << Describe(status) << "\n" << run->Output();
}

TEST_F(SaverScreen, FullScreenAtRandomByIntervalCoversEveryMovieEachRoundAndEndsOnAMove) {
    if (!StartDisplay() || FindProgram("xdotool").empty()) GTEST_SKIP() << "needs Xvfb and xdotool";
    // Five seconds of frames each, but a switch every second: the interval rules.
    const fs::path saver = Build("Shuffle",
                                 {{"wide.swf", kRed, 400, 100, 60},
                                  {"square.swf", kGreen, 100, 100, 60},
                                  {"tall.swf", kBlue, 100, 200, 60}},
                                 {{"Background Color", "clFuchsia"},
                                  {"DisplayStyle", "1"},
                                  {"RunType", "1"},
                                  {"SwitchType", "1"},
                                  {"Interval", "1"}});
    Xdotool({"mousemove", "320", "240"});
    auto run = Start(saver, {"--verbose"}); // no option: full screen
    const xcb_window_t screen = x->Root();
    const int cx = screen_width / 2, cy = screen_height / 2;
    // Each movie scaled to the screen with its proportions kept, the rest in the background.
    ASSERT_TRUE(WaitForColour(screen, cx, cy, kRed, kFirstFrame)) << run->Output();
    ExpectColours(screen,
                  {{2, cy, kRed},
                   {screen_width - 3, cy, kRed},
                   {cx, cy - 78, kRed},
                   {cx, cy + 77, kRed},
                   {cx, cy - 84, kFuchsia},
                   {cx, cy + 84, kFuchsia},
                   {2, 2, kFuchsia},
                   {screen_width - 3, screen_height - 3, kFuchsia}},
                  "wide movie scaled to the screen");
    ASSERT_TRUE(WaitForColour(screen, cx, cy, kBlue, kNextFrame)) << run->Output();
    ExpectColours(screen,
                  {{cx, 2, kBlue},
                   {cx, screen_height - 3, kBlue},
                   {cx - 117, cy, kBlue},
                   {cx + 116, cy, kBlue},
                   {cx - 124, cy, kFuchsia},
                   {cx + 124, cy, kFuchsia},
                   {2, 2, kFuchsia}},
                  "tall movie scaled to the screen");

    ASSERT_TRUE(WaitUntil([&] { return Showings(run->Output()).size() >= 9; }, 90s))
        << run->Output();
    const auto shown = Showings(run->Output());
    for (size_t round = 0; round + 3 <= 9; round += 3) {
        std::set<int> movies;
        for (size_t i = round; i < round + 3; ++i)
            movies.insert(shown[i].movie);
        EXPECT_EQ(movies, (std::set<int>{1, 2, 3})) << "round from " << round << "\n"
                                                    << run->Output();
    }
    for (size_t i = 1; i < shown.size(); ++i) {
        EXPECT_NE(shown[i].movie, shown[i - 1].movie) << run->Output();
        // A tenth of a second is allowed for the reports' own delay, as above.
        EXPECT_GE(shown[i].at - shown[i - 1].at, 0.9) << run->Output();
    }

    Xdotool({"mousemove_relative", "--", "40", "30"});
    const auto status = run->Wait(20s);
    EXPECT_TRUE(ExitedWith(status, 0)) << Describe(status) << "\n" << run->Output();
}

TEST_F(SaverScreen, DrawsIntoAnotherProgramsWindowFollowsItsSizeAndEndsWhenToldOrWhenItGoes) {
    if (!StartDisplay()) GTEST_SKIP() << "needs Xvfb";
    const fs::path saver = Build("Embedded", {{"green.swf", kGreen, 100, 80, 600}},
                                 {{"Background Color", "clNavy"}, {"EnableUserModify", "1"}});
    // The end user chose another background; the screensaver honours it.
    TSaverSettings mine;
    mine.backgroundColor = 0xFFFF00; // clAqua, as 00BBGGRR
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    StoreUserSettings(mine, UserSettingsPath("Embedded"));
    ::unsetenv("XDG_CONFIG_HOME");

    const xcb_window_t window = x->CreateWindow(40, 30, 320, 240, 0x404040);
    auto run = Start(saver, {"-window-id", std::to_string(window)});
    ASSERT_TRUE(WaitForColour(window, 160, 120, kGreen, kFirstFrame)) << run->Output();
    ExpectColours(window,
                  {{2, 2, kAqua},
                   {317, 237, kAqua},
                   {160 - 48, 120 - 38, kGreen},
                   {160 + 47, 120 + 37, kGreen},
                   {160 - 55, 120, kAqua}},
                  "movie in the given window");
    // Nothing outside the window is touched.
    EXPECT_FALSE(SameColour(x->PixelAt(x->Root(), 20, 20), kAqua));

    x->ResizeWindow(window, 480, 360);
    EXPECT_TRUE(WaitForColour(window, 477, 357, kAqua, 30s))
        << "the window's new size is not filled";
    EXPECT_TRUE(WaitForColour(window, 240, 180, kGreen, 30s))
        << "the movie did not move to the middle";

    auto term = std::chrono::steady_clock::now();
    run->Signal(SIGTERM);
    auto status = run->Wait(10s);
    EXPECT_TRUE(ExitedWith(status, 0)) << Describe(status) << "\n" << run->Output();
    EXPECT_LT(std::chrono::steady_clock::now() - term, 5s);

    // As xscreensaver starts it: --root and the window in XSCREENSAVER_WINDOW.
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", window);
    auto hosted = Start(saver, {"--root"}, {{"XSCREENSAVER_WINDOW", hex}});
    ASSERT_TRUE(WaitForColour(window, 240, 180, kGreen, kFirstFrame)) << hosted->Output();
    // When the window goes, so does the screensaver.
    x->DestroyWindow(window);
    status = hosted->Wait(20s);
    EXPECT_TRUE(ExitedWith(status, 0)) << Describe(status) << "\n" << hosted->Output();
}

TEST_F(SaverScreen, ACopiedScreensaverPlaysWithAnEmptyHomeAndWritesNothingThere) {
    if (!StartDisplay()) GTEST_SKIP() << "needs Xvfb";
    const fs::path built =
        Build("Lonely", {{"blue.swf", kBlue, 160, 120, 48}}, {{"Background Color", "clYellow"}});
    const fs::path alone = root / "alone" / "Lonely.scr";
    fs::create_directories(alone.parent_path());
    fs::copy_file(built, alone);
    fs::remove_all(root / "project"); // nothing of the build is left to lean on

    auto run = Start(alone, {}, {{"XDG_CONFIG_HOME", ""}});
    ASSERT_TRUE(WaitForColour(x->Root(), 320, 240, kBlue, kFirstFrame)) << run->Output();
    EXPECT_TRUE(SameColour(x->PixelAt(x->Root(), 2, 2), kYellow));
    run->Signal(SIGTERM);
    const auto status = run->Wait(10s);
    EXPECT_TRUE(ExitedWith(status, 0)) << Describe(status) << "\n" << run->Output();
    // Nothing went wrong, so nothing is said: xscreensaver keeps standard error in its log.
    EXPECT_EQ(run->Output(), "");
    EXPECT_EQ(FilesUnder(home), std::vector<std::string>{});
    EXPECT_EQ(FilesUnder(root / "tmp"), std::vector<std::string>{});
    EXPECT_EQ(FilesUnder(root / "alone"), std::vector<std::string>{"Lonely.scr"});
}

TEST_F(SaverScreen, DamagedScreensaversSayWhyAndEndWithoutACrashOrAFileWritten) {
    const fs::path good = Build("Broken", {{"red.swf", kRed, 100, 100, 24}}, {});
    const std::string bytes = ReadFileBytes(good);
    const size_t stub = static_cast<size_t>(fs::file_size(kProgramDir / "saver.dll"));
    auto variant = [&](const std::string& name, std::string content) {
        const fs::path path = root / name;
        WriteFileBytes(path, content);
        fs::permissions(path, fs::perms(0755));
        return path;
    };
    // Every failure is an exit status of 1 with a message, never a signal.
    auto expect_failure = [&](TProcess& run, const std::string& message) {
        const auto status = run.Wait(kFirstFrame);
        EXPECT_TRUE(ExitedWith(status, 1)) << Describe(status) << "\n" << run.Output();
        EXPECT_NE(run.Output().find(message), std::string::npos) << run.Output();
    };

    const fs::path cut = variant("cut.scr", bytes.substr(0, bytes.size() - 10));
    expect_failure(*Start(cut, {}), "No package archive found");
    // The first block's data, a few bytes into the movie: its checksum no longer holds.
    std::string flipped = bytes;
    flipped[stub + 4 + 20 + 3] ^= 0x5a;
    const fs::path damaged = variant("damaged.scr", flipped);
    expect_failure(*Start(damaged, {"--test"}), "red.swf");

    // A movie the project lists that did not make it into the package.
    {
        std::string project = ReadFileBytes(root / "project" / "show.gldp");
        project.insert(project.find("[Configuration]"),
                       "1=" + (root / "project" / "gone.swf").string() + "\r\n");
        WriteFileBytes(root / "project" / "show.gldp", project);
        const TRunResult build =
            RunToEnd({(kProgramDir / "gldbuild").string(), "--quiet",
                      (root / "project" / "show.gldp").string(), "--screensaver"},
                     Environment(), (root / "build.txt").string());
        ASSERT_EQ(build.status, 0) << build.output;
    }
    expect_failure(*Start(good, {"--window"}), "the movie \"gone.swf\" is missing from it");
    EXPECT_EQ(FilesUnder(home), std::vector<std::string>{});

    if (!StartDisplay()) GTEST_SKIP() << "the rest needs Xvfb";
    // With a display: damaged movie data is found while the player starts; inside another
    // program's window there is no box, only the message.
    const xcb_window_t window = x->CreateWindow(0, 0, 200, 150, 0x404040);
    expect_failure(*Start(damaged, {"-window-id", std::to_string(window)}), "red.swf");
    EXPECT_TRUE(x->WindowsNamed("Screensaver").empty());
    // Full screen, the message also shows in a box, which waits for the user.
    if (!FindProgram("xdotool").empty()) {
        auto boxed = Start(cut, {});
        ASSERT_TRUE(WaitUntil([&] { return !x->WindowsNamed("Screensaver").empty(); }, kFirstFrame))
            << boxed->Output();
        EXPECT_TRUE(boxed->Running());
        Xdotool({"mousemove", "320", "240", "key", "Return"});
        expect_failure(*boxed, "No package archive found");
    }
    EXPECT_EQ(FilesUnder(home), std::vector<std::string>{});
    EXPECT_EQ(FilesUnder(root / "tmp"), std::vector<std::string>{});
}

TEST_F(SaverScreen, WithoutTheWebEngineTheScreensaverNamesThePackageToInstall) {
    // The engine is hidden from this one program by a private mount over its library.
    const fs::path library = fs::canonical("/usr/lib/x86_64-linux-gnu/libQt6WebEngineCore.so.6");
    const std::string unshare = FindProgram("unshare");
    if (unshare.empty() || ::geteuid() != 0 || !fs::exists(library))
        GTEST_SKIP() << "needs root, unshare and the engine's library";
    const TRunResult probe =
        RunToEnd({unshare, "--mount", "true"}, {}, (root / "probe.txt").string());
    if (probe.status != 0) GTEST_SKIP() << "private mounts are not allowed here: " << probe.output;
    if (!StartDisplay()) GTEST_SKIP() << "needs Xvfb";
    const fs::path saver = Build("Engineless", {{"red.swf", kRed, 100, 100, 24}}, {});
    const xcb_window_t window = x->CreateWindow(0, 0, 200, 150, 0x404040);
    auto run = Start(unshare, {"--mount", "/bin/sh", "-c",
                               "mount --bind /dev/null '" + library.string() + "' && exec '" +
                                   saver.string() + "' -window-id " + std::to_string(window)});
    const auto status = run->Wait(kFirstFrame);
    EXPECT_TRUE(ExitedWith(status, 1)) << Describe(status) << "\n" << run->Output();
    EXPECT_NE(run->Output().find("libqt6webenginewidgets6"), std::string::npos) << run->Output();
    EXPECT_EQ(FilesUnder(home), std::vector<std::string>{});
}
