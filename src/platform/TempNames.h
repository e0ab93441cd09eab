#pragma once
// Unique temporary file names, reserved on disk.
//
// The name is built from the first three characters of the prefix and a unique hexadecimal
// number, with the extension ".tmp", and the empty file is created at once with exclusive
// creation, so two callers (or two processes) can never be handed the same name.

#include <string>

// Creates an empty, new file "<prefix[0..3]><hex>.tmp" in folder and returns its full path.
// An empty folder means the current directory. Raises EFCreateError when the folder does not
// exist or refuses new files.
std::string MakeUniqueTempFile(const std::string& folder, const std::string& prefix);
