#include "FileStream.h"

#include "FileErrors.h"
#include "FileWriter.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TFileStream::TFileStream(const std::string& path, uint16_t mode) : path_(path) {
    if (mode == fmCreate) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) throw EFCreateError(FileCreateErrorMessage(path, errno));
        return;
    }
    int flags = O_CLOEXEC;
    switch (mode & 0x3) {
    case 0:
        flags |= O_RDONLY;
        break;
    case 1:
        flags |= O_WRONLY;
        break;
    default:
        flags |= O_RDWR;
        break;
    }
    fd_ = ::open(path.c_str(), flags);
    if (fd_ < 0) throw EFOpenError(FileOpenErrorMessage(path, errno));
    // A folder opens fine for reading on POSIX but is no file to stream.
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw EFOpenError(FileOpenErrorMessage(path, EISDIR));
    }
}

TFileStream::TFileStream(int fd, const std::string& path) : path_(path), fd_(fd) {
    ::lseek(fd_, 0, SEEK_SET);
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
    if (count <= 0) return 0;
    auto* out = static_cast<char*>(buffer);
    int32_t done = 0;
    while (done < count) {
        ssize_t got = ::read(fd_, out + done, size_t(count - done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return done > 0 ? done : -1;
        }
        if (got == 0) break;
        done += int32_t(got);
    }
    return done;
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
    if (count <= 0) return 0;
    const auto* in = static_cast<const char*>(buffer);
    int32_t done = 0;
    while (done < count) {
        // Through the file-writer seam, so that tests can fill the disk under an archive.
        ssize_t put = CurrentFileWriter().Write(fd_, in + done, size_t(count - done));
        if (put < 0) {
            if (errno == EINTR) continue;
            return done > 0 ? done : -1;
        }
        if (put == 0) break;
        done += int32_t(put);
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, int origin) {
    int whence;
    switch (origin) {
    case 0:
        whence = SEEK_SET;
        break;
    case 1:
        whence = SEEK_CUR;
        break;
    case 2:
        whence = SEEK_END;
        break;
    default:
        return -1;
    }
    return int64_t(::lseek(fd_, off_t(offset), whence));
}

int64_t TFileStream::Size() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return -1;
    return int64_t(st.st_size);
}

int64_t TFileStream::Position() {
    return int64_t(::lseek(fd_, 0, SEEK_CUR));
}
