#include "BlockDecoderUnit.h"

#include "BlockManUnit.h"
#include "CRC32Unit.h"
#include "CompressErrors.h"
#include "LittleEndianUnit.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

// The walks through the rows at once, and the rows spread over the table that they start from
// besides the end of the block.
constexpr int WALKS = 8;
constexpr int SEEDS = 63;
// Each walk's room for its bytes: the whole block and a last round of steps, as the lengths of
// the walks are as good as random. Only the pages a block writes are ever touched.
constexpr int64_t WalkRoom(int32_t rows) {
    return int64_t(rows) + 256;
}
// A row where a walk stops: the block's start, or a row another walk started from.
constexpr uint32_t STOP = 0x80000000u;

[[noreturn]] void NotThroughTheBlock() {
    throw EDataCorrupt("Damaged data block: its transform does not lead through the block.");
}

} // namespace

TBlockDecoder::TBlockDecoder()
    : values(new uint8_t[size_t(MAX_BLOCK_SIZE)]), links(new uint32_t[size_t(MAX_BLOCK_SIZE) + 1]),
      pieces(new uint8_t[size_t(WALKS * WalkRoom(MAX_BLOCK_SIZE + 1))]),
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
        mtf_decoder.Reset();
        n = ari_decoder.DecodeBlock(in.subspan(size_t(DATA_HEADER_SIZE), size_t(compressed_size)),
                                    compressed_size, values.get(), limit, mtf_decoder);
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
    uint32_t* link = links.get();
    for (int32_t j = 0; j < vci; ++j) {
        const uint8_t c = L[j];
        link[j] = uint32_t(next[c]++) << 8 | c;
    }
    link[vci] = 0;
    for (int32_t j = vci + 1; j < rows; ++j) {
        const uint8_t c = L[j - 1];
        link[j] = uint32_t(next[c]++) << 8 | c;
    }
    Untransform(out, n, vci);
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

// The walk from the end of the block is one chain of dependent loads from a table larger than
// the core's cache, so several walks run at once. Rows spread over the table are marked as
// stops; WALKS walks at a time go from the end's row or from a marked row until they reach a
// marked row or the block's start, and a walk that stops takes the next marked row not yet
// started, so that the walks keep running together to the last. Their pieces are then put in
// place in the order they join up. On sound data every piece is reached once and together they
// make the block; damaged indexes or data break that, and are refused.
void TBlockDecoder::Untransform(uint8_t* out, int32_t n, int32_t vci) {
    uint32_t* link = links.get();
    const int32_t rows = n + 1;
    const int64_t room = WalkRoom(rows);

    // Walk 0 starts at the end of the block, walk w > 0 at seed[w].
    int32_t seed[SEEDS + 1];
    int seeds = 0;
    seed[0] = 0;
    if (n >= 16 * SEEDS)
        for (int k = 1; k <= SEEDS; ++k) {
            const int32_t row = int32_t(int64_t(k) * rows / (SEEDS + 1));
            if (row != vci) seed[++seeds] = row;
        }
    const int pieces_count = seeds + 1;
    link[vci] |= STOP;
    for (int w = 1; w < pieces_count; ++w)
        link[seed[w]] |= STOP;
    auto unmark = [&] {
        for (int w = 1; w < pieces_count; ++w)
            link[seed[w]] &= ~STOP;
        link[vci] &= ~STOP;
    };

    if (seeds > 0) {
        // Where each piece's bytes lie, how many, and the row it stopped at.
        const uint8_t* piece_at[SEEDS + 1];
        int32_t piece_length[SEEDS + 1], piece_stop[SEEDS + 1];
        int32_t at[WALKS], walk_of[WALKS];
        uint8_t* write[WALKS];
        const uint8_t* begin[WALKS];
        int next_walk = 0;
        auto start = [&](int k) {
            // A walk's first row is where it starts, not a stop. Without walks left, the slot
            // waits at the block's start, a stop row, and writes nothing.
            if (next_walk == pieces_count) {
                walk_of[k] = -1;
                at[k] = vci;
                return;
            }
            walk_of[k] = next_walk;
            begin[k] = write[k];
            const uint32_t e = link[seed[next_walk]] & ~STOP;
            *write[k]++ = uint8_t(e);
            at[k] = int32_t(e >> 8);
            ++next_walk;
        };
        for (int k = 0; k < WALKS; ++k) {
            write[k] = pieces.get() + k * room;
            start(k);
        }
        // Every step of every walk reads its row; a walk at a stop row stays there and writes
        // nothing new, so the steps need no branch. The walks are looked at every few steps.
        int finished = 0;
        for (int64_t steps = 0; finished < pieces_count && steps <= int64_t(rows) + 64;
             steps += 64) {
            for (int s = 0; s < 64; ++s)
                for (int k = 0; k < WALKS; ++k) {
                    const uint32_t e = link[at[k]];
                    const bool go = (e & STOP) == 0;
                    *write[k] = uint8_t(e);
                    write[k] += go;
                    at[k] = go ? int32_t(e >> 8) : at[k];
                }
            for (int k = 0; k < WALKS; ++k) {
                if (walk_of[k] < 0 || (link[at[k]] & STOP) == 0) continue;
                const int w = walk_of[k];
                piece_at[w] = begin[k];
                piece_length[w] = int32_t(write[k] - begin[k]);
                piece_stop[w] = at[k];
                ++finished;
                start(k);
            }
        }
        if (finished == pieces_count) {
            // From the end of the block: each piece runs backwards from where the one before
            // it stopped.
            int64_t place = n;
            bool used[SEEDS + 1] = {};
            for (int w = 0;;) {
                if (used[w] || piece_length[w] > place) NotThroughTheBlock();
                used[w] = true;
                const uint8_t* from = piece_at[w];
                for (int32_t i = 0; i < piece_length[w]; ++i)
                    out[place - 1 - i] = from[i];
                place -= piece_length[w];
                if (piece_stop[w] == vci) break;
                const int32_t* found =
                    std::lower_bound(seed + 1, seed + pieces_count, piece_stop[w]);
                if (found == seed + pieces_count || *found != piece_stop[w]) NotThroughTheBlock();
                w = int(found - seed);
            }
            if (place != 0) NotThroughTheBlock();
            for (int w = 0; w < pieces_count; ++w)
                if (!used[w]) NotThroughTheBlock();
            unmark();
            return;
        }
    }
    // One walk through the whole block: small blocks, or damaged data that no longer makes one
    // chain (a walk that goes round in circles).
    unmark();
    int32_t back = 0;
    for (int32_t k = n - 1; k >= 0; --k) {
        if (back == vci) NotThroughTheBlock();
        const uint32_t b = link[back];
        out[k] = uint8_t(b);
        back = int32_t(b >> 8);
    }
    if (back != vci) NotThroughTheBlock();
}
