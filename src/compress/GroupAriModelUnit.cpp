#include "GroupAriModelUnit.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

struct TGroupSpec {
    int32_t first, last, max_total;
};

// Group 4's limit of 128 is lower than its neighbours' on purpose of the format: the stored
// blocks were coded with it.
constexpr TGroupSpec GROUPS[ARI_GROUP_COUNT] = {
    {0, 0, 0},        {1, 1, 0},        {2, 3, 256},      {4, 7, 256},     {8, 15, 128},
    {16, 31, 1024},   {32, 63, 2048},   {64, 127, 4096},  {128, 257, 8192},
};

// cum_freq[0..count-1] += increment: the one loop that grows with the model's size.
inline void AddToCumFreq(int32_t* cum_freq, int32_t count, int32_t increment) {
    int32_t k = 0;
#if defined(__SSE2__)
    const __m128i add = _mm_set1_epi32(increment);
    for (; k + 4 <= count; k += 4) {
        __m128i* at = reinterpret_cast<__m128i*>(cum_freq + k);
        _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), add));
    }
#endif
    for (; k < count; ++k) cum_freq[k] += increment;
}

} // namespace

TGroupAriModel::TGroupAriModel(int32_t first_symbol, int32_t last_symbol, int32_t max_total,
                               int32_t increment)
    : num_symbols(last_symbol - first_symbol + 1),
      num_indices(last_symbol - first_symbol + 2),
      max_total(max_total),
      increment(increment),
      first_symbol(first_symbol),
      last_symbol(last_symbol) {
    Reset();
}

void TGroupAriModel::Reset() {
    for (int32_t k = 0; k < num_symbols; ++k) {
        char_to_index[k] = k + 1;
        index_to_char[k + 1] = k;
    }
    for (int32_t i = 0; i <= num_indices; ++i) {
        freq[i] = 1;
        cum_freq[i] = num_indices - i;
    }
    freq[0] = 0;
}

void TGroupAriModel::Update(int32_t i) {
    if (cum_freq[0] >= max_total) {
        int32_t cum = 0;
        for (int32_t k = num_indices; k >= 0; --k) {
            freq[k] = (freq[k] + 1) / 2;
            cum_freq[k] = cum;
            cum += freq[k];
        }
    }
    // j: the lowest index of the run of i's frequency that ends at i. With an increment of 1
    // freq never increases over 1..num_indices, so a tie is one block and a binary search
    // finds its start; a larger increment can lift an index above its predecessor, and then
    // only the walk down the equal neighbours gives the same j.
    int32_t j = i;
    const int32_t f = freq[i];
    if (increment != 1) {
        while (freq[j] == freq[j - 1]) --j;
    } else if (freq[i - 1] == f) {
        int32_t lo = 1, hi = i - 1;
        while (lo < hi) {
            const int32_t mid = (lo + hi) / 2;
            if (freq[mid] <= f) hi = mid;
            else lo = mid + 1;
        }
        j = lo;
    }
    if (j < i) {
        const int32_t ch_i = index_to_char[i];
        const int32_t ch_j = index_to_char[j];
        index_to_char[i] = ch_j;
        index_to_char[j] = ch_i;
        char_to_index[ch_i] = j;
        char_to_index[ch_j] = i;
    }
    freq[j] += increment;
    AddToCumFreq(cum_freq, j, increment);
}

THeadAriModel::THeadAriModel()
    : head_model(std::make_unique<TGroupAriModel>(0, ARI_GROUP_COUNT - 1, 4096, 32)) {
    for (int32_t g = 0; g < ARI_GROUP_COUNT; ++g) {
        for (int32_t s = GROUPS[g].first; s <= GROUPS[g].last; ++s) group_of[s] = g;
        if (g > 1)
            sub_models[g] =
                std::make_unique<TGroupAriModel>(GROUPS[g].first, GROUPS[g].last, GROUPS[g].max_total, 1);
    }
}

void THeadAriModel::Reset() {
    head_model->Reset();
    for (int32_t g = 2; g < ARI_GROUP_COUNT; ++g) sub_models[g]->Reset();
}
