#pragma once
// What the block compressor and the expander share: two 1-based byte buffers and the block's
// CRC-32.

#include <cstdint>

// The raw bytes of every data block but a file's last.
constexpr int32_t BLOCK_SIZE = 409600;
// Bytes of the data-block header: "DATA", crc, compressed_size, origin_index,
// virtual_char_index, each a little-endian dword.
constexpr int32_t DATA_HEADER_SIZE = 20;
constexpr uint32_t DATA_SIGNATURE = 0x41544144;

// The fields of a data block's header after its signature.
struct TDataBlockInfo {
    uint32_t crc = 0;
    int32_t compressed_size = 0;
    int32_t origin_index = 0;
    int32_t virtual_char_index = 0;
};

class TBWTBase {
public:
    virtual ~TBWTBase() = default;

    void SwapBuffers() {
        uint8_t* t = block;
        block = work;
        work = t;
    }
    // CRC-32 of buffer[1..n].
    static uint32_t BlockCRC(const uint8_t* buffer, int32_t n);

    uint8_t* block = nullptr;
    uint8_t* work = nullptr;
};
