#include "StrucAriDecoderUnit.h"

#include "CompressErrors.h"

TStrucAriDecoder::TStrucAriDecoder() : model_storage(std::make_unique<THeadAriModel>()) {}

TStrucAriDecoder::~TStrucAriDecoder() = default;

void TStrucAriDecoder::CodeOutOfRange() {
    throw EDataCorrupt("Damaged data block: the coded data leave the coder's range.");
}

void TStrucAriDecoder::CodeNamesNoSymbol() {
    throw EDataCorrupt("Damaged data block: the coded data name no symbol.");
}

void TStrucAriDecoder::StartDecoding() {
    in_bits = 0;
    in_count = 0;
    value = int32_t(NextBits(16));
    low = 0;
    high = ARI_TOP_VALUE;
    model_storage->Reset();
    model = model_storage.get();
}
