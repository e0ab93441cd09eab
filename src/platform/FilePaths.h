#pragma once
// Path text helpers and file facts shared by every subsystem.
//
// Paths are std::string (UTF-8 on Linux, joined with PathDelim). Project files made on Windows
// carry paths with "\" separators; so that their names, folders and extensions still come out
// right here, the Extract* helpers treat both "/" and "\" as separators on every platform (and
// a leading drive "C:" as part of the folder). Only PathDelim and the joins follow the platform.

#include <cstdint>
#include <ctime>
#include <string>

#ifdef _WIN32
inline constexpr char PathDelim = '\\';
#else
inline constexpr char PathDelim = '/';
#endif

bool IsPathDelimiter(char c);
// Appends PathDelim unless the path already ends with a separator; "" stays "".
std::string IncludeTrailingPathDelimiter(const std::string& path);
// Drops one trailing separator, except from a root ("/", "C:\").
std::string ExcludeTrailingPathDelimiter(const std::string& path);
// The folder part including its final separator: "C:\Work\demo.gldp" gives "C:\Work\".
std::string ExtractFilePath(const std::string& path);
// The folder part without its final separator (a root keeps it).
std::string ExtractFileDir(const std::string& path);
// The name after the last separator.
std::string ExtractFileName(const std::string& path);
// The extension of the name, from its last dot on ("demo.gldp" gives ".gldp"; "demo" gives "").
std::string ExtractFileExt(const std::string& path);
// Replaces (or adds, or with "" removes) the extension of the name.
std::string ChangeFileExt(const std::string& path, const std::string& extension);
// Joins a folder and a name with exactly one PathDelim between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// A regular file (or a link to one) exists at the path; folders do not count.
bool FileExists(const std::string& path);
// A folder (or a link to one) exists at the path.
bool FolderExists(const std::string& path);

// The system's folder for temporary files, ending with a separator: $TMPDIR when it names an
// existing folder, else /tmp. Empty when neither exists.
std::string TempFolder();

// Creates a new, uniquely named file beside target ("<target>.<random>~", or
// ".gld<random>~" when the name is too long for a suffix) with exclusive
// creation and the given permission bits (less the umask), for content that is then renamed
// over target. Returns the open descriptor and sets temp_path, or -1 with errno set.
int CreateFileBeside(const std::string& target, std::string& temp_path, unsigned mode = 0666);

// Creates the folder and every missing folder above it. True when the folder exists afterwards.
bool ForceDirectories(const std::string& folder);
