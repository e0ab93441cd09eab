#pragma once
// Adaptive arithmetic coder with 16-bit code values (Witten, Neal and Cleary) over the
// two-level model: each symbol goes out as its group, then as its offset in the group.

#include "GroupAriModelUnit.h"

#include "CompressErrors.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>

constexpr int32_t ARI_TOP_VALUE = 0xFFFF;
constexpr int32_t ARI_HALF = 0x8000;
constexpr int32_t ARI_FIRST_QUARTER = 0x4000;
constexpr int32_t ARI_THIRD_QUARTER = 0xC000;

// The coder's registers. The block loop keeps them in a local, so that the compiler holds them
// in machine registers from symbol to symbol instead of storing them in the coder object.
struct TAriEncoderRegisters {
    // low and high in the top 16 bits; high's lower 16 bits are all 1, low's 0, as if each ran
    // on with the bits the shifts bring in. Shifts then drop the bits above by themselves and
    // bring in high's ones with one OR, and the leading bits are counted as they stand.
    uint32_t low_top = 0;
    uint32_t high_top = 0xFFFFFFFFu;
    int32_t bits_to_follow = 0;
    // Bits not handed out yet, the oldest highest: out_count (0..31) of them. They leave 32 at a
    // time through emit(word), the same bits in the same order as one at a time.
    uint64_t out_bits = 0;
    int out_count = 0;

    template <class Emit>
    [[gnu::always_inline]] void PutBits(uint32_t bits, int count, Emit& emit) {
        out_bits = (out_bits << count) | bits;
        out_count += count;
        if (out_count >= 32) {
            out_count -= 32;
            emit(uint32_t(out_bits >> out_count));
        }
    }
    // Inline, forced: the registers stay in machine registers only where nothing takes their
    // address, and the coder runs these once or twice for every symbol.
    template <class Emit> [[gnu::always_inline]] void BitPlusFollow(int bit, Emit& emit);
    // Wide: built for 512-bit vectors (TGroupAriModel::Update).
    template <bool Wide, class Emit>
    [[gnu::always_inline]] void EncodeIndex(TGroupAriModel& m, int32_t i, Emit& emit);
    template <bool Wide, class Emit>
    [[gnu::always_inline]] void EncodeSymbol(THeadAriModel& model, int32_t symbol, Emit& emit);
};

class TStrucAriEncoder {
public:
    TStrucAriEncoder();
    virtual ~TStrucAriEncoder();

    void StartEncoding();
    void EncodeSymbol(int32_t symbol);
    void DoneEncoding();

    virtual void OutputBit(int bit) = 0;
    virtual void OutputBits(uint32_t value, int count) = 0;

    int32_t high = ARI_TOP_VALUE;
    int32_t low = 0;
    int32_t bits_to_follow = 0;
    // Present between StartEncoding and DoneEncoding. It is one model reset for every block, so
    // that coding a block allocates nothing.
    THeadAriModel* model = nullptr;

protected:
    void EncodeIndex(TGroupAriModel& m, int32_t i);
    void BitPlusFollow(int bit);
    // The registers as the fields hold them, and back.
    TAriEncoderRegisters Registers() const {
        TAriEncoderRegisters r;
        r.low_top = uint32_t(low) << 16;
        r.high_top = uint32_t(high) << 16 | 0xFFFFu;
        r.bits_to_follow = bits_to_follow;
        r.out_bits = out_bits;
        r.out_count = out_count;
        return r;
    }
    void SetRegisters(const TAriEncoderRegisters& r) {
        low = int32_t(r.low_top >> 16);
        high = int32_t(r.high_top >> 16);
        bits_to_follow = r.bits_to_follow;
        out_bits = r.out_bits;
        out_count = r.out_count;
    }

private:
    void FlushOutput();

    std::unique_ptr<THeadAriModel> model_storage;
    uint64_t out_bits = 0;
    int out_count = 0;
};

// Inline: the coder runs them once or twice for every symbol.
template <class Emit> inline void TAriEncoderRegisters::BitPlusFollow(int bit, Emit& emit) {
    PutBits(uint32_t(bit), 1, emit);
    const uint32_t opposite = bit ? 0u : 0xFFFFu;
    while (bits_to_follow > 0) {
        const int count = bits_to_follow < 16 ? bits_to_follow : 16;
        PutBits(opposite & ((1u << count) - 1), count, emit);
        bits_to_follow -= count;
    }
}

