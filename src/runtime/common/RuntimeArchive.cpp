#include "RuntimeArchive.h"

#include "FilePaths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

std::string RunningProgramPath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.string();
}

TRuntimeArchive::TRuntimeArchive(std::unique_ptr<TArchiveReader> reader)
    : reader(std::move(reader)) {}

std::unique_ptr<TRuntimeArchive> TRuntimeArchive::OpenSelf() {
    return Open(RunningProgramPath());
}

std::unique_ptr<TRuntimeArchive> TRuntimeArchive::Open(const std::string& path) {
    return std::unique_ptr<TRuntimeArchive>(new TRuntimeArchive(TArchiveReader::Open(path)));
}

std::optional<size_t> TRuntimeArchive::Find(const std::string& path, size_t from) const {
    const auto& entries = Entries();
    for (size_t i = from; i < entries.size(); ++i)
        if (entries[i].stored_name == path) return i;
    const std::string name = LowerAscii(ExtractFileName(path));
    if (name.empty()) return std::nullopt;
    for (size_t i = from; i < entries.size(); ++i)
        if (LowerAscii(ExtractFileName(entries[i].stored_name)) == name) return i;
    return std::nullopt;
}

std::optional<size_t> TRuntimeArchive::FindLastWithExtension(const std::string& extension) const {
    const auto& entries = Entries();
    const std::string wanted = LowerAscii(extension);
    for (size_t i = entries.size(); i-- > 0;)
        if (LowerAscii(ExtractFileExt(ExtractFileName(entries[i].stored_name))) == wanted) return i;
    return std::nullopt;
}

std::vector<uint8_t> TRuntimeArchive::Read(size_t index, size_t max_bytes) {
    const TArchiveEntry& entry = Entries().at(index);
    if (entry.raw_size < 0 || static_cast<size_t>(entry.raw_size) > max_bytes)
        throw EArchiveDamaged("\"" + PrintableName(entry.name_part) + "\" is too large to read.");
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(entry.raw_size));
    reader->ExtractEntry(index, [&](const uint8_t* data, size_t size) {
        if (bytes.size() + size > static_cast<size_t>(entry.raw_size))
            throw EArchiveDamaged("\"" + PrintableName(entry.name_part) +
                                  "\" holds more than its stated size.");
        bytes.insert(bytes.end(), data, data + size);
    });
    if (bytes.size() != static_cast<size_t>(entry.raw_size))
        throw EArchiveDamaged("\"" + PrintableName(entry.name_part) +
                              "\" is shorter than its stated size.");
    return bytes;
}
