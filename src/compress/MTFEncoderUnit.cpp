#include "MTFEncoderUnit.h"

// Inline into the two builds below.
template <bool Wide>
[[gnu::always_inline]] inline void TMTFEncoder::EncodeValues(uint8_t* data, int32_t count) {
    TSteps<Wide> steps(*this);
    for (int32_t i = 0; i < count; ++i)
        data[i] = steps.Next(data[i]);
    steps.Finish();
}

void TMTFEncoder::EncodeBuffer(uint8_t* data, int32_t count) {
#if GLD_WIDE_VECTORS
    if (wide) {
        EncodeBufferWide(data, count);
        return;
    }
#endif
    EncodeValues<false>(data, count);
}

#if GLD_WIDE_VECTORS
void TMTFEncoder::EncodeBufferWide(uint8_t* data, int32_t count) {
    EncodeValues<true>(data, count);
}
#endif
