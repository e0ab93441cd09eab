#pragma once
// Our own generator of small, pleasant Flash movies: a background colour and three shapes
// (a circle, a star and a square) that travel, turn and change colour over the frames.
// Tests use it to make movies with exact header fields; the example project uses it for
// movies worth looking at in the preview.

#include <cstdint>
#include <string>
#include <vector>

enum class TSwfCompression { None, Zlib, Lzma };

struct TSwfParams {
    // Frame size in pixels; the frame rectangle runs from (xmin_twips, ymin_twips) to
    // (xmin_twips + width * 20, ymin_twips + height * 20) unless the *_twips overrides say
    // otherwise (for sizes that are not whole pixels).
    int width = 550;
    int height = 400;
    int xmin_twips = 0;
    int ymin_twips = 0;
    int width_twips = -1;  // >= 0: Xmax - Xmin in twips, replacing width * 20
    int height_twips = -1; // >= 0: Ymax - Ymin in twips, replacing height * 20
    // Bits per rectangle field: -1 picks the fewest that hold every field; 0..31 forces a
    // width, and fields that do not fit are cut to their low bits (for odd test headers).
    int nbits = -1;
    int frames = 48;
    double frame_rate = 24.0;
    uint32_t background = 0x1d2b53; // 0xRRGGBB
    TSwfCompression compression = TSwfCompression::None;
    int version = 10;
    // Puts a stop action into the last frame, so players that honour it play the movie once.
    bool stop_at_end = false;
    // Picks one of several palettes and motions, so a set of movies does not look alike.
    int theme = 0;
    // Appends a metadata tag of this many bytes of text, for movies of a chosen size.
    std::size_t padding_bytes = 0;
    // Leaves out the shapes: the movie shows only its background, one solid colour over its
    // whole frame (tests find a movie on screen by its colour).
    bool empty = false;
    // Declares ActionScript 3 (version 9 on): players then run no frame actions, so a stop
    // action would be ignored.
    bool action_script3 = false;
};

// Writes a complete movie. Throws std::invalid_argument for impossible parameters
// (negative sizes, nbits out of 0..31, frames out of 1..65535, version out of 1..255) and
// std::runtime_error when compression fails.
std::vector<uint8_t> MakeSwf(const TSwfParams& params);

// Writes a movie to a file; throws std::runtime_error when the file cannot be written.
void WriteSwf(const std::string& path, const TSwfParams& params);
