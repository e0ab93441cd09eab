#pragma once
// The platform's handle-based file stream: unbuffered reads, writes and seeks on a file
// descriptor. The buffered stream of the compression engine sits on top of it.
//
// Open modes follow the 16-bit convention of the archive format's original platform: the low
// bits select the access (0 read, 1 write, 2 read-write), 0x20 asks that nobody else writes
// the file while it is open, and 0xFFFF creates (or truncates) a file for writing.
//
// Share flags are accepted and ignored here: POSIX locks are advisory and every writer of our
// own archives opens them through this class in the same process, so a lock would only get in
// the way of the tests and tools that read an archive while the program holds it.

#include <cstdint>
#include <string>

constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmCreate = 0xFFFF;

class TFileStream {
public:
    // Raises EFOpenError (existing file) or EFCreateError (mode fmCreate) when the file cannot
    // be opened.
    TFileStream(const std::string& path, uint16_t mode);
    // Takes over fd, a file already open under path (created exclusively by the caller, say),
    // and closes it in the end. The position is set to the start of the file.
    TFileStream(int fd, const std::string& path);
    virtual ~TFileStream();
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    // Each returns the number of bytes moved (short only at the end of the file or when the
    // disk refuses more), or -1 on an error of the system.
    int32_t Read(void* buffer, int32_t count);
    int32_t Write(const void* buffer, int32_t count);

    // origin: 0 from the start, 1 from the current position, 2 from the end. Returns the new
    // position, or a negative value on failure (any other origin fails too).
    int64_t Seek(int64_t offset, int origin);

    int64_t Size();
    int64_t Position();
    const std::string& FileName() const { return path_; }
    int Handle() const { return fd_; }

private:
    std::string path_;
    int fd_ = -1;
};
