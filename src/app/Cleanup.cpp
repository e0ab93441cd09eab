#include "Cleanup.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

#include "FileErrors.h"
#include "FilePaths.h"
#include "FileWriter.h"
#include "Shell.h"

namespace {
// Single quotes keep every character literal; a quote inside becomes '\''.
std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// A folder of ours that no one else may enter, write or rename things in.
bool IsPrivateFolder(const struct stat& st) {
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

// A folder in which nobody but us (and root) can replace what we put there: not writable by
// others, or sticky like /tmp, so others can add names but not remove or rename ours.
bool IsSafeParent(const struct stat& st) {
    if (!S_ISDIR(st.st_mode)) return false;
    if (st.st_uid != ::geteuid() && st.st_uid != 0) return false;
    return (st.st_mode & 022) == 0 || (st.st_mode & S_ISVTX) != 0;
}

std::string ParentFolder(const std::string& path) {
    std::string folder = ExcludeTrailingPathDelimiter(path);
    size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : folder.substr(0, slash);
}
} // namespace

std::string CleanupBatchText(const std::vector<std::string>& files) {
    if (files.empty()) return {};
    std::string text = ":pp\r\n";
    for (const auto& file : files)
        text += "@del \"" + file + "\"\r\n";
    text += "if exist \"" + files.back() + "\" goto pp\r\n";
    text += "@del %0\r\n";
    return text;
}

std::string CleanupShellText(const std::vector<std::string>& files, int rounds,
                             const std::string& own_folder) {
    if (files.empty()) return {};
    std::string text =
        "#!/bin/sh\n# Deletes the temporary files Glimmerdrome could not delete, then itself.\n";
    text += "n=0\n";
    text += "while :; do\n";
    for (const auto& file : files)
        text += "    rm -f -- " + ShellQuote(file) + "\n";
    text += "    [ -e " + ShellQuote(files.back()) + " ] || break\n";
    text += "    n=$((n + 1))\n";
    text += "    [ \"$n\" -ge " + std::to_string(rounds) + " ] && break\n";
    text += "    sleep 1\n";
    text += "done\n";
    text += "rm -f -- \"$0\"\n";
    if (!own_folder.empty()) text += "rmdir -- " + ShellQuote(own_folder) + "\n";
    return text;
}

std::string CleanupScriptName() {
#ifdef _WIN32
    return "cleanup.bat";
#else
    return "cleanup.sh";
#endif
}

std::string CleanupScriptParent() {
#ifndef _WIN32
    // The session's own runtime folder is out of every other user's reach; it counts only
    // when it really is ours and closed to others.
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        struct stat st {};
        if (::lstat(runtime, &st) == 0 && IsPrivateFolder(st))
            return IncludeTrailingPathDelimiter(runtime);
    }
#endif
    return TempFolder();
}

std::string WriteCleanupScript(const std::vector<std::string>& files,
                               const std::string& parent_folder) {
    if (files.empty()) return {};
#ifdef _WIN32
    const std::string path = parent_folder + CleanupScriptName();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw EFCreateError(FileCreateErrorMessage(path, errno));
    out << CleanupBatchText(files);
    out.close();
    if (!out) throw EFCreateError(FileCreateErrorMessage(path, errno));
    return path;
#else
    // A fresh folder that only we may enter: nobody can plant a file or a link under the
    // script's name, write into the script or swap it before it runs. In a folder where
    // others could rename our folder away (writable by all, not sticky), that still would
    // not hold.
    struct stat st {};
    if (::stat(parent_folder.c_str(), &st) != 0)
        throw EFCreateError(FileCreateErrorMessage(parent_folder, errno));
    if (!IsSafeParent(st))
        throw EFCreateError("The folder " + parent_folder +
                            " is open to other users; no clean-up script is written there");
    std::string folder = IncludeTrailingPathDelimiter(parent_folder) + "glimmerdrome-XXXXXX";
    if (!::mkdtemp(folder.data())) throw EFCreateError(FileCreateErrorMessage(folder, errno));
    const std::string path = JoinPath(folder, CleanupScriptName());
    const std::string text = CleanupShellText(files, 600, folder);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
    bool ok = fd >= 0 && WriteFully(fd, text);
    int error = errno;
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(path.c_str());
        ::rmdir(folder.c_str());
        throw EFCreateError(FileCreateErrorMessage(path, error));
    }
    return path;
#endif
}

bool IsPrivateScript(const std::string& path) {
#ifdef _WIN32
    return FileExists(path);
#else
    struct stat file {};
    struct stat folder {};
    struct stat parent {};
    const std::string dir = ParentFolder(path);
    if (::lstat(path.c_str(), &file) != 0 || ::lstat(dir.c_str(), &folder) != 0 ||
        ::stat(ParentFolder(dir).c_str(), &parent) != 0)
        return false;
    return S_ISREG(file.st_mode) && file.st_uid == ::geteuid() && file.st_nlink == 1 &&
           (file.st_mode & 022) == 0 && IsPrivateFolder(folder) && IsSafeParent(parent);
#endif
}

bool StartCleanupScript(const std::string& path) {
    if (!IsPrivateScript(path)) return false;
    return StartDetachedScript(path);
}

void StartCleanup(const std::vector<std::string>& files) {
    if (files.empty()) return;
    try {
        const std::string parent = CleanupScriptParent();
        if (parent.empty()) throw EFCreateError("No temporary folder for the clean-up script");
        const std::string path = WriteCleanupScript(files, parent);
        if (!StartCleanupScript(path)) {
            std::cerr << "Glimmerdrome: the clean-up script " << path << " was not started\n";
            ::unlink(path.c_str());
            ::rmdir(ParentFolder(path).c_str());
        }
    } catch (const std::exception& error) {
        std::cerr << "Glimmerdrome: " << error.what() << "\n";
    }
}
