#include "BuildSteps.h"

#include "FileErrors.h"
#include "FilePaths.h"
#include "FileWriter.h"
#include "Utils.h"
#include "cFilePacker.h"

#include <cerrno>
#include <cstdio>
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

std::string CreateTempArchive(TFilePacker& packer, const std::string& base,
                              const std::string& suffix) {
    const std::string folder = TempFolder();
    // The short names first, as they always were; after that many taken ones, somebody holds
    // them on purpose or the folder is full of old builds, and longer names end the search.
    for (int attempt = 0;; ++attempt) {
        std::string number = std::to_string(RandomBelow(1000));
        if (attempt >= 64) {
            char text[24];
            std::snprintf(text, sizeof text, "%08x%08x",
                          unsigned(RandomBelow(0x10000)) << 16 | unsigned(RandomBelow(0x10000)),
                          unsigned(RandomBelow(0x10000)) << 16 | unsigned(RandomBelow(0x10000)));
            number = text;
        }
        const std::string path = folder + base + number + suffix;
        try {
            packer.Create(path);
            return path;
        } catch (const EArchiveExists&) {
            if (attempt >= 64 + 1000)
                throw EFCreateError("Cannot find a free temporary file name in \"" + folder +
                                    "\".");
        }
    }
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

std::string CopyArchiveToNewFile(TFilePacker& packer, const std::string& folder,
                                 const std::string& stem, const std::string& extension) {
    std::string path;
    const int out = CreateFreeFile(folder, stem, extension, path);
    if (out < 0) throw EFCreateError(FileCreateErrorMessage(path, errno));
    std::string failure;
    try {
        packer.component->manager->ReadWholeArchive([&](const uint8_t* data, size_t size) {
            if (!WriteFully(out, data, size))
                throw EInOutError("Cannot write \"" + path + "\". " + std::strerror(errno));
        });
    } catch (const std::exception& e) {
        failure = e.what();
    }
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
