#include "BWTBaseUnit.h"

#include "CRC32Unit.h"

uint32_t TBWTBase::BlockCRC(const uint8_t* buffer, int32_t n) {
    TCRC32 crc;
    if (n > 0) crc.Update(buffer + 1, size_t(n));
    return crc.Value();
}
