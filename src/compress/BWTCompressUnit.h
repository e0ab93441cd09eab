#pragma once
// The block compressor: one block of raw bytes becomes one data block (20-byte header, then the
// coded payload). CRC-32, suffix sort, block-sorting transform read out through move-to-front
// coding, then structured arithmetic coding into the bit file.

#include "BWTBaseUnit.h"
#include "BlockManUnit.h"
#include "FSortUnit.h"
#include "FileStrucAriEncoderUnit.h"
#include "MTFEncoderUnit.h"
#include "bit_file_unit.h"

#include <cstdint>
#include <memory>

class TCompressor : public TBWTBase {
public:
    // Works in buffers, which nobody else may use while a block is being compressed.
    explicit TCompressor(TBlockMan& buffers = BlockMan);
    ~TCompressor() override;

    // The buffer to fill before each block: raw bytes at offsets 1..n (offset 0 is not part of
    // the block).
    uint8_t* GetInputBuffer();
    // Writes the data block for the n (1..BLOCK_SIZE) bytes of the input buffer at
    // archive_file's position and leaves the file just after it; returns the payload size.
    // Lets pending messages run afterwards.
    int32_t CompressBlock(int32_t n, TBitFile& archive_file);

    int32_t* index = nullptr;
    std::unique_ptr<TFastSorter> sorter;
    std::unique_ptr<TMTFEncoder> mtf_encoder;
    std::unique_ptr<TFileStrucAriEncoder> ari_encoder;

    // The header fields of the last block written.
    uint32_t crc = 0;
    int32_t origin_index = 0;
    int32_t virtual_char_index = 0;

private:
    void AttachBuffers();
    void SortBlock(int32_t n);
    void TransformBlock(int32_t n);
    TBlockMan& buffers;
};
