#pragma once
// Move-to-front value -> byte value.

#include "MTFBaseUnit.h"

class TMTFDecoder : public TMTFBase {
public:
    uint8_t Decode(uint8_t k) {
        const uint8_t c = list[k];
        MoveToFront(c);
        return c;
    }
    // Decode of every value of data[0..count-1], in place; the list-only path for whole blocks.
    void DecodeBuffer(uint8_t* data, int32_t count);

private:
    void DecodeBufferPlain(uint8_t* data, int32_t count);
#if GLD_WIDE_VECTORS
    GLD_WIDE_TARGET void DecodeBufferWide(uint8_t* data, int32_t count);
#endif
};
