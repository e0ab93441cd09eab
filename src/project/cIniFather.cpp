#include "cIniFather.h"

#include <stdexcept>

std::optional<int32_t> ParseIniNumber(const std::string& text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (text.compare(i, 1, "$") == 0) {
        base = 16;
        i += 1;
    } else if (text.size() - i > 2 &&
               (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0)) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return std::nullopt;
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    int64_t result;
    if (base == 16) {
        // Eight hexadecimal digits are a 32-bit pattern: "$FFFFFFFF" is -1.
        result = static_cast<int32_t>(static_cast<uint32_t>(value));
    } else {
        result = static_cast<int64_t>(value);
        if (result > (negative ? 2147483648LL : 2147483647LL)) return std::nullopt;
    }
    if (negative) result = -result;
    return static_cast<int32_t>(result);
}

TIniFather::~TIniFather() = default;

TIniFile& TIniFather::Ini() const {
    if (!IniFile)
        throw std::logic_error("The INI file of " +
                               (FileName.empty() ? std::string("this object") : FileName) +
                               " is not open");
    return *IniFile;
}

namespace {
// Puts a document in place for the length of a scope, also when a read or write raises.
struct THold {
    THold(TIniDocument*& slot, TIniDocument& document) : slot(slot) { slot = &document; }
    ~THold() { slot = nullptr; }
    TIniDocument*& slot;
};
} // namespace

void TIniFather::ReadAtOnce(const std::function<void()>& reads) const {
    if (held) return reads();
    TIniDocument document = Ini().Read();
    THold hold(held, document);
    reads();
}

void TIniFather::WriteAtOnce(const std::function<void()>& writes) {
    if (held) return writes();
    Ini().Update([&](TIniDocument& document) {
        THold hold(held, document);
        writes();
        return true;
    });
}

std::string TIniFather::ReadText(const std::string& section, const std::string& key,
                                 const std::string& default_value) const {
    if (held) return held->ReadString(section, key, default_value);
    return Ini().ReadString(section, key, default_value);
}

void TIniFather::WriteText(const std::string& section, const std::string& key,
                           const std::string& value) {
    if (held)
        held->WriteString(section, key, value);
    else
        Ini().WriteString(section, key, value);
}

int32_t TIniFather::ReadNumber(const std::string& section, const std::string& key,
                               int32_t default_value) const {
    std::string text = ReadText(section, key, "");
    return ParseIniNumber(text).value_or(default_value);
}

void TIniFather::WriteNumber(const std::string& section, const std::string& key, int32_t value) {
    WriteText(section, key, std::to_string(value));
}

bool TIniFather::ReadFlag(const std::string& section, const std::string& key,
                          bool default_value) const {
    return ReadNumber(section, key, default_value ? 1 : 0) != 0;
}

void TIniFather::WriteFlag(const std::string& section, const std::string& key, bool value) {
    WriteText(section, key, value ? "1" : "0");
}

void TIniFather::ReadList(const std::string& section, std::vector<std::string>& list) const {
    ReadAtOnce([&] {
        for (int i = 0;; ++i) {
            std::string value = ReadText(section, std::to_string(i), "");
            if (value.empty()) break;
            list.push_back(std::move(value));
        }
    });
}

void TIniFather::WriteList(const std::string& section, const std::vector<std::string>& list) {
    // One atomic write instead of one per entry: a list of hundreds of movies saves at once,
    // and a failed save leaves the old list whole rather than cut short.
    std::vector<std::pair<std::string, std::string>> values;
    values.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i)
        values.emplace_back(std::to_string(i), list[i]);
    if (held)
        held->ReplaceSection(section, values);
    else
        Ini().ReplaceSection(section, values);
}
