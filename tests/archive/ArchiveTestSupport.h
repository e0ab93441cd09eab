#pragma once
// Shared by the archive, pipeline and tool tests: a private scratch folder and file helpers.

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
