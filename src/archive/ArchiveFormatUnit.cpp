#include "ArchiveFormatUnit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

std::string EntryLabel(size_t index, const std::string& name) {
    return "entry " + std::to_string(index + 1) + " ('" + PrintableName(name) + "')";
}

// Full directory parses tried per file: a stub full of "KLPM" bytes must not make locating
// quadratic.
constexpr int MAX_FULL_PARSES = 64;
// Signature bytes looked at, for the same reason: a real stub holds a handful.
constexpr int MAX_CANDIDATES = 100000;
constexpr size_t SCAN_CHUNK = 1 << 16;

// A dword at pos, with zeros for the bytes past the end: how the format's writer always read
// its own directories back.
uint32_t PaddedDword(std::span<const uint8_t> bytes, size_t pos) {
    uint8_t b[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < 4 && pos + i < bytes.size(); ++i)
        b[i] = bytes[pos + i];
    return LoadLE32(b);
}

void ReadFixedFields(const uint8_t* p, TArchiveEntry& e) {
    e.compressed_size = int32_t(LoadLE32(p + 4));
    e.raw_size = int32_t(LoadLE32(p + 8));
    e.block_count = int32_t(LoadLE32(p + 12));
    e.data_offset = LoadLE32(p + 16);
    e.time_stamp = LoadLE32(p + 20);
    e.attributes = LoadLE32(p + 24);
}

TCentralDirRecords ParseTolerant(std::span<const uint8_t> bytes, const TCentralDirRules& rules) {
    TCentralDirRecords result;
    size_t pos = 0;
    for (;;) {
        const uint32_t signature = PaddedDword(bytes, pos);
        if (signature == CENTRAL_END_SIGNATURE) {
            result.block_size = int32_t(PaddedDword(bytes, pos + 4));
            return result;
        }
        if (signature != CENTRAL_FILE_SIGNATURE) throw ESignatureWrong();
        if (result.entries.size() >= rules.limits.max_entries)
            throw EArchiveDamaged("The central directory holds more than " +
                                  std::to_string(rules.limits.max_entries) + " entries.");
        uint8_t fixed[CENTRAL_FILE_FIXED_SIZE];
        for (size_t i = 0; i < sizeof fixed; ++i)
            fixed[i] = pos + i < bytes.size() ? bytes[pos + i] : 0;
        TArchiveEntry e;
        ReadFixedFields(fixed, e);
        pos += CENTRAL_FILE_FIXED_SIZE;
        // The end of the file also ends a name.
        const size_t start = std::min(pos, bytes.size());
        const std::span<const uint8_t> rest = bytes.subspan(start);
        const auto* end =
            rest.empty() ? nullptr
                         : static_cast<const uint8_t*>(std::memchr(rest.data(), 0, rest.size()));
        const size_t length = end ? size_t(end - rest.data()) : rest.size();
        e.stored_name.assign(reinterpret_cast<const char*>(rest.data()), length);
        SplitStoredName(e.stored_name, e.folder_part, e.name_part);
        pos += length + 1;
        result.entries.push_back(std::move(e));
    }
}

TCentralDirRecords ParseStrict(std::span<const uint8_t> bytes, const TCentralDirRules& rules) {
    TCentralDirRecords result;
    result.block_size = rules.block_size;
    const TArchiveReaderLimits& limits = rules.limits;
    const uint8_t* data = bytes.data();
    const size_t size = bytes.size();
    int64_t expected_offset = 4;
    size_t pos = 0;
    while (pos < size) {
        size_t index = result.entries.size();
        std::string label = "entry " + std::to_string(index + 1);
        if (index >= limits.max_entries)
            throw EArchiveDamaged("The central directory holds more than " +
                                  std::to_string(limits.max_entries) + " entries.");
        if (size - pos < size_t(CENTRAL_FILE_FIXED_SIZE) + 1)
            throw EArchiveDamaged("The central directory ends inside " + label + ".");
        const uint8_t* p = data + pos;
        if (LoadLE32(p) != CENTRAL_FILE_SIGNATURE)
            throw EArchiveDamaged("The central directory holds an unknown record at " + label +
                                  ".");
        TArchiveEntry e;
        ReadFixedFields(p, e);
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
        if (e.block_count != BlocksFor(e.raw_size, rules.block_size))
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
        if (expected_offset > rules.central_dir_offset)
            throw EArchiveDamaged("The data of " + label + " runs into the central directory.");
        pos += CENTRAL_FILE_FIXED_SIZE + e.stored_name.size() + 1;
        result.entries.push_back(std::move(e));
    }
    if (expected_offset != rules.central_dir_offset)
        throw EArchiveDamaged("The data area holds bytes that no entry accounts for.");
    return result;
}

