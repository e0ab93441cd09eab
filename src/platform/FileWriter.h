#pragma once
// The way file content reaches the disk, with a seam that makes the disk fail on demand.
//
// Writers of files that must never be left half-done (the INI layer's atomic replace, copies,
// archives) put their bytes through WriteFully instead of calling write(2) themselves. By
// default that is write(2). A test installs a TFailingFileWriter for a scope to get a disk that
// fills up after N bytes, at any point of any of those writers, without a real full disk:
//
//     TFailingFileWriter full_after(100);          // 100 bytes pass, then ENOSPC
//     TFileWriterScope scope(full_after);
//     EXPECT_THROW(document.Save(), EIniWriteError);
//
// The installed writer is process-wide (like the message boxes and the shell layer), so only
// tests install one; the failing writer itself may be used from several threads.

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/types.h>

class TFileWriter {
public:
    virtual ~TFileWriter() = default;
    // As write(2): the number of bytes written (possibly fewer than size), or -1 with errno set.
    virtual ssize_t Write(int fd, const void* data, size_t size) = 0;
};

// write(2) itself.
class TSystemFileWriter : public TFileWriter {
public:
    ssize_t Write(int fd, const void* data, size_t size) override;
};

// The writer WriteFully goes through: the installed one, else the system's.
TFileWriter& CurrentFileWriter();
// nullptr restores the system's writer.
void InstallFileWriter(TFileWriter* writer);

// Writes every byte through the current writer, going on after short writes and EINTR. False
// with errno set when the disk refuses the rest; a write that makes no progress counts as a
// full disk (ENOSPC).
bool WriteFully(int fd, const void* data, size_t size);
inline bool WriteFully(int fd, std::string_view data) {
    return WriteFully(fd, data.data(), data.size());
}

// A device that fills up: the first `budget` bytes pass to the system's writer, the write that
// crosses the budget writes what still fits (a short write), and every write after that fails
// with `error` (ENOSPC unless told otherwise, EIO or EFBIG serve too).
//
// With only_paths_containing set, the writer fails only files whose path contains that text
// (so a project save can fail while the settings file next to it is written); writes to other
// files pass and do not count against the budget.
class TFailingFileWriter : public TFileWriter {
public:
    explicit TFailingFileWriter(uint64_t budget, int error = ENOSPC,
                                std::string only_paths_containing = "");
    ssize_t Write(int fd, const void* data, size_t size) override;

    // Bytes that passed to counted files, and writes that were refused.
    uint64_t Written() const;
    int Refusals() const;

private:
    bool Counts(int fd) const;

    mutable std::mutex mutex;
    uint64_t budget;
    int error;
    std::string only_paths_containing;
    uint64_t written = 0;
    int refusals = 0;
    TSystemFileWriter system;
};

// Installs a writer for the length of a scope and restores the one before.
class TFileWriterScope {
public:
    explicit TFileWriterScope(TFileWriter& writer);
    ~TFileWriterScope();
    TFileWriterScope(const TFileWriterScope&) = delete;
    TFileWriterScope& operator=(const TFileWriterScope&) = delete;

private:
    TFileWriter* previous;
};
