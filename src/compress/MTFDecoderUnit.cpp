#include "MTFDecoderUnit.h"

void TMTFDecoder::DecodeBuffer(uint8_t* data, int32_t count) {
#if GLD_WIDE_VECTORS
    if (wide) {
        DecodeBufferWide(data, count);
        return;
    }
#endif
    DecodeBufferPlain(data, count);
}

// Inline into the two builds below.
template <bool Wide>
[[gnu::always_inline]] inline void TMTFDecoder::DecodeValues(uint8_t* data, int32_t count) {
    TSteps<Wide> steps(*this);
    for (int32_t i = 0; i < count; ++i)
        data[i] = steps.Next(data[i]);
    steps.Finish();
}

void TMTFDecoder::DecodeBufferPlain(uint8_t* data, int32_t count) {
    DecodeValues<false>(data, count);
}

#if GLD_WIDE_VECTORS
void TMTFDecoder::DecodeBufferWide(uint8_t* data, int32_t count) {
    DecodeValues<true>(data, count);
}
#endif
