#pragma once
// One block of raw bytes into one data block in memory: the 20-byte header, then the coded
// payload. CRC-32, suffix sort, the block-sorting transform read out through move-to-front
// coding, structured arithmetic coding.
//
// An encoder owns every buffer it works in (about 7 MB, allocated once), so encoders are
// independent of each other: one per thread codes blocks in parallel, and the bytes of a block
// are the same whichever encoder codes it.

#include "BWTBaseUnit.h"
#include "BlockManUnit.h"
#include "InducedSortUnit.h"
#include "MTFEncoderUnit.h"
#include "MemStrucAriEncoderUnit.h"

#include <cstdint>
#include <span>
#include <vector>

class TBlockEncoder {
public:
    TBlockEncoder();
    TBlockEncoder(const TBlockEncoder&) = delete;
    TBlockEncoder& operator=(const TBlockEncoder&) = delete;

    // Where a caller may put a block's raw bytes to save a copy: offsets 1..n, offset 0 is not
    // part of the block. EncodeInput reads them from there; anything else may overwrite them.
    uint8_t* InputBuffer() { return buffers.block_buf; }

    // Appends the data block of raw (1..BLOCK_SIZE bytes) to out and returns its header's
    // fields. A block of any other size raises std::out_of_range and leaves out as it was.
    TDataBlockInfo EncodeBlock(std::span<const uint8_t> raw, std::vector<uint8_t>& out);
    // The same for the n bytes at InputBuffer()[1..n].
    TDataBlockInfo EncodeInput(int32_t n, std::vector<uint8_t>& out);

    // Whether the loops built for 512-bit vectors code the blocks (where the machine has them;
    // the default there). The bytes are the same either way.
    void UseWideVectors(bool on) {
        mtf_encoder.UseWideVectors(on);
        ari_encoder.UseWideVectors(on);
    }

private:
    // Sorts the block and puts the byte before each row's suffix into work[1..n], skipping the
    // row of the whole block, and records where the block's first and whole suffixes sorted.
    void TransformBlock(int32_t n, TDataBlockInfo& info);

    TBlockMan buffers;
    TInducedSorter sorter;
    TMTFEncoder mtf_encoder;
    TMemStrucAriEncoder ari_encoder;
};
