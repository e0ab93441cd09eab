#include "bit_file_unit.h"

#include "CompressErrors.h"
#include "ErrorUnit.h"

TBitFile::TBitFile(const std::string& file_name, uint16_t mode)
    : TBufferedFileStream(file_name, BIT_FILE_BUFFER_SIZE, mode), read_only(mode == 0) {
    SetReadLimit(0x7FFFFFFF);
}

TBitFile::~TBitFile() {
    if (!read_only && bit_mask != 0x80) {
        try {
            WriteByte(bit_byte);
        } catch (const std::exception& e) {
            ShowError(e.what());
        }
    }
}

void TBitFile::WriteBits(uint32_t value, int count) {
    for (uint32_t m = uint32_t(1) << (count - 1); m != 0; m >>= 1) WriteBit((value & m) != 0);
}

void TBitFile::FlushBits() {
    if (!read_only && bit_mask != 0x80) WriteByte(bit_byte);
    bit_mask = 0x80;
    bit_byte = 0;
}

uint32_t TBitFile::ReadBits(int count) {
    uint32_t result = 0;
    for (uint32_t m = uint32_t(1) << (count - 1); m != 0; m >>= 1)
        if (ReadBit()) result |= m;
    return result;
}

// A decoder that runs this far past its data is reading damaged or hostile bytes; the whole
// program used to end here, but one bad block must not take the program with it.
void TBitFile::ThrowReadPastMargin() { throw EDataCorrupt("Too many bytes read in bit mode."); }
