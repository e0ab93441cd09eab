#pragma once
// Packs a list of files into a package archive through the archive component.

#include "ResourceCompUnit.h"

#include <memory>
#include <string>
#include <vector>

class TFilePacker {
public:
    // reports: where the manager's reports go (skipped entries, blocks done, a cancel); without
    // one, the packer works silently. The caller's observer turns reports into boxes or lines.
    explicit TFilePacker(IArchiveObserver* reports = nullptr);
    ~TFilePacker();

    // Opens the archive at path, creating it without a question when it is missing.
    void Open(const std::string& archive_path);
    // Creates a new archive at path for this packer alone: exclusively, without following a
    // link, readable by the owner only. A taken name raises EArchiveExists.
    void Create(const std::string& archive_path);
    // Adds the files (entries that name no existing file are left out); returns how many were
    // added. Entries the manager skips go to the observer, in order; its exceptions reach the
    // caller unchanged.
    int AddFiles(const std::vector<std::string>& files);

    std::unique_ptr<TResource> component;
};
