#include "FileStrucAriDecoderUnit.h"

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

int32_t TFileStrucAriDecoder::DecodeBlock(TBitFile& file, uint8_t* out, int32_t capacity) {
    bit_file = &file;
    file.ResetBits();
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
