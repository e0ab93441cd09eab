#include "MemStrucAriEncoderUnit.h"

#include "MTFBaseUnit.h"

void TMemStrucAriEncoder::OutputBits(uint32_t value, int count) {
    const uint64_t bits = count >= 32 ? uint64_t(value) : uint64_t(value & ((1u << count) - 1));
    uint64_t acc = (uint64_t(pending) << count) | bits;
    int total = pending_count + count;
    while (total >= 8) {
        total -= 8;
        out->push_back(uint8_t(acc >> total));
    }
    pending = uint32_t(acc & ((1u << total) - 1));
    pending_count = total;
}

void TMemStrucAriEncoder::EncodeBlock(const uint8_t* values, int32_t n, std::vector<uint8_t>& to) {
    out = &to;
    pending = 0;
    pending_count = 0;
    StartEncoding();
    int32_t run = 0;
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t v = values[i];
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
    if (pending_count > 0) to.push_back(uint8_t(pending << (8 - pending_count)));
    pending = 0;
    pending_count = 0;
    out = nullptr;
}

// A run of L zeros goes out as the base-2 digits of L + 1 below its highest set bit, lowest
// digit first.
void TMemStrucAriEncoder::EncodeZeroRun(int32_t length) {
    for (uint32_t w = uint32_t(length) + 1; w > 1; w >>= 1)
        EncodeSymbol((w & 1) ? MTF_SYMBOL_RUN_B : MTF_SYMBOL_RUN_A);
}
