#include "FilePaths.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Length of a leading drive ("C:") that belongs to the folder part.
size_t DriveLength(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        return 2;
    return 0;
}

// Index just past the last separator (or the drive); 0 when the path has neither.
size_t NameStart(const std::string& path) {
    size_t i = path.size();
    size_t drive = DriveLength(path);
    while (i > drive && !IsPathDelimiter(path[i - 1]))
        --i;
    return i;
}

bool IsRoot(const std::string& path) {
    size_t drive = DriveLength(path);
    return path.size() == drive + 1 && IsPathDelimiter(path[drive]);
}

} // namespace

bool IsPathDelimiter(char c) {
    return c == '/' || c == '\\';
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
    if (path.empty() || IsPathDelimiter(path.back())) return path;
    return path + PathDelim;
}

std::string ExcludeTrailingPathDelimiter(const std::string& path) {
    if (!path.empty() && IsPathDelimiter(path.back()) && !IsRoot(path))
        return path.substr(0, path.size() - 1);
    return path;
}

std::string ExtractFilePath(const std::string& path) {
    return path.substr(0, NameStart(path));
}

std::string ExtractFileDir(const std::string& path) {
    return ExcludeTrailingPathDelimiter(ExtractFilePath(path));
}

std::string ExtractFileName(const std::string& path) {
    return path.substr(NameStart(path));
}

std::string ExtractFileExt(const std::string& path) {
    size_t start = NameStart(path);
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < start) return "";
    return path.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
    size_t start = NameStart(path);
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < start) return path + extension;
    return path.substr(0, dot) + extension;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    size_t skip = 0;
    while (skip < name.size() && IsPathDelimiter(name[skip]))
        ++skip;
    return IncludeTrailingPathDelimiter(folder) + name.substr(skip);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string TempFolder() {
    if (const char* dir = std::getenv("TMPDIR"); dir && *dir && FolderExists(dir))
        return IncludeTrailingPathDelimiter(dir);
    if (FolderExists("/tmp")) return "/tmp/";
    return "";
}

int CreateFileBeside(const std::string& target, std::string& temp_path, unsigned mode) {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    // A name near the system's limit leaves no room for the suffix; the temporary file then
    // gets a short name of its own in the same folder.
    bool short_name = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix = ".";
        uint64_t r = generator();
        for (int i = 0; i < 8; ++i, r /= 36)
            suffix += digits[r % 36];
        temp_path = (short_name ? ExtractFilePath(target) + ".gld" : target) + suffix + "~";
        int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        static_cast<mode_t>(mode));
        if (fd < 0 && errno == ENAMETOOLONG && !short_name) {
            short_name = true;
            continue;
        }
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool ForceDirectories(const std::string& folder) {
    if (folder.empty()) return false;
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '/') {
            std::string part = folder.substr(0, i);
            if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
        }
    }
    return FolderExists(folder);
}
