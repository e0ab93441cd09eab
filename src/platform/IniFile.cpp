#include "IniFile.h"

#include "FilePaths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

// One line of the file and what it means to the reader.
struct TLine {
    enum Kind { Other, Section, Key } kind = Other;
    std::string_view name;  // section name or key name
    std::string_view value; // value of a key line
};

TLine Classify(std::string_view text) {
    TLine line;
    std::string_view t = Trim(text);
    if (t.empty() || t.front() == ';') return line;
    if (t.front() == '[') {
        size_t close = t.find(']');
        if (close != std::string_view::npos) {
            line.kind = TLine::Section;
            line.name = Trim(t.substr(1, close - 1));
        }
        return line;
    }
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) return line;
    std::string_view key = Trim(t.substr(0, eq));
    if (key.empty()) return line;
    line.kind = TLine::Key;
    line.name = key;
    line.value = Trim(t.substr(eq + 1));
    return line;
}

// The file split into lines. The views in `lines` point into `raw`, so every change of `raw`
// is followed by Reclassify.
class TIniText {
public:
    explicit TIniText(const std::string& path) {
        std::string content;
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            struct stat st {};
            if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
                char buffer[65536];
                for (;;) {
                    ssize_t n = ::read(fd, buffer, sizeof buffer);
                    if (n < 0 && errno == EINTR) continue;
                    if (n <= 0) break;
                    content.append(buffer, static_cast<size_t>(n));
                }
            }
            ::close(fd);
        }
        size_t start = 0;
        while (start < content.size()) {
            size_t end = content.find('\n', start);
            size_t next = end == std::string::npos ? content.size() : end + 1;
            if (end == std::string::npos) end = content.size();
            size_t stop = end;
            if (stop > start && content[stop - 1] == '\r') --stop;
            raw.push_back(content.substr(start, stop - start));
            start = next;
        }
        Reclassify();
    }

    // Index of the first header of the section, or npos.
    size_t FindSection(std::string_view section) const {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].kind == TLine::Section && SameName(lines[i].name, section)) return i;
        return npos;
    }

    // One past the last line that belongs to the section starting at header.
    size_t SectionEnd(size_t header) const {
        size_t i = header + 1;
        while (i < lines.size() && lines[i].kind != TLine::Section)
            ++i;
        return i;
    }

    size_t FindKey(size_t header, std::string_view key) const {
        size_t end = SectionEnd(header);
        for (size_t i = header + 1; i < end; ++i)
            if (lines[i].kind == TLine::Key && SameName(lines[i].name, key)) return i;
        return npos;
    }

    void Set(const std::string& section, const std::string& key, const std::string& value) {
        std::string line = key + "=" + value;
        size_t header = FindSection(section);
        if (header == npos) {
            raw.push_back("[" + section + "]");
            raw.push_back(line);
        } else if (size_t at = FindKey(header, key); at != npos) {
            raw[at] = line;
        } else {
            size_t insert = header + 1;
            size_t end = SectionEnd(header);
            for (size_t i = header + 1; i < end; ++i)
                if (lines[i].kind == TLine::Key) insert = i + 1;
            raw.insert(raw.begin() + static_cast<std::ptrdiff_t>(insert), line);
        }
        Reclassify();
    }

    bool EraseSection(std::string_view section) {
        std::vector<std::string> kept;
        bool erased = false;
        for (size_t i = 0; i < lines.size();) {
            if (lines[i].kind == TLine::Section && SameName(lines[i].name, section)) {
                i = SectionEnd(i);
                erased = true;
            } else {
                kept.push_back(raw[i]);
                ++i;
            }
        }
        if (erased) {
            raw = std::move(kept);
            Reclassify();
        }
        return erased;
    }

    bool ReplaceSection(const std::string& section,
                        const std::vector<std::pair<std::string, std::string>>& values) {
        bool changed = EraseSection(section);
        if (values.empty()) return changed;
        raw.push_back("[" + section + "]");
        for (const auto& [key, value] : values)
            raw.push_back(key + "=" + value);
        Reclassify();
        return true;
    }

    bool DeleteKey(std::string_view section, std::string_view key) {
        size_t header = FindSection(section);
        if (header == npos) return false;
        size_t at = FindKey(header, key);
        if (at == npos) return false;
        raw.erase(raw.begin() + static_cast<std::ptrdiff_t>(at));
        Reclassify();
        return true;
    }

    std::string Content() const {
        std::string out;
        for (const std::string& l : raw) {
            out += l;
            out += "\r\n";
        }
        return out;
    }

    static constexpr size_t npos = static_cast<size_t>(-1);
    std::vector<TLine> lines;

