#include "BuildSteps.h"

#include "FileErrors.h"
#include "FilePaths.h"
#include "UndeletedTempFiles.h"
#include "Utils.h"

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

std::string AbsoluteProjectPath(const std::string& project_file) {
    if (project_file.empty()) return project_file;
    std::error_code error;
    const fs::path absolute = fs::absolute(fs::path(project_file), error);
    return error ? project_file : absolute.lexically_normal().string();
}

namespace {

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

bool DeleteFile(const std::string& path) {
    std::error_code error;
    fs::remove(path, error);
    return !Exists(path);
}

} // namespace

std::string FreshTempArchivePath(const std::string& base, const std::string& suffix) {
    const std::string folder = TempFolder();
    // There are only a thousand names per project; when that many stale files refuse to go,
    // something is badly wrong with the temporary folder and looping on would never end.
    for (int attempt = 0; attempt < 20000; ++attempt) {
        const std::string path = folder + base + std::to_string(RandomBelow(1000)) + suffix;
        if (!Exists(path)) return path;
        if (DeleteFile(path)) return path;
        AddUndeletedTempFile(path);
    }
    throw EFCreateError("Cannot find a free temporary file name in \"" + folder + "\".");
}

void DeleteOrRemember(const std::string& path) {
    if (path.empty() || !Exists(path)) return;
    if (!DeleteFile(path)) AddUndeletedTempFile(path);
}

void CopyArchiveToPackage(const std::string& archive, const std::string& package) {
    std::error_code error;
    fs::copy_file(archive, package, fs::copy_options::overwrite_existing, error);
    if (error) throw EFCreateError(FileCreateErrorMessage(package, error.value()));
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
