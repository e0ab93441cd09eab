#include "ScreensaverDescriber.h"

#include "ArchiveReaderUnit.h"
#include "FilePaths.h"
#include "IniFile.h"
#include "Shell.h"
#include "cScl.h"

#include <algorithm>
#include <cctype>

namespace {

// A project file is a few kilobytes; anything far larger is not one of ours.
constexpr size_t kLargestProjectFile = 1 << 20;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::optional<std::string> DescribeScreensaver(const std::string& path) {
    try {
        auto reader = TArchiveReader::Open(path);
        const auto& entries = reader->Entries();
        // The project file is packed last, after the movies and the icon.
        auto found = std::find_if(entries.rbegin(), entries.rend(), [](const TArchiveEntry& e) {
            return Lower(ExtractFileExt(e.name_part)) == ProjectFileExtension;
        });
        if (found == entries.rend()) return std::nullopt;
        const size_t index = static_cast<size_t>(std::distance(found, entries.rend()) - 1);
        const std::vector<uint8_t> text = reader->ReadEntry(index, kLargestProjectFile);
        const TIniDocument ini(
            std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
        if (!ini.ValueExists(ProjectKeys::GeneralSection, "ProjectName")) return std::nullopt;
        return ini.ReadString(ProjectKeys::GeneralSection, "ProjectName", "");
    } catch (...) {
        return std::nullopt;
    }
}

void InstallBuiltScreensaverDescriber() {
    InstallScreensaverDescriber(DescribeScreensaver);
}
