#include "FileLock.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

TFileLock::TFileLock(const std::string& path) {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

TFileLock::~TFileLock() {
    Unlock();
    if (fd >= 0) ::close(fd);
}

bool TFileLock::TryLock() {
    if (fd < 0 || locked) return locked;
    // flock locks belong to the open file, so two jobs of one process exclude each other too.
    int result;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    locked = result == 0;
    return locked;
}

void TFileLock::Unlock() {
    if (locked) ::flock(fd, LOCK_UN);
    locked = false;
}

bool TFileLock::StillNames(const std::string& path) const {
    struct stat held, named;
    return fd >= 0 && ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}
