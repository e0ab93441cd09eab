#include "MemStrucAriEncoderUnit.h"

#include "MTFEncoderUnit.h"

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

// Inline into the builds of the loop below. value_at(i) gives the i-th value: read from an
// array, or made from the i-th byte by the move-to-front steps, whose chain of work from byte to
// byte then runs beside the coder's own instead of in a pass of its own.
template <bool Wide, class ValueAt>
[[gnu::always_inline]] inline void TMemStrucAriEncoder::CodeValues(ValueAt& value_at, int32_t n,
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
        const uint8_t v = value_at(i);
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
    Begin(to);
#if GLD_WIDE_VECTORS
    if (wide)
        CodeValuesWide(values, n, to);
    else
#endif
        CodeValuesPlain(values, n, to);
    End();
}

void TMemStrucAriEncoder::EncodeBlock(const uint8_t* bytes, int32_t n, TMTFEncoder& mtf,
                                      std::vector<uint8_t>& to) {
    Begin(to);
#if GLD_WIDE_VECTORS
    if (wide)
        CodeBytesWide(bytes, n, mtf, to);
    else
#endif
        CodeBytesPlain(bytes, n, mtf, to);
    End();
}

void TMemStrucAriEncoder::Begin(std::vector<uint8_t>& to) {
    out = &to;
    pending = 0;
    pending_count = 0;
    StartEncoding();
}

void TMemStrucAriEncoder::End() {
    // What is left goes out through OutputBits, which keeps the part of a byte.
    DoneEncoding();
    if (pending_count > 0) out->push_back(uint8_t(pending << (8 - pending_count)));
    pending = 0;
    pending_count = 0;
    out = nullptr;
}

namespace {

struct TValuesFrom {
    const uint8_t* values;
    uint8_t operator()(int32_t i) const { return values[i]; }
};

// The values of bytes made as they are asked for; the encoder is left as after EncodeBuffer.
template <bool Wide> struct TBytesThroughMTF {
    TBytesThroughMTF(const uint8_t* bytes, TMTFEncoder& mtf) : bytes(bytes), steps(mtf) {}
    ~TBytesThroughMTF() { steps.Finish(); }
    [[gnu::always_inline]] uint8_t operator()(int32_t i) { return steps.Next(bytes[i]); }
    const uint8_t* bytes;
    TMTFEncoder::TSteps<Wide> steps;
};

} // namespace

void TMemStrucAriEncoder::CodeValuesPlain(const uint8_t* values, int32_t n,
                                          std::vector<uint8_t>& to) {
    TValuesFrom value_at{values};
    CodeValues<false>(value_at, n, to);
}

void TMemStrucAriEncoder::CodeBytesPlain(const uint8_t* bytes, int32_t n, TMTFEncoder& mtf,
                                         std::vector<uint8_t>& to) {
    TBytesThroughMTF<false> value_at(bytes, mtf);
    CodeValues<false>(value_at, n, to);
}

#if GLD_WIDE_VECTORS
void TMemStrucAriEncoder::CodeValuesWide(const uint8_t* values, int32_t n,
                                         std::vector<uint8_t>& to) {
    TValuesFrom value_at{values};
    CodeValues<true>(value_at, n, to);
}

void TMemStrucAriEncoder::CodeBytesWide(const uint8_t* bytes, int32_t n, TMTFEncoder& mtf,
                                        std::vector<uint8_t>& to) {
    TBytesThroughMTF<true> value_at(bytes, mtf);
    CodeValues<true>(value_at, n, to);
}
#endif
