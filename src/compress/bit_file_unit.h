#pragma once
// A buffered file stream that also reads and writes single bits, most significant bit of each
// byte first. The arithmetic coder writes through it and the package archive derives from it.

#include "smart_buf_filestream_unit.h"

#include <cstdint>
#include <string>

class TBitFile : public TBufferedFileStream {
public:
    static constexpr int32_t BIT_FILE_BUFFER_SIZE = 65536;
    // Bit reading may run this many bytes past read_limit and sees zero bytes there: the
    // read-ahead of the arithmetic decoder.
    static constexpr int32_t READ_MARGIN = 20;

    TBitFile(const std::string& file_name, uint16_t mode);
    // Takes over fd, open under file_name, as if opened with mode.
    TBitFile(int fd, const std::string& file_name, uint16_t mode);
    // Writes a partly filled byte, if any (never for a file opened with mode 0).
    ~TBitFile() override;

    void WriteBit(int bit) {
        if (bit) bit_byte |= bit_mask;
        bit_mask >>= 1;
        if (bit_mask == 0) {
            WriteByte(bit_byte);
            bit_byte = 0;
            bit_mask = 0x80;
        }
    }
    // The count (1..32) low bits of value, most significant first.
    void WriteBits(uint32_t value, int count);
    // Writes a partly filled byte with its remaining bits 0 and starts a fresh byte.
    void FlushBits();
    // Forgets a partly filled or partly consumed byte.
    void ResetBits() {
        bit_mask = 0x80;
        bit_byte = 0;
    }

    bool ReadBit() {
        if (bit_mask == 0x80) ReadLimitedByte(bit_byte);
        const bool bit = (bit_byte & bit_mask) != 0;
        bit_mask >>= 1;
        if (bit_mask == 0) bit_mask = 0x80;
        return bit;
    }
    uint32_t ReadBits(int count);
    // Bit reading may take limit bytes from the file, then READ_MARGIN zero bytes; one more
    // raises EDataCorrupt.
    void SetReadLimit(int32_t limit) {
        bytes_read = 0;
        read_limit = limit;
    }

    uint8_t bit_mask = 0x80;
    uint8_t bit_byte = 0;
    bool read_only;
    int32_t read_limit = 0x7FFFFFFF;
    int32_t bytes_read = 0;

private:
    void ReadLimitedByte(uint8_t& b) {
        if (read_limit > bytes_read) {
            ReadByte(b);
            ++bytes_read;
        } else if (bytes_read - read_limit < READ_MARGIN) {
            b = 0;
            ++bytes_read;
        } else {
            ThrowReadPastMargin();
        }
    }
    [[noreturn]] static void ThrowReadPastMargin();
};
