#pragma once
// Steps the two generators share: paths, temporary names, deletions that may fail, the copy
// of the finished archive.

#include <exception>
#include <functional>
#include <string>

// The texts both generators write into the log file and their boxes.
inline constexpr const char* NoFlashFileText = "There is no flash file in this project.";
inline constexpr const char* NoMovieLeftText =
    "None of the project's Flash files exists: no Flash file could be packed.";

// The project file's path made absolute, so that every path derived from it names the same
// file whatever the current folder is.
std::string AbsoluteProjectPath(const std::string& project_file);

class TFilePacker;

// Creates the build's temporary archive in the temporary folder through packer and returns its
// path: base + a number below 1000 + suffix, or, when the names tried are taken, base + a
// longer random number + suffix. The archive is created exclusively, without following links
// and readable by the owner only, and the packer keeps it open; a taken name is left alone,
// since it may belong to another build or to someone else.
std::string CreateTempArchive(TFilePacker& packer, const std::string& base,
                              const std::string& suffix);

// Deletes the file at path when there is one; true when nothing is there afterwards.
bool DeleteFileIfPresent(const std::string& path);

// Whether anything (a file, a folder, a link, even a broken one) is at path.
bool PathTaken(const std::string& path);

// Copies the packer's finished archive into a new file in folder and returns its path: stem +
// extension, or, when that name is taken, stem + " (2)" + extension and so on. The archive is
// read from the file the packer holds open, not by its name. The file is created exclusively
// and never replaces anything, so a file of the author's with the same name is never touched.
// Raises EFCreateError or EInOutError when the copy cannot be made; nothing is left behind
// then.
std::string CopyArchiveToNewFile(TFilePacker& packer, const std::string& folder,
                                 const std::string& stem, const std::string& extension);

// Relative entries of a project are taken relative to the project's folder.
std::string ResolveAgainst(const std::string& folder, const std::string& path);

// The message of a caught failure, for the log file and the progress window.
std::string MessageOf(const std::exception_ptr& error);