template <bool Wide, class Emit>
inline void TAriEncoderRegisters::EncodeIndex(TGroupAriModel& m, int32_t i, Emit& emit) {
    const int32_t range = int32_t((high_top - low_top) >> 16) + 1;
    const int32_t total = m.cum_freq[0];
    high_top =
        low_top + (uint32_t(ARI_RECIPROCALS.Scale(range, m.cum_freq[i - 1], total)) << 16) - 1;
    low_top = low_top + (uint32_t(ARI_RECIPROCALS.Scale(range, m.cum_freq[i], total)) << 16);
    // The classic loop shifts one bit per turn. Its turns come in two runs, done here at once:
    // first every leading bit that low and high share goes out (the first with its pending
    // opposite bits), then every underflow step (low 01..., high 10...) adds a pending bit.
    // After an underflow step the leading bits differ again, so no third run can follow. Both
    // runs are often empty, as often not; so they are worked out without a branch, each run of
    // length 0 changing nothing, and only a rare long string of pending bits takes the loop.
    // low and high always differ here: between symbols high - low exceeds a quarter of the
    // range, so even a count of 1 in a total of ARI_MAX_TOTAL spans more than 2. So 0..15 bits
    // are shared.
    const int k = std::countl_zero(low_top ^ high_top);
    if (bits_to_follow <= 15) [[likely]] {
        // The first shared bit b, then bits_to_follow times not b, then the other k - 1 bits:
        // b followed by its opposites is 2^bits_to_follow for b = 1 and one less for b = 0.
        const uint32_t top = (low_top >> 16) >> (16 - k); // the k shared bits
        const int rest = k > 0 ? k - 1 : 0;
        const uint32_t first = (top >> rest) & 1;
        const uint32_t lead = (1u << bits_to_follow) - 1 + first;
        const uint32_t bits = (lead << rest) | (top & ((1u << rest) - 1));
        const bool out = k > 0;
        PutBits(out ? bits : 0, out ? bits_to_follow + k : 0, emit);
        bits_to_follow = out ? 0 : bits_to_follow;
    } else if (k > 0) {
        BitPlusFollow(int(low_top >> 31), emit);
        if (k > 1) PutBits(((low_top >> 16) >> (16 - k)) & ((1u << (k - 1)) - 1), k - 1, emit);
    }
    // Steps while low's next bit is 1 and high's is 0; each flips the new top bit. They are
    // counted on the registers before the k shifts, in the bits below the first k + 1 (the
    // shared ones and the first that differs): a bit where low is 0 or high is 1 stops them,
    // and the lower 16 bits, where high is all 1, stop them at the latest. Both runs then go in
    // one shift, which spares the chain from symbol to symbol a shift and a mask.
    const int steps = std::countl_zero((~low_top | high_top) << (k + 1));
    const int shift = k + steps;
    const uint32_t flip = steps > 0 ? 0x80000000u : 0;
    bits_to_follow += steps;
    low_top = (low_top << shift) ^ flip;
    high_top = ((high_top << shift) ^ flip) | 0xFFFFu;
    m.Update<Wide>(i);
}

template <bool Wide, class Emit>
inline void TAriEncoderRegisters::EncodeSymbol(THeadAriModel& model, int32_t symbol, Emit& emit) {
    const int32_t g = model.group_of[symbol];
    TGroupAriModel& head = *model.head_model;
    EncodeIndex<Wide>(head, head.char_to_index[g], emit);
    if (g > 1) {
        TGroupAriModel& m = *model.sub_models[g];
        EncodeIndex<Wide>(m, m.char_to_index[symbol - m.first_symbol], emit);
    }
}

inline void TStrucAriEncoder::EncodeSymbol(int32_t symbol) {
    GLD_ASSERT(model && symbol >= 0 && symbol <= 257, "StrucAriEncoderUnit");
    // Only groups 0 and 1 lack a sub-model, and their symbols need none.
    GLD_ASSERT(model->group_of[symbol] <= 1 || model->sub_models[model->group_of[symbol]],
               "StrucAriEncoderUnit");
    TAriEncoderRegisters r = Registers();
    auto emit = [this](uint32_t word) { OutputBits(word, 32); };
    r.EncodeSymbol<false>(*model, symbol, emit);
    SetRegisters(r);
}

inline void TStrucAriEncoder::EncodeIndex(TGroupAriModel& m, int32_t i) {
    TAriEncoderRegisters r = Registers();
    auto emit = [this](uint32_t word) { OutputBits(word, 32); };
    r.EncodeIndex<false>(m, i, emit);
    SetRegisters(r);
}

inline void TStrucAriEncoder::BitPlusFollow(int bit) {
    TAriEncoderRegisters r = Registers();
    auto emit = [this](uint32_t word) { OutputBits(word, 32); };
    r.BitPlusFollow(bit, emit);
    SetRegisters(r);
}
