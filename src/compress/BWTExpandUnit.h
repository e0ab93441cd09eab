#pragma once
// The expander: one data block back into its raw bytes. It reads archives that may be damaged
// or hostile, so it checks every field against what the block can hold and raises an
// ECompressError subclass (ESignatureWrong, EDataCorrupt) with a clear message on any fault;
// it never reads or writes outside its buffers.

#include "BWTBaseUnit.h"
#include "FileStrucAriDecoderUnit.h"
#include "MTFDecoderUnit.h"
#include "bit_file_unit.h"

#include <cstdint>
#include <memory>
#include <vector>

class TExpander : public TBWTBase {
public:
    // Allocates the expander's own buffers once; expanding allocates nothing more.
    TExpander();
    ~TExpander() override;

    // Reads the data block at archive_file's position and returns its raw bytes; the file is
    // left at the next data block. expected_size, when given (>= 0), is the raw length the
    // file entry promises for this block, and any other length is an error.
    std::vector<uint8_t> ExpandBlock(TBitFile& archive_file, int32_t expected_size = -1);
    // The same into out[0..capacity-1]; returns the raw length.
    int32_t ExpandBlock(TBitFile& archive_file, uint8_t* out, int32_t capacity,
                        int32_t expected_size = -1);

    std::unique_ptr<TFileStrucAriDecoder> ari_decoder;
    std::unique_ptr<TMTFDecoder> mtf_decoder;

    // The header of the last block read.
    uint32_t crc = 0;
    int32_t compressed_size = 0;
    int32_t origin_index = 0;
    int32_t virtual_char_index = 0;

private:
    // Allocated once and left uninitialised: every byte is written before it is read.
    std::unique_ptr<uint8_t[]> values;   // move-to-front values, then the transformed bytes
    std::unique_ptr<uint32_t[]> links;   // per row: the next row to visit << 8 | the row's byte
    std::unique_ptr<uint8_t[]> output;   // the block for the vector-returning form
};
