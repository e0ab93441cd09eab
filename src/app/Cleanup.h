#pragma once
// The clean-up of temporary files that the build pipeline could not delete while the program
// ran: a script that runs on after the program has ended and deletes them until the last one
// is gone, then itself. The script runs with the user's rights, so it lives in a folder that
// no other user can write to: another user of a shared temporary folder must never get to
// plant a script of theirs, or a link, where ours is written and run.

#include <string>
#include <vector>

// "cleanup.bat" for Windows: ":pp", one "@del" line per file, the "if exist" loop on the last
// file and "@del %0", each line ended by CR LF.
std::string CleanupBatchText(const std::vector<std::string>& files);

// The POSIX shell script with the same loop. It gives up after a bounded number of rounds so
// that a file that can never be deleted does not keep a process spinning forever. With
// own_folder it also removes that folder (the script's private one) after itself.
std::string CleanupShellText(const std::vector<std::string>& files, int rounds = 600,
                             const std::string& own_folder = "");

// The script's file name on this platform.
std::string CleanupScriptName();

// Where the script's private folder is made: $XDG_RUNTIME_DIR when it is a folder of ours
// closed to everyone else (mode 0700), else the system's temporary folder. Ends with a
// separator; "" when there is none.
std::string CleanupScriptParent();

// Writes the script for files into a new folder of its own below parent_folder, made with
// mkdtemp (mode 0700, ours alone), creating the script exclusively and without following
// links, and returns its path; "" when files is empty. A parent in which others could rename
// our folder (writable by others and not sticky) is refused. Throws EFCreateError when the
// script cannot be written; nothing is left behind then.
std::string WriteCleanupScript(const std::vector<std::string>& files,
                               const std::string& parent_folder);

// Whether no one but us could have written the script: a regular file of ours with one link,
// writable only by us, in a folder of ours closed to others, below a folder where nobody else
// can rename or replace it.
bool IsPrivateScript(const std::string& path);

// Starts the script detached, only when IsPrivateScript holds. True when it was started.
bool StartCleanupScript(const std::string& path);

// Writes the script into its private folder and starts it detached. Nothing happens for an
// empty list; failures are reported on stderr only, since closing cannot stop here, and a
// script that is not started is removed again.
void StartCleanup(const std::vector<std::string>& files);
