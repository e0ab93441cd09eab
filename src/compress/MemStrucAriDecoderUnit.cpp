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

int32_t TMemStrucAriDecoder::DecodeBlock(std::span<const uint8_t> data, int64_t limit, uint8_t* out,
                                         int32_t capacity) {
    if (limit < 0) limit = 0;
    source = limit < int64_t(data.size()) ? data.first(size_t(limit)) : data;
    source_limit = limit;
    consumed = 0;
    bit_mask = 0x80;
    bit_byte = 0;
    StartDecoding();
    int32_t count = 0;
    int run_digits = 0;
    int64_t run_value = 0;
    auto flush_run = [&] {
        if (run_digits == 0) return;
        const int64_t zeros = (int64_t(1) << run_digits) + run_value - 1;
        if (zeros > int64_t(capacity) - count) TooLong(capacity);
        std::memset(out + count, 0, size_t(zeros));
        count += int32_t(zeros);
        run_digits = 0;
        run_value = 0;
    };
    for (;;) {
        const int32_t symbol = DecodeSymbol();
        if (symbol <= MTF_SYMBOL_RUN_B) {
            if (run_digits >= MAX_RUN_DIGITS) TooLong(capacity);
            run_value |= int64_t(symbol) << run_digits;
            ++run_digits;
            continue;
        }
        flush_run();
        if (symbol == MTF_SYMBOL_END) break;
        if (count >= capacity) TooLong(capacity);
        out[count++] = uint8_t(symbol - 1);
    }
    DoneDecoding();
    return count;
}
