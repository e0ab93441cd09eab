#pragma once
// Byte value -> move-to-front value.

#include "MTFBaseUnit.h"

class TMTFEncoder : public TMTFBase {
public:
    // position[c] before the move, then c moves to the front.
    uint8_t Encode(uint8_t c) {
        const uint8_t k = position[c];
        MoveToFront(c);
        return k;
    }
    // Encode of every byte of data[0..count-1], in place; the list-only path for whole blocks.
    void EncodeBuffer(uint8_t* data, int32_t count);

private:
    template <bool Wide> void EncodeValues(uint8_t* data, int32_t count);
#if GLD_WIDE_VECTORS
    GLD_WIDE_TARGET void EncodeBufferWide(uint8_t* data, int32_t count);
#endif
};
