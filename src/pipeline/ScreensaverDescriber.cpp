#include "ScreensaverDescriber.h"

#include "ArchiveReaderUnit.h"
#include "FilePaths.h"
#include "IniFile.h"
#include "Shell.h"
#include "TempNames.h"
#include "cScl.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace {

// A project file is a few kilobytes; anything far larger is not one of ours.
constexpr int32_t kLargestProjectFile = 1 << 20;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::optional<std::string> DescribeScreensaver(const std::string& path) {
    std::string temp;
    try {
        auto reader = TArchiveReader::Open(path);
        const auto& entries = reader->Entries();
        // The project file is packed last, after the movies and the icon.
        auto found = std::find_if(entries.rbegin(), entries.rend(), [](const TArchiveEntry& e) {
            return Lower(ExtractFileExt(e.name_part)) == ProjectFileExtension;
        });
        if (found == entries.rend() || found->raw_size > kLargestProjectFile) return std::nullopt;
        const size_t index = static_cast<size_t>(std::distance(found, entries.rend()) - 1);

        // The INI layer reads files, so the packed project goes through a temporary one.
        temp = MakeUniqueTempFile(TempFolder(), "gld");
        std::FILE* out = std::fopen(temp.c_str(), "wb");
        if (!out) throw std::runtime_error("temporary file");
        bool written = true;
        try {
            reader->ExtractEntry(index, [&](const uint8_t* data, size_t size) {
                written = written && std::fwrite(data, 1, size, out) == size;
            });
        } catch (...) {
            std::fclose(out);
            throw;
        }
        written = std::fclose(out) == 0 && written;
        std::optional<std::string> name;
        if (written) {
            TIniFile ini(temp);
            if (ini.ValueExists(ProjectKeys::GeneralSection, "ProjectName"))
                name = ini.ReadString(ProjectKeys::GeneralSection, "ProjectName", "");
        }
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return name;
    } catch (...) {
        if (!temp.empty()) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
        }
        return std::nullopt;
    }
}

void InstallBuiltScreensaverDescriber() {
    InstallScreensaverDescriber(DescribeScreensaver);
}
