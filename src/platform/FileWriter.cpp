#include "FileWriter.h"

#include <algorithm>
#include <climits>
#include <unistd.h>

namespace {
TSystemFileWriter system_writer;
std::atomic<TFileWriter*> installed_writer{nullptr};
} // namespace

ssize_t TSystemFileWriter::Write(int fd, const void* data, size_t size) {
    return ::write(fd, data, size);
}

TFileWriter& CurrentFileWriter() {
    TFileWriter* writer = installed_writer.load(std::memory_order_acquire);
    return writer ? *writer : system_writer;
}

void InstallFileWriter(TFileWriter* writer) {
    installed_writer.store(writer, std::memory_order_release);
}

bool WriteFully(int fd, const void* data, size_t size) {
    TFileWriter& writer = CurrentFileWriter();
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = writer.Write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

TFailingFileWriter::TFailingFileWriter(uint64_t budget_bytes, int error_number,
                                       std::string only_paths)
    : budget(budget_bytes), error(error_number), only_paths_containing(std::move(only_paths)) {}

bool TFailingFileWriter::Counts(int fd) const {
    if (only_paths_containing.empty()) return true;
    char target[PATH_MAX + 1];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    ssize_t n = ::readlink(link.c_str(), target, PATH_MAX);
    if (n <= 0) return true;
    return std::string_view(target, static_cast<size_t>(n)).find(only_paths_containing) !=
           std::string_view::npos;
}

ssize_t TFailingFileWriter::Write(int fd, const void* data, size_t size) {
    if (!Counts(fd)) return system.Write(fd, data, size);
    std::lock_guard<std::mutex> lock(mutex);
    if (size == 0) return 0;
    if (written >= budget) {
        ++refusals;
        errno = error;
        return -1;
    }
    size_t allowed = static_cast<size_t>(std::min<uint64_t>(size, budget - written));
    ssize_t n = system.Write(fd, data, allowed);
    if (n > 0) written += static_cast<uint64_t>(n);
    return n;
}

uint64_t TFailingFileWriter::Written() const {
    std::lock_guard<std::mutex> lock(mutex);
    return written;
}

int TFailingFileWriter::Refusals() const {
    std::lock_guard<std::mutex> lock(mutex);
    return refusals;
}

TFileWriterScope::TFileWriterScope(TFileWriter& writer)
    : previous(installed_writer.exchange(&writer, std::memory_order_acq_rel)) {}

TFileWriterScope::~TFileWriterScope() {
    installed_writer.store(previous, std::memory_order_release);
}
