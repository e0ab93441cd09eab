#pragma once
// The package archive's byte layout in one place: its constants, the little-endian dwords, the
// central directory parser and the search for an archive behind a runtime stub. The manager,
// the reader, gldpack and the runtime stubs all read archives through this unit.
//
// Layout: "KLPM", the data blocks of every file, one file entry ("CFHS", six dwords, a name
// ended by a zero byte) per file, and the end record ("ECDR", block size, the directory's
// offset). Offsets count from the archive's first byte, also behind a stub.

#include "CompressErrors.h"
#include "LittleEndianUnit.h"

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// Signatures are compared as dwords; written little-endian they read as the four letters.
constexpr uint32_t ARCHIVE_SIGNATURE = 0x4D504C4B;      // "KLPM"
constexpr uint32_t DATA_BLOCK_SIGNATURE = 0x41544144;   // "DATA"
constexpr uint32_t CENTRAL_FILE_SIGNATURE = 0x53484643; // "CFHS"
constexpr uint32_t CENTRAL_END_SIGNATURE = 0x52444345;  // "ECDR"

// Raw bytes per data block; the end record repeats it.
constexpr int32_t ARCHIVE_BLOCK_SIZE = 409600;

// Fixed part of a file entry (signature and six dwords), of the end record, of a data block.
constexpr int32_t CENTRAL_FILE_FIXED_SIZE = 28;
constexpr int32_t CENTRAL_END_SIZE = 12;
constexpr int32_t DATA_BLOCK_HEADER_SIZE = 20;
// "KLPM" and an end record: an archive without entries.
constexpr int32_t EMPTY_ARCHIVE_SIZE = 16;

// The most entries an archive may hold: readers refuse more, so writers never make more.
constexpr size_t MAX_ARCHIVE_ENTRIES = 65536;

// Number of data blocks a file of raw_size bytes occupies.
constexpr int64_t BlocksFor(int64_t raw_size, int64_t block_size = ARCHIVE_BLOCK_SIZE) {
    return raw_size / block_size + (raw_size % block_size != 0 ? 1 : 0);
}

// Splits a stored name after its last path separator (either kind) or drive colon.
void SplitStoredName(const std::string& stored, std::string& folder_part, std::string& name_part);

// A stored name as it may be printed on a terminal: control characters (and bytes that are not
// UTF-8) become \xHH, so a crafted name can neither move the cursor nor retitle the window.
std::string PrintableName(const std::string& name);

// A file that is not a package archive, or one whose records contradict each other or the
// data they describe.
class EArchiveDamaged : public ECompressError {
public:
    using ECompressError::ECompressError;
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
    size_t max_entries = MAX_ARCHIVE_ENTRIES;
    size_t max_name_length = 32767;
    int64_t max_directory_bytes = 64 << 20;
};

struct TCentralDirRules {
    // Strict: the bytes hold exactly the directory's file entries, each whole with its name
    // ended inside them, and the entries' data lie back to back from offset 4 up to
    // central_dir_offset, in blocks of block_size; any fault raises EArchiveDamaged. This is
    // how archives from elsewhere are read.
    //
    // Tolerant: the bytes run from the directory's offset to the end of the file and are read
    // record by record until the end record, as the format was always read back by its
    // writer: bytes past the end read as zeros, a name may end with the file, and a record of
    // any other kind raises ESignatureWrong. Nothing else is checked.
    bool strict = true;
    int64_t central_dir_offset = 0;
    int32_t block_size = ARCHIVE_BLOCK_SIZE;
    TArchiveReaderLimits limits;
};

struct TCentralDirRecords {
    std::vector<TArchiveEntry> entries;
    // From the end record (tolerant); the rules' block size (strict).
    int32_t block_size = ARCHIVE_BLOCK_SIZE;
};

// The one parser of central directories.
TCentralDirRecords ParseCentralDir(std::span<const uint8_t> bytes, const TCentralDirRules& rules);

// Reads count bytes at offset of a file into buffer; false when they are not all there.
using TReadAt = std::function<bool(int64_t offset, void* buffer, size_t count)>;

// Where an archive starts in a file of file_size bytes (0 for a bare archive, the stub's
// length for an output file), or -1 with the reason in why. The stub may hold the signature
// bytes, even something that looks like a whole archive: candidates are tried from the
// highest possible start down, each checked with the strict parser.
int64_t FindArchiveStart(const TReadAt& read_at, int64_t file_size,
                         const TArchiveReaderLimits& limits, std::string* why);
