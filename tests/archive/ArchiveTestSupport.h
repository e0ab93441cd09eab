#pragma once
// Shared by the archive, pipeline and tool tests: a private scratch folder and file helpers.

#include "ArchiveFormatUnit.h"
#include "BlockEncoderUnit.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

class TScratchFolder {
public:
    // base: where the folder goes; the damage tests use memory-backed /dev/shm when it exists,
    // since they write thousands of small files.
    explicit TScratchFolder(std::string base = "") {
        if (base.empty() || !std::filesystem::is_directory(base))
            base = std::filesystem::temp_directory_path().string();
        std::string pattern = base + "/gldarcXXXXXX";
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path = pattern;
    }
    ~TScratchFolder() {
        std::error_code ec;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
        std::filesystem::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    // Names of the files in the folder, for spotting temporary leftovers.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(path))
            names.push_back(e.path().filename().string());
        return names;
    }
    std::string path;
};

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline void WriteText(const std::string& path, const std::string& text) {
    WriteAll(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// Deterministic bytes that compress somewhat (text-like runs mixed with noise), so blocks
// are neither trivial nor incompressible.
inline std::vector<uint8_t> SampleBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    static const char words[] = "glimmer drome movie frame sprite shape tween ";
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = (x >> 28) < 11 ? uint8_t(words[(i + (x >> 20)) % (sizeof words - 1)])
                                  : uint8_t(x >> 16);
    }
    return bytes;
}

inline uint32_t Dword(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

inline void PutDword(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

// 2026-12-09 06:30:10 as an archive stores it.
constexpr uint32_t PackedStampForTests() {
    return uint32_t((2026 - 1980) * 512 + 12 * 32 + 9) << 16 | uint32_t(6 * 2048 + 30 * 32 + 5);
}

struct TCraftedEntry {
    std::string name; // stored as it is: any bytes but a zero byte
    std::vector<uint8_t> data;
};

// An archive written straight from the format, so that entries may carry names that no file
// system would let the archive manager take (".." or control characters).
inline std::vector<uint8_t> CraftArchive(const std::vector<TCraftedEntry>& entries) {
    static TBlockEncoder encoder;
    std::vector<uint8_t> out;
    AppendLE32(out, ARCHIVE_SIGNATURE);
    struct TPlaced {
        uint32_t offset = 0;
        int32_t compressed = 0, blocks = 0;
    };
    std::vector<TPlaced> placed;
    for (const TCraftedEntry& e : entries) {
        TPlaced p;
        p.offset = uint32_t(out.size());
        for (size_t at = 0; at < e.data.size(); at += ARCHIVE_BLOCK_SIZE) {
            const size_t n = std::min(e.data.size() - at, size_t(ARCHIVE_BLOCK_SIZE));
            p.compressed += encoder.EncodeBlock({e.data.data() + at, n}, out).compressed_size;
            ++p.blocks;
        }
        placed.push_back(p);
    }
    const uint32_t directory = uint32_t(out.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        AppendLE32(out, CENTRAL_FILE_SIGNATURE);
        AppendLE32(out, uint32_t(placed[i].compressed));
        AppendLE32(out, uint32_t(entries[i].data.size()));
        AppendLE32(out, uint32_t(placed[i].blocks));
        AppendLE32(out, placed[i].offset);
        AppendLE32(out, PackedStampForTests());
        AppendLE32(out, 0x20);
        out.insert(out.end(), entries[i].name.begin(), entries[i].name.end());
        out.push_back(0);
    }
    AppendLE32(out, CENTRAL_END_SIGNATURE);
    AppendLE32(out, uint32_t(ARCHIVE_BLOCK_SIZE));
    AppendLE32(out, directory);
    return out;
}

inline std::vector<uint8_t> Text(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}
