#pragma once
// What the screensaver's tests and its start-up benchmark need of X: a private Xvfb server on
// a free display, pictures of its windows, windows of their own, and programs started with an
// environment of their choosing.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

// The full path of a program on PATH, or "" when there is none.
std::string FindProgram(const std::string& name);

struct TXImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, row by row

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Writes the picture as a binary PPM, for looking at a failure.
    bool SavePpm(const std::string& path) const;
};

// Whether two colours differ by at most tolerance in each of red, green and blue.
bool SameColour(uint32_t a, uint32_t b, int tolerance = 24);
std::string ColourText(uint32_t rgb);

class TXvfb {
public:
    // Starts Xvfb on a display nobody uses (the server picks it) with one screen of the size
    // given. nullptr with why set when Xvfb is missing or does not start.
    static std::unique_ptr<TXvfb> Start(int width, int height, std::string* why);
    ~TXvfb();

    const std::string& Display() const { return display; }
    xcb_connection_t* Connection() const { return connection; }
    xcb_window_t Root() const { return root; }

    // The window's picture (the root window's shows everything on screen).
    TXImage Grab(xcb_window_t window);
    TXImage Grab() { return Grab(root); }
    // One pixel of the window (0xff000000 when it cannot be read): quick enough to poll.
    uint32_t PixelAt(xcb_window_t window, int x, int y);

    // A mapped window of our own, filled with the colour.
    xcb_window_t CreateWindow(int x, int y, int width, int height, uint32_t rgb);
    void ResizeWindow(xcb_window_t window, int width, int height);
    void DestroyWindow(xcb_window_t window);
    // Top-level windows whose name contains text.
    std::vector<xcb_window_t> WindowsNamed(const std::string& text);

private:
    TXvfb() = default;
    pid_t server = -1;
    std::string display;
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
};

// A program run by a test: its own environment, its output into files.
class TProcess {
public:
    // env: variables to set (an empty value removes the variable); the rest is inherited.
    TProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
             const std::string& output_file);
    ~TProcess();

    pid_t Pid() const { return pid; }
    bool Started() const { return pid > 0; }
    // Whether it still runs (reaps it when it ended).
    bool Running();
    // Waits up to timeout for it to end; its wait status, or nothing when it still runs.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    void Signal(int signal);
    // Everything it wrote to its output so far.
    std::string Output() const;

private:
    pid_t pid = -1;
    std::optional<int> status;
    std::string output_file;
};

// Runs a program to its end (with up to a minute to spare); its wait status and output.
struct TRunResult {
    int status = -1;
    std::string output;
};
TRunResult RunToEnd(const std::vector<std::string>& argv,
                    const std::map<std::string, std::string>& env, const std::string& scratch);
