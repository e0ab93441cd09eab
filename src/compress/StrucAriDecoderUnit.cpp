#include "StrucAriDecoderUnit.h"

#include "CompressErrors.h"

void AriCodeOutOfRange() {
    throw EDataCorrupt("Damaged data block: the coded data leave the coder's range.");
}

void AriCodeNamesNoSymbol() {
    throw EDataCorrupt("Damaged data block: the coded data name no symbol.");
}

TStrucAriDecoder::TStrucAriDecoder() : model_storage(std::make_unique<THeadAriModel>()) {}

TStrucAriDecoder::~TStrucAriDecoder() = default;

THeadAriModel& TStrucAriDecoder::ResetModel() {
    model_storage->Reset();
    model = model_storage.get();
    return *model;
}

void TStrucAriDecoder::StartDecoding() {
    in_bits = 0;
    in_count = 0;
    low = 0;
    high = ARI_TOP_VALUE;
    ResetModel();
    value = 0;
    TAriDecoderRegisters r;
    auto fill = [this](TAriDecoderRegisters& at, int count) {
        while (at.in_count < count) {
            at.in_bits = (at.in_bits << 8) | InputBits(8);
            at.in_count += 8;
        }
    };
    value = int32_t(r.NextBits(16, fill));
    in_bits = r.in_bits;
    in_count = r.in_count;
}

int32_t TStrucAriDecoder::DecodeSymbol() {
    GLD_ASSERT(model, "StrucAriDecoderUnit");
    TAriDecoderRegisters r;
    r.low = low;
    r.high = high;
    r.value = value;
    r.in_bits = in_bits;
    r.in_count = in_count;
    auto fill = [this](TAriDecoderRegisters& at, int count) {
        while (at.in_count < count) {
            at.in_bits = (at.in_bits << 8) | InputBits(8);
            at.in_count += 8;
        }
    };
    const int32_t symbol = r.DecodeSymbol<false>(*model, fill);
    low = r.low;
    high = r.high;
    value = r.value;
    in_bits = r.in_bits;
    in_count = r.in_count;
    return symbol;
}
