#include "smart_buf_filestream_unit.h"

#include "CompressErrors.h"
#include "FileErrors.h"
#include "LittleEndianUnit.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
constexpr const char* UNIT = "smart_buf_filestream_unit";
}

TBufferedFileStream::TBufferedFileStream(const std::string& file_name, int32_t buffer_size,
                                         uint16_t mode)
    : TFileStream(file_name, mode), buffer(new uint8_t[size_t(buffer_size > 0 ? buffer_size : 1)]),
      buffer_size(buffer_size > 0 ? buffer_size : 1), file_name(file_name),
      write_mode(mode == fmCreate || (mode & 0x3) != 0) {
    FlushBuffer();
}

TBufferedFileStream::TBufferedFileStream(int fd, const std::string& file_name, int32_t buffer_size,
                                         uint16_t mode)
    : TFileStream(fd, file_name), buffer(new uint8_t[size_t(buffer_size > 0 ? buffer_size : 1)]),
      buffer_size(buffer_size > 0 ? buffer_size : 1), file_name(file_name),
      write_mode(mode == fmCreate || (mode & 0x3) != 0) {
    FlushBuffer();
}

TBufferedFileStream::~TBufferedFileStream() {
    try {
        FlushBuffer();
    } catch (const std::exception& e) {
        if (OnCloseError) OnCloseError(e.what());
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

// Whole runs of buffered bytes at once; the same bytes, positions and zeros past the end as
// ReadByte for each.
int32_t TBufferedFileStream::ReadBytes(void* destination, int32_t count) {
    GLD_ASSERT(smart_mode, UNIT);
    auto* out = static_cast<uint8_t*>(destination);
    int32_t done = 0;
    while (done < count) {
        if (buffer_pos < buffer_fill && !refill_pending) {
            const int32_t take = std::min(count - done, buffer_fill - buffer_pos);
            std::memcpy(out + done, buffer.get() + buffer_pos, size_t(take));
            buffer_pos += take;
            done += take;
        } else {
            ReadByte(out[done++]);
        }
    }
    return count;
}

// The buffer reaches the file when it is full and another byte arrives, as with WriteByte.
int32_t TBufferedFileStream::WriteBytes(const void* source, int32_t count) {
    GLD_ASSERT(smart_mode, UNIT);
    const auto* in = static_cast<const uint8_t*>(source);
    int32_t done = 0;
    while (done < count) {
        if (buffer_pos >= buffer_size) FlushBuffer();
        const int32_t take = std::min(count - done, buffer_size - buffer_pos);
        std::memcpy(buffer.get() + buffer_pos, in + done, size_t(take));
        buffer_pos += take;
        done += take;
        dirty = true;
    }
    return count;
}

void TBufferedFileStream::WriteDword(uint32_t value) {
    uint8_t b[4];
    StoreLE32(b, value);
    WriteBytes(b, 4);
}

uint32_t TBufferedFileStream::ReadDword() {
    uint8_t b[4];
    ReadBytes(b, 4);
    return LoadLE32(b);
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
    } else {
        // The file may have moved under unbuffered reads, writes or seeks: the bytes that come
        // next through the buffer stand at its position now.
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
        case 0:
            target = offset;
            break;
        case 1:
            target = BufferedPosition() + offset;
            break;
        case 2:
            target = Size() + offset;
            break;
        default:
            // No origin but these three means anything: a fault of the caller.
            throw ESeekError("SmartSeek General error");
        }
        const int64_t rel = target - abs_offset;
        if (!refill_pending && rel > 0 && rel < int64_t(buffer_fill) - 1) {
            buffer_pos = int32_t(rel);
            result = BufferedPosition();
        } else {
            // The file's own position lies past the buffered bytes, so a relative seek must be
            // made absolute before it reaches the system.
            if (origin == 1)
                result = Seek(target, 0);
            else
                result = Seek(offset, origin);
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
