#include "StrucAriEncoderUnit.h"

#include "CompressErrors.h"

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
    high = low + (range * m.cum_freq[i - 1]) / total - 1;
    low = low + (range * m.cum_freq[i]) / total;
    for (;;) {
        if (high < ARI_HALF) {
            BitPlusFollow(0);
        } else if (low >= ARI_HALF) {
            BitPlusFollow(1);
            low -= ARI_HALF;
            high -= ARI_HALF;
        } else if (low >= ARI_FIRST_QUARTER && high < ARI_THIRD_QUARTER) {
            ++bits_to_follow;
            low -= ARI_FIRST_QUARTER;
            high -= ARI_FIRST_QUARTER;
        } else {
            break;
        }
        low = 2 * low;
        high = 2 * high + 1;
    }
    m.Update(i);
}

void TStrucAriEncoder::BitPlusFollow(int bit) {
    PutBit(bit);
    const int opposite = bit ^ 1;
    for (; bits_to_follow > 0; --bits_to_follow) PutBit(opposite);
}

void TStrucAriEncoder::FlushOutput() {
    if (out_count > 0) OutputBits(out_bits, out_count);
    out_bits = 0;
    out_count = 0;
}

void TStrucAriEncoder::DoneEncoding() {
    ++bits_to_follow;
    BitPlusFollow(low < ARI_FIRST_QUARTER ? 0 : 1);
    FlushOutput();
    model = nullptr;
}
