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
    TransformBlock(n, info);
    mtf_encoder.Reset();

    const size_t start = out.size();
    // Coded blocks of real data are rarely longer than their raw bytes; reserving that much
    // spares most of the growing.
    out.reserve(start + DATA_HEADER_SIZE + size_t(n) + size_t(n) / 32 + 64);
    out.resize(start + DATA_HEADER_SIZE);
    ari_encoder.EncodeBlock(buffers.work_buf + 1, n, mtf_encoder, out);
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
// and its row number is virtual_char_index. The sorter reads the bytes out row by row, the
// whole block's row holding a byte of no meaning, which is then closed up.
void TBlockEncoder::TransformBlock(int32_t n, TDataBlockInfo& info) {
    uint8_t* work = buffers.work_buf;
    TInducedSorter::TRowBytes rows{work + 1};
    sorter.SortSuffixes(buffers.block_buf, buffers.index_buf, n, rows);
    // The suffix at offset 0 always exists; a sorter that lost it is a fault of this program,
    // and a header carrying a row that is not the whole block's would make the block unreadable.
    if (rows.whole_row < 1 || rows.whole_row > n || buffers.index_buf[rows.whole_row] != 0)
        throw EAssertionFailed("Assertion failure (BlockEncoderUnit): virtual_char_index not "
                               "initialized.");
    std::memmove(work + 1 + rows.whole_row, work + 2 + rows.whole_row, size_t(n - rows.whole_row));
    info.origin_index = rows.second_row;
    info.virtual_char_index = rows.whole_row;
}
