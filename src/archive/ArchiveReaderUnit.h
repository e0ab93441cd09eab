#pragma once
// Reading package archives: bare archives and output files (a runtime stub followed by an
// archive). The reader finds where the archive starts by itself, lists its entries and expands
// them block by block, checking every CRC.
//
// Everything it reads is treated as hostile: counts, sizes, offsets and names are checked
// against the file and against fixed limits before they are used, so a damaged or crafted file
// ends in EArchiveDamaged (or the file errors of the platform), never in a crash or a runaway
// allocation.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TBitFile;
class TExpander;

// A file that is not a package archive, or one whose records contradict each other or the
// data they describe.
class EArchiveDamaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TArchiveEntry {
    std::string stored_name; // as it stands in the archive, usually a full path
    std::string folder_part;
    std::string name_part;
    int32_t compressed_size = 0;
    int32_t raw_size = 0;
    int32_t block_count = 0;
    uint32_t data_offset = 0;
    uint32_t time_stamp = 0; // packed MS-DOS local date and time
    uint32_t attributes = 0;
};

struct TArchiveReaderLimits {
    size_t max_entries = 65536;
    size_t max_name_length = 32767;
    int64_t max_directory_bytes = 64 << 20;
};

class TArchiveReader {
public:
    using TSink = std::function<void(const uint8_t* data, size_t size)>;

    // Opens path and locates the archive in it. Raises EFOpenError when the file cannot be
    // read and EArchiveDamaged when no consistent archive is found.
    static std::unique_ptr<TArchiveReader> Open(const std::string& path,
                                                const TArchiveReaderLimits& limits = {});
    ~TArchiveReader();
    TArchiveReader(const TArchiveReader&) = delete;
    TArchiveReader& operator=(const TArchiveReader&) = delete;

    const std::string& Path() const { return path; }
    // Offset of the archive's first byte in the file: 0 for a bare archive, the stub's length
    // for an output file.
    int64_t ArchiveStart() const { return archive_start; }
    int64_t ArchiveLength() const { return file_size - archive_start; }
    int64_t CentralDirOffset() const { return central_dir_offset; }
    int32_t BlockSize() const { return block_size; }
    const std::vector<TArchiveEntry>& Entries() const { return entries; }

    // Expands entry index block by block and hands each block's raw bytes to sink, in file
    // order. A block that is damaged raises EArchiveDamaged naming the entry and the block;
    // the bytes already handed to sink stay with the caller.
    void ExtractEntry(size_t index, const TSink& sink);
    // Expands every block of every entry and checks every CRC, keeping nothing.
    void TestAll();

    // Where the archive starts in a file of file_size bytes whose tail is readable through
    // read_at, or -1. Exposed for the runtime stubs and the tests.
    using TReadAt = std::function<bool(int64_t offset, void* buffer, size_t count)>;
    static int64_t FindArchiveStart(const TReadAt& read_at, int64_t file_size,
                                    const TArchiveReaderLimits& limits, std::string* why);

private:
    TArchiveReader() = default;
    bool ReadAt(int64_t offset, void* buffer, size_t count) const;

    std::string path;
    std::FILE* file = nullptr;
    int64_t file_size = 0;
    int64_t archive_start = 0;
    int64_t central_dir_offset = 0;
    int32_t block_size = 0;
    std::vector<TArchiveEntry> entries;
    // Opened on the first expansion: listing needs neither.
    std::unique_ptr<TBitFile> bits;
    std::unique_ptr<TExpander> expander;
    std::vector<uint8_t> block;
};

// Parses a central directory held in memory (the bytes from the directory's first entry up to,
// not including, the end record) and checks that the entries' data lie back to back from
// offset 4 up to central_dir_offset. Raises EArchiveDamaged.
std::vector<TArchiveEntry> ParseCentralDir(const uint8_t* data, size_t size,
                                           int64_t central_dir_offset, int32_t block_size,
                                           const TArchiveReaderLimits& limits);
