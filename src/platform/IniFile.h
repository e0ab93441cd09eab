#pragma once
// A stand-in for the private-profile services: an INI text file read and written one key at a
// time, straight to the disk, with no cache.
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
// permission bit, which even root may not change here, or one the user may not write). Reading
// never fails: a missing or unreadable file reads as an empty one.

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class EIniWriteError : public std::runtime_error {
public:
    explicit EIniWriteError(const std::string& path);
};

class TIniFile {
public:
    explicit TIniFile(std::string path);

    const std::string& FileName() const { return file_name; }

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
