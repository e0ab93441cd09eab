#pragma once
// Move-to-front value -> byte value.

#include "MTFBaseUnit.h"

#include <algorithm>
#include <cstring>

#if GLD_WIDE_VECTORS
// Moves the byte at list position k >= 1 of at[0..255] to the front in four vector steps
// whatever k is: each of the list's four pieces is loaded one byte early and stored back where
// the position reaches. at[-1] must be readable.
GLD_WIDE_TARGET inline void ShiftListUp(uint8_t* at, int k) {
    const uint8_t c = at[k];
    const __m512i a = _mm512_loadu_si512(at - 1);
    const __m512i b = _mm512_loadu_si512(at + 63);
    const __m512i d = _mm512_loadu_si512(at + 127);
    const __m512i e = _mm512_loadu_si512(at + 191);
    // Lanes 1..k of the list move up one place.
    _mm512_mask_storeu_epi8(
        at, _bzhi_u64(~uint64_t(0), unsigned(std::min(k + 1, 64))) & ~uint64_t(1), a);
    _mm512_mask_storeu_epi8(at + 64, _bzhi_u64(~uint64_t(0), unsigned(std::clamp(k - 63, 0, 64))),
                            b);
    _mm512_mask_storeu_epi8(at + 128, _bzhi_u64(~uint64_t(0), unsigned(std::clamp(k - 127, 0, 64))),
                            d);
    _mm512_mask_storeu_epi8(at + 192, _bzhi_u64(~uint64_t(0), unsigned(std::clamp(k - 191, 0, 64))),
                            e);
    at[0] = c;
}
#endif

class TMTFDecoder : public TMTFBase {
public:
    uint8_t Decode(uint8_t k) {
        const uint8_t c = list[k];
        MoveToFront(c);
        return c;
    }
    // Decode of every value of data[0..count-1], in place; the list-only path for whole blocks.
    void DecodeBuffer(uint8_t* data, int32_t count);

    // The bytes of a run of values one at a time, for a coder that decodes each as it comes:
    // Next(k) gives what DecodeBuffer writes for k, Front() what it writes for 0, and Finish
    // leaves the decoder as DecodeBuffer does. The wide steps work on a copy of the list with
    // one byte before it, so that the first piece's early load stays in it; the bytes are the
    // same.
    template <bool Wide> class TSteps {
    public:
        explicit TSteps(TMTFDecoder& decoder) : m(decoder) {
            if constexpr (Wide) {
                std::memcpy(room + 64, m.list, 256);
                room[63] = 0;
            }
        }
        TSteps(const TSteps&) = delete;
        TSteps& operator=(const TSteps&) = delete;

        uint8_t Front() const { return Wide ? room[64] : m.list[0]; }
        // Inline, forced: the block loops run it for every value.
        [[gnu::always_inline]] uint8_t Next(uint8_t k) {
#if GLD_WIDE_VECTORS
            if constexpr (Wide) {
                uint8_t* at = room + 64;
                const uint8_t c = at[k];
                if (k != 0) ShiftListUp(at, k);
                return c;
            }
#endif
            return k == 0 ? m.list[0] : m.TakeFromList(k);
        }
        void Finish() {
            if constexpr (Wide) std::memcpy(m.list, room + 64, 256);
            m.RebuildPositions();
        }

    private:
        TMTFDecoder& m;
        alignas(64) uint8_t room[Wide ? 64 + 256 : 1];
    };

private:
    template <bool Wide> void DecodeValues(uint8_t* data, int32_t count);
    void DecodeBufferPlain(uint8_t* data, int32_t count);
#if GLD_WIDE_VECTORS
    GLD_WIDE_TARGET void DecodeBufferWide(uint8_t* data, int32_t count);
#endif
};
