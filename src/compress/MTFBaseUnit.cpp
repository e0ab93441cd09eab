#include "MTFBaseUnit.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void TMTFBase::Reset() {
    for (int k = 0; k < 256; ++k) {
        list[k] = uint8_t(k);
        position[k] = uint8_t(k);
    }
}

void TMTFBase::MoveToFront(uint8_t c) {
    int p = position[c];
    if (p == 0) return;
    for (int k = p; k >= 1; --k) {
        list[k] = list[k - 1];
        position[list[k]] = uint8_t(k);
    }
    list[0] = c;
    position[c] = 0;
}

void TMTFBase::RebuildPositions() {
    for (int k = 0; k < 256; ++k)
        position[list[k]] = uint8_t(k);
}

void TMTFBase::RebuildList() {
    for (int c = 0; c < 256; ++c)
        list[position[c]] = uint8_t(c);
}

uint8_t TMTFBase::TakeFromList(int k) {
    const uint8_t c = list[k];
    std::memmove(list + 1, list, size_t(k));
    list[0] = c;
    return c;
}

int TMTFBase::FindInList(uint8_t c) const {
#if defined(__SSE2__)
    // Sixty-four entries at a step: after the transform most values sit near the front, but
    // in data that did not compress they are spread over the whole list.
    const __m128i wanted = _mm_set1_epi8(char(c));
    auto mask_at = [&](int k) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(list + k));
        return uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, wanted))));
    };
    for (int k = 0; k < 256; k += 64) {
        const uint64_t mask =
            mask_at(k) | mask_at(k + 16) << 16 | mask_at(k + 32) << 32 | mask_at(k + 48) << 48;
        if (mask) return k + __builtin_ctzll(mask);
    }
    return 255; // unreachable: list is a permutation
#else
    int k = 0;
    while (list[k] != c)
        ++k;
    return k;
#endif
}