// Length of the UTF-8 sequence at s[i], or 0 when the bytes there are not one.
size_t Utf8Length(const std::string& s, size_t i) {
    const auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = at(i);
    size_t n;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else
        return 0;
    if (i + n > s.size()) return 0;
    if (at(i + 1) < low || at(i + 1) > high) return 0;
    for (size_t k = 2; k < n; ++k)
        if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
    return n;
}

} // namespace

void SplitStoredName(const std::string& stored, std::string& folder_part, std::string& name_part) {
    size_t cut = stored.find_last_of("/\\:");
    if (cut == std::string::npos) {
        folder_part.clear();
        name_part = stored;
    } else {
        folder_part = stored.substr(0, cut + 1);
        name_part = stored.substr(cut + 1);
    }
}

std::string PrintableName(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    auto escape = [&](unsigned char c) {
        char text[8];
        std::snprintf(text, sizeof text, "\\x%02X", c);
        out += text;
    };
    for (size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7F) {
            escape(c);
            ++i;
        } else if (c < 0x80) {
            out += char(c);
            ++i;
        } else if (size_t n = Utf8Length(name, i); n == 0) {
            escape(c);
            ++i;
        } else if (n == 2 && c == 0xC2 && static_cast<unsigned char>(name[i + 1]) < 0xA0) {
            // U+0080..U+009F: the C1 controls, which some terminals obey as well.
            escape(c);
            escape(static_cast<unsigned char>(name[i + 1]));
            i += 2;
        } else {
            out.append(name, i, n);
            i += n;
        }
    }
    return out;
}

TCentralDirRecords ParseCentralDir(std::span<const uint8_t> bytes, const TCentralDirRules& rules) {
    return rules.strict ? ParseStrict(bytes, rules) : ParseTolerant(bytes, rules);
}

int64_t FindArchiveStart(const TReadAt& read_at, int64_t file_size,
                         const TArchiveReaderLimits& limits, std::string* why) {
    auto fail = [&](const std::string& text) {
        if (why) *why = text;
        return int64_t(-1);
    };
    if (file_size < EMPTY_ARCHIVE_SIZE)
        return fail("The file is too short to hold a package archive.");
    uint8_t tail[CENTRAL_END_SIZE];
    if (!read_at(file_size - CENTRAL_END_SIZE, tail, sizeof tail))
        return fail("The end of the file cannot be read.");
    int64_t d = int32_t(LoadLE32(tail + 8));
    // The manager tolerates an archive without an end record whose trailing dword is negative
    // (an empty directory); no writer makes one, and accepting it here would pass half of all
    // truncated archives as empty ones.
    if (LoadLE32(tail) != CENTRAL_END_SIGNATURE)
        return fail("No package archive found: the file does not end with an end record.");
    int32_t block_size = int32_t(LoadLE32(tail + 4));
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
    TCentralDirRules rules;
    rules.central_dir_offset = d;
    rules.block_size = block_size;
    rules.limits = limits;
    // Candidates are tried from the highest possible start down: the stub comes first, and a
    // stub may well hold the signature bytes itself.
    int64_t scan_end = highest_start + 4; // exclusive end of the bytes a candidate may cover
    scan_end = std::min(scan_end, file_size);
    while (scan_end >= 4) {
        int64_t scan_begin = std::max<int64_t>(0, scan_end - int64_t(SCAN_CHUNK) - 3);
        size_t count = size_t(scan_end - scan_begin);
        if (!read_at(scan_begin, chunk.data(), count)) return fail("The file cannot be read.");
        for (int64_t i = int64_t(count) - 4; i >= 0; --i) {
            if (LoadLE32(chunk.data() + i) != ARCHIVE_SIGNATURE) continue;
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
            if (!read_at(dir_start, sig, 4) || LoadLE32(sig) != CENTRAL_FILE_SIGNATURE) {
                last_reason = "The central directory does not start with a file entry.";
                continue;
            }
            if (dir_size > limits.max_directory_bytes) {
                last_reason = "The central directory is larger than any this tool writes.";
                continue;
            }
            if (++full_parses > MAX_FULL_PARSES) return fail(last_reason);
            std::vector<uint8_t> dir(static_cast<size_t>(dir_size));
            if (!read_at(dir_start, dir.data(), dir.size()))
                return fail("The file cannot be read.");
            try {
                ParseCentralDir(dir, rules);
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
