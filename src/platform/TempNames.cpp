#include "TempNames.h"

#include "FileErrors.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Seeded once from the clock and the process id, then stepped, so a burst of calls does not
// retry the same candidates again and again.
std::atomic<unsigned> next_number{0};

unsigned Seed() {
    auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<unsigned>(now) ^ (static_cast<unsigned>(getpid()) << 16);
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
    if (folder.empty()) return std::filesystem::current_path().string() + "/" + name;
    char last = folder.back();
    if (last == '/' || last == '\\') return folder + name;
    return folder + "/" + name;
}

} // namespace

TTempFile OpenUniqueTempFile(const std::string& folder, const std::string& prefix, mode_t mode) {
    static const bool seeded = [] {
        next_number = Seed();
        return true;
    }();
    (void)seeded;

    const std::string stem = prefix.substr(0, 3);
    // 65536 attempts mirror the four hex digits of the classic service; a folder that full of
    // our names is a fault worth reporting rather than a reason to loop forever.
    for (int attempt = 0; attempt < 65536; ++attempt) {
        unsigned number = next_number.fetch_add(1) & 0xFFFFFFu;
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X", number);
        std::string path = JoinFolder(folder, stem + hex + ".tmp");
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) return {path, fd};
        if (errno != EEXIST) throw EFCreateError(FileCreateErrorMessage(path, errno));
    }
    std::string path = JoinFolder(folder, stem + "*.tmp");
    throw EFCreateError(FileCreateErrorMessage(path, EEXIST));
}

std::string MakeUniqueTempFile(const std::string& folder, const std::string& prefix) {
    TTempFile file = OpenUniqueTempFile(folder, prefix, 0644);
    ::close(file.fd);
    return file.path;
}
