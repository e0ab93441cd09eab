#pragma once
// The base of every object backed by an INI file: one owned INI file and typed reads and
// writes over it. Section and key names pass through unchanged.
//
// Integer values are written in decimal. When read, "0x…"/"0X…" (longer than two characters)
// and "$…" are hexadecimal, anything else decimal, each with an optional sign. A decimal value
// outside the 32-bit signed range, a hexadecimal one above FFFFFFFF and anything that is not a
// number read as the default; hexadecimal values from 80000000 up wrap to negative numbers so
// that "$FFFFFFFF" reads as -1 (the colour values rely on this).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "IniFile.h"

// The integer forms above; nothing when the text is not one of them.
std::optional<int32_t> ParseIniNumber(const std::string& text);

class TIniFather {
public:
    virtual ~TIniFather();

    std::unique_ptr<TIniFile> IniFile;
    std::string FileName;

    std::string ReadText(const std::string& section, const std::string& key,
                         const std::string& default_value) const;
    void WriteText(const std::string& section, const std::string& key, const std::string& value);
    int32_t ReadNumber(const std::string& section, const std::string& key,
                       int32_t default_value) const;
    void WriteNumber(const std::string& section, const std::string& key, int32_t value);
    bool ReadFlag(const std::string& section, const std::string& key, bool default_value) const;
    void WriteFlag(const std::string& section, const std::string& key, bool value);
    // Appends the values of keys "0", "1", … up to the first one that is missing or empty.
    void ReadList(const std::string& section, std::vector<std::string>& list) const;
    // Removes the whole section, then writes entry i as key i (the section moves to the end of
    // the file). The whole list is one atomic write.
    void WriteList(const std::string& section, const std::vector<std::string>& list);

protected:
    // The open file; using an object whose file is not open is a programming error
    // (std::logic_error).
    TIniFile& Ini() const;

    // Runs reads with every Read* served from one reading of the file, so that a document of
    // thousands of keys is read in linear time.
    void ReadAtOnce(const std::function<void()>& reads) const;
    // Runs writes with every Write* applied to the file's current content in memory, then
    // stores the result in one atomic write: the file holds all of them or none. Nothing is
    // written when a write raises.
    void WriteAtOnce(const std::function<void()>& writes);

private:
    // The content the Read* and Write* calls work on inside ReadAtOnce and WriteAtOnce.
    mutable TIniDocument* held = nullptr;
};
