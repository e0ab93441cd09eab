#include "StrucAriEncoderUnit.h"

#include "CompressErrors.h"

#include <algorithm>
#include <bit>

TStrucAriEncoder::TStrucAriEncoder() : model_storage(std::make_unique<THeadAriModel>()) {}

TStrucAriEncoder::~TStrucAriEncoder() = default;

void TStrucAriEncoder::StartEncoding() {
    low = 0;
    high = ARI_TOP_VALUE;
    bits_to_follow = 0;
    out_bits = 0;
    out_count = 0;
    model_storage->Reset();
    model = model_storage.get();
}

void TStrucAriEncoder::EncodeSymbol(int32_t symbol) {
    GLD_ASSERT(model && symbol >= 0 && symbol <= 257, "StrucAriEncoderUnit");
    const int32_t g = model->group_of[symbol];
    TGroupAriModel& head = *model->head_model;
    EncodeIndex(head, head.char_to_index[g]);
    if (g > 1) {
        TGroupAriModel* m = model->sub_models[g].get();
        GLD_ASSERT(m != nullptr, "StrucAriEncoderUnit");
        EncodeIndex(*m, m->char_to_index[symbol - m->first_symbol]);
    }
}

void TStrucAriEncoder::EncodeIndex(TGroupAriModel& m, int32_t i) {
    const int32_t range = high - low + 1;
    const int32_t total = m.cum_freq[0];
    high = low + ARI_RECIPROCALS.Scale(range, m.cum_freq[i - 1], total) - 1;
    low = low + ARI_RECIPROCALS.Scale(range, m.cum_freq[i], total);
    // The classic loop shifts one bit per turn. Its turns come in two runs, done here at once:
    // first every leading bit that low and high share goes out (the first with its pending
    // opposite bits), then every underflow step (low 01..., high 10...) adds a pending bit.
    // After an underflow step the leading bits differ again, so no third run can follow.
    const uint32_t shared = uint32_t(low ^ high);
    if ((shared & 0x8000) == 0) {
        const int k = std::countl_zero(shared) - 16; // 1..16 bits
        BitPlusFollow(low >> 15);
        if (k > 1) PutBits((uint32_t(low) >> (16 - k)) & ((1u << (k - 1)) - 1), k - 1);
        low = (low << k) & 0xFFFF;
        high = ((high << k) & 0xFFFF) | ((1 << k) - 1);
    }
    if (low >= ARI_FIRST_QUARTER && high < ARI_THIRD_QUARTER) {
        // Steps while low's next bit is 1 and high's is 0; each flips the new top bit.
        const uint32_t stop = ((~uint32_t(low)) | uint32_t(high)) & 0x7FFF;
        const int steps = std::min(std::countl_zero(stop << 17), 15);
        bits_to_follow += steps;
        low = ((low << steps) & 0xFFFF) ^ 0x8000;
        high = (((high << steps) & 0xFFFF) ^ 0x8000) | ((1 << steps) - 1);
    }
    m.Update(i);
}

void TStrucAriEncoder::BitPlusFollow(int bit) {
    PutBits(uint32_t(bit), 1);
    const uint32_t opposite = bit ? 0u : 0xFFFFu;
    while (bits_to_follow > 0) {
        const int count = bits_to_follow < 16 ? bits_to_follow : 16;
        PutBits(opposite & ((1u << count) - 1), count);
        bits_to_follow -= count;
    }
}

void TStrucAriEncoder::FlushOutput() {
    if (out_count > 0)
        OutputBits(uint32_t(out_bits) & ((uint32_t(2) << (out_count - 1)) - 1), out_count);
    out_bits = 0;
    out_count = 0;
}

void TStrucAriEncoder::DoneEncoding() {
    ++bits_to_follow;
    BitPlusFollow(low < ARI_FIRST_QUARTER ? 0 : 1);
    FlushOutput();
    model = nullptr;
}
