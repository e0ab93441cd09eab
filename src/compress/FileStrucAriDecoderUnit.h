#pragma once
// The arithmetic decoder reading from a bit file: the bytes that bit reading may take (up to
// the file's read limit) are decoded in memory, and the file is left where a bit-by-bit reader
// would have left it.

#include "MemStrucAriDecoderUnit.h"
#include "bit_file_unit.h"

#include <vector>

class TFileStrucAriDecoder : public TMemStrucAriDecoder {
public:
    using TMemStrucAriDecoder::DecodeBlock;

    // Decodes one coded block into out[0..], returning the number of values. A block that
    // would hold more than capacity values, or whose stream does not end, raises EDataCorrupt.
    int32_t DecodeBlock(TBitFile& bit_file, uint8_t* out, int32_t capacity);

    TBitFile* bit_file = nullptr;

private:
    std::vector<uint8_t> coded;
};
