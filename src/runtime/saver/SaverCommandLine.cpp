#include "SaverCommandLine.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

const char* const kSaverUsage =
    "  (no option), --run  play full screen on every screen until a key, a click or a move\n"
    "  --window          play in an ordinary window\n"
    "  --root            play in the window named by XSCREENSAVER_WINDOW (as xscreensaver\n"
    "                    starts it), or on the root window\n"
    "  -window-id ID     play in the X window ID\n"
    "  --config          open the settings window\n"
    "  --verbose         name each movie on standard error as it starts\n"
    "  /s, /c, /p        the same as --run, --config and --window\n";

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsNumber(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

} // namespace

uint32_t ParseWindowId(const std::string& text) {
    if (text.empty()) return 0;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || !end || *end != 0 || text[0] == '-' || value > 0xffffffffull) return 0;
    return static_cast<uint32_t>(value);
}

TSaverRequest ParseSaverOptions(const std::vector<std::string>& args,
                                const char* environment_window) {
    TSaverRequest request;
    bool mode_given = false;
    auto set_mode = [&](TSaverMode mode, const std::string& arg) {
        if (mode_given && request.mode != mode) {
            request.error =
                "\"" + arg + "\" asks for another way of showing than the option before it.";
            return;
        }
        mode_given = true;
        request.mode = mode;
    };
    for (size_t i = 0; i < args.size() && request.error.empty(); ++i) {
        const std::string& arg = args[i];
        const std::string lower = Lower(arg);
        if (arg == "--run" || lower == "/s" || lower == "-s") {
            set_mode(TSaverMode::Run, arg);
        } else if (arg == "--window" || lower == "/p" || lower == "-p" ||
                   lower.rfind("/p:", 0) == 0) {
            set_mode(TSaverMode::Window, arg);
            if (lower.size() <= 2 && i + 1 < args.size() && IsNumber(args[i + 1]))
                ++i; // the Windows preview's window handle
        } else if (arg == "--config" || lower == "/c" || lower == "-c" ||
                   lower.rfind("/c:", 0) == 0) {
            set_mode(TSaverMode::Config, arg);
            if (lower.size() <= 2 && i + 1 < args.size() && IsNumber(args[i + 1])) ++i;
        } else if (arg == "--root" || arg == "-root") {
            set_mode(TSaverMode::Root, arg);
            // xscreensaver names its own window; without it, the root window itself.
            request.window = environment_window ? ParseWindowId(environment_window) : 0;
        } else if (arg == "-window-id" || arg == "--window-id") {
            if (i + 1 >= args.size() || ParseWindowId(args[i + 1]) == 0) {
                request.error = arg + " needs the number of an X window.";
                break;
            }
            set_mode(TSaverMode::WindowId, arg);
            request.window = ParseWindowId(args[++i]);
        } else if (arg == "--verbose" || arg == "-verbose") {
            request.verbose = true;
        } else {
            request.error = "unknown option \"" + arg + "\".";
        }
    }
    return request;
}
