#pragma once
// The inverse of TStrucAriEncoder. Damaged input never leaves the model's tables: a code that
// falls outside every symbol raises EDataCorrupt.

#include "GroupAriModelUnit.h"
#include "StrucAriEncoderUnit.h"

#include "CompressErrors.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>

class TStrucAriDecoder {
public:
    TStrucAriDecoder();
    virtual ~TStrucAriDecoder();

    void StartDecoding();
    int32_t DecodeSymbol();
    void DoneDecoding() { model = nullptr; }

    virtual int InputBit() = 0;
    virtual uint32_t InputBits(int count) = 0;

    int32_t high = ARI_TOP_VALUE;
    int32_t low = 0;
    int32_t value = 0;
    THeadAriModel* model = nullptr;

protected:
    int32_t DecodeIndex(TGroupAriModel& m);
    // The damage reports, kept out of the inline decoding path.
    [[noreturn]] static void CodeOutOfRange();
    [[noreturn]] static void CodeNamesNoSymbol();

private:
    // Input is taken a byte at a time through InputBits(8) and handed out in bits. A coded
    // block starts on a byte boundary, so each byte is taken from the source exactly when its
    // first bit is needed, as a bit-by-bit reader would take it. count is 1..16.
    uint32_t NextBits(int count) {
        while (in_count < count) {
            in_bits = (in_bits << 8) | InputBits(8);
            in_count += 8;
        }
        in_count -= count;
        return (in_bits >> in_count) & ((1u << count) - 1);
    }
    uint32_t in_bits = 0;
    int in_count = 0;

    std::unique_ptr<THeadAriModel> model_storage;
};

// Inline: the coder runs them once or twice for every symbol.
inline int32_t TStrucAriDecoder::DecodeIndex(TGroupAriModel& m) {
    const int32_t range = high - low + 1;
    const int32_t total = m.cum_freq[0];
    const int32_t target = ((value - low + 1) * total - 1) / range;
    if (value < low || value > high || target < 0 || target >= total) CodeOutOfRange();
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
    if (i >= m.num_indices) CodeNamesNoSymbol();
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

inline int32_t TStrucAriDecoder::DecodeSymbol() {
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
