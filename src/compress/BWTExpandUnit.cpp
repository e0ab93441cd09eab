#include "BWTExpandUnit.h"

#include "BlockManUnit.h"
#include "CompressErrors.h"
#include "LittleEndianUnit.h"

#include <algorithm>

TExpander::TExpander() = default;

TExpander::~TExpander() = default;

std::vector<uint8_t> TExpander::ExpandBlock(TBitFile& archive_file, int32_t expected_size) {
    if (expanded.empty()) expanded.resize(static_cast<size_t>(MAX_BLOCK_SIZE));
    const int32_t n = ExpandBlock(archive_file, expanded.data(), MAX_BLOCK_SIZE, expected_size);
    return std::vector<uint8_t>(expanded.begin(), expanded.begin() + n);
}

int32_t TExpander::ExpandBlock(TBitFile& archive_file, uint8_t* out, int32_t capacity,
                               int32_t expected_size) {
    coded.resize(size_t(DATA_HEADER_SIZE));
    archive_file.ReadBytes(coded.data(), DATA_HEADER_SIZE);
    if (LoadLE32(coded.data()) != DATA_SIGNATURE) throw ESignatureWrong();
    const int64_t payload_start = archive_file.BufferedPosition();
    const int64_t file_left = std::max<int64_t>(0, archive_file.Size() - payload_start);
    const int32_t claimed = int32_t(LoadLE32(coded.data() + 8));
    // Only what the file holds, and never more than a block can code to: the decoder refuses
    // a claim beyond either before it reads a byte.
    const int64_t take = std::clamp<int64_t>(
        claimed, 0, std::min<int64_t>(file_left, TBlockDecoder::MAX_PAYLOAD_SIZE));
    coded.resize(size_t(DATA_HEADER_SIZE + take));
    archive_file.ReadBytes(coded.data() + DATA_HEADER_SIZE, int32_t(take));

    auto keep_header = [&] {
        crc = decoder.header.crc;
        compressed_size = decoder.header.compressed_size;
        origin_index = decoder.header.origin_index;
        virtual_char_index = decoder.header.virtual_char_index;
    };
    int32_t n;
    try {
        n = decoder.DecodeBlock(coded, out, capacity, expected_size);
    } catch (...) {
        keep_header();
        throw;
    }
    keep_header();
    archive_file.ResetBits();
    archive_file.SmartSeek(payload_start + compressed_size, 0);
    return n;
}
