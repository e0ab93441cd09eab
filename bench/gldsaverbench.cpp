// gldsaverbench: how long a screensaver takes from being started to its first frame on
// screen, and from SIGTERM to its end.
//
// It builds a one-movie screensaver with the tools of the program folder (gldbuild and the
// runtime beside this program), starts a private Xvfb, and runs the screensaver full screen
// several times, the same file each time. The first frame counts as on screen when the
// pixel in the middle of the screen shows the movie's colour (the background is another);
// the clock starts just before the process is spawned.
//
//   gldsaverbench [--runs N] [--size WxH] [--mode run|window]

#include "SwfGen.h"
#include "XSession.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint32_t kMovieColour = 0x2080e0;
constexpr uint32_t kBackground = 0xffff00; // clYellow
constexpr auto kGiveUp = std::chrono::seconds(120);

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

int Usage() {
    std::fprintf(stderr, "usage: gldsaverbench [--runs N] [--mode run|window]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 7;
    std::string mode = "--run";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--mode" && i + 1 < argc)
            mode = std::string("--") + argv[++i];
        else
            return Usage();
    }
    if (mode != "--run" && mode != "--window") return Usage();

    const fs::path program_dir = fs::read_symlink("/proc/self/exe").parent_path();
    const fs::path work =
        fs::temp_directory_path() / ("gldsaverbench-" + std::to_string(::getpid()));
    fs::create_directories(work / "home");
    TSwfParams movie;
    movie.width = 320;
    movie.height = 240;
    movie.frames = 240;
    movie.frame_rate = 24;
    movie.background = kMovieColour;
    movie.empty = true;
    WriteSwf((work / "movie.swf").string(), movie);
    {
        std::ofstream project(work / "bench.gldp", std::ios::binary);
        project << "[General Information]\r\nProjectName=Bench\r\n[Files]\r\n0="
                << (work / "movie.swf").string()
                << "\r\n[Configuration]\r\nBackground Color=clYellow\r\nDisplayStyle=0\r\n";
    }
    const TRunResult build = RunToEnd({(program_dir / "gldbuild").string(), "--quiet",
                                       (work / "bench.gldp").string(), "--screensaver"},
                                      {}, (work / "build.txt").string());
    const fs::path screensaver = work / "Bench.scr";
    if (build.status != 0 || !fs::exists(screensaver)) {
        std::fprintf(stderr, "gldsaverbench: the screensaver could not be built:\n%s",
                     build.output.c_str());
        fs::remove_all(work);
        return 1;
    }

    std::string why;
    const int width = 640, height = 480;
    auto x = TXvfb::Start(width, height, &why);
    if (!x) {
        std::fprintf(stderr, "gldsaverbench: %s\n", why.c_str());
        fs::remove_all(work);
        return 1;
    }
    std::printf("%s %s, %d runs, Xvfb %dx%d, %s (%ju bytes)\n", screensaver.filename().c_str(),
                mode.c_str(), runs, width, height, "one 320x240 movie",
                static_cast<uintmax_t>(fs::file_size(screensaver)));
    // The middle of the first window: the screen's, or the ordinary window's at its corner.
    const int probe_x = mode == "--run" ? width / 2 : 400,
              probe_y = mode == "--run" ? height / 2 : 300;
    std::vector<double> first_frame, ending;
    for (int run = 1; run <= runs; ++run) {
        const auto start = Clock::now();
        TProcess process({screensaver.string(), mode},
                         {{"DISPLAY", x->Display()},
                          {"HOME", (work / "home").string()},
                          {"XDG_CONFIG_HOME", ""},
                          {"XDG_CACHE_HOME", ""}},
                         (work / "run.txt").string());
        bool shown = false;
        while (Clock::now() - start < kGiveUp && process.Running()) {
            const uint32_t pixel = x->PixelAt(x->Root(), probe_x, probe_y);
            if (pixel != 0xff000000u && SameColour(pixel, kMovieColour, 8)) {
                shown = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const double seconds = Seconds(Clock::now() - start);
        const auto term = Clock::now();
        process.Signal(SIGTERM);
        const auto status = process.Wait(std::chrono::seconds(30));
        const double to_end = Seconds(Clock::now() - term);
        if (!shown) {
            std::fprintf(stderr, "run %d: no first frame within %.1f s\n%s", run, seconds,
                         process.Output().c_str());
            continue;
        }
        first_frame.push_back(seconds);
        if (status) ending.push_back(to_end);
        std::printf("run %d: first frame after %.3f s, ended %.3f s after SIGTERM\n", run, seconds,
                    to_end);
        std::fflush(stdout);
        // Let the helpers of the last run go before the next one starts.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    if (!first_frame.empty()) {
        std::printf("start to first frame: median %.3f s, min %.3f s, max %.3f s (%zu runs)\n",
                    Median(first_frame), *std::min_element(first_frame.begin(), first_frame.end()),
                    *std::max_element(first_frame.begin(), first_frame.end()), first_frame.size());
        std::printf("SIGTERM to end: median %.3f s\n", Median(ending));
    }
    x.reset();
    fs::remove_all(work);
    return first_frame.empty() ? 1 : 0;
}
