#include "bit_file_unit.h"

#include "CompressErrors.h"

#include <bit>

TBitFile::TBitFile(const std::string& file_name, uint16_t mode)
    : TBufferedFileStream(file_name, BIT_FILE_BUFFER_SIZE, mode), read_only(mode == 0) {
    SetReadLimit(0x7FFFFFFF);
}

TBitFile::TBitFile(int fd, const std::string& file_name, uint16_t mode)
    : TBufferedFileStream(fd, file_name, BIT_FILE_BUFFER_SIZE, mode), read_only(mode == 0) {
    SetReadLimit(0x7FFFFFFF);
}

// A file opened for reading with share flags (0x20) is not read_only by the mode's number, but
// it cannot take a byte either: only a stream opened for writing gets the pending byte.
TBitFile::~TBitFile() {
    if (!read_only && write_mode && bit_mask != 0x80) {
        // A full buffer is written first, and that may fail; a destructor cannot raise, and the
        // writers that must know flush their bits before they let the file go.
        try {
            WriteByte(bit_byte);
        } catch (const std::exception&) {
        }
    }
}

// Whole groups of bits go into the pending byte at once; the same bytes as WriteBit for each.
void TBitFile::WriteBits(uint32_t value, int count) {
    int free = std::countr_zero(unsigned(bit_mask)) + 1; // bits left in bit_byte
    while (count > 0) {
        const int take = count < free ? count : free;
        const uint32_t bits = (value >> (count - take)) & ((uint32_t(1) << take) - 1);
        bit_byte = uint8_t(bit_byte | (bits << (free - take)));
        count -= take;
        free -= take;
        if (free == 0) {
            WriteByte(bit_byte);
            bit_byte = 0;
            free = 8;
        }
    }
    bit_mask = uint8_t(1u << (free - 1));
}

void TBitFile::FlushBits() {
    if (!read_only && write_mode && bit_mask != 0x80) WriteByte(bit_byte);
    bit_mask = 0x80;
    bit_byte = 0;
}

uint32_t TBitFile::ReadBits(int count) {
    // A whole byte on a byte boundary: what eight calls of ReadBit would take and leave.
    if (count == 8 && bit_mask == 0x80) {
        ReadLimitedByte(bit_byte);
        return bit_byte;
    }
    uint32_t result = 0;
    for (uint32_t m = uint32_t(1) << (count - 1); m != 0; m >>= 1)
        if (ReadBit()) result |= m;
    return result;
}

// A decoder that runs this far past its data is reading damaged or hostile bytes; the whole
// program used to end here, but one bad block must not take the program with it.
void TBitFile::ThrowReadPastMargin() {
    throw EDataCorrupt("Too many bytes read in bit mode.");
}
