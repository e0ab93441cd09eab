#include "MemStrucAriDecoderUnit.h"

#include "CompressErrors.h"
#include "MTFBaseUnit.h"

#include <cstring>
#include <string>

namespace {
// A run of more zeros than any block holds needs no more digits than this.
constexpr int MAX_RUN_DIGITS = 24;

[[noreturn]] void TooLong(int32_t capacity) {
    throw EDataCorrupt("Damaged data block: the symbol stream does not end within " +
                       std::to_string(capacity) + " bytes.");
}
} // namespace

uint8_t TMemStrucAriDecoder::NextByte() {
    if (consumed < source_limit) {
        const int64_t at = consumed++;
        return at < int64_t(source.size()) ? source[size_t(at)] : 0;
    }
    if (consumed - source_limit < READ_MARGIN) {
        ++consumed;
        return 0;
    }
    throw EDataCorrupt("Too many bytes read in bit mode.");
}

int TMemStrucAriDecoder::InputBit() {
    if (bit_mask == 0x80) bit_byte = NextByte();
    const int bit = (bit_byte & bit_mask) != 0;
    bit_mask >>= 1;
    if (bit_mask == 0) bit_mask = 0x80;
    return bit;
}

uint32_t TMemStrucAriDecoder::InputBits(int count) {
    if (count == 8 && bit_mask == 0x80) return NextByte();
    uint32_t result = 0;
    for (int k = 0; k < count; ++k)
        result = (result << 1) | uint32_t(InputBit());
    return result;
}

// Inline into the builds of the loop below. sink turns each value into what goes out: the
// value itself, or the byte the move-to-front steps make of it, whose chain of work from value to
// value then runs beside the decoder's own instead of in a pass of its own.
template <bool Wide, class Sink>
[[gnu::always_inline]] inline int32_t
TMemStrucAriDecoder::DecodeValues(uint8_t* out, int32_t capacity, Sink& sink) {
    THeadAriModel& m = *model;
    // The coded bytes are the source's, then zeros up to READ_MARGIN past the limit; further
    // is damage. Four at a time while whole words are there, else one by one.
    const uint8_t* const bytes = source.data();
    const int64_t real_end = int64_t(source.size());
    const int64_t readable_end = source_limit + READ_MARGIN;
    int64_t fetched = 0;
    auto fill = [&](TAriDecoderRegisters& r, int count) {
        if (fetched + 4 <= real_end) {
            r.in_bits = (r.in_bits << 32) | uint32_t(bytes[fetched]) << 24 |
                        uint32_t(bytes[fetched + 1]) << 16 | uint32_t(bytes[fetched + 2]) << 8 |
                        bytes[fetched + 3];
            r.in_count += 32;
            fetched += 4;
            return;
        }
        while (r.in_count < count) {
            if (fetched >= readable_end) {
                fetched = readable_end;
                r.in_count = 0;
                throw EDataCorrupt("Too many bytes read in bit mode.");
            }
            r.in_bits = (r.in_bits << 8) | (fetched < real_end ? bytes[fetched] : 0u);
            r.in_count += 8;
            ++fetched;
        }
    };
    TAriDecoderRegisters r;
    int32_t count = 0;
    int run_digits = 0;
    int64_t run_value = 0;
    auto flush_run = [&] {
        if (run_digits == 0) return;
        const int64_t zeros = (int64_t(1) << run_digits) + run_value - 1;
        if (zeros > int64_t(capacity) - count) TooLong(capacity);
        std::memset(out + count, sink.Zero(), size_t(zeros));
        count += int32_t(zeros);
        run_digits = 0;
        run_value = 0;
    };
    try {
        r.value = int32_t(r.NextBits(16, fill));
        for (;;) {
            const int32_t symbol = r.DecodeSymbol<Wide>(m, fill);
            if (symbol <= MTF_SYMBOL_RUN_B) {
                if (run_digits >= MAX_RUN_DIGITS) TooLong(capacity);
                run_value |= int64_t(symbol) << run_digits;
                ++run_digits;
                continue;
            }
            flush_run();
            if (symbol == MTF_SYMBOL_END) break;
            if (count >= capacity) TooLong(capacity);
            out[count++] = sink.Value(uint8_t(symbol - 1));
        }
    } catch (...) {
        // Bytes whose first bit was needed, as a bit-by-bit reader would have taken them.
        consumed = fetched - r.in_count / 8;
        DoneDecoding();
        throw;
    }
    consumed = fetched - r.in_count / 8;
    low = r.low;
    high = r.high;
    value = r.value;
    DoneDecoding();
    return count;
}

void TMemStrucAriDecoder::Begin(std::span<const uint8_t> data, int64_t limit) {
    if (limit < 0) limit = 0;
    source = limit < int64_t(data.size()) ? data.first(size_t(limit)) : data;
    source_limit = limit;
    consumed = 0;
    bit_mask = 0x80;
    bit_byte = 0;
    ResetModel();
}

int32_t TMemStrucAriDecoder::DecodeBlock(std::span<const uint8_t> data, int64_t limit, uint8_t* out,
                                         int32_t capacity) {
    Begin(data, limit);
#if GLD_WIDE_VECTORS
    if (wide) return DecodeValuesWide(out, capacity);
#endif
    return DecodeValuesPlain(out, capacity);
}

int32_t TMemStrucAriDecoder::DecodeBlock(std::span<const uint8_t> data, int64_t limit, uint8_t* out,
                                         int32_t capacity, TMTFDecoder& mtf) {
    Begin(data, limit);
#if GLD_WIDE_VECTORS
    if (wide) return DecodeBytesWide(out, capacity, mtf);
#endif
    return DecodeBytesPlain(out, capacity, mtf);
}

namespace {

struct TValuesAsTheyAre {
    uint8_t Zero() const { return 0; }
    uint8_t Value(uint8_t k) const { return k; }
};

// The bytes of values made as they come; the decoder is left as after DecodeBuffer.
template <bool Wide> struct TValuesThroughMTF {
    explicit TValuesThroughMTF(TMTFDecoder& mtf) : steps(mtf) {}
    ~TValuesThroughMTF() { steps.Finish(); }
    uint8_t Zero() const { return steps.Front(); }
    [[gnu::always_inline]] uint8_t Value(uint8_t k) { return steps.Next(k); }
    TMTFDecoder::TSteps<Wide> steps;
};

} // namespace

int32_t TMemStrucAriDecoder::DecodeValuesPlain(uint8_t* out, int32_t capacity) {
    TValuesAsTheyAre sink;
    return DecodeValues<false>(out, capacity, sink);
}

int32_t TMemStrucAriDecoder::DecodeBytesPlain(uint8_t* out, int32_t capacity, TMTFDecoder& mtf) {
    TValuesThroughMTF<false> sink(mtf);
    return DecodeValues<false>(out, capacity, sink);
}

#if GLD_WIDE_VECTORS
int32_t TMemStrucAriDecoder::DecodeValuesWide(uint8_t* out, int32_t capacity) {
    TValuesAsTheyAre sink;
    return DecodeValues<true>(out, capacity, sink);
}

int32_t TMemStrucAriDecoder::DecodeBytesWide(uint8_t* out, int32_t capacity, TMTFDecoder& mtf) {
    TValuesThroughMTF<true> sink(mtf);
    return DecodeValues<true>(out, capacity, sink);
}
#endif
