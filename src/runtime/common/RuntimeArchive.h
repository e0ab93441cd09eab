#pragma once
// The package archive a runtime carries behind its own bytes: a screensaver's movies and
// project file, an installer's screensaver and texts.
//
// Entries are named by the paths they had on the building machine (with "/" or "\"), so a
// runtime looks files up by their name part. Every byte read is checked against its block's
// CRC by the reader underneath; a damaged file raises EArchiveDamaged.

#include "ArchiveReaderUnit.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TRuntimeArchive {
public:
    // Opens the archive appended to the running program (/proc/self/exe). Raises EFOpenError
    // or EArchiveDamaged with a message for the user.
    static std::unique_ptr<TRuntimeArchive> OpenSelf();
    // Opens the archive at the end of any file (tests, tools).
    static std::unique_ptr<TRuntimeArchive> Open(const std::string& path);

    const std::vector<TArchiveEntry>& Entries() const { return reader->Entries(); }
    TArchiveReader& Reader() { return *reader; }
    const std::string& Path() const { return reader->Path(); }

    // The first entry at or after 'from' whose stored name equals path, else the first whose
    // name part equals path's name part (letter case ignored). nullopt when none does.
    std::optional<size_t> Find(const std::string& path, size_t from = 0) const;
    // The last entry whose name ends with the extension (letter case ignored, dot included).
    std::optional<size_t> FindLastWithExtension(const std::string& extension) const;

    // The whole entry in memory. Raises EArchiveDamaged when it is damaged or larger than
    // max_bytes (a crafted size must not exhaust memory).
    std::vector<uint8_t> Read(size_t index, size_t max_bytes = size_t(512) << 20);

private:
    explicit TRuntimeArchive(std::unique_ptr<TArchiveReader> reader);
    std::unique_ptr<TArchiveReader> reader;
};

// The path of the running program: /proc/self/exe, which names this very file even when it was
// started through a link or a relative path.
std::string RunningProgramPath();
