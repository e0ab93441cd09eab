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

uint8_t TMTFBase::TakeFromList(int k) {
    const uint8_t c = list[k];
    std::memmove(list + 1, list, size_t(k));
    list[0] = c;
    return c;
}

int TMTFBase::FindInList(uint8_t c) const {
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(char(c));
    for (int k = 0; k < 256; k += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(list + k));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, wanted));
        if (mask) return k + __builtin_ctz(unsigned(mask));
    }
    return 255; // unreachable: list is a permutation
#else
    int k = 0;
    while (list[k] != c)
        ++k;
    return k;
#endif
}
