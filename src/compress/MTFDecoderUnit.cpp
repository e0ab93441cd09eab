#include "MTFDecoderUnit.h"

void TMTFDecoder::DecodeBuffer(uint8_t* data, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t k = data[i];
        data[i] = k == 0 ? list[0] : TakeFromList(k);
    }
    RebuildPositions();
}
