#include "SmallDisk.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

TSmallDisk::TSmallDisk(uint64_t bytes) {
    std::string pattern = (std::filesystem::temp_directory_path() / "gldsmall-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make " + pattern);
    path = pattern;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tmpfs", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0)
        mounted = true;
    else
        reason = "cannot mount a small tmpfs here (" + std::string(std::strerror(errno)) +
                 "); full-disk cases need root";
}

TSmallDisk::~TSmallDisk() {
    // Lazily, so a file a failed test left open does not keep the mount behind.
    if (mounted) ::umount2(path.c_str(), MNT_DETACH);
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

uint64_t TSmallDisk::FreeBytes() const {
    struct statvfs st {};
    if (::statvfs(path.c_str(), &st) != 0) return 0;
    return static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
}

void TSmallDisk::Fill(uint64_t leave_free) {
    int fd = ::open((path + "/.filler").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) throw std::runtime_error("cannot fill " + path);
    std::vector<char> block(4096, 'f');
    for (uint64_t free = FreeBytes(); free > leave_free; free = FreeBytes()) {
        size_t chunk = static_cast<size_t>(std::min<uint64_t>(block.size(), free - leave_free));
        if (::write(fd, block.data(), chunk) <= 0) break;
    }
    ::close(fd);
}
