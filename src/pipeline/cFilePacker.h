#pragma once
// Packs a list of files into a package archive through the archive component.

#include "ResourceCompUnit.h"

#include <memory>
#include <string>
#include <vector>

class TFilePacker : private IArchiveObserver {
public:
    // reports: where the manager's reports go; without one, skipped entries are shown in boxes
    // and pending messages run after every block, as they always did.
    explicit TFilePacker(IArchiveObserver* reports = nullptr);
    ~TFilePacker() override;

    // Opens the archive at path, creating it without a question when it is missing.
    void Open(const std::string& archive_path);
    // Creates a new archive at path for this packer alone: exclusively, without following a
    // link, readable by the owner only. A taken name raises EArchiveExists.
    void Create(const std::string& archive_path);
    // Adds the files (entries that name no existing file are left out); returns how many were
    // added. Entries the manager skips are shown in boxes, in order; its exceptions reach the
    // caller unchanged.
    int AddFiles(const std::vector<std::string>& files);

    std::unique_ptr<TResource> component;

private:
    void EntrySkipped(const TArchiveDiagnostic& diagnostic) override;
    void BlockDone(const std::string& entry, int64_t done, int64_t size) override;
    bool ConfirmCreate(const std::string& path) override;
};
