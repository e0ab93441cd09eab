#pragma once
// The shared utility routines: text and number formatting, file facts, the program's and the
// system's folders, the logon name, the build log, project backups and the standard boxes.
// The path helpers and TempFolder live in the platform layer (FilePaths.h) so
// that the archive and compression code can share them; the shell queries in Shell.h.

#include <cstdint>
#include <ctime>
#include <string>

#include "FilePaths.h"
#include "Messages.h"
#include "Shell.h"

// The last n characters (UTF-8 code points, never a split sequence) of s; all of s when it is
// not longer; "" for n <= 0.
std::string RightChars(const std::string& s, int n);

// Whole kilobytes with thousands separators and "KB": 0KB, 1KB, 1,024KB. The separator is the
// thousands separator of the C++ global locale, or "," when that locale has none.
std::string SizeToKBText(int32_t bytes);

// A random integer from 0 to n - 1 (0 when n < 1).
int RandomBelow(int n);

// "NOT FOUND!" for a missing path; the path itself for a folder; for an existing ".scr" file
// (extension in lower case) the description it carries, else its ShellDisplayName; for any
// other file its name without folder.
std::string FileDisplayName(const std::string& path);

// The file's size in bytes; -1 when it cannot be read; files of 2 GiB and more give
// 2147483647 (the largest value the 32-bit result holds).
int32_t FileSizeOf(const std::string& path);

// The file's last-modification time (seconds since the epoch; format it in local time with
// DateTimeToText); -1 when it cannot be read.
std::time_t FileDateOf(const std::string& path);

// A local date and time in the C++ global locale's date and time form ("%x %X"); under the
// classic "C" locale the unambiguous "YYYY-MM-DD HH:MM:SS".
std::string DateTimeToText(std::time_t when);

// The file name without folder and extension: "C:\Work\my.project.gldp" gives "my.project".
std::string NameWithoutExtension(const std::string& path);

// The logon user's name from the user database; "" when it cannot be found.
std::string LogonUserName();

// Appends "<date time>:<message>" CR LF CR LF to the log, creating it when missing. A log that
// cannot be written raises EInOutError "Unable to write to <path>".
void AppendLog(const std::string& log_path, const std::string& message);

// Copies path to backup_name (or NameWithoutExtension(path) + ".bak") in path's folder,
// replacing an older copy, with the original's permission bits. Silent when there is nothing
// to copy or the copy fails (an older copy then stays as it was).
void BackupFile(const std::string& path, const std::string& backup_name = "");

// The four standard boxes, captioned "Confirm", "Confirm", "Warning" and "Information".
bool Confirm(const std::string& text);
TMsgAnswer ConfirmOrCancel(const std::string& text);
void Warn(const std::string& text);
void Inform(const std::string& text);
