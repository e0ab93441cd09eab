#pragma once
// The screensaver's own options: how it shows itself.
//
//   (none), --run, /s        full screen on every screen, until a key, a click or a move
//   --window, /p             in an ordinary window
//   --root, -root            in the window xscreensaver names in XSCREENSAVER_WINDOW (or the
//                            screen's root window)
//   -window-id ID            in the X window ID (decimal or 0x hexadecimal)
//   --config, /c             the end user's settings window
//   --verbose                names each movie on standard error as it starts
// Windows-style switches are matched without regard to case and may carry a window handle
// ("/p 1234", "/c:1234"), which means nothing here and is ignored.

#include <cstdint>
#include <string>
#include <vector>

enum class TSaverMode { Run, Window, Root, WindowId, Config };

struct TSaverRequest {
    TSaverMode mode = TSaverMode::Run;
    uint32_t window = 0; // Root and WindowId: the X window to draw in; 0 for the root window
    bool verbose = false;
    std::string error; // not empty: the arguments were not understood
};

// args without the program name; environment_window is XSCREENSAVER_WINDOW (or null).
TSaverRequest ParseSaverOptions(const std::vector<std::string>& args,
                                const char* environment_window);

// A window number as X tools print it: decimal, or hexadecimal after "0x". 0 when it is none.
uint32_t ParseWindowId(const std::string& text);

// The lines --help adds for these options.
extern const char* const kSaverUsage;
