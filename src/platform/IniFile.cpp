#include "IniFile.h"

#include "FilePaths.h"
#include "FileWriter.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace {

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string SingleLine(const std::string& value) {
    std::string v = value;
    for (char& c : v)
        if (c == '\r' || c == '\n') c = ' ';
    return v;
}

void CheckName(const std::string& name, bool section) {
    bool bad =
        name.empty() || name.find_first_of("\r\n") != std::string::npos ||
        (section ? name.find(']') != std::string::npos : name.find('=') != std::string::npos) ||
        Trim(name).size() != name.size() || (!section && name.front() == ';') ||
        (!section && name.front() == '[');
    if (bad)
        throw std::invalid_argument("Invalid INI " + std::string(section ? "section" : "key") +
                                    " name '" + name + "'");
}

// The bytes of the file; empty when there is none. Throws EIniReadError when a file that is
// there cannot be read.
std::string ReadFileContent(const std::string& path) {
    // Not blocking: a pipe standing at the path must not hang the reader.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return {};
        throw EIniReadError(path, errno);
    }
    std::string content;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int error = errno;
        ::close(fd);
        throw EIniReadError(path, error);
    }
    if (S_ISREG(st.st_mode)) {
        if (st.st_size > 0) content.reserve(static_cast<size_t>(st.st_size));
        char buffer[65536];
        for (;;) {
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                int error = errno;
                ::close(fd);
                throw EIniReadError(path, error);
            }
            if (n == 0) break;
            content.append(buffer, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    return content;
}

// Writes content beside target and renames it over target. Throws EIniWriteError.
void ReplaceFile(const std::string& path, const std::string& content) {
    std::string target = path;
    struct stat st {};
    bool exists = false;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Write through a link to its file, so the link itself stays in place.
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    if (::stat(target.c_str(), &st) == 0) exists = true;
    // A folder or a device at the path is not ours to replace.
    if (exists && !S_ISREG(st.st_mode)) throw EIniWriteError(path);
    // Replacing the file only needs a writable folder, but a file marked read-only must stay
    // as it is, for root as well: a file without any write permission counts as read-only.
    if (exists && ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
        throw EIniWriteError(path);

    std::string temp;
    int fd = CreateFileBeside(target, temp, exists ? 0600 : 0666);
    if (fd < 0) throw EIniWriteError(path);
    bool ok = true;
    if (exists) {
        // Root may keep the owner; for anyone else this fails harmlessly.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
        }
        if (::fchmod(fd, st.st_mode & 07777) != 0) ok = false;
    }
    if (ok && !WriteFully(fd, content)) ok = false;
    if (ok && ::fdatasync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(temp.c_str());
        throw EIniWriteError(path);
    }
}

// Serialises the read-change-rename of writers in one folder, across processes: without it two
// programs sharing a settings file could each rename their own copy over the other's change.
// The folder is locked rather than the file because every write replaces the file's inode.
// Readers need no lock: they see the old or the new file, never a mixture.
class TFolderLock {
public:
    explicit TFolderLock(const std::string& path) {
        std::string folder = ExtractFileDir(path);
        fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0)
            while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~TFolderLock() {
        if (fd >= 0) ::close(fd);
    }
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

private:
    int fd = -1;
};

} // namespace

EIniWriteError::EIniWriteError(const std::string& path)
    : std::runtime_error("Unable to write to " + path) {}

EIniReadError::EIniReadError(const std::string& path, int error_number)
    : std::runtime_error("Unable to read " + path + ": " + std::strerror(error_number)) {}

// ---------------------------------------------------------------- the document in memory

