#pragma once
// Packs a list of files into a package archive through the archive component.

#include "ResourceCompUnit.h"

#include <memory>
#include <string>
#include <vector>

class TFilePacker {
public:
    TFilePacker();
    ~TFilePacker();

    // Opens the archive at path, creating it without a question when it is missing.
    void Open(const std::string& archive_path);
    // Adds the files (entries that name no existing file are left out); returns how many were
    // added. The manager's boxes and exceptions reach the caller unchanged.
    int AddFiles(const std::vector<std::string>& files);

    std::unique_ptr<TResource> component;
};
