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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The damage reports, kept out of the inline decoding path.
[[noreturn]] void AriCodeOutOfRange();
[[noreturn]] void AriCodeNamesNoSymbol();

// The decoder's registers and its bits not used yet. A block loop keeps them in a local, so
// that they stay in machine registers from symbol to symbol. Bits come from fill(registers,
// count), which appends whole bytes to in_bits (the oldest highest) until in_count >= count;
// a coded block starts on a byte boundary, so a byte is taken exactly when its first bit is
// needed, as a bit-by-bit reader would take it.
struct TAriDecoderRegisters {
    int32_t low = 0;
    int32_t high = ARI_TOP_VALUE;
    int32_t value = 0;
    uint64_t in_bits = 0;
    int in_count = 0;

    // count is 0..16.
    template <class Fill> [[gnu::always_inline]] uint32_t NextBits(int count, Fill& fill) {
        if (in_count < count) fill(*this, count);
        in_count -= count;
        return uint32_t(in_bits >> in_count) & ((1u << count) - 1);
    }
    // Wide: built for 512-bit vectors (TGroupAriModel::Update).
    template <bool Wide, class Fill>
    [[gnu::always_inline]] int32_t DecodeIndex(TGroupAriModel& m, Fill& fill);
    template <bool Wide, class Fill>
    [[gnu::always_inline]] int32_t DecodeSymbol(THeadAriModel& model, Fill& fill);
};

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
    // The model back in its first state, for a block decoded without StartDecoding.
    THeadAriModel& ResetModel();

private:
    uint64_t in_bits = 0;
    int in_count = 0;
    std::unique_ptr<THeadAriModel> model_storage;
};

// Inline: the coder runs them once or twice for every symbol.
template <bool Wide, class Fill>
inline int32_t TAriDecoderRegisters::DecodeIndex(TGroupAriModel& m, Fill& fill) {
    const int32_t range = high - low + 1;
    const int32_t total = m.cum_freq[0];
    // Inside [low, high] the code's target, ((value - low + 1) * total - 1) / range, lies in
    // 0..total-1. A count c is above the target exactly when c * range >= scaled; the first
    // two entries, which take most codings after the transform, are tested so, without the
    // division (the products stay below 2^29).
    if (value < low || value > high) AriCodeOutOfRange();
    const int32_t scaled = (value - low + 1) * total;
    int32_t i = 1;
#if GLD_WIDE_VECTORS
    if constexpr (Wide) {
        // Every entry tested so at once: no division, and no branch on where the search ends.
        i = AriCountReaching(m.cum_freq, m.pieces, range, scaled);
        goto found;
    }
#endif
    if (m.cum_freq[1] * range < scaled) goto found;
    i = 2;
    if (m.cum_freq[2] * range < scaled) goto found;
    {
        // The rest is searched from the front; the search ends at the reserved last index at
        // the latest (cum_freq 0).
        const int32_t target = (scaled - 1) / range;
#if defined(__SSE2__)
        // Sixteen entries at a step cross the large groups of nearly random data in a few
        // steps (the tables run far enough past num_indices for the last step). The steps
        // start at 0, where the last update's aligned stores begin: a load across two of them
        // would wait for both to reach the cache. Entries 0..2 lie above the target already.
        i = 0;
        for (const __m128i t = _mm_set1_epi32(target);; i += 16) {
            const __m128i* c = reinterpret_cast<const __m128i*>(m.cum_freq + i);
            const int above =
                _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(_mm_load_si128(c), t))) |
                _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(_mm_load_si128(c + 1), t))) << 4 |
                _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(_mm_load_si128(c + 2), t))) << 8 |
                _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(_mm_load_si128(c + 3), t))) << 12;
            if (above != 0xFFFF) {
                i += __builtin_ctz(unsigned(~above & 0xFFFF));
                break;
            }
        }
#else
        i = 3;
        while (m.cum_freq[i] > target)
            ++i;
#endif
    }
found:
    // The last index only reserves a count; no encoder ever codes it.
    if (i >= m.num_indices) AriCodeNamesNoSymbol();
    high = low + ARI_RECIPROCALS.Scale(range, m.cum_freq[i - 1], total) - 1;
    low = low + ARI_RECIPROCALS.Scale(range, m.cum_freq[i], total);
    // The encoder's two runs of shifts, at once and without a branch (a run of length 0
    // changes nothing); value shares low's and high's leading bits.
    const uint32_t shared = uint32_t(low ^ high);
    const int k = std::countl_zero(shared << 16); // 0..15: low and high differ, as there
    // The underflow steps counted before the k shifts, and both runs in one shift, as the
    // encoder does; at most 15 bits come in, and the flipped top bit is never one of them.
    const int kept = 15 - k;
    const uint32_t stop = (~uint32_t(low) | uint32_t(high)) & ((1u << kept) - 1);
    const int steps = std::countl_zero(stop) - (32 - kept);
    const int shift = k + steps;
    const int32_t flip = steps > 0 ? 0x8000 : 0;
    low = ((low << shift) & 0xFFFF) ^ flip;
    high = (((high << shift) & 0xFFFF) ^ flip) | ((1 << shift) - 1);
    value = (((value << shift) & 0xFFFF) | int32_t(NextBits(shift, fill))) ^ flip;
    return i;
}

template <bool Wide, class Fill>
inline int32_t TAriDecoderRegisters::DecodeSymbol(THeadAriModel& model, Fill& fill) {
    TGroupAriModel& head = *model.head_model;
    int32_t i = DecodeIndex<Wide>(head, fill);
    const int32_t g = head.index_to_char[i];
    head.Update<Wide>(i);
    if (g <= 1) return g;
    TGroupAriModel& m = *model.sub_models[g];
    i = DecodeIndex<Wide>(m, fill);
    const int32_t offset = m.index_to_char[i];
    m.Update<Wide>(i);
    return m.first_symbol + offset;
}
