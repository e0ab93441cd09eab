#pragma once
// The one way entries of an archive are written into a folder: by gldpack, by the runtime
// stubs and by the installer.
//
// An archive is a file from elsewhere, and the folder may hold things planted by someone else,
// so what an entry can do there is limited to what a user who unpacks a download expects:
//  - An entry is written under the name part of its stored name only. A name part that is
//    empty, "." or "..", or holds a separator of either kind, a drive colon or a control
//    character is refused.
//  - Nothing already in the folder is written through or replaced: not a link, not a file of
//    the user's, not one that appears meanwhile. An entry is written beside, into a file this
//    extractor creates exclusively without following links, and moved to its name only where
//    that name is free. A taken name gives way to the next free "name (2).ext",
//    "name (3).ext", ..., as do names that repeat inside the archive (compared without regard
//    to ASCII case, as on the system the archives come from).
//  - An entry that fails half-way (a damaged block, a full disk, a cancel) leaves nothing.
// The folder is opened once, so a link put in place of it or of a parent meanwhile leads
// nowhere. Repeats cost constant time each, so an archive of 65536 equal names is linear.

#include "ArchiveReaderUnit.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// An entry that was not written: its name is refused, or its file could not be written. The
// folder holds nothing of it.
class EExtractError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The cancel flag was raised; the entry being written was dropped.
class EExtractCancelled : public std::runtime_error {
public:
    EExtractCancelled() : std::runtime_error("Extraction cancelled.") {}
};

struct TExtractedFile {
    size_t index = 0;
    std::string name; // the name it got in the folder
    std::string path; // folder and name
};

class TArchiveExtractor {
public:
    // Extracts the entries of reader into folder, which is created (with its parents) when
    // missing. Raises EExtractError when the folder cannot be made or opened.
    TArchiveExtractor(TArchiveReader& reader, const std::string& folder);
    ~TArchiveExtractor();
    TArchiveExtractor(const TArchiveExtractor&) = delete;
    TArchiveExtractor& operator=(const TArchiveExtractor&) = delete;

    // After every block written: the entry's index, its raw bytes written so far and its size.
    std::function<void(size_t index, int64_t done, int64_t size)> OnProgress;
    // Looked at before every block, from any thread; once it is true the entry being written
    // is dropped and EExtractCancelled raised.
    const std::atomic<bool>* cancel = nullptr;

    // The name part an entry is written under before taken names are counted, or "" with the
    // reason in why when it is refused.
    static std::string UsableName(const TArchiveEntry& entry, std::string* why = nullptr);

    // Writes entry index into the folder and says where. Raises EExtractError, EArchiveDamaged
    // (a damaged block) or EExtractCancelled; the folder then holds nothing of the entry.
    TExtractedFile ExtractEntry(size_t index);
    // Every entry in order. A failed entry goes to on_failure with its message and the next
    // one follows; a cancel ends the loop by raising. Returns the files written.
    std::vector<TExtractedFile>
    ExtractAll(const std::function<void(size_t index, const std::string& message)>& on_failure);

    const std::string& Folder() const { return folder; }

private:
    // The next name to try for name: name itself while it was never tried, then its copies.
    std::string NextCandidate(const std::string& name);
    int CreatePartFile(std::string& part_name);
    // Moves part_name to candidate unless candidate exists; false when it does.
    bool MoveIfFree(const std::string& part_name, const std::string& candidate);

    TArchiveReader& reader;
    std::string folder;
    int dir_fd = -1;
    std::unordered_set<std::string> tried;          // names (lower case) given out or taken
    std::unordered_map<std::string, int> next_copy; // name (lower case) -> next k to try
};
