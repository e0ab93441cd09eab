// gldswfgen: writes one of our generated Flash movies to a file.
#include "BuildIdentity.h"
#include "SwfGen.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

namespace {

// Help asked for goes to standard output; help after a mistake, to standard error.
void Usage(std::FILE* to = stderr) {
    std::fprintf(to, "usage: gldswfgen [options] OUT.swf\n"
                     "  --size WxH          frame size in pixels (550x400)\n"
                     "  --origin X,Y        Xmin and Ymin of the frame rectangle in twips (0,0)\n"
                     "  --twips WxH         frame size in twips, overriding --size\n"
                     "  --nbits N           bits per rectangle field, 0..31 (fewest that fit)\n"
                     "  --frames N          number of frames (48)\n"
                     "  --rate R            frames per second (24)\n"
                     "  --background RRGGBB background colour (1d2b53)\n"
                     "  --compress KIND     none, zlib or lzma (none)\n"
                     "  --swf-version N     the movie's format version (10)\n"
                     "  --theme N           palette and motion, 0..3 (0)\n"
                     "  --padding BYTES     append a metadata tag of this size (0)\n"
                     "  --stop              stop on the last frame instead of looping\n"
                     "  --empty             background only, no shapes\n"
                     "  --solid RRGGBB      one solid colour: --empty with that background\n"
                     "  --as3               declare ActionScript 3 (frame actions do not run)\n"
                     "  --version           show the program's version\n");
}

bool ParsePair(const char* text, char separator, int& a, int& b) {
    char* end = nullptr;
    long x = std::strtol(text, &end, 10);
    if (*end != separator && !(separator == 'x' && *end == 'X')) return false;
    long y = std::strtol(end + 1, &end, 10);
    if (*end != 0) return false;
    a = static_cast<int>(x);
    b = static_cast<int>(y);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    TSwfParams params;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "gldswfgen: %s needs a value\n", arg.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--size") {
            if (!ParsePair(value(), 'x', params.width, params.height)) {
                Usage();
                return 2;
            }
        } else if (arg == "--origin") {
            if (!ParsePair(value(), ',', params.xmin_twips, params.ymin_twips)) {
                Usage();
                return 2;
            }
        } else if (arg == "--twips") {
            if (!ParsePair(value(), 'x', params.width_twips, params.height_twips)) {
                Usage();
                return 2;
            }
        } else if (arg == "--nbits") {
            params.nbits = std::atoi(value());
        } else if (arg == "--frames") {
            params.frames = std::atoi(value());
        } else if (arg == "--rate") {
            params.frame_rate = std::atof(value());
        } else if (arg == "--background") {
            params.background = static_cast<uint32_t>(std::strtoul(value(), nullptr, 16));
        } else if (arg == "--compress") {
            std::string kind = value();
            if (kind == "none")
                params.compression = TSwfCompression::None;
            else if (kind == "zlib")
                params.compression = TSwfCompression::Zlib;
            else if (kind == "lzma")
                params.compression = TSwfCompression::Lzma;
            else {
                Usage();
                return 2;
            }
        } else if (arg == "--swf-version") {
            params.version = std::atoi(value());
        } else if (arg == "--version") {
            std::printf("%s", VersionLine("gldswfgen").c_str());
            return 0;
        } else if (arg == "--theme") {
            params.theme = std::atoi(value());
        } else if (arg == "--padding") {
            params.padding_bytes = static_cast<std::size_t>(std::strtoull(value(), nullptr, 10));
        } else if (arg == "--stop") {
            params.stop_at_end = true;
        } else if (arg == "--empty") {
            params.empty = true;
        } else if (arg == "--solid") {
            params.empty = true;
            params.background = static_cast<uint32_t>(std::strtoul(value(), nullptr, 16));
        } else if (arg == "--as3") {
            params.action_script3 = true;
        } else if (arg == "-h" || arg == "--help") {
            Usage(stdout);
            return 0;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "gldswfgen: unknown option %s\n", arg.c_str());
            Usage();
            return 2;
        } else if (out.empty()) {
            out = arg;
        } else {
            Usage();
            return 2;
        }
    }
    if (out.empty()) {
        Usage();
        return 2;
    }
    try {
        WriteSwf(out, params);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gldswfgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
