#include "MTFEncoderUnit.h"

namespace {

#if GLD_WIDE_VECTORS
// Moves the byte at position k to the front where only positions are kept: every position below
// k goes up by one, in four vectors whatever k is. The search through the list and the shift of
// the list both took as long as the position was far, and data that did not compress have their
// values spread over the whole list.
GLD_WIDE_TARGET inline void RaisePositionsBelow(uint8_t* position, uint8_t k) {
    const __m512i one = _mm512_set1_epi8(1);
    const __m512i below = _mm512_set1_epi8(char(k));
    for (int q = 0; q < 4; ++q) {
        const __m512i p = _mm512_load_si512(position + 64 * q);
        _mm512_store_si512(position + 64 * q,
                           _mm512_mask_add_epi8(p, _mm512_cmplt_epu8_mask(p, below), p, one));
    }
}
#endif

} // namespace

// Inline into the two builds below. The wide one keeps only the positions (a byte's value is
// its position), the other only the list.
template <bool Wide>
[[gnu::always_inline]] inline void TMTFEncoder::EncodeValues(uint8_t* data, int32_t count) {
    uint8_t front = list[0];
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t c = data[i];
        if (c == front) {
            data[i] = 0;
            continue;
        }
        uint8_t k;
#if GLD_WIDE_VECTORS
        if constexpr (Wide) {
            k = position[c];
            RaisePositionsBelow(position, k);
            position[c] = 0;
        } else
#endif
        {
            k = uint8_t(FindInList(c));
            TakeFromList(k);
        }
        front = c;
        data[i] = k;
    }
    if constexpr (Wide)
        RebuildList();
    else
        RebuildPositions();
}

void TMTFEncoder::EncodeBuffer(uint8_t* data, int32_t count) {
#if GLD_WIDE_VECTORS
    if (wide) {
        EncodeBufferWide(data, count);
        return;
    }
#endif
    EncodeValues<false>(data, count);
}

#if GLD_WIDE_VECTORS
void TMTFEncoder::EncodeBufferWide(uint8_t* data, int32_t count) {
    EncodeValues<true>(data, count);
}
#endif
