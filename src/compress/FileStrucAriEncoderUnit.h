#pragma once
// The arithmetic encoder writing into a bit file, and the coding of a whole block of
// move-to-front values with the zero-run mapping.

#include "StrucAriEncoderUnit.h"
#include "bit_file_unit.h"

class TFileStrucAriEncoder : public TStrucAriEncoder {
public:
    void OutputBit(int bit) override { bit_file->WriteBit(bit); }
    void OutputBits(uint32_t value, int count) override { bit_file->WriteBits(value, count); }

    // Codes the n move-to-front values buffer[1..n] as one coded block, starting on a fresh
    // byte and ending on a byte boundary.
    void EncodeBlock(TBitFile& bit_file, const uint8_t* buffer, int32_t n);

    TBitFile* bit_file = nullptr;

private:
    void EncodeZeroRun(int32_t length);
};
