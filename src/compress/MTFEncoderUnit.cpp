#include "MTFEncoderUnit.h"

void TMTFEncoder::EncodeBuffer(uint8_t* data, int32_t count) {
    uint8_t front = list[0];
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t c = data[i];
        if (c == front) {
            data[i] = 0;
            continue;
        }
        const int k = FindInList(c);
        TakeFromList(k);
        front = c;
        data[i] = uint8_t(k);
    }
    RebuildPositions();
}
