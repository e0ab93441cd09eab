#pragma once
// The expander over a bit file: the data block at the file's position back into its raw bytes.
// The decoding itself is the block decoder's, in memory; this reads the block's bytes for it.

#include "BWTBaseUnit.h"
#include "BlockDecoderUnit.h"
#include "bit_file_unit.h"

#include <cstdint>
#include <vector>

class TExpander : public TBWTBase {
public:
    TExpander();
    ~TExpander() override;

    // Reads the data block at archive_file's position and returns its raw bytes; the file is
    // left at the next data block. expected_size, when given (>= 0), is the raw length the
    // file entry promises for this block, and any other length is an error. A damaged block
    // raises an ECompressError subclass (ESignatureWrong, EDataCorrupt).
    std::vector<uint8_t> ExpandBlock(TBitFile& archive_file, int32_t expected_size = -1);
    // The same into out[0..capacity-1]; returns the raw length.
    int32_t ExpandBlock(TBitFile& archive_file, uint8_t* out, int32_t capacity,
                        int32_t expected_size = -1);

    // The header of the last block read.
    uint32_t crc = 0;
    int32_t compressed_size = 0;
    int32_t origin_index = 0;
    int32_t virtual_char_index = 0;

    TBlockDecoder decoder;

private:
    std::vector<uint8_t> coded;
    std::vector<uint8_t> expanded; // for the vector-returning form
};
