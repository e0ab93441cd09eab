#pragma once
// What the program learns from a Flash movie's bytes: its frame size for the status bar,
// and the whole uncompressed movie for the preview.
//
// TFlashInfo is the classic header reader: it takes the 17 bytes at offsets 8 to 24 and
// reads Xmax and Ymax as unsigned numbers. That is right only for an uncompressed movie whose
// frame starts at 0, 0; FlashFrameSize below is the reader the status bar uses.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Bytes 8 to 24 of a movie: the frame rectangle, 5 + 4 * n bits, most significant bit first.
using TFlashHeader = std::array<uint8_t, 17>;

class TFlashInfo {
public:
    // Reads the 17 header bytes at offset 8. Throws EFOpenError when the file cannot be opened
    // and EInOutError when it is shorter than 25 bytes.
    static TFlashHeader ReadHeader(const std::string& path);
    // Field width n of the rectangle, 0 to 31.
    static int GetNBits(const TFlashHeader& header);
    // Bit p counts from the most significant bit of byte 0; bits past the buffer read as clear.
    static bool GetBit(const TFlashHeader& header, int position);
    static bool TestBit(uint32_t value, int bit);
    static uint32_t SetBit(uint32_t value, int bit);
    // Xmax (Ymax) read unsigned, in whole pixels (twips / 20, truncated).
    static int GetWidth(const TFlashHeader& header);
    static int GetHeight(const TFlashHeader& header);
};

// Whether the file at path begins like a Flash movie ("FWS", "CWS" or "ZWS"). A file that
// cannot be read does not.
bool HasFlashSignature(const std::string& path);

// The frame size in whole pixels of the movie at path: (Xmax - Xmin, Ymax - Ymin) / 20,
// truncated toward zero, read from the decompressed start of "CWS" (zlib) and "ZWS" (LZMA)
// movies. nullopt when the file cannot be read, carries none of the three signatures, ends
// before its rectangle does, or has a rectangle whose maximum lies below its minimum.
std::optional<std::pair<int, int>> FlashFrameSize(const std::string& path);

// The same for a movie held in memory (the file's bytes, or at least its start).
std::optional<std::pair<int, int>> FlashFrameSize(const uint8_t* data, std::size_t size);

// The whole movie uncompressed, as an "FWS" movie with its stored length set to the real one.
// nullopt when the file cannot be read, is no movie, or would exceed max_bytes once expanded.
std::optional<std::vector<uint8_t>> ReadFlashMovie(const std::string& path,
                                                   std::size_t max_bytes = 256u << 20);
std::optional<std::vector<uint8_t>> ReadFlashMovie(const uint8_t* data, std::size_t size,
                                                   std::size_t max_bytes = 256u << 20);

// Facts about an uncompressed movie's tags: whether it declares ActionScript 3 (those
// movies run no frame actions) and its frame count from the header.
struct TFlashMovieFacts {
    bool action_script3 = false;
    int frame_count = 0;
    double frame_rate = 0;
};
std::optional<TFlashMovieFacts> ReadFlashMovieFacts(const std::vector<uint8_t>& movie);

// The uncompressed movie with a stop action placed in its last frame, so a player that loops
// plays it once and rests on the last frame. nullopt when the tag list is damaged or the
// movie has no frame.
std::optional<std::vector<uint8_t>> WithStopOnLastFrame(const std::vector<uint8_t>& movie);
