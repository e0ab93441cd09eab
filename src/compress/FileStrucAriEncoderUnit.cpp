#include "FileStrucAriEncoderUnit.h"

#include "MTFBaseUnit.h"

void TFileStrucAriEncoder::EncodeBlock(TBitFile& file, const uint8_t* buffer, int32_t n) {
    bit_file = &file;
    file.ResetBits();
    StartEncoding();
    int32_t run = 0;
    for (int32_t i = 1; i <= n; ++i) {
        const uint8_t v = buffer[i];
        if (v == 0) {
            ++run;
            continue;
        }
        if (run > 0) {
            EncodeZeroRun(run);
            run = 0;
        }
        EncodeSymbol(int32_t(v) + 1);
    }
    if (run > 0) EncodeZeroRun(run);
    EncodeSymbol(MTF_SYMBOL_END);
    DoneEncoding();
    file.FlushBits();
}

// A run of L zeros goes out as the base-2 digits of L + 1 below its highest set bit, lowest
// digit first.
void TFileStrucAriEncoder::EncodeZeroRun(int32_t length) {
    for (uint32_t w = uint32_t(length) + 1; w > 1; w >>= 1)
        EncodeSymbol((w & 1) ? MTF_SYMBOL_RUN_B : MTF_SYMBOL_RUN_A);
}
