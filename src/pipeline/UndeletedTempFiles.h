#pragma once
// Temporary files of the build pipeline that could not be deleted while the program ran
// (usually because something still holds them open). The main window turns the list into the
// clean-up script when it closes.

#include <string>
#include <vector>

std::vector<std::string>& UndeletedTempFiles();

// Appends a path once: the generators may fail on the same name more than once in a run.
void AddUndeletedTempFile(const std::string& path);
