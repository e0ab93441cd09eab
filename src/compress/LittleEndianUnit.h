#pragma once
// Every number of the package archive is a little-endian dword. These are the only routines
// that turn dwords into bytes and back: never a cast of a struct or an int pointer onto bytes,
// so the format reads the same on every machine.

#include <cstdint>
#include <vector>

inline uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void StoreLE32(uint8_t* p, uint32_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value >> 16);
    p[3] = uint8_t(value >> 24);
}

inline void AppendLE32(std::vector<uint8_t>& out, uint32_t value) {
    const uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                          uint8_t(value >> 24)};
    out.insert(out.end(), b, b + 4);
}
