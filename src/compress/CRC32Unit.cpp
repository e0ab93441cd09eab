#include "CRC32Unit.h"

void TCRC32::Update(const uint8_t* data, size_t count) {
    uint32_t c = crc;
    const auto& t = CRC32_TABLES;
    while (count >= 8) {
        const uint32_t lo = c ^ (uint32_t(data[0]) | uint32_t(data[1]) << 8 |
                                 uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24);
        c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
            t[3][data[4]] ^ t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
        data += 8;
        count -= 8;
    }
    while (count--)
        c = t[0][(c ^ *data++) & 0xFF] ^ (c >> 8);
    crc = c;
}
