#include "BlockDecoderUnit.h"

#include "BlockManUnit.h"
#include "CRC32Unit.h"
#include "CompressErrors.h"
#include "LittleEndianUnit.h"

#include <cstdio>
#include <string>

namespace {

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

} // namespace

TBlockDecoder::TBlockDecoder()
    : values(new uint8_t[size_t(MAX_BLOCK_SIZE)]), links(new uint32_t[size_t(MAX_BLOCK_SIZE) + 1]),
      forward_links(new uint32_t[size_t(MAX_BLOCK_SIZE) + 1]),
      output(new uint8_t[size_t(MAX_BLOCK_SIZE)]) {}

TBlockDecoder::~TBlockDecoder() = default;

std::vector<uint8_t> TBlockDecoder::DecodeBlock(std::span<const uint8_t> in,
                                                int32_t expected_size) {
    const int32_t n = DecodeBlock(in, output.get(), MAX_BLOCK_SIZE, expected_size);
    return std::vector<uint8_t>(output.get(), output.get() + n);
}

void TBlockDecoder::ReadHeader(std::span<const uint8_t> in) {
    // A header cut short reads as zeros past the end, as the file stream delivers them: a
    // missing signature is a wrong one, a missing size a payload that is not there.
    uint8_t bytes[DATA_HEADER_SIZE] = {};
    for (size_t i = 0; i < size_t(DATA_HEADER_SIZE) && i < in.size(); ++i)
        bytes[i] = in[i];
    if (LoadLE32(bytes) != DATA_SIGNATURE) throw ESignatureWrong();
    header.crc = LoadLE32(bytes + 4);
    header.compressed_size = int32_t(LoadLE32(bytes + 8));
    header.origin_index = int32_t(LoadLE32(bytes + 12));
    header.virtual_char_index = int32_t(LoadLE32(bytes + 16));
    if (header.compressed_size > MAX_PAYLOAD_SIZE)
        throw EDataCorrupt("Damaged data block: its compressed size of " +
                           std::to_string(header.compressed_size) +
                           " bytes is larger than any block can code to.");
    const int64_t left =
        in.size() > size_t(DATA_HEADER_SIZE) ? int64_t(in.size()) - DATA_HEADER_SIZE : 0;
    if (header.compressed_size < 0 || header.compressed_size > left)
        throw EDataCorrupt("Damaged data block: its compressed size of " +
                           std::to_string(header.compressed_size) + " bytes does not fit the " +
                           std::to_string(left) + " bytes that follow its header.");
}

int32_t TBlockDecoder::DecodeBlock(std::span<const uint8_t> in, uint8_t* out, int32_t capacity,
                                   int32_t expected_size) {
    if (capacity > MAX_BLOCK_SIZE) capacity = MAX_BLOCK_SIZE;
    if (expected_size > capacity)
        throw EDataCorrupt("Damaged data block: a block of " + std::to_string(expected_size) +
                           " bytes is larger than any block can be.");
    ReadHeader(in);
    const int32_t compressed_size = header.compressed_size;
    const int32_t origin_index = header.origin_index;
    const int32_t vci = header.virtual_char_index;

    const int32_t limit = expected_size >= 0 ? expected_size : capacity;
    int32_t n;
    try {
        n = ari_decoder.DecodeBlock(in.subspan(size_t(DATA_HEADER_SIZE), size_t(compressed_size)),
                                    compressed_size, values.get(), limit);
    } catch (const EDataCorrupt&) {
        // The coder's own message speaks of bits; say what it means for the block.
        if (ari_decoder.consumed > compressed_size)
            throw EDataCorrupt("Damaged data block: its coded data end before the block does.");
        throw;
    }

    if (expected_size >= 0 && n != expected_size)
        throw EDataCorrupt("Damaged data block: it holds " + std::to_string(n) + " bytes where " +
                           std::to_string(expected_size) + " were expected.");
    if (n < 1 || vci < 1 || vci > n || origin_index < 0 || origin_index > n || origin_index == vci)
        throw EDataCorrupt("Damaged data block: its indexes (origin " +
                           std::to_string(origin_index) + ", block row " + std::to_string(vci) +
                           ") do not fit its " + std::to_string(n) + " bytes.");

    mtf_decoder.Reset();
    mtf_decoder.DecodeBuffer(values.get(), n);

    // Rows 0..n: the transformed bytes with the end-of-block marker at row vci. Each row links
    // to the row of the suffix one byte shorter, and carries its byte.
    const uint8_t* L = values.get();
    const int32_t rows = n + 1;
    int32_t next[256];
    {
        int32_t count[256] = {};
        for (int32_t k = 0; k < n; ++k)
            ++count[L[k]];
        int32_t sum = 1; // row 0 belongs to the marker, which sorts below every byte
        for (int c = 0; c < 256; ++c) {
            next[c] = sum;
            sum += count[c];
        }
    }
    // The walk through the rows is one chain of dependent loads from a table larger than the
    // core's cache, so it runs in two chains at once: backwards from the empty suffix's row
    // through the links (each row's LF row and byte), forwards from the whole block's row
    // through their inverse (each row's next row and first byte). Each chain makes half the
    // block, and on sound data they meet at the same row.
    uint32_t* link = links.get();
    uint32_t* forward = forward_links.get();
    forward[0] = uint32_t(vci) << 8; // the end of the block, never reached on sound data
    for (int32_t j = 0; j < vci; ++j) {
        const uint8_t c = L[j];
        const int32_t row = next[c]++;
        link[j] = uint32_t(row) << 8 | c;
        forward[row] = uint32_t(j) << 8 | c;
    }
    link[vci] = 0;
    for (int32_t j = vci + 1; j < rows; ++j) {
        const uint8_t c = L[j - 1];
        const int32_t row = next[c]++;
        link[j] = uint32_t(row) << 8 | c;
        forward[row] = uint32_t(j) << 8 | c;
    }

    // On sound data the backward chain visits n - half rows other than the whole block's, and
    // both chains stop at the row of the suffix at offset half; damaged indexes make the
    // backward chain reach the whole block's row, or the chains miss each other.
    const int32_t half = n / 2;
    int32_t back = 0, ahead = vci;
    int32_t k = n - 1, f = 0;
    for (; f < half; --k, ++f) {
        if (back == vci)
            throw EDataCorrupt(
                "Damaged data block: its transform does not lead through the block.");
        const uint32_t b = link[back];
        const uint32_t a = forward[ahead];
        out[k] = uint8_t(b);
        out[f] = uint8_t(a);
        back = int32_t(b >> 8);
        ahead = int32_t(a >> 8);
    }
    for (; k >= f; --k) {
        if (back == vci)
            throw EDataCorrupt(
                "Damaged data block: its transform does not lead through the block.");
        const uint32_t b = link[back];
        out[k] = uint8_t(b);
        back = int32_t(b >> 8);
    }
    if (back != ahead)
        throw EDataCorrupt("Damaged data block: its transform does not lead through the block.");
    const uint8_t origin_byte = origin_index < vci ? L[origin_index] : L[origin_index - 1];
    if (origin_byte != out[0])
        throw EDataCorrupt("Damaged data block: its first byte does not match its origin index.");

    TCRC32 check;
    check.Update(out, size_t(n));
    if (check.Value() != header.crc)
        throw EDataCorrupt("Damaged data block: CRC mismatch (stored " + Hex(header.crc) +
                           ", computed " + Hex(check.Value()) + ").");
    return n;
}
