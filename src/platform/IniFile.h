#pragma once
// A stand-in for the private-profile services: an INI text file read and written straight to
// the disk, with no cache kept between calls.
//
// Format, as read and written here:
//  - The file is 8-bit text; bytes are kept as they are (no code-page conversion). A UTF-8
//    byte-order mark at the start is skipped when reading and kept when writing.
//  - Lines end in CR LF when written; a lone LF is accepted when reading, and a file that
//    arrives with LF endings is written back with CR LF on its first change.
//  - "[name]" starts a section (blanks around the line and the name are ignored). "key=value"
//    belongs to the section above it; blanks around the key and around the value are ignored
//    on reading, so " Mute = 1 " reads as key "Mute", value "1". Values are not unquoted.
//  - Lines that start with ";" are comments; they, blank lines, lines without "=" and keys
//    above the first section are never read as keys but survive every write untouched.
//  - Section and key names match without regard to ASCII case. When a section or a key occurs
//    twice, reads and writes use the first occurrence; EraseSection removes every occurrence.
//  - A written key replaces its value in place, or is added after the last key of its section
//    (right after the header when the section has none); a new section goes at the end.
//  - A value must be a single line: line breaks inside a written value are turned into blanks
//    so that a value can never inject keys or sections.
//
// Every write rewrites the file atomically: the new content is written beside it, flushed to
// the disk and renamed over the old file (keeping its permission bits; a symbolic link is
// written through to its target). A crash or a full disk leaves the old or the new file,
// never a torn one. A write that cannot complete raises EIniWriteError and leaves the old file
// as it was; so does a write to a file that is marked read-only (one without any write
// permission bit, which even root may not change here, or one the user may not write).
//
// Reading is tolerant of what is missing: a file that does not exist (or whose folder does
// not), a missing section or key reads as empty; so does a path that names a folder or another
// thing that is not a regular file. An existing file that cannot be read (no permission, a
// loop of links, a failing disk) raises EIniReadError naming the path, and a write then writes
// nothing: replacing a file we could not read would throw away everything in it but one key.
//
// Each call of TIniFile reads the file afresh (two programs may share a settings file). A
// document that reads or writes many keys at once takes one TIniDocument with Read and hands
// its changes to Update: one parse and one write whatever the number of keys.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class EIniWriteError : public std::runtime_error {
public:
    explicit EIniWriteError(const std::string& path);
};

class EIniReadError : public std::runtime_error {
public:
    EIniReadError(const std::string& path, int error_number);
};

// The content of an INI file in memory, read and changed with the rules above. Lookups by
// section and key take constant time, so reading every key of a large file is linear.
class TIniDocument {
public:
    TIniDocument() = default;
    explicit TIniDocument(std::string_view content);

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& default_value) const;
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    std::vector<std::string> ReadSection(const std::string& section) const;
    std::vector<std::string> ReadSections() const;

    // The edits of TIniFile below, in memory. Each returns whether the content changed (a
    // written key always counts as a change, as it does for the file). Invalid names raise
    // std::invalid_argument.
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool EraseSection(const std::string& section);
    bool ReplaceSection(const std::string& section,
                        const std::vector<std::pair<std::string, std::string>>& values);
    bool DeleteKey(const std::string& section, const std::string& key);

    // The text to store: every line ended by CR LF.
    std::string Content() const;

private:
    struct TLine {
        enum Kind : uint8_t { Other, Section, Key } kind = Other;
        std::string text;
        // Where the section or key name and the value lie in text.
        uint32_t name_at = 0, name_size = 0, value_at = 0, value_size = 0;
        std::string_view Name() const { return std::string_view(text).substr(name_at, name_size); }
        std::string_view Value() const {
            return std::string_view(text).substr(value_at, value_size);
        }
    };
    static TLine Classify(std::string text, bool first);
    static constexpr size_t npos = static_cast<size_t>(-1);
    size_t FindSection(std::string_view section) const;
    size_t SectionEnd(size_t header) const;
    size_t FindKey(size_t header, std::string_view section, std::string_view key) const;
    void Changed();
    void BuildIndex() const;

    std::vector<TLine> lines;
    // First header of each section and the first key of each name in that section, by their
    // lower-case names ("section\nkey" for keys); built on demand after a change of the layout.
    mutable bool indexed = false;
    mutable std::unordered_map<std::string, size_t> section_index;
    mutable std::unordered_map<std::string, size_t> key_index;
};

class TIniFile {
public:
    explicit TIniFile(std::string path);

    const std::string& FileName() const { return file_name; }

    // The file's whole content, read once; empty when there is no file.
    TIniDocument Read() const;
    // Applies change to the file's current content and, when it reports a change, writes the
    // result back in one atomic write. The read and the write hold the folder's lock, so
    // writers in other processes neither interleave nor undo each other's keys. Nothing is
    // written when the read or change raises.
    void Update(const std::function<bool(TIniDocument&)>& change);

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& default_value) const;
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Writes several keys of one section as WriteString would, one after the other, but in one
    // atomic write.
    void WriteStrings(const std::string& section,
                      const std::vector<std::pair<std::string, std::string>>& values);
    // Removes the section with all its keys (every occurrence). A missing section is no error
    // and leaves the file untouched (no file is created).
    void EraseSection(const std::string& section);
    // Removes every occurrence of the section and adds it anew at the end of the file with the
    // given keys and values, in one atomic write: the file holds the old section or the new
    // one, never a part of it. An empty list only removes the section.
    void ReplaceSection(const std::string& section,
                        const std::vector<std::pair<std::string, std::string>>& values);
    // Removes one key; a missing key or section leaves the file untouched.
    void DeleteKey(const std::string& section, const std::string& key);
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    // Key names of the section in file order (first occurrence of each).
    std::vector<std::string> ReadSection(const std::string& section) const;
    // Every section name in file order.
    std::vector<std::string> ReadSections() const;

private:
    std::string file_name;
};
