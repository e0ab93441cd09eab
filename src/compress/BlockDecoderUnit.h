#pragma once
// One data block in memory (20-byte header, then the coded payload) back into its raw bytes.
// It reads archives that may be damaged or hostile, so it checks every field against what the
// block can hold and raises an ECompressError subclass (ESignatureWrong, EDataCorrupt) with a
// clear message on any fault; it never reads or writes outside its buffers.
//
// A decoder owns its buffers (about 6 MB, allocated once, of which a block touches about half);
// decoders are independent of each other, so one per thread may expand blocks in parallel.

#include "BWTBaseUnit.h"
#include "MTFDecoderUnit.h"
#include "MemStrucAriDecoderUnit.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class TBlockDecoder {
public:
    // No block of BLOCK_SIZE bytes codes anywhere near this long (the coder spends at most a
    // few bytes per byte); a longer payload is damage, refused before anything is read for it.
    static constexpr int32_t MAX_PAYLOAD_SIZE = 8 * BLOCK_SIZE + 4096;

    TBlockDecoder();
    ~TBlockDecoder();
    TBlockDecoder(const TBlockDecoder&) = delete;
    TBlockDecoder& operator=(const TBlockDecoder&) = delete;

    // Expands the data block at the start of in into out[0..capacity-1] and returns its raw
    // length; the block occupies the first BlockLength() bytes of in. expected_size, when given
    // (>= 0), is the raw length the file entry promises for this block, and any other length is
    // an error.
    int32_t DecodeBlock(std::span<const uint8_t> in, uint8_t* out, int32_t capacity,
                        int32_t expected_size = -1);
    std::vector<uint8_t> DecodeBlock(std::span<const uint8_t> in, int32_t expected_size = -1);

    // Checks the header at the start of in (signature, then a payload that fits in and the
    // size limit) and keeps its fields in header.
    void ReadHeader(std::span<const uint8_t> in);
    // Header plus payload of the last block read.
    size_t BlockLength() const { return size_t(DATA_HEADER_SIZE) + size_t(header.compressed_size); }

    TDataBlockInfo header;

    // Whether the loops built for 512-bit vectors expand the blocks (where the machine has
    // them; the default there). The bytes are the same either way.
    void UseWideVectors(bool on) {
        ari_decoder.UseWideVectors(on);
        mtf_decoder.UseWideVectors(on);
    }

private:
    TMemStrucAriDecoder ari_decoder;
    TMTFDecoder mtf_decoder;
    // Allocated once and left uninitialised: every byte is written before it is read.
    std::unique_ptr<uint8_t[]> values; // the transformed bytes, as the coder hands them out
    std::unique_ptr<uint32_t[]> links; // per row: the next row to visit << 8 | the row's byte
    std::unique_ptr<uint8_t[]> pieces; // the walks' bytes before they are put in place
    std::unique_ptr<uint8_t[]> output; // the block for the vector-returning form

    // Walks the rows from the end of the block to its start into out[0..n-1].
    void Untransform(uint8_t* out, int32_t n, int32_t vci);
};
