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

namespace {

// A run of L zeros goes out as the base-2 digits of L + 1 below its highest set bit, lowest
// digit first.
template <bool Wide, class Emit>
[[gnu::always_inline]] inline void CodeZeroRun(TAriEncoderRegisters& r, THeadAriModel& m,
                                               int32_t length, Emit& emit) {
    for (uint32_t w = uint32_t(length) + 1; w > 1; w >>= 1)
        r.EncodeSymbol<Wide>(m, (w & 1) ? MTF_SYMBOL_RUN_B : MTF_SYMBOL_RUN_A, emit);
}

} // namespace

// Inline into the two builds of the loop below.
template <bool Wide>
[[gnu::always_inline]] inline void TMemStrucAriEncoder::CodeValues(const uint8_t* values, int32_t n,
                                                                   std::vector<uint8_t>& to) {
    // Whole 32-bit words go straight into to, big-endian (the first bit highest), through a
    // write pointer that the registers' loop keeps; to grows when a word would not fit.
    const size_t start = to.size();
    to.resize(start + size_t(n) + 64);
    uint8_t* write = to.data() + start;
    uint8_t* end = to.data() + to.size();
    auto emit = [&](uint32_t word) {
        if (end - write < 4) {
            const size_t at = size_t(write - to.data());
            to.resize(to.size() * 2 + 64);
            write = to.data() + at;
            end = to.data() + to.size();
        }
        write[0] = uint8_t(word >> 24);
        write[1] = uint8_t(word >> 16);
        write[2] = uint8_t(word >> 8);
        write[3] = uint8_t(word);
        write += 4;
    };
    TAriEncoderRegisters r = Registers();
    THeadAriModel& m = *model;
    int32_t run = 0;
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t v = values[i];
        if (v == 0) {
            ++run;
            continue;
        }
        if (run > 0) {
            CodeZeroRun<Wide>(r, m, run, emit);
            run = 0;
        }
        r.EncodeSymbol<Wide>(m, int32_t(v) + 1, emit);
    }
    if (run > 0) CodeZeroRun<Wide>(r, m, run, emit);
    r.EncodeSymbol<Wide>(m, MTF_SYMBOL_END, emit);
    SetRegisters(r);
    to.resize(size_t(write - to.data()));
}

void TMemStrucAriEncoder::EncodeBlock(const uint8_t* values, int32_t n, std::vector<uint8_t>& to) {
    out = &to;
    pending = 0;
    pending_count = 0;
    StartEncoding();
#if GLD_WIDE_VECTORS
    if (wide)
        CodeValuesWide(values, n, to);
    else
#endif
        CodeValuesPlain(values, n, to);
    // What is left goes out through OutputBits, which keeps the part of a byte.
    DoneEncoding();
    if (pending_count > 0) to.push_back(uint8_t(pending << (8 - pending_count)));
    pending = 0;
    pending_count = 0;
    out = nullptr;
}

void TMemStrucAriEncoder::CodeValuesPlain(const uint8_t* values, int32_t n,
                                          std::vector<uint8_t>& to) {
    CodeValues<false>(values, n, to);
}

#if GLD_WIDE_VECTORS
void TMemStrucAriEncoder::CodeValuesWide(const uint8_t* values, int32_t n,
                                         std::vector<uint8_t>& to) {
    CodeValues<true>(values, n, to);
}
#endif
