#include "ArchiveReaderUnit.h"

#include "ArchiveHeadersUnit.h"
#include "BWTExpandUnit.h"
#include "CompressErrors.h"
#include "FileErrors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

uint32_t LE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::string EntryLabel(size_t index, const std::string& name) {
    return "entry " + std::to_string(index + 1) + " ('" + name + "')";
}

// Full directory parses tried per file: a stub full of "KLPM" bytes must not make locating
// quadratic.
constexpr int MAX_FULL_PARSES = 64;
// Signature bytes looked at, for the same reason: a real stub holds a handful.
constexpr int MAX_CANDIDATES = 100000;
constexpr size_t SCAN_CHUNK = 1 << 16;

} // namespace

std::vector<TArchiveEntry> ParseCentralDir(const uint8_t* data, size_t size,
                                           int64_t central_dir_offset, int32_t block_size,
                                           const TArchiveReaderLimits& limits) {
    std::vector<TArchiveEntry> result;
    int64_t expected_offset = 4;
    size_t pos = 0;
    while (pos < size) {
        size_t index = result.size();
        std::string label = "entry " + std::to_string(index + 1);
        if (index >= limits.max_entries)
            throw EArchiveDamaged("The central directory holds more than " +
                                  std::to_string(limits.max_entries) + " entries.");
        if (size - pos < size_t(CENTRAL_FILE_FIXED_SIZE) + 1)
            throw EArchiveDamaged("The central directory ends inside " + label + ".");
        const uint8_t* p = data + pos;
        if (LE32(p) != CENTRAL_FILE_SIGNATURE)
            throw EArchiveDamaged("The central directory holds an unknown record at " + label +
                                  ".");
        TArchiveEntry e;
        e.compressed_size = int32_t(LE32(p + 4));
        e.raw_size = int32_t(LE32(p + 8));
        e.block_count = int32_t(LE32(p + 12));
        e.data_offset = LE32(p + 16);
        e.time_stamp = LE32(p + 20);
        e.attributes = LE32(p + 24);
        const uint8_t* name = p + CENTRAL_FILE_FIXED_SIZE;
        size_t room = std::min(size - pos - CENTRAL_FILE_FIXED_SIZE, limits.max_name_length + 1);
        const void* end = std::memchr(name, 0, room);
        if (!end) throw EArchiveDamaged("The name of " + label + " is not ended or too long.");
        e.stored_name.assign(reinterpret_cast<const char*>(name),
                             static_cast<const uint8_t*>(end) - name);
        SplitStoredName(e.stored_name, e.folder_part, e.name_part);
        label = EntryLabel(index, e.stored_name);

        if (e.compressed_size < 0 || e.raw_size < 0 || e.block_count < 0)
            throw EArchiveDamaged("The sizes of " + label + " are negative.");
        if (e.block_count != BlocksFor(e.raw_size, block_size))
            throw EArchiveDamaged("The block count of " + label + " does not match its size.");
        if (e.block_count == 0 && e.compressed_size != 0)
            throw EArchiveDamaged("The empty " + label + " claims compressed data.");
        // Entries' data lie back to back from offset 4 in directory order, so one running
        // offset rules out gaps, overlaps, loops and data running into the directory.
        if (int64_t(e.data_offset) != expected_offset)
            throw EArchiveDamaged("The data of " + label +
                                  " is not where the entries before it end.");
        expected_offset +=
            int64_t(e.compressed_size) + int64_t(DATA_BLOCK_HEADER_SIZE) * e.block_count;
        if (expected_offset > central_dir_offset)
            throw EArchiveDamaged("The data of " + label + " runs into the central directory.");
        pos += CENTRAL_FILE_FIXED_SIZE + e.stored_name.size() + 1;
        result.push_back(std::move(e));
    }
    if (expected_offset != central_dir_offset)
        throw EArchiveDamaged("The data area holds bytes that no entry accounts for.");
    return result;
}

