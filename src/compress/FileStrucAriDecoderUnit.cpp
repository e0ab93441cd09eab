#include "FileStrucAriDecoderUnit.h"

#include <algorithm>

int32_t TFileStrucAriDecoder::DecodeBlock(TBitFile& file, uint8_t* out, int32_t capacity) {
    bit_file = &file;
    file.ResetBits();
    const int64_t start = file.BufferedPosition();
    const int64_t allowed = std::max<int64_t>(0, int64_t(file.read_limit) - file.bytes_read);
    const int64_t in_file = std::max<int64_t>(0, file.Size() - start);
    // The coder takes a few bytes per value at most, so a block of capacity values never
    // needs more than this; the read limit may stand far higher.
    const int64_t most = 8 * int64_t(std::max(capacity, 0)) + 4096;
    const int64_t take = std::min({allowed, in_file, most});
    coded.resize(size_t(take));
    file.ReadBytes(coded.data(), int32_t(take));
    auto settle = [&] {
        // Bytes past the file's end or past the limit come as zeros and move nothing.
        file.SmartSeek(start + std::min<int64_t>(consumed, take), 0);
        file.bytes_read += int32_t(std::min<int64_t>(consumed, INT32_MAX - file.bytes_read));
        file.ResetBits();
    };
    int32_t n;
    try {
        n = DecodeBlock(coded, allowed, out, capacity);
    } catch (...) {
        settle();
        throw;
    }
    settle();
    return n;
}
