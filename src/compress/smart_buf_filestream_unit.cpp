#include "smart_buf_filestream_unit.h"

#include "CompressErrors.h"
#include "ErrorUnit.h"
#include "FileErrors.h"

#include <cerrno>
#include <cstring>

namespace {
constexpr const char* UNIT = "smart_buf_filestream_unit";
}

TBufferedFileStream::TBufferedFileStream(const std::string& file_name, int32_t buffer_size,
                                         uint16_t mode)
    : TFileStream(file_name, mode),
      buffer(new uint8_t[size_t(buffer_size > 0 ? buffer_size : 1)]),
      buffer_size(buffer_size > 0 ? buffer_size : 1),
      file_name(file_name),
      write_mode(mode == fmCreate || (mode & 0x3) != 0) {
    FlushBuffer();
}

TBufferedFileStream::~TBufferedFileStream() {
    try {
        FlushBuffer();
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

bool TBufferedFileStream::ReadByte(uint8_t& b) {
    GLD_ASSERT(smart_mode, UNIT);
    if (buffer_pos < buffer_fill && !refill_pending) {
        b = buffer[size_t(buffer_pos++)];
        return true;
    }
    return Refill(b);
}

bool TBufferedFileStream::Refill(uint8_t& b) {
    if (buffer_fill == buffer_size || refill_pending) {
        // Bytes written through the buffer must reach the file before it is reused for
        // reading, or they would be lost.
        if (dirty) FlushBuffer();
        refill_pending = false;
        abs_offset = Position();
        int32_t got = Read(buffer.get(), buffer_size);
        if (got < 0) {
            int error = errno;
            buffer_fill = 0;
            buffer_pos = 0;
            throw EInOutError("Cannot read file \"" + file_name + "\". " + std::strerror(error));
        }
        buffer_fill = got;
        buffer_pos = 0;
        if (buffer_pos < buffer_fill) {
            b = buffer[size_t(buffer_pos++)];
            return true;
        }
    }
    b = 0;
    return false;
}

void TBufferedFileStream::WriteByte(uint8_t b) {
    GLD_ASSERT(smart_mode, UNIT);
    if (buffer_pos >= buffer_size) FlushBuffer();
    buffer[size_t(buffer_pos++)] = b;
    dirty = true;
}

int32_t TBufferedFileStream::ReadBytes(void* destination, int32_t count) {
    auto* out = static_cast<uint8_t*>(destination);
    for (int32_t i = 0; i < count; ++i) ReadByte(out[i]);
    return count;
}

int32_t TBufferedFileStream::WriteBytes(const void* source, int32_t count) {
    const auto* in = static_cast<const uint8_t*>(source);
    for (int32_t i = 0; i < count; ++i) WriteByte(in[i]);
    return count;
}

void TBufferedFileStream::WriteDword(uint32_t value) {
    const uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                          uint8_t(value >> 24)};
    WriteBytes(b, 4);
}

uint32_t TBufferedFileStream::ReadDword() {
    uint8_t b[4];
    ReadBytes(b, 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

void TBufferedFileStream::FlushBuffer() {
    if (dirty) {
        const int32_t pending = buffer_pos;
        dirty = false;
        buffer_pos = 0;
        buffer_fill = 0;
        refill_pending = true;
        int32_t written = Write(buffer.get(), pending);
        if (written != pending) {
            int error = written < 0 ? errno : ENOSPC;
            abs_offset = Position();
            throw EWriteError("Cannot write file \"" + file_name + "\". " + std::strerror(error));
        }
        abs_offset = Position();
    }
    buffer_pos = 0;
    buffer_fill = 0;
    refill_pending = true;
}

int64_t TBufferedFileStream::BufferedPosition() {
    if (buffer_pos == 0 && buffer_fill == 0) return Position();
    return abs_offset + buffer_pos;
}

int64_t TBufferedFileStream::SmartSeek(int64_t offset, int origin) {
    int64_t result;
    if (write_mode) {
        FlushBuffer();
        result = Seek(offset, origin);
        abs_offset = Position();
    } else if (smart_mode) {
        int64_t target;
        switch (origin) {
        case 0: target = offset; break;
        case 1: target = BufferedPosition() + offset; break;
        case 2: target = Size() + offset; break;
        default:
            ShowError("abs_offset not initialized");
            target = offset;
            break;
        }
        const int64_t rel = target - abs_offset;
        if (!refill_pending && rel > 0 && rel < int64_t(buffer_fill) - 1) {
            buffer_pos = int32_t(rel);
            result = BufferedPosition();
        } else {
            // The file's own position lies past the buffered bytes, so a relative seek must be
            // made absolute before it reaches the system.
            if (origin == 1) result = Seek(target, 0);
            else result = Seek(offset, origin);
            FlushBuffer();
        }
    } else {
        result = Seek(offset, origin);
    }
    if (result < 0) throw ESeekError("SmartSeek General error");
    return result;
}

void TBufferedFileStream::SmartModeOn() {
    smart_mode = true;
    FlushBuffer();
}

void TBufferedFileStream::SmartModeOff() {
    smart_mode = false;
    FlushBuffer();
}
