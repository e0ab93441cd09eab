#pragma once
// A file stream with a private byte buffer for byte-at-a-time reading and writing, and a seek
// that moves inside the buffered bytes when it can.
//
// A stream goes through its buffer either for reading or for writing, never both at once.
// The unbuffered Read/Write/Seek of TFileStream stay available; a caller that uses them on the
// same file switches smart mode off around them.

#include "FileStream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

class ESeekError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TBufferedFileStream : public TFileStream {
public:
    // Opens file_name with mode (see FileStream.h); open failures pass to the caller.
    TBufferedFileStream(const std::string& file_name, int32_t buffer_size, uint16_t mode);
    // Takes over fd, open under file_name, as if opened with mode.
    TBufferedFileStream(int fd, const std::string& file_name, int32_t buffer_size, uint16_t mode);
    // Writes pending bytes. A failure here cannot be raised any more: it goes to OnCloseError
    // when that is set. Writers that must know call FlushBuffer themselves first.
    ~TBufferedFileStream() override;

    // Next byte through the buffer; false at the end of the file, with b = 0.
    virtual bool ReadByte(uint8_t& b);
    // Appends one byte through the buffer.
    virtual void WriteByte(uint8_t b);

    // count bytes through ReadByte, 0 past the end of the file; always returns count.
    int32_t ReadBytes(void* destination, int32_t count);
    int32_t WriteBytes(const void* source, int32_t count);

    // Numbers of the archive format: four bytes, least significant first.
    void WriteDword(uint32_t value);
    uint32_t ReadDword();

    // Writes pending bytes (raising EWriteError if the file takes fewer), then empties the
    // buffer so that the next ReadByte refills it.
    void FlushBuffer();
    // The logical position, counting the bytes held in the buffer.
    int64_t BufferedPosition();
    // Seeks, inside the buffered bytes where possible; raises ESeekError on failure.
    int64_t SmartSeek(int64_t offset, int origin);
    void SmartModeOn();
    void SmartModeOff();

    std::unique_ptr<uint8_t[]> buffer;
    int32_t buffer_size;
    int32_t buffer_fill = 0;
    int32_t buffer_pos = 0;
    int64_t abs_offset = 0;
    bool dirty = false;
    bool smart_mode = true;
    std::string file_name;
    bool write_mode;
    bool refill_pending = false;
    // Receives the message of a write failure met in the destructor; may be unset, must not
    // raise.
    std::function<void(const std::string& message)> OnCloseError;

private:
    bool Refill(uint8_t& b);
};
