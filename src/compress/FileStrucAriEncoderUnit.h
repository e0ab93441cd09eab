#pragma once
// The arithmetic encoder writing into a bit file: a coded block of move-to-front values, coded
// in memory, then handed to the file.

#include "MemStrucAriEncoderUnit.h"
#include "bit_file_unit.h"

#include <vector>

class TFileStrucAriEncoder : public TMemStrucAriEncoder {
public:
    using TMemStrucAriEncoder::EncodeBlock;

    // Codes the n move-to-front values buffer[1..n] as one coded block, starting on a fresh
    // byte and ending on a byte boundary.
    void EncodeBlock(TBitFile& bit_file, const uint8_t* buffer, int32_t n);

    TBitFile* bit_file = nullptr;

private:
    std::vector<uint8_t> coded;
};
