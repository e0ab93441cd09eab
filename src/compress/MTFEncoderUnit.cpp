#include "MTFEncoderUnit.h"

void TMTFEncoder::EncodeBuffer(uint8_t* data, int32_t count) {
#if GLD_WIDE_VECTORS
    if (wide) {
        EncodeBufferWide(data, count);
        return;
    }
#endif
    EncodeBufferPlain(data, count);
}

void TMTFEncoder::EncodeBufferPlain(uint8_t* data, int32_t count) {
    uint8_t front = list[0];
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t c = data[i];
        if (c == front) {
            data[i] = 0;
            continue;
        }
        const int k = FindInList(c);
        TakeFromList(k);
        front = c;
        data[i] = uint8_t(k);
    }
    RebuildPositions();
}

#if GLD_WIDE_VECTORS
// The list is not kept: a byte's value is its position, and a move to the front is one step
// that adds 1 to every position below the byte's, in four vectors whatever the position. The
// search through the list and the shift of the list both took as long as the position was far,
// and data that did not compress have their values spread over the whole list.
void TMTFEncoder::EncodeBufferWide(uint8_t* data, int32_t count) {
    const __m512i one = _mm512_set1_epi8(1);
    uint8_t front = list[0];
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t c = data[i];
        if (c == front) {
            data[i] = 0;
            continue;
        }
        const uint8_t k = position[c];
        const __m512i below = _mm512_set1_epi8(char(k));
        for (int q = 0; q < 4; ++q) {
            const __m512i p = _mm512_load_si512(position + 64 * q);
            _mm512_store_si512(position + 64 * q,
                               _mm512_mask_add_epi8(p, _mm512_cmplt_epu8_mask(p, below), p, one));
        }
        position[c] = 0;
        front = c;
        data[i] = k;
    }
    RebuildList();
}
#endif