TIniDocument::TLine TIniDocument::Classify(std::string text, bool first) {
    TLine line;
    line.text = std::move(text);
    std::string_view whole = line.text;
    std::string_view t = whole;
    // Editors that mark UTF-8 files put a byte-order mark in front of the first header.
    if (first && t.substr(0, 3) == "\xEF\xBB\xBF") t.remove_prefix(3);
    t = Trim(t);
    auto at = [&](std::string_view part) {
        return static_cast<uint32_t>(part.data() - whole.data());
    };
    auto size = [](std::string_view part) { return static_cast<uint32_t>(part.size()); };
    if (t.empty() || t.front() == ';') return line;
    if (t.front() == '[') {
        size_t close = t.find(']');
        if (close != std::string_view::npos) {
            std::string_view name = Trim(t.substr(1, close - 1));
            line.kind = TLine::Section;
            line.name_at = at(name);
            line.name_size = size(name);
        }
        return line;
    }
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) return line;
    std::string_view key = Trim(t.substr(0, eq));
    if (key.empty()) return line;
    std::string_view value = Trim(t.substr(eq + 1));
    line.kind = TLine::Key;
    line.name_at = at(key);
    line.name_size = size(key);
    line.value_at = value.empty() ? 0 : at(value);
    line.value_size = size(value);
    return line;
}

TIniDocument::TIniDocument(std::string_view content) {
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        size_t next = end == std::string_view::npos ? content.size() : end + 1;
        if (end == std::string_view::npos) end = content.size();
        size_t stop = end;
        if (stop > start && content[stop - 1] == '\r') --stop;
        lines.push_back(Classify(std::string(content.substr(start, stop - start)), lines.empty()));
        start = next;
    }
}

void TIniDocument::Changed() {
    indexed = false;
    // The line that now comes first may carry the file's byte-order mark.
    if (!lines.empty()) lines[0] = Classify(std::move(lines[0].text), true);
}

void TIniDocument::BuildIndex() const {
    section_index.clear();
    key_index.clear();
    std::string section;
    bool first_occurrence = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const TLine& line = lines[i];
        if (line.kind == TLine::Section) {
            section = LowerAscii(line.Name());
            first_occurrence = section_index.emplace(section, i).second;
        } else if (line.kind == TLine::Key && first_occurrence) {
            // Reads and writes use the first occurrence of a key; emplace keeps it.
            key_index.emplace(section + '\n' + LowerAscii(line.Name()), i);
        }
    }
    indexed = true;
}

size_t TIniDocument::FindSection(std::string_view section) const {
    if (!indexed) BuildIndex();
    auto found = section_index.find(LowerAscii(section));
    return found == section_index.end() ? npos : found->second;
}

size_t TIniDocument::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != TLine::Section)
        ++i;
    return i;
}

size_t TIniDocument::FindKey(size_t header, std::string_view section, std::string_view key) const {
    if (header == npos) return npos;
    if (!indexed) BuildIndex();
    auto found = key_index.find(LowerAscii(section) + '\n' + LowerAscii(key));
    return found == key_index.end() ? npos : found->second;
}

std::string TIniDocument::ReadString(const std::string& section, const std::string& key,
                                     const std::string& default_value) const {
    size_t at = FindKey(FindSection(section), section, key);
    return at == npos ? default_value : std::string(lines[at].Value());
}

bool TIniDocument::SectionExists(const std::string& section) const {
    return FindSection(section) != npos;
}

bool TIniDocument::ValueExists(const std::string& section, const std::string& key) const {
    return FindKey(FindSection(section), section, key) != npos;
}

std::vector<std::string> TIniDocument::ReadSection(const std::string& section) const {
    std::vector<std::string> keys;
    size_t header = FindSection(section);
    if (header == npos) return keys;
    std::unordered_set<std::string> seen;
    size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (lines[i].kind == TLine::Key && seen.insert(LowerAscii(lines[i].Name())).second)
            keys.emplace_back(lines[i].Name());
    return keys;
}

std::vector<std::string> TIniDocument::ReadSections() const {
    std::vector<std::string> sections;
    for (const TLine& line : lines)
        if (line.kind == TLine::Section) sections.emplace_back(line.Name());
    return sections;
}

