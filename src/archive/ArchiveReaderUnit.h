#pragma once
// Reading package archives: bare archives and output files (a runtime stub followed by an
// archive), from a file or from bytes in memory. The reader finds where the archive starts by
// itself, lists its entries and expands them block by block, checking every CRC.
//
// Everything it reads is treated as hostile: counts, sizes, offsets and names are checked
// against the file and against fixed limits before they are used, so a damaged or crafted file
// ends in EArchiveDamaged (or the file errors of the platform), never in a crash or a runaway
// allocation.

#include "ArchiveFormatUnit.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class TArchiveReader {
public:
    using TSink = std::function<void(const uint8_t* data, size_t size)>;

    // Opens path and locates the archive in it. Raises EFOpenError when the file cannot be
    // read and EArchiveDamaged when no consistent archive is found.
    static std::unique_ptr<TArchiveReader> Open(const std::string& path,
                                                const TArchiveReaderLimits& limits = {});
    // The same for a file held in memory; bytes must outlive the reader. name stands in for
    // the path in messages.
    static std::unique_ptr<TArchiveReader> OpenMemory(std::span<const uint8_t> bytes,
                                                      const TArchiveReaderLimits& limits = {},
                                                      const std::string& name = "(memory)");
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
    // the bytes already handed to sink stay with the caller. A sink may raise to stop.
    void ExtractEntry(size_t index, const TSink& sink);
    // The whole entry in memory, for small entries such as a project file; one whose size is
    // above max_size raises EArchiveDamaged before anything is expanded.
    std::vector<uint8_t> ReadEntry(size_t index, size_t max_size);
    // Expands every block of every entry and checks every CRC, keeping nothing.
    void TestAll();

    // Blocks are expanded on this many threads (0: one per core). With more than one, the
    // blocks of the entries after the one asked for are expanded ahead, for callers that go
    // through the entries in order; anything else costs only the work done ahead. The default,
    // 1, expands on the caller's thread alone.
    void SetThreads(int threads);

private:
    TArchiveReader() = default;
    static std::unique_ptr<TArchiveReader> Locate(std::unique_ptr<TArchiveReader> reader,
                                                  const TArchiveReaderLimits& limits);
    bool ReadAt(int64_t offset, void* buffer, size_t count) const;

    std::string path;
    int fd = -1;
    std::span<const uint8_t> memory; // when reading from memory
    int64_t file_size = 0;
    int64_t archive_start = 0;
    int64_t central_dir_offset = 0;
    int32_t block_size = 0;
    std::vector<TArchiveEntry> entries;
    struct TAhead;
    // The decoders and the blocks in flight, made on the first expansion: listing needs none.
    TAhead& Ahead();
    // Reads the next block of the cursor into a free slot, or says why it cannot be expanded.
    void SubmitNext(TAhead& ahead);
    // Places the cursor at the first block of the first entry from index that has blocks.
    void PlaceCursor(TAhead& ahead, size_t index);
    int threads = 1;
    std::unique_ptr<TAhead> ahead;
};
