#pragma once
// Shared helpers of the engine's tests: a private scratch folder, whole-file reads and the builds
// of the hot loops this machine runs.

#include "WideVectorsUnit.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class TScratchDir {
public:
    TScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "gld-compress-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        path = mkdtemp(name.data()) ? std::string(name.data()) : std::string();
    }
    ~TScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return path + "/" + name; }

    std::string path;
};

inline std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The builds of the block loops to test here: the portable one, and the one for 512-bit vectors
// where the machine has them.
inline std::vector<bool> LoopBuilds() {
    if (WideVectorsAvailable()) return {false, true};
    return {false};
}
