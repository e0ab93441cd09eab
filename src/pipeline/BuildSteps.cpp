#include "BuildSteps.h"

#include "FileErrors.h"
#include "FilePaths.h"
#include "FileWriter.h"
#include "Utils.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string AbsoluteProjectPath(const std::string& project_file) {
    if (project_file.empty()) return project_file;
    std::error_code error;
    const fs::path absolute = fs::absolute(fs::path(project_file), error);
    return error ? project_file : absolute.lexically_normal().string();
}

bool PathTaken(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

bool DeleteFileIfPresent(const std::string& path) {
    if (!PathTaken(path)) return true;
    std::error_code error;
    fs::remove(path, error);
    return !PathTaken(path);
}

std::string FreshTempArchivePath(const std::string& base, const std::string& suffix,
                                 const std::function<void(const std::string&)>& left_behind) {
    const std::string folder = TempFolder();
    // There are only a thousand names per project; when that many stale files refuse to go,
    // something is badly wrong with the temporary folder and looping on would never end.
    for (int attempt = 0; attempt < 20000; ++attempt) {
        const std::string path = folder + base + std::to_string(RandomBelow(1000)) + suffix;
        if (DeleteFileIfPresent(path)) return path;
        left_behind(path);
    }
    throw EFCreateError("Cannot find a free temporary file name in \"" + folder + "\".");
}

namespace {

// Opens a new file for the copy under the first free name; the name is taken by the creation
// itself, so no other file can slip in between the choice and the write.
int CreateFreeFile(const std::string& folder, const std::string& stem, const std::string& extension,
                   std::string& path) {
    for (int n = 1; n < 1000; ++n) {
        path = folder + stem + (n == 1 ? "" : " (" + std::to_string(n) + ")") + extension;
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

std::string CopyArchiveToNewFile(const std::string& archive, const std::string& folder,
                                 const std::string& stem, const std::string& extension) {
    const int in = ::open(archive.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) throw EFOpenError(FileOpenErrorMessage(archive, errno));
    std::string path;
    const int out = CreateFreeFile(folder, stem, extension, path);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        throw EFCreateError(FileCreateErrorMessage(path, error));
    }
    std::string failure;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            failure = "Cannot read \"" + archive + "\". " + std::strerror(errno);
            break;
        }
        if (got == 0) break;
        if (!WriteFully(out, buffer.data(), size_t(got))) {
            failure = "Cannot write \"" + path + "\". " + std::strerror(errno);
            break;
        }
    }
    ::close(in);
    if (::close(out) != 0 && failure.empty())
        failure = "Cannot write \"" + path + "\". " + std::strerror(errno);
    if (!failure.empty()) {
        // The copy is this build's own file: a part of one is of no use to anyone.
        ::unlink(path.c_str());
        throw EInOutError(failure);
    }
    return path;
}

std::string ResolveAgainst(const std::string& folder, const std::string& path) {
    if (path.empty() || folder.empty()) return path;
    // Paths written on Windows ("C:\..." or "\\server\...") are left alone: they are absolute
    // there, and guessing a folder for them here would only invent a wrong name.
    if (path.size() >= 2 && path[1] == ':') return path;
    if (IsPathDelimiter(path[0])) return path;
    return JoinPath(ExcludeTrailingPathDelimiter(folder), path);
}

std::string MessageOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}
