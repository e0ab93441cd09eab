#include "XScreenSaverPrograms.h"

#include <vector>

namespace {

struct TLine {
    size_t begin = 0; // first byte
    size_t end = 0;   // one past the last byte before the line break
    size_t next = 0;  // start of the following line
    std::string eol;  // "\n", "\r\n" or "" at the end of the file
    bool continues = false;
};

std::vector<TLine> SplitLines(const std::string& content) {
    std::vector<TLine> lines;
    size_t begin = 0;
    while (begin < content.size()) {
        TLine line;
        line.begin = begin;
        size_t newline = content.find('\n', begin);
        if (newline == std::string::npos) {
            line.end = line.next = content.size();
        } else {
            line.end = newline;
            line.next = newline + 1;
            line.eol = "\n";
            if (line.end > begin && content[line.end - 1] == '\r') {
                --line.end;
                line.eol = "\r\n";
            }
        }
        // An odd number of trailing backslashes continues the value; "\\" is a backslash.
        size_t slashes = 0;
        while (line.end - slashes > begin && content[line.end - slashes - 1] == '\\')
            ++slashes;
        line.continues = slashes % 2 == 1;
        lines.push_back(line);
        begin = line.next;
    }
    return lines;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

struct TProgramsValue {
    size_t header = 0;      // index of the line "programs:"
    size_t last = 0;        // index of the value's last line
    size_t value_begin = 0; // offset just past the ':' of the header
};

// The last "programs" resource of the file (a later one overrides an earlier one).
std::optional<TProgramsValue> FindPrograms(const std::string& content,
                                           const std::vector<TLine>& lines) {
    std::optional<TProgramsValue> found;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0 && lines[i - 1].continues) continue;
        const std::string text = content.substr(lines[i].begin, lines[i].end - lines[i].begin);
        const std::string trimmed = Trim(text);
        if (trimmed.empty() || trimmed[0] == '!' || trimmed[0] == '#') continue;
        const size_t colon = text.find(':');
        if (colon == std::string::npos) continue;
        const std::string key = Trim(text.substr(0, colon));
        const bool programs = key == "programs" ||
                              (key.size() > 8 && key.compare(key.size() - 8, 8, "programs") == 0 &&
                               (key[key.size() - 9] == '.' || key[key.size() - 9] == '*'));
        if (!programs) continue;
        TProgramsValue value;
        value.header = i;
        value.value_begin = lines[i].begin + colon + 1;
        size_t last = i;
        while (last + 1 < lines.size() && lines[last].continues)
            ++last;
        value.last = last;
        found = value;
    }
    return found;
}

bool NeedsShellQuotes(const std::string& path) {
    for (char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '.' || c == '_' || c == '-' ||
                           c == '+' || c == ',' || c == '@' ||
                           static_cast<unsigned char>(c) >= 0x80;
        if (!plain) return true;
    }
    return path.empty();
}

// A backslash inside a resource value starts an escape.
std::string ResourceText(const std::string& text) {
    std::string out;
    for (char c : text)
        out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

// The command stands in the entry as a whole: "/a/b.scr --root" is not part of
// "/x/a/b.scr --root" nor of "/a/b.scr --rootless".
bool HoldsCommand(const std::string& text, const std::string& command) {
    for (size_t at = text.find(command); at != std::string::npos; at = text.find(command, at + 1)) {
        const size_t after = at + command.size();
        const bool starts =
            at == 0 || text[at - 1] == ' ' || text[at - 1] == '\t' || text[at - 1] == ':';
        const bool ends = after == text.size() || text[after] == ' ' || text[after] == '\t' ||
                          text[after] == '\\';
        if (starts && ends) return true;
    }
    return false;
}

} // namespace

std::string XScreenSaverCommand(const std::string& program_path) {
    std::string path = program_path;
    if (NeedsShellQuotes(path)) {
        std::string quoted = "'";
        for (char c : path)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        path = quoted + "'";
    }
    return ResourceText(path) + " --root";
}

std::string XScreenSaverEntry(const std::string& display_name, const std::string& command) {
    std::string name;
    for (char c : display_name)
        name += (c == '"' ? '\'' : static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
    return "\"" + ResourceText(name) + "\"  " + command;
}

std::optional<TTextInsertion> XScreenSaverAddition(const std::string& content,
                                                   const std::string& entry) {
    const std::vector<TLine> lines = SplitLines(content);
    const std::optional<TProgramsValue> programs = FindPrograms(content, lines);
    if (!programs) return std::nullopt;
    const TLine& last = lines[programs->last];
    const std::string eol = last.eol.empty() ? std::string("\n") : last.eol;
    const std::string entry_line = "\t\t\t\t" + entry + "\t\\n\\";
    TTextInsertion insertion;
    const std::string last_text = Trim(content.substr(last.begin, last.end - last.begin));
    if (programs->last != programs->header && last_text.empty()) {
        // The form xscreensaver writes: every entry ends in "\n\" and a blank line ends the
        // list. The new entry goes in front of that blank line.
        insertion.offset = last.begin;
        insertion.text = entry_line + eol;
        return insertion;
    }
    // The list's last entry stands on the value's last line: continue that line and put the
    // new entry after it as the new last line.
    const size_t value_begin =
        programs->last == programs->header ? programs->value_begin : last.begin;
    const std::string value = Trim(content.substr(value_begin, last.end - value_begin));
    std::string separator;
    if (!value.empty() && (value.size() < 2 || value.compare(value.size() - 2, 2, "\\n") != 0))
        separator = "\\n";
    insertion.offset = last.end;
    insertion.text = separator + "\\" + eol + "\t\t\t\t" + entry + "\t\\n";
    // The file's last line had no line break of its own.
    if (last.eol.empty()) insertion.text += eol;
    return insertion;
}

std::optional<std::string> XScreenSaverWithout(const std::string& content,
                                               const std::string& command) {
    if (command.empty()) return std::nullopt;
    const std::vector<TLine> lines = SplitLines(content);
    const std::optional<TProgramsValue> programs = FindPrograms(content, lines);
    if (!programs) return std::nullopt;
    for (size_t i = programs->header + 1; i <= programs->last; ++i) {
        const TLine& line = lines[i];
        if (!HoldsCommand(content.substr(line.begin, line.end - line.begin), command)) continue;
        if (line.continues) return content.substr(0, line.begin) + content.substr(line.next);
        // The value's last line: the line before it ends the value now, so it loses its
        // continuation backslash.
        const TLine& before = lines[i - 1];
        return content.substr(0, before.end - 1) + before.eol + content.substr(line.next);
    }
    return std::nullopt;
}
