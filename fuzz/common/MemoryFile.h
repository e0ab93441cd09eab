#pragma once
// A fuzz input in an anonymous memory file, opened by its /proc name like any other file, so
// the code under test reads it through its ordinary file paths.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

class TMemoryFile {
public:
    TMemoryFile(const uint8_t* data, size_t size) {
        fd = memfd_create("gld-fuzz", 0);
        if (fd < 0) std::abort();
        size_t done = 0;
        while (done < size) {
            ssize_t put = write(fd, data + done, size - done);
            if (put <= 0) std::abort();
            done += size_t(put);
        }
        path = "/proc/self/fd/" + std::to_string(fd);
    }
    ~TMemoryFile() { close(fd); }
    TMemoryFile(const TMemoryFile&) = delete;
    TMemoryFile& operator=(const TMemoryFile&) = delete;

    int fd;
    std::string path;
};
