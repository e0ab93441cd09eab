#include "Markdown.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace {

bool IsBlank(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

bool OrderedItem(const std::string& line, size_t& text_at) {
    size_t i = 0;
    while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])))
        ++i;
    if (i == 0 || i + 1 >= line.size() || line[i] != '.' || line[i + 1] != ' ') return false;
    text_at = i + 2;
    return true;
}

std::vector<std::string> Cells(std::string row) {
    std::vector<std::string> cells;
    if (!row.empty() && row.front() == '|') row.erase(0, 1);
    if (!row.empty() && row.back() == '|') row.pop_back();
    std::stringstream stream(row);
    std::string cell;
    while (std::getline(stream, cell, '|')) {
        const size_t first = cell.find_first_not_of(' ');
        const size_t last = cell.find_last_not_of(' ');
        cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
    }
    return cells;
}

void AppendText(std::vector<TInline>& pieces, char c) {
    if (pieces.empty() || pieces.back().kind != TInline::TKind::Text) pieces.push_back({});
    pieces.back().text += c;
}

} // namespace

bool ReadMarkdownLines(const std::string& path, std::vector<std::string>& lines) {
    std::ifstream in(path);
    if (!in) return false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return true;
}

std::vector<TMarkdownBlock> ParseMarkdown(const std::vector<std::string>& lines) {
    using TKind = TMarkdownBlock::TKind;
    std::vector<TMarkdownBlock> blocks;
    size_t i = 0;
    while (i < lines.size()) {
        const std::string& line = lines[i];
        TMarkdownBlock block;
        if (IsBlank(line)) {
            ++i;
            continue;
        }
        if (const size_t level = line.find_first_not_of('#');
            level > 0 && level != std::string::npos && line[level] == ' ') {
            block.kind = TKind::Heading;
            block.level = static_cast<int>(level);
            block.text = line.substr(level + 1);
            ++i;
        } else if (line.rfind("```", 0) == 0) {
            block.kind = TKind::Code;
            for (++i; i < lines.size() && lines[i].rfind("```", 0) != 0; ++i)
                block.lines.push_back(lines[i]);
            ++i;
        } else if (line.rfind("    ", 0) == 0) {
            block.kind = TKind::Code;
            for (; i < lines.size() && (lines[i].rfind("    ", 0) == 0 || IsBlank(lines[i])); ++i)
                block.lines.push_back(lines[i].size() >= 4 ? lines[i].substr(4) : "");
        } else if (line[0] == '|' && i + 1 < lines.size() && lines[i + 1].rfind("|---", 0) == 0) {
            block.kind = TKind::Table;
            block.rows.push_back(Cells(line));
            for (i += 2; i < lines.size() && !lines[i].empty() && lines[i][0] == '|'; ++i)
                block.rows.push_back(Cells(lines[i]));
        } else if (size_t text_at = 0; line.rfind("- ", 0) == 0 || OrderedItem(line, text_at)) {
            const bool bullet = line.rfind("- ", 0) == 0;
            block.kind = bullet ? TKind::BulletList : TKind::NumberedList;
            while (i < lines.size()) {
                size_t at = 0;
                if (!(bullet ? lines[i].rfind("- ", 0) == 0 : OrderedItem(lines[i], at))) break;
                std::string item = lines[i].substr(bullet ? 2 : at);
                // Indented lines continue the item.
                for (++i; i < lines.size() && lines[i].rfind("  ", 0) == 0 && !IsBlank(lines[i]);
                     ++i)
                    item += " " + lines[i].substr(lines[i].find_first_not_of(' '));
                block.lines.push_back(item);
            }
        } else {
            block.text = line;
            for (++i; i < lines.size() && !IsBlank(lines[i]) && lines[i][0] != '#' &&
                      lines[i][0] != '|' && lines[i].rfind("- ", 0) != 0;
                 ++i)
                block.text += " " + lines[i];
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

std::vector<TInline> ParseInline(const std::string& text) {
    using TKind = TInline::TKind;
    std::vector<TInline> pieces;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '`') {
            const size_t end = text.find('`', i + 1);
            if (end != std::string::npos) {
                pieces.push_back({TKind::Code, text.substr(i + 1, end - i - 1), {}, {}});
                i = end + 1;
                continue;
            }
        }
        if (text.compare(i, 2, "**") == 0) {
            const size_t end = text.find("**", i + 2);
            if (end != std::string::npos) {
                pieces.push_back(
                    {TKind::Strong, {}, ParseInline(text.substr(i + 2, end - i - 2)), {}});
                i = end + 2;
                continue;
            }
        }
        if (text[i] == '*' && i + 1 < text.size() && text[i + 1] != ' ') {
            const size_t end = text.find('*', i + 1);
            if (end != std::string::npos) {
                pieces.push_back(
                    {TKind::Emphasis, {}, ParseInline(text.substr(i + 1, end - i - 1)), {}});
                i = end + 1;
                continue;
            }
        }
        if (text[i] == '[') {
            const size_t close = text.find("](", i + 1);
            const size_t end = close == std::string::npos ? close : text.find(')', close + 2);
            if (end != std::string::npos) {
                pieces.push_back({TKind::Link,
                                  {},
                                  ParseInline(text.substr(i + 1, close - i - 1)),
                                  text.substr(close + 2, end - close - 2)});
                i = end + 1;
                continue;
            }
        }
        AppendText(pieces, text[i]);
        ++i;
    }
    return pieces;
}
