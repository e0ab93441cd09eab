#include "BWTCompressUnit.h"

#include <stdexcept>
#include <string>

TCompressor::TCompressor() = default;

TCompressor::~TCompressor() = default;

uint8_t* TCompressor::GetInputBuffer() {
    block = encoder.InputBuffer();
    return block;
}

int32_t TCompressor::CompressBlock(int32_t n, TBitFile& archive_file) {
    if (n < 1 || n > BLOCK_SIZE)
        throw std::out_of_range("CompressBlock: a block holds 1 to " + std::to_string(BLOCK_SIZE) +
                                " bytes, not " + std::to_string(n) + ".");
    coded.clear();
    const TDataBlockInfo info = encoder.EncodeInput(n, coded);
    archive_file.WriteBytes(coded.data(), int32_t(coded.size()));
    crc = info.crc;
    origin_index = info.origin_index;
    virtual_char_index = info.virtual_char_index;
    return info.compressed_size;
}
