#pragma once
// Colour values and their names as stored in project files.
//
// A plain colour holds blue, green and red in its three low bytes (00BBGGRR). A value whose
// top byte is 80 names the platform's system colour whose index is in the low byte; the user
// interface maps those to palette colours. clNone (1FFFFFFF) and clDefault (20000000) are
// special values, not colours.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TColorName {
    const char* Name;
    uint32_t Value;
};

// The 52 named colours, in table order (the 20 plain colours first).
const std::vector<TColorName>& ColorTable();
std::vector<std::string> ColorNames();

// The colour's name, or "$" followed by 8 upper-case hexadecimal digits when it has none.
std::string ColorToString(uint32_t color);
// A name (any case), or an integer (decimal, "$…" or "0x…" hexadecimal). False otherwise.
bool StringToColor(const std::string& text, uint32_t& color);
// The same, raising EConvertError "'<text>' is not a valid integer value" on failure.
uint32_t StringToColor(const std::string& text);

inline bool IsSystemColor(uint32_t color) {
    return (color & 0xFF000000u) == 0x80000000u;
}
inline uint8_t SystemColorIndex(uint32_t color) {
    return static_cast<uint8_t>(color & 0xFF);
}
// Red, green and blue of a plain colour.
inline uint8_t ColorRed(uint32_t color) {
    return static_cast<uint8_t>(color);
}
inline uint8_t ColorGreen(uint32_t color) {
    return static_cast<uint8_t>(color >> 8);
}
inline uint8_t ColorBlue(uint32_t color) {
    return static_cast<uint8_t>(color >> 16);
}
inline uint32_t RgbColor(uint8_t red, uint8_t green, uint8_t blue) {
    return uint32_t(red) | (uint32_t(green) << 8) | (uint32_t(blue) << 16);
}
