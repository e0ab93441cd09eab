#pragma once
// Unique temporary file names, reserved on disk.
//
// The name is built from the first three characters of the prefix and a unique hexadecimal
// number, with the extension ".tmp", and the empty file is created at once with exclusive
// creation, so two callers (or two processes) can never be handed the same name.

#include <string>

#include <sys/types.h>

// Creates an empty, new file "<prefix[0..3]><hex>.tmp" in folder and returns its full path.
// An empty folder means the current directory. Raises EFCreateError when the folder does not
// exist or refuses new files.
std::string MakeUniqueTempFile(const std::string& folder, const std::string& prefix);

// A temporary file created for the caller alone and kept open: its name cannot be taken over
// between being chosen and being used, since the caller never opens it by name again.
struct TTempFile {
    std::string path;
    int fd = -1;
};

// Creates a new file "<prefix[0..3]><hex>.tmp" in folder as MakeUniqueTempFile does, but
// without following a link planted under the name, with the given permission bits (only the
// owner's by default), open for reading and writing. The caller owns fd.
TTempFile OpenUniqueTempFile(const std::string& folder, const std::string& prefix,
                             mode_t mode = 0600);
