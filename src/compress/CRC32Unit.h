#pragma once
// CRC-32 of ISO-HDLC, the one of ZIP and PNG: reflected polynomial 0xEDB88320, register
// starting at 0xFFFFFFFF, final complement. "123456789" gives 0xCBF43926.

#include <array>
#include <cstddef>
#include <cstdint>

using TCRC32Tables = std::array<std::array<uint32_t, 256>, 8>;

// Table 0 is the classic byte table; table k carries a byte's effect k bytes further, which
// lets the block routine take eight bytes per step.
constexpr TCRC32Tables MakeCRC32Tables() {
    TCRC32Tables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (int k = 1; k < 8; ++k)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

inline constexpr TCRC32Tables CRC32_TABLES = MakeCRC32Tables();

class TCRC32 {
public:
    void Update(uint8_t b) { crc = CRC32_TABLES[0][(crc ^ b) & 0xFF] ^ (crc >> 8); }
    // The same as Update for each byte in turn.
    void Update(const uint8_t* data, size_t count);
    uint32_t Value() const { return crc ^ 0xFFFFFFFFu; }

    uint32_t crc = 0xFFFFFFFFu;
};
