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