int64_t TArchiveReader::FindArchiveStart(const TReadAt& read_at, int64_t file_size,
                                         const TArchiveReaderLimits& limits, std::string* why) {
    auto fail = [&](const std::string& text) {
        if (why) *why = text;
        return int64_t(-1);
    };
    if (file_size < 16) return fail("The file is too short to hold a package archive.");
    uint8_t tail[CENTRAL_END_SIZE];
    if (!read_at(file_size - CENTRAL_END_SIZE, tail, sizeof tail))
        return fail("The end of the file cannot be read.");
    int64_t d = int32_t(LE32(tail + 8));
    // The manager tolerates an archive without an end record whose trailing dword is negative
    // (an empty directory); no writer makes one, and accepting it here would pass half of all
    // truncated archives as empty ones.
    if (LE32(tail) != CENTRAL_END_SIGNATURE)
        return fail("No package archive found: the file does not end with an end record.");
    int32_t block_size = int32_t(LE32(tail + 4));
    if (block_size < 1 || block_size > ARCHIVE_BLOCK_SIZE)
        return fail("The end record gives an unsupported block size of " +
                    std::to_string(block_size) + ".");
    if (d < 4) return fail("The end record points before the archive's data area.");
    const int64_t dir_end = file_size - CENTRAL_END_SIZE;
    const int64_t highest_start = dir_end - d;
    if (highest_start < 0) return fail("The end record points before the start of the file.");

    std::string last_reason = "No package archive signature found before the directory.";
    int full_parses = 0;
    int candidates = 0;
    std::vector<uint8_t> chunk(SCAN_CHUNK + 3);
    // Candidates are tried from the highest possible start down: the stub comes first, and a
    // stub may well hold the signature bytes itself.
    int64_t scan_end = highest_start + 4; // exclusive end of the bytes a candidate may cover
    scan_end = std::min(scan_end, file_size);
    while (scan_end >= 4) {
        int64_t scan_begin = std::max<int64_t>(0, scan_end - int64_t(SCAN_CHUNK) - 3);
        size_t count = size_t(scan_end - scan_begin);
        if (!read_at(scan_begin, chunk.data(), count)) return fail("The file cannot be read.");
        for (int64_t i = int64_t(count) - 4; i >= 0; --i) {
            if (LE32(chunk.data() + i) != ARCHIVE_SIGNATURE) continue;
            int64_t start = scan_begin + i;
            if (start > highest_start) continue;
            if (++candidates > MAX_CANDIDATES) return fail(last_reason);
            int64_t dir_start = start + d;
            int64_t dir_size = dir_end - dir_start;
            if (dir_size == 0) {
                if (d == 4) return start; // the empty archive
                last_reason = "The data area holds bytes that no entry accounts for.";
                continue;
            }
            uint8_t sig[4];
            if (!read_at(dir_start, sig, 4) || LE32(sig) != CENTRAL_FILE_SIGNATURE) {
                last_reason = "The central directory does not start with a file entry.";
                continue;
            }
            if (dir_size > limits.max_directory_bytes) {
                last_reason = "The central directory is larger than any this tool writes.";
                continue;
            }
            if (++full_parses > MAX_FULL_PARSES) return fail(last_reason);
            std::vector<uint8_t> dir{};
            dir.resize(size_t(dir_size));
            if (!read_at(dir_start, dir.data(), dir.size()))
                return fail("The file cannot be read.");
            try {
                ParseCentralDir(dir.data(), dir.size(), d, block_size, limits);
                return start;
            } catch (const EArchiveDamaged& e) {
                last_reason = e.what();
            }
        }
        if (scan_begin == 0) break;
        scan_end = scan_begin + 3;
    }
    return fail(last_reason);
}

bool TArchiveReader::ReadAt(int64_t offset, void* buffer, size_t count) const {
    if (offset < 0 || offset + int64_t(count) > file_size) return false;
    if (fseeko(file, off_t(offset), SEEK_SET) != 0) return false;
    return std::fread(buffer, 1, count, file) == count;
}

