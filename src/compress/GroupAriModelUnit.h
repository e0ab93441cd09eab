#pragma once
// Adaptive frequency models of the structured arithmetic coder: one model per symbol group,
// and the two-level model that codes a symbol as its group, then its offset in the group.

#include "WideVectorsUnit.h"

#include <cstdint>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

constexpr int ARI_TABLE_SIZE = 301;
constexpr int ARI_GROUP_COUNT = 9;

// The largest total a model codes with: group 8 halves on reaching 8192, then adds 1; the
// head model stays below 4096 + 32.
constexpr int32_t ARI_MAX_TOTAL = 8192;

// (range * cum) / total without a division, by the reciprocal 2^45 / total rounded up. Exact
// for range <= 2^16 and cum <= total <= ARI_MAX_TOTAL: the rounding adds less than
// range * cum / 2^45 <= total / 2^29 to the quotient, below the 1 / total that separates a
// fraction from the next whole number; and the product stays below 2^62.
class TAriReciprocals {
public:
    constexpr TAriReciprocals() : of{} {
        for (int32_t t = 1; t <= ARI_MAX_TOTAL; ++t)
            of[t] = (uint64_t(1) << SHIFT) / uint64_t(t) + 1;
    }
    // cum * reciprocal first: both come from the model, ready before range, which the coder
    // works out from the symbol before; so only one multiplication waits for it. The product
    // is the same: cum times the reciprocal is at most 2^45 + total, times range below 2^62.
    int32_t Scale(int32_t range, int32_t cum, int32_t total) const {
        return int32_t((uint64_t(uint32_t(range)) * (uint64_t(uint32_t(cum)) * of[total])) >>
                       SHIFT);
    }

private:
    static constexpr int SHIFT = 45;
    uint64_t of[ARI_MAX_TOTAL + 1];
};
inline constexpr TAriReciprocals ARI_RECIPROCALS;

// One adaptive model over first_symbol..last_symbol. Coding indices run 1..num_indices, the
// most frequent symbol at index 1; index num_indices is never coded and reserves one count.
class TGroupAriModel {
public:
    TGroupAriModel(int32_t first_symbol, int32_t last_symbol, int32_t max_total, int32_t increment);
    void Reset();
    // Accounts for one coding of index i: halves first if the total has reached max_total,
    // moves i's symbol in front of its equals, then adds increment. Forced inline: as a call
    // it cut the coder's loop in two where the compiler could not schedule across it. Wide:
    // the coder runs with 512-bit vectors (the same counts either way).
    template <bool Wide = false> [[gnu::always_inline]] void Update(int32_t i);

    int32_t num_symbols;
    int32_t num_indices;
    int32_t max_total;
    int32_t increment;
    int32_t char_to_index[ARI_TABLE_SIZE] = {};
    int32_t index_to_char[ARI_TABLE_SIZE] = {};
    int32_t first_symbol;
    int32_t last_symbol;
    // Sixteen-entry pieces from index 0 that cover every index: what the wide code works in.
    // The tables run to a whole piece past the largest model's last index, with zeros there.
    int32_t pieces;
    alignas(64) int32_t freq[ARI_TABLE_SIZE + 19] = {};
    alignas(64) int32_t cum_freq[ARI_TABLE_SIZE + 19] = {};
};

class THeadAriModel {
public:
    THeadAriModel();
    // Back to the state of a new model: every block starts from it.
    void Reset();
    int32_t GroupOf(int32_t symbol) const { return group_of[symbol]; }

    int32_t group_of[ARI_TABLE_SIZE] = {};
    std::unique_ptr<TGroupAriModel> head_model;
    std::unique_ptr<TGroupAriModel> sub_models[ARI_GROUP_COUNT]; // 0 and 1 stay empty
};

// cum_freq[0..count-1] += increment, count >= 1: the one loop that grows with the model's size.
// It works in whole groups of eight from the front, the last one masked, so that every update
// stores the same 16-byte pieces and the next update's loads are served from them without a
// stall (the tables run far enough past any model's indices). One loop whose last turn is
// masked leaves a single branch to mispredict where separate tails would leave three.
inline void AddToCumFreq(int32_t* cum_freq, int32_t count, int32_t increment) {
#if defined(__SSE2__)
    const __m128i add = _mm_set1_epi32(increment);
    int32_t k = 0;
    for (; k + 8 < count; k += 8) {
        __m128i* at = reinterpret_cast<__m128i*>(cum_freq + k);
        const __m128i a = _mm_add_epi32(_mm_load_si128(at), add);
        const __m128i b = _mm_add_epi32(_mm_load_si128(at + 1), add);
        _mm_store_si128(at, a);
        _mm_store_si128(at + 1, b);
    }
    const __m128i left = _mm_set1_epi32(count - k);
    const __m128i low_lanes = _mm_cmpgt_epi32(left, _mm_set_epi32(3, 2, 1, 0));
    const __m128i high_lanes = _mm_cmpgt_epi32(left, _mm_set_epi32(7, 6, 5, 4));
    __m128i* at = reinterpret_cast<__m128i*>(cum_freq + k);
    const __m128i a = _mm_add_epi32(_mm_load_si128(at), _mm_and_si128(add, low_lanes));
    const __m128i b = _mm_add_epi32(_mm_load_si128(at + 1), _mm_and_si128(add, high_lanes));
    _mm_store_si128(at, a);
    _mm_store_si128(at + 1, b);
#else
    for (int32_t k = 0; k < count; ++k)
        cum_freq[k] += increment;
#endif
}