bool TIniDocument::WriteString(const std::string& section, const std::string& key,
                               const std::string& value) {
    CheckName(section, true);
    CheckName(key, false);
    std::string line = key + "=" + SingleLine(value);
    size_t header = FindSection(section);
    if (header == npos) {
        lines.push_back(Classify("[" + section + "]", false));
        lines.push_back(Classify(std::move(line), false));
        Changed();
    } else if (size_t at = FindKey(header, section, key); at != npos) {
        // Same place, same name: the index stays valid.
        lines[at] = Classify(std::move(line), false);
    } else {
        size_t insert = header + 1;
        size_t end = SectionEnd(header);
        for (size_t i = header + 1; i < end; ++i)
            if (lines[i].kind == TLine::Key) insert = i + 1;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert),
                     Classify(std::move(line), false));
        Changed();
    }
    return true;
}

bool TIniDocument::EraseSection(const std::string& section) {
    std::vector<TLine> kept;
    kept.reserve(lines.size());
    bool erased = false;
    for (size_t i = 0; i < lines.size();) {
        if (lines[i].kind == TLine::Section && SameName(lines[i].Name(), section)) {
            i = SectionEnd(i);
            erased = true;
        } else {
            kept.push_back(std::move(lines[i]));
            ++i;
        }
    }
    lines = std::move(kept);
    if (erased) Changed();
    return erased;
}

bool TIniDocument::ReplaceSection(const std::string& section,
                                  const std::vector<std::pair<std::string, std::string>>& values) {
    CheckName(section, true);
    for (const auto& [key, value] : values)
        CheckName(key, false);
    bool changed = EraseSection(section);
    if (values.empty()) return changed;
    lines.reserve(lines.size() + values.size() + 1);
    lines.push_back(Classify("[" + section + "]", false));
    for (const auto& [key, value] : values)
        lines.push_back(Classify(key + "=" + SingleLine(value), false));
    Changed();
    return true;
}

bool TIniDocument::DeleteKey(const std::string& section, const std::string& key) {
    size_t at = FindKey(FindSection(section), section, key);
    if (at == npos) return false;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
    Changed();
    return true;
}

std::string TIniDocument::Content() const {
    size_t size = 0;
    for (const TLine& line : lines)
        size += line.text.size() + 2;
    std::string out;
    out.reserve(size);
    for (const TLine& line : lines) {
        out += line.text;
        out += "\r\n";
    }
    return out;
}

// ---------------------------------------------------------------- the file

TIniFile::TIniFile(std::string path) : file_name(std::move(path)) {}

TIniDocument TIniFile::Read() const {
    return TIniDocument(ReadFileContent(file_name));
}

void TIniFile::Update(const std::function<bool(TIniDocument&)>& change) {
    TFolderLock lock(file_name);
    TIniDocument document = Read();
    if (change(document)) ReplaceFile(file_name, document.Content());
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& default_value) const {
    return Read().ReadString(section, key, default_value);
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    CheckName(section, true);
    CheckName(key, false);
    Update([&](TIniDocument& document) { return document.WriteString(section, key, value); });
}

void TIniFile::WriteStrings(const std::string& section,
                            const std::vector<std::pair<std::string, std::string>>& values) {
    CheckName(section, true);
    for (const auto& [key, value] : values)
        CheckName(key, false);
    if (values.empty()) return;
    Update([&](TIniDocument& document) {
        for (const auto& [key, value] : values)
            document.WriteString(section, key, value);
        return true;
    });
}

void TIniFile::EraseSection(const std::string& section) {
    Update([&](TIniDocument& document) { return document.EraseSection(section); });
}

void TIniFile::ReplaceSection(const std::string& section,
                              const std::vector<std::pair<std::string, std::string>>& values) {
    CheckName(section, true);
    for (const auto& [key, value] : values)
        CheckName(key, false);
    Update([&](TIniDocument& document) { return document.ReplaceSection(section, values); });
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    Update([&](TIniDocument& document) { return document.DeleteKey(section, key); });
}

bool TIniFile::SectionExists(const std::string& section) const {
    return Read().SectionExists(section);
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    return Read().ValueExists(section, key);
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    return Read().ReadSection(section);
}

std::vector<std::string> TIniFile::ReadSections() const {
    return Read().ReadSections();
}
