#include "FileStrucAriEncoderUnit.h"

void TFileStrucAriEncoder::EncodeBlock(TBitFile& file, const uint8_t* buffer, int32_t n) {
    bit_file = &file;
    file.ResetBits();
    coded.clear();
    EncodeBlock(buffer + 1, n, coded);
    file.WriteBytes(coded.data(), int32_t(coded.size()));
}
