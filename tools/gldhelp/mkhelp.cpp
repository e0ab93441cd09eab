// Renders the user guide's Markdown into one self-contained HTML page. It understands the
// subset the guide uses: headings, paragraphs, lists, tables, code blocks and inline code,
// emphasis and links; anything else comes out as plain text.

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The anchors GitHub gives headings, so links in the Markdown work in both places.
std::string Slug(const std::string& heading) {
    std::string slug;
    for (unsigned char c : heading) {
        if (std::isalnum(c))
            slug += static_cast<char>(std::tolower(c));
        else if (c == ' ' || c == '-')
            slug += '-';
    }
    return slug;
}

std::string Inline(const std::string& text) {
    std::string out;
    size_t i = 0;
    auto closes = [&](const std::string& mark, size_t from) { return text.find(mark, from); };
    while (i < text.size()) {
        if (text[i] == '`') {
            const size_t end = closes("`", i + 1);
            if (end != std::string::npos) {
                out += "<code>" + Escape(text.substr(i + 1, end - i - 1)) + "</code>";
                i = end + 1;
                continue;
            }
        }
        if (text.compare(i, 2, "**") == 0) {
            const size_t end = closes("**", i + 2);
            if (end != std::string::npos) {
                out += "<strong>" + Inline(text.substr(i + 2, end - i - 2)) + "</strong>";
                i = end + 2;
                continue;
            }
        }
        if (text[i] == '*' && i + 1 < text.size() && text[i + 1] != ' ') {
            const size_t end = closes("*", i + 1);
            if (end != std::string::npos) {
                out += "<em>" + Inline(text.substr(i + 1, end - i - 1)) + "</em>";
                i = end + 1;
                continue;
            }
        }
        if (text[i] == '[') {
            const size_t close = closes("](", i + 1);
            const size_t end = close == std::string::npos ? close : closes(")", close + 2);
            if (end != std::string::npos) {
                out += "<a href=\"" + Escape(text.substr(close + 2, end - close - 2)) + "\">" +
                       Inline(text.substr(i + 1, close - i - 1)) + "</a>";
                i = end + 1;
                continue;
            }
        }
        out += Escape(std::string(1, text[i]));
        ++i;
    }
    return out;
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

const char* const kStyle = R"(
body { font-family: "DejaVu Sans", Arial, sans-serif; max-width: 52em; margin: 2em auto;
       padding: 0 1.5em; color: #1c1c28; line-height: 1.5; }
h1 { color: #400000; border-bottom: 3px solid #778df7; padding-bottom: .2em; }
h2 { color: #002953; margin-top: 2em; border-bottom: 1px solid #c8d0f4; }
h3 { color: #002953; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #c8d0f4; padding: .35em .7em; vertical-align: top; text-align: left; }
th { background: #eef1fd; }
code, pre { font-family: "DejaVu Sans Mono", monospace; background: #f3f4f8; }
code { padding: 0 .2em; }
pre { padding: .7em 1em; border-left: 3px solid #778df7; overflow-x: auto; }
a { color: #2446c9; }
)";

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gldmkhelp GUIDE.md OUTPUT.html\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "gldmkhelp: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }

    std::string title = "Glimmerdrome User Guide";
    std::ostringstream body;
    size_t i = 0;
    while (i < lines.size()) {
        const std::string& line = lines[i];
        if (IsBlank(line)) {
            ++i;
            continue;
        }
        if (line[0] == '#') {
            size_t level = line.find_first_not_of('#');
            const std::string text = line.substr(level + 1);
            if (level == 1) title = text;
            body << "<h" << level << " id=\"" << Slug(text) << "\">" << Inline(text) << "</h"
                 << level << ">\n";
            ++i;
            continue;
        }
        if (line.rfind("```", 0) == 0) {
            body << "<pre>";
            for (++i; i < lines.size() && lines[i].rfind("```", 0) != 0; ++i)
                body << Escape(lines[i]) << "\n";
            body << "</pre>\n";
            ++i;
            continue;
        }
        if (line.rfind("    ", 0) == 0) {
            body << "<pre>";
            for (; i < lines.size() && (lines[i].rfind("    ", 0) == 0 || IsBlank(lines[i])); ++i)
                body << Escape(lines[i].size() >= 4 ? lines[i].substr(4) : "") << "\n";
            body << "</pre>\n";
            continue;
        }
        if (line[0] == '|' && i + 1 < lines.size() && lines[i + 1].rfind("|---", 0) == 0) {
            body << "<table>\n<tr>";
            for (const auto& cell : Cells(line))
                body << "<th>" << Inline(cell) << "</th>";
            body << "</tr>\n";
            for (i += 2; i < lines.size() && !lines[i].empty() && lines[i][0] == '|'; ++i) {
                body << "<tr>";
                for (const auto& cell : Cells(lines[i]))
                    body << "<td>" << Inline(cell) << "</td>";
                body << "</tr>\n";
            }
            body << "</table>\n";
            continue;
        }
        size_t text_at = 0;
        const bool bullet = line.rfind("- ", 0) == 0;
        if (bullet || OrderedItem(line, text_at)) {
            const char* tag = bullet ? "ul" : "ol";
            body << "<" << tag << ">\n";
            while (i < lines.size()) {
                size_t at = 0;
                if (bullet ? lines[i].rfind("- ", 0) == 0 : OrderedItem(lines[i], at)) {
                    std::string item = lines[i].substr(bullet ? 2 : at);
                    // Indented lines continue the item.
                    for (++i;
                         i < lines.size() && lines[i].rfind("  ", 0) == 0 && !IsBlank(lines[i]);
                         ++i)
                        item += " " + lines[i].substr(lines[i].find_first_not_of(' '));
                    body << "<li>" << Inline(item) << "</li>\n";
                } else {
                    break;
                }
            }
            body << "</" << tag << ">\n";
            continue;
        }
        std::string paragraph = line;
        for (++i; i < lines.size() && !IsBlank(lines[i]) && lines[i][0] != '#' &&
                  lines[i][0] != '|' && lines[i].rfind("- ", 0) != 0;
             ++i)
            paragraph += " " + lines[i];
        body << "<p>" << Inline(paragraph) << "</p>\n";
    }

    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>"
        << Escape(title) << "</title>\n<style>" << kStyle << "</style>\n</head>\n<body>\n"
        << body.str() << "</body>\n</html>\n";
    out.close();
    if (!out) {
        std::fprintf(stderr, "gldmkhelp: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
