#pragma once
// Byte value -> move-to-front value.

#include "MTFBaseUnit.h"

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

    // The values of a run of bytes one at a time, for a coder that codes each as it comes:
    // Next(c) gives what EncodeBuffer writes for c, Finish leaves the encoder as EncodeBuffer
    // does. The wide steps keep only the positions (a byte's value is its position), the others
    // only the list; the values are the same.
    template <bool Wide> class TSteps {
    public:
        explicit TSteps(TMTFEncoder& encoder) : m(encoder), front(encoder.list[0]) {}
        // Inline, forced: the block loops run it for every byte.
        [[gnu::always_inline]] uint8_t Next(uint8_t c) {
            if (c == front) return 0;
            uint8_t k;
#if GLD_WIDE_VECTORS
            if constexpr (Wide) {
                k = m.position[c];
                RaisePositionsBelow(m.position, k);
                m.position[c] = 0;
            } else
#endif
            {
                k = uint8_t(m.FindInList(c));
                m.TakeFromList(k);
            }
            front = c;
            return k;
        }
        void Finish() {
            if constexpr (Wide)
                m.RebuildList();
            else
                m.RebuildPositions();
        }

    private:
        TMTFEncoder& m;
        uint8_t front;
    };

private:
    template <bool Wide> void EncodeValues(uint8_t* data, int32_t count);
#if GLD_WIDE_VECTORS
    GLD_WIDE_TARGET void EncodeBufferWide(uint8_t* data, int32_t count);
#endif
};
