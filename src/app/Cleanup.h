#pragma once
// The clean-up of temporary files that the build pipeline could not delete while the program
// ran: a script in the temporary folder that runs on after the program has ended and deletes
// them until the last one is gone, then itself.

#include <string>
#include <vector>

// "cleanup.bat" for Windows: ":pp", one "@del" line per file, the "if exist" loop on the last
// file and "@del %0", each line ended by CR LF.
std::string CleanupBatchText(const std::vector<std::string>& files);

// The POSIX shell script with the same loop. It gives up after a bounded number of rounds so
// that a file that can never be deleted does not keep a process spinning forever.
std::string CleanupShellText(const std::vector<std::string>& files, int rounds = 600);

// The script's file name in the temporary folder on this platform.
std::string CleanupScriptName();

// Writes the script for files into temp_folder (which ends with a separator) and returns its
// path; "" when files is empty. Throws EFCreateError when it cannot be written.
std::string WriteCleanupScript(const std::vector<std::string>& files,
                               const std::string& temp_folder);

// Writes the script into the system's temporary folder and starts it detached. Nothing happens
// for an empty list; failures are reported on stderr only, since closing cannot stop here.
void StartCleanup(const std::vector<std::string>& files);
