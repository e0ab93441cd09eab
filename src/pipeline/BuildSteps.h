#pragma once
// Steps the two generators share: paths, temporary names, deletions that may fail, the copy
// of the finished archive.

#include <exception>
#include <string>

// The texts both generators write into the log file and their boxes.
inline constexpr const char* NoFlashFileText = "There is no flash file in this project.";

// The project file's path made absolute: the archive manager changes the current folder while
// it packs, so a relative path would stop naming the same file half-way through a build.
std::string AbsoluteProjectPath(const std::string& project_file);

// A path in the temporary folder: base + a number below 1000 + suffix, free of any file. Stale
// files at the picked names are deleted; those that cannot be are listed for the clean-up.
std::string FreshTempArchivePath(const std::string& base, const std::string& suffix);

// Deletes a file; when it is still there afterwards the path goes to the clean-up list.
void DeleteOrRemember(const std::string& path);

// Copies the finished archive to the package path, replacing an older package. A copy that
// fails raises EFCreateError, so a stale package is never joined behind the stub.
void CopyArchiveToPackage(const std::string& archive, const std::string& package);

// Relative entries of a project are taken relative to the project's folder.
std::string ResolveAgainst(const std::string& folder, const std::string& path);

// The message of a caught failure, for the log file and the progress window.
std::string MessageOf(const std::exception_ptr& error);
