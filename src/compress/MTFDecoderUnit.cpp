#include "MTFDecoderUnit.h"

#include <algorithm>
#include <cstring>

void TMTFDecoder::DecodeBuffer(uint8_t* data, int32_t count) {
#if GLD_WIDE_VECTORS
    if (wide) {
        DecodeBufferWide(data, count);
        return;
    }
#endif
    DecodeBufferPlain(data, count);
}

void TMTFDecoder::DecodeBufferPlain(uint8_t* data, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t k = data[i];
        data[i] = k == 0 ? list[0] : TakeFromList(k);
    }
    RebuildPositions();
}

#if GLD_WIDE_VECTORS
// The shift of the list is four vector steps whatever the position: each of the list's four
// pieces is loaded one byte early and stored back where the position reaches. The list is
// worked on in a copy with one byte before it, so that the first piece's early load stays in it.
void TMTFDecoder::DecodeBufferWide(uint8_t* data, int32_t count) {
    alignas(64) uint8_t room[64 + 256];
    uint8_t* const at = room + 64;
    std::memcpy(at, list, 256);
    room[63] = 0;
    for (int32_t i = 0; i < count; ++i) {
        const int k = data[i];
        const uint8_t c = at[k];
        data[i] = c;
        if (k == 0) continue;
        const __m512i a = _mm512_loadu_si512(at - 1);
        const __m512i b = _mm512_loadu_si512(at + 63);
        const __m512i d = _mm512_loadu_si512(at + 127);
        const __m512i e = _mm512_loadu_si512(at + 191);
        // Lanes 1..k of the list move up one place.
        _mm512_mask_storeu_epi8(
            at, _bzhi_u64(~uint64_t(0), unsigned(std::min(k + 1, 64))) & ~uint64_t(1), a);
        _mm512_mask_storeu_epi8(at + 64,
                                _bzhi_u64(~uint64_t(0), unsigned(std::clamp(k - 63, 0, 64))), b);
        _mm512_mask_storeu_epi8(at + 128,
                                _bzhi_u64(~uint64_t(0), unsigned(std::clamp(k - 127, 0, 64))), d);
        _mm512_mask_storeu_epi8(at + 192,
                                _bzhi_u64(~uint64_t(0), unsigned(std::clamp(k - 191, 0, 64))), e);
        at[0] = c;
    }
    std::memcpy(list, at, 256);
    RebuildPositions();
}
#endif
