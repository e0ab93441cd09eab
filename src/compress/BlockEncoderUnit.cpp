#include "BlockEncoderUnit.h"

#include "CompressErrors.h"
#include "LittleEndianUnit.h"

#include <cstring>
#include <stdexcept>
#include <string>

TBlockEncoder::TBlockEncoder() = default;

TDataBlockInfo TBlockEncoder::EncodeBlock(std::span<const uint8_t> raw, std::vector<uint8_t>& out) {
    if (raw.empty() || raw.size() > size_t(BLOCK_SIZE))
        throw std::out_of_range("A data block holds 1 to " + std::to_string(BLOCK_SIZE) +
                                " bytes, not " + std::to_string(raw.size()) + ".");
    if (raw.data() != buffers.block_buf + 1)
        std::memmove(buffers.block_buf + 1, raw.data(), raw.size());
    return EncodeInput(int32_t(raw.size()), out);
}

TDataBlockInfo TBlockEncoder::EncodeInput(int32_t n, std::vector<uint8_t>& out) {
    if (n < 1 || n > BLOCK_SIZE)
        throw std::out_of_range("A data block holds 1 to " + std::to_string(BLOCK_SIZE) +
                                " bytes, not " + std::to_string(n) + ".");
    TDataBlockInfo info;
    const uint8_t* block = buffers.block_buf;
    info.crc = TBWTBase::BlockCRC(block, n);
    sorter.SortSuffixes(block, buffers.index_buf, n);
    TransformBlock(n, info);
    uint8_t* values = buffers.work_buf + 1;
    mtf_encoder.Reset();
    mtf_encoder.EncodeBuffer(values, n);

    const size_t start = out.size();
    // Coded blocks of real data are rarely longer than their raw bytes; reserving that much
    // spares most of the growing.
    out.reserve(start + DATA_HEADER_SIZE + size_t(n) + size_t(n) / 32 + 64);
    out.resize(start + DATA_HEADER_SIZE);
    ari_encoder.EncodeBlock(values, n, out);
    info.compressed_size = int32_t(out.size() - start - DATA_HEADER_SIZE);

    uint8_t* header = out.data() + start;
    StoreLE32(header, DATA_SIGNATURE);
    StoreLE32(header + 4, info.crc);
    StoreLE32(header + 8, uint32_t(info.compressed_size));
    StoreLE32(header + 12, uint32_t(info.origin_index));
    StoreLE32(header + 16, uint32_t(info.virtual_char_index));
    return info;
}

// Row j contributes the byte before its suffix; the row of the whole block contributes nothing
// and its row number is virtual_char_index. The bytes are gathered first and coded in one
// sequential pass, which gives the same values as coding them row by row.
void TBlockEncoder::TransformBlock(int32_t n, TDataBlockInfo& info) {
    const int32_t* index = buffers.index_buf;
    const uint8_t* block = buffers.block_buf;
    uint8_t* work = buffers.work_buf;
    int32_t virtual_char_index = -2;
    int32_t origin_index = 0;
    int32_t emitted = 0;
    const int32_t rows = n + 1;
    for (int32_t j = 0; j < rows; ++j) {
        const int32_t p = index[j];
        if (p == 0) {
            virtual_char_index = emitted;
            continue;
        }
        if (p == 1) origin_index = j;
        work[++emitted] = block[p];
    }
    // The suffix at offset 0 always exists; a sorter that lost it is a fault of this program,
    // and a header carrying -2 would make the block unreadable.
    if (virtual_char_index == -2)
        throw EAssertionFailed("Assertion failure (BlockEncoderUnit): virtual_char_index not "
                               "initialized.");
    info.origin_index = origin_index;
    info.virtual_char_index = virtual_char_index;
}
