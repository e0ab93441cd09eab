#pragma once
// The block compressor over a bit file: one block of raw bytes becomes one data block (20-byte
// header, then the coded payload) at the file's position. The coding itself is the block
// encoder's, in memory; this writes its bytes where the archive wants them.

#include "BWTBaseUnit.h"
#include "BlockEncoderUnit.h"
#include "bit_file_unit.h"

#include <cstdint>
#include <vector>

class TCompressor : public TBWTBase {
public:
    TCompressor();
    ~TCompressor() override;

    // The buffer to fill before each block: raw bytes at offsets 1..n (offset 0 is not part of
    // the block).
    uint8_t* GetInputBuffer();
    // Writes the data block for the n (1..BLOCK_SIZE) bytes of the input buffer at
    // archive_file's position and leaves the file just after it; returns the payload size.
    int32_t CompressBlock(int32_t n, TBitFile& archive_file);

    // The header fields of the last block written.
    uint32_t crc = 0;
    int32_t origin_index = 0;
    int32_t virtual_char_index = 0;

    TBlockEncoder encoder;

private:
    std::vector<uint8_t> coded;
};
