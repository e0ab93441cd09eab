#pragma once
// The arithmetic decoder reading from a bit file, and the decoding of a whole coded block back
// into move-to-front values, the zero-run mapping undone.

#include "StrucAriDecoderUnit.h"
#include "bit_file_unit.h"

class TFileStrucAriDecoder : public TStrucAriDecoder {
public:
    int InputBit() override { return bit_file->ReadBit() ? 1 : 0; }
    uint32_t InputBits(int count) override { return bit_file->ReadBits(count); }

    // Decodes one coded block into out[0..], returning the number of values. A block that
    // would hold more than capacity values, or whose stream does not end, raises EDataCorrupt.
    int32_t DecodeBlock(TBitFile& bit_file, uint8_t* out, int32_t capacity);

    TBitFile* bit_file = nullptr;
};
