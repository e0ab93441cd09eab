#include "StrucAriDecoderUnit.h"

#include "CompressErrors.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

TStrucAriDecoder::TStrucAriDecoder() : model_storage(std::make_unique<THeadAriModel>()) {}

TStrucAriDecoder::~TStrucAriDecoder() = default;

void TStrucAriDecoder::StartDecoding() {
    in_bits = 0;
    in_count = 0;
    value = int32_t(NextBits(16));
    low = 0;
    high = ARI_TOP_VALUE;
    model_storage->Reset();
    model = model_storage.get();
}

int32_t TStrucAriDecoder::DecodeIndex(TGroupAriModel& m) {
    const int32_t range = high - low + 1;
    const int32_t total = m.cum_freq[0];
    const int32_t target = ((value - low + 1) * total - 1) / range;
    if (value < low || value > high || target < 0 || target >= total)
        throw EDataCorrupt("Damaged data block: the coded data leave the coder's range.");
    // Frequent symbols sit at the low indices, so a walk from the front is short and its one
    // branch predictable; it ends at the reserved last index at the latest (cum_freq 0).
    int32_t i = 1;
#if defined(__SSE2__)
    // The first two entries take most codings after the transform; past them, four entries at
    // a step (the tables run far enough past num_indices for the last step).
    if (m.cum_freq[1] <= target) goto found;
    i = 2;
    if (m.cum_freq[2] <= target) goto found;
    i = 3;
    for (const __m128i t = _mm_set1_epi32(target);; i += 4) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m.cum_freq + i));
        const int above = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(c, t)));
        if (above != 0xF) {
            i += __builtin_ctz(unsigned(~above & 0xF));
            break;
        }
    }
found:
#else
    while (m.cum_freq[i] > target)
        ++i;
#endif
    // The last index only reserves a count; no encoder ever codes it.
    if (i >= m.num_indices)
        throw EDataCorrupt("Damaged data block: the coded data name no symbol.");
    high = low + ARI_RECIPROCALS.Scale(range, m.cum_freq[i - 1], total) - 1;
    low = low + ARI_RECIPROCALS.Scale(range, m.cum_freq[i], total);
    // The encoder's two runs of shifts, at once; value shares low's and high's leading bits.
    const uint32_t shared = uint32_t(low ^ high);
    if ((shared & 0x8000) == 0) {
        const int k = std::countl_zero(shared) - 16;
        low = (low << k) & 0xFFFF;
        high = ((high << k) & 0xFFFF) | ((1 << k) - 1);
        value = ((value << k) & 0xFFFF) | int32_t(NextBits(k));
    }
    if (low >= ARI_FIRST_QUARTER && high < ARI_THIRD_QUARTER) {
        const uint32_t stop = ((~uint32_t(low)) | uint32_t(high)) & 0x7FFF;
        const int steps = std::min(std::countl_zero(stop << 17), 15);
        low = ((low << steps) & 0xFFFF) ^ 0x8000;
        high = (((high << steps) & 0xFFFF) ^ 0x8000) | ((1 << steps) - 1);
        value = (((value << steps) & 0xFFFF) ^ 0x8000) | int32_t(NextBits(steps));
    }
    return i;
}

int32_t TStrucAriDecoder::DecodeSymbol() {
    TGroupAriModel& head = *model->head_model;
    int32_t i = DecodeIndex(head);
    const int32_t g = head.index_to_char[i];
    head.Update(i);
    if (g <= 1) return g;
    TGroupAriModel& m = *model->sub_models[g];
    i = DecodeIndex(m);
    const int32_t offset = m.index_to_char[i];
    m.Update(i);
    return m.first_symbol + offset;
}