private:
    void Reclassify() {
        lines.clear();
        lines.reserve(raw.size());
        for (const std::string& l : raw) {
            std::string_view text = l;
            // Editors that mark UTF-8 files put a byte-order mark in front of the first header.
            if (lines.empty() && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
            lines.push_back(Classify(text));
        }
    }
    std::vector<std::string> raw;
};

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
    const char* p = content.data();
    size_t left = content.size();
    while (ok && left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
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

} // namespace

EIniWriteError::EIniWriteError(const std::string& path)
    : std::runtime_error("Unable to write to " + path) {}

TIniFile::TIniFile(std::string path) : file_name(std::move(path)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& default_value) const {
    TIniText text(file_name);
    size_t header = text.FindSection(section);
    if (header == TIniText::npos) return default_value;
    size_t at = text.FindKey(header, key);
    if (at == TIniText::npos) return default_value;
    return std::string(text.lines[at].value);
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    CheckName(section, true);
    CheckName(key, false);
    TFolderLock lock(file_name);
    TIniText text(file_name);
    text.Set(section, key, SingleLine(value));
    ReplaceFile(file_name, text.Content());
}

void TIniFile::WriteStrings(const std::string& section,
                            const std::vector<std::pair<std::string, std::string>>& values) {
    CheckName(section, true);
    for (const auto& [key, value] : values)
        CheckName(key, false);
    if (values.empty()) return;
    TFolderLock lock(file_name);
    TIniText text(file_name);
    for (const auto& [key, value] : values)
        text.Set(section, key, SingleLine(value));
    ReplaceFile(file_name, text.Content());
}

void TIniFile::EraseSection(const std::string& section) {
    TFolderLock lock(file_name);
    TIniText text(file_name);
    if (text.EraseSection(section)) ReplaceFile(file_name, text.Content());
}

void TIniFile::ReplaceSection(const std::string& section,
                              const std::vector<std::pair<std::string, std::string>>& values) {
    CheckName(section, true);
    std::vector<std::pair<std::string, std::string>> lines;
    lines.reserve(values.size());
    for (const auto& [key, value] : values) {
        CheckName(key, false);
        lines.emplace_back(key, SingleLine(value));
    }
    TFolderLock lock(file_name);
    TIniText text(file_name);
    if (text.ReplaceSection(section, lines)) ReplaceFile(file_name, text.Content());
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    TFolderLock lock(file_name);
    TIniText text(file_name);
    if (text.DeleteKey(section, key)) ReplaceFile(file_name, text.Content());
}

bool TIniFile::SectionExists(const std::string& section) const {
    return TIniText(file_name).FindSection(section) != TIniText::npos;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    TIniText text(file_name);
    size_t header = text.FindSection(section);
    return header != TIniText::npos && text.FindKey(header, key) != TIniText::npos;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    TIniText text(file_name);
    std::vector<std::string> keys;
    size_t header = text.FindSection(section);
    if (header == TIniText::npos) return keys;
    size_t end = text.SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        if (text.lines[i].kind != TLine::Key) continue;
        bool seen = false;
        for (const std::string& k : keys)
            seen = seen || SameName(k, text.lines[i].name);
        if (!seen) keys.emplace_back(text.lines[i].name);
    }
    return keys;
}

std::vector<std::string> TIniFile::ReadSections() const {
    TIniText text(file_name);
    std::vector<std::string> sections;
    for (const TLine& l : text.lines)
        if (l.kind == TLine::Section) sections.emplace_back(l.name);
    return sections;
}