#if GLD_WIDE_VECTORS
// The wide code's vector steps. Not forced inline: the templates that call them are built for
// every machine first, where these cannot go; once those are inlined into the wide loops, these
// are inlined there.

// How many of a[0..16 * pieces - 1] (aligned to 64 bytes) are above value. Over a table that
// does not rise it is the index of the first entry at or below value, found without a branch
// that depends on where that entry is: in nearly random data every search ends elsewhere and
// a search that stops early mispredicted its last step each time.
GLD_WIDE_TARGET inline int32_t AriCountAbove(const int32_t* a, int32_t pieces, int32_t value) {
    const __m512i v = _mm512_set1_epi32(value);
    int32_t count = 0;
    for (int32_t k = 0; k < pieces; ++k)
        count += __builtin_popcount(_mm512_cmpgt_epi32_mask(_mm512_load_si512(a + 16 * k), v));
    return count;
}

// How many of cum_freq[0..16 * pieces - 1] (aligned to 64 bytes) times range reach scaled: the
// decoder's search over a table that does not rise, as AriCountAbove with no division first.
GLD_WIDE_TARGET inline int32_t AriCountReaching(const int32_t* cum_freq, int32_t pieces,
                                                int32_t range, int32_t scaled) {
    const __m512i r = _mm512_set1_epi32(range);
    const __m512i v = _mm512_set1_epi32(scaled);
    int32_t count = 0;
    for (int32_t k = 0; k < pieces; ++k) {
        const __m512i product = _mm512_mullo_epi32(_mm512_load_si512(cum_freq + 16 * k), r);
        count += __builtin_popcount(_mm512_cmpge_epi32_mask(product, v));
    }
    return count;
}

// cum_freq[0..count-1] += increment over whole pieces, the same work whatever count is.
GLD_WIDE_TARGET inline void AriAddBelow(int32_t* cum_freq, int32_t pieces, int32_t count,
                                        int32_t increment) {
    const __m512i add = _mm512_set1_epi32(increment);
    const __m512i limit = _mm512_set1_epi32(count);
    const __m512i step = _mm512_set1_epi32(16);
    __m512i at = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    for (int32_t k = 0; k < pieces; ++k) {
        const __m512i c = _mm512_load_si512(cum_freq + 16 * k);
        _mm512_store_si512(cum_freq + 16 * k,
                           _mm512_mask_add_epi32(c, _mm512_cmplt_epi32_mask(at, limit), c, add));
        at = _mm512_add_epi32(at, step);
    }
}
#endif

// Inline: the coder calls it once or twice for every symbol.
template <bool Wide> inline void TGroupAriModel::Update(int32_t i) {
    if (cum_freq[0] >= max_total) {
        int32_t cum = 0;
        for (int32_t k = num_indices; k >= 0; --k) {
            freq[k] = (freq[k] + 1) / 2;
            cum_freq[k] = cum;
            cum += freq[k];
        }
    }
    // j: the lowest index of the run of i's frequency that ends at i. Busy models have long
    // runs of equal counts, so the walk goes four entries at a step where it can.
    int32_t j = i;
    const int32_t f = freq[i];
#if GLD_WIDE_VECTORS
    if constexpr (Wide) {
        // Counts of 1 keep the frequencies falling from index 1 on (index 0 holds 0), so the
        // run starts after the entries above f. A larger increment can lift a count above its
        // predecessor's; that model is walked.
        if (increment == 1) {
            j = 1 + AriCountAbove(freq, pieces, f);
            goto found;
        }
    }
#endif
#if defined(__SSE2__)
    if (freq[j - 1] != f) goto found;
    for (const __m128i wanted = _mm_set1_epi32(f); j >= 5;) {
        const __m128i below = _mm_loadu_si128(reinterpret_cast<const __m128i*>(freq + j - 4));
        const int equal = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(below, wanted)));
        if (equal != 0xF) {
            // The highest of the four that differs ends the run.
            j -= 3 - (31 - __builtin_clz(unsigned(~equal & 0xF)));
            goto found;
        }
        j -= 4;
    }
#endif
    while (freq[j - 1] == f)
        --j;
found : {
    // The swap of i's and j's symbols, done also where j = i (it changes nothing then):
    // whether the run had other members went either way from symbol to symbol.
    const int32_t ch_i = index_to_char[i];
    const int32_t ch_j = index_to_char[j];
    index_to_char[i] = ch_j;
    index_to_char[j] = ch_i;
    char_to_index[ch_i] = j;
    char_to_index[ch_j] = i;
}
    freq[j] += increment;
#if GLD_WIDE_VECTORS
    if constexpr (Wide) {
        AriAddBelow(cum_freq, pieces, j, increment);
        return;
    }
#endif
    AddToCumFreq(cum_freq, j, increment);
}