std::unique_ptr<TArchiveReader> TArchiveReader::Open(const std::string& path,
                                                     const TArchiveReaderLimits& limits) {
    std::unique_ptr<TArchiveReader> reader(new TArchiveReader);
    reader->path = path;
    reader->file = std::fopen(path.c_str(), "rb");
    if (!reader->file) throw EFOpenError(FileOpenErrorMessage(path, errno));
    if (fseeko(reader->file, 0, SEEK_END) != 0)
        throw EFOpenError(FileOpenErrorMessage(path, errno));
    reader->file_size = int64_t(ftello(reader->file));
    if (reader->file_size < 0) throw EFOpenError(FileOpenErrorMessage(path, errno));

    auto read_at = [r = reader.get()](int64_t offset, void* buffer, size_t count) {
        return r->ReadAt(offset, buffer, count);
    };
    std::string why;
    int64_t start = FindArchiveStart(read_at, reader->file_size, limits, &why);
    if (start < 0) throw EArchiveDamaged(why);
    reader->archive_start = start;

    uint8_t tail[CENTRAL_END_SIZE];
    if (!reader->ReadAt(reader->file_size - CENTRAL_END_SIZE, tail, sizeof tail))
        throw EArchiveDamaged("The end record cannot be read.");
    reader->block_size = int32_t(LE32(tail + 4));
    reader->central_dir_offset = int32_t(LE32(tail + 8));
    int64_t dir_start = start + reader->central_dir_offset;
    std::vector<uint8_t> dir(size_t(reader->file_size - CENTRAL_END_SIZE - dir_start));
    if (!reader->ReadAt(dir_start, dir.data(), dir.size()))
        throw EArchiveDamaged("The central directory cannot be read.");
    reader->entries = ParseCentralDir(dir.data(), dir.size(), reader->central_dir_offset,
                                      reader->block_size, limits);
    return reader;
}

TArchiveReader::~TArchiveReader() {
    if (file) std::fclose(file);
}

void TArchiveReader::ExtractEntry(size_t index, const TSink& sink) {
    if (index >= entries.size())
        throw std::out_of_range("Entry " + std::to_string(index + 1) + " does not exist.");
    const TArchiveEntry& e = entries[index];
    const std::string label = EntryLabel(index, e.stored_name);
    if (e.block_count == 0) return;
    if (!expander) {
        bits = std::make_unique<TBitFile>(path, fmOpenRead);
        expander = std::make_unique<TExpander>();
        block.resize(size_t(block_size));
    }
    const int64_t entry_end = int64_t(e.data_offset) + e.compressed_size +
                              int64_t(DATA_BLOCK_HEADER_SIZE) * e.block_count;
    int64_t offset = e.data_offset;
    int64_t raw_left = e.raw_size;
    for (int32_t k = 0; k < e.block_count; ++k) {
        const std::string where = label + ", block " + std::to_string(k);
        // The header is checked against the entry first, so that a block can never claim
        // bytes of its neighbour or of the directory.
        uint8_t header[DATA_BLOCK_HEADER_SIZE];
        if (!ReadAt(archive_start + offset, header, sizeof header))
            throw EArchiveDamaged(where + ": the block header cannot be read.");
        if (LE32(header) != DATA_BLOCK_SIGNATURE)
            throw EArchiveDamaged(where + ": " + ESignatureWrong().what());
        const int64_t payload = int32_t(LE32(header + 8));
        if (payload < 0 || offset + DATA_BLOCK_HEADER_SIZE + payload > entry_end)
            throw EArchiveDamaged(where + ": its size runs past the entry's data.");
        const int32_t expected = int32_t(std::min<int64_t>(raw_left, block_size));
        int32_t got = 0;
        try {
            bits->SmartSeek(archive_start + offset, 0);
            got = expander->ExpandBlock(*bits, block.data(), int32_t(block.size()), expected);
        } catch (const ECompressError& ex) {
            throw EArchiveDamaged(where + ": " + ex.what());
        }
        if (got != expected)
            throw EArchiveDamaged(where + ": it holds " + std::to_string(got) +
                                  " bytes instead of " + std::to_string(expected) + ".");
        if (sink) sink(block.data(), size_t(got));
        raw_left -= got;
        offset += DATA_BLOCK_HEADER_SIZE + payload;
    }
    if (offset != entry_end)
        throw EArchiveDamaged(label + ": its blocks do not add up to its compressed size.");
}

void TArchiveReader::TestAll() {
    for (size_t i = 0; i < entries.size(); ++i)
        ExtractEntry(i, nullptr);
}
