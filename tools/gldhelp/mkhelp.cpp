// Renders the user guide's Markdown into one self-contained HTML page.

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Markdown.h"

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

std::string Html(const std::vector<TInline>& pieces) {
    std::string out;
    for (const TInline& piece : pieces) {
        switch (piece.kind) {
        case TInline::TKind::Text:
            out += Escape(piece.text);
            break;
        case TInline::TKind::Code:
            out += "<code>" + Escape(piece.text) + "</code>";
            break;
        case TInline::TKind::Strong:
            out += "<strong>" + Html(piece.content) + "</strong>";
            break;
        case TInline::TKind::Emphasis:
            out += "<em>" + Html(piece.content) + "</em>";
            break;
        case TInline::TKind::Link:
            out += "<a href=\"" + Escape(piece.target) + "\">" + Html(piece.content) + "</a>";
            break;
        }
    }
    return out;
}

std::string Inline(const std::string& text) {
    return Html(ParseInline(text));
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
    std::vector<std::string> lines;
    if (!ReadMarkdownLines(argv[1], lines)) {
        std::fprintf(stderr, "gldmkhelp: cannot read %s\n", argv[1]);
        return 1;
    }

    using TKind = TMarkdownBlock::TKind;
    std::string title = "Glimmerdrome User Guide";
    std::ostringstream body;
    for (const TMarkdownBlock& block : ParseMarkdown(lines)) {
        switch (block.kind) {
        case TKind::Heading:
            if (block.level == 1) title = block.text;
            body << "<h" << block.level << " id=\"" << Slug(block.text) << "\">"
                 << Inline(block.text) << "</h" << block.level << ">\n";
            break;
        case TKind::Code:
            body << "<pre>";
            for (const std::string& line : block.lines)
                body << Escape(line) << "\n";
            body << "</pre>\n";
            break;
        case TKind::Table:
            body << "<table>\n<tr>";
            for (const auto& cell : block.rows.front())
                body << "<th>" << Inline(cell) << "</th>";
            body << "</tr>\n";
            for (size_t row = 1; row < block.rows.size(); ++row) {
                body << "<tr>";
                for (const auto& cell : block.rows[row])
                    body << "<td>" << Inline(cell) << "</td>";
                body << "</tr>\n";
            }
            body << "</table>\n";
            break;
        case TKind::BulletList:
        case TKind::NumberedList: {
            const char* tag = block.kind == TKind::BulletList ? "ul" : "ol";
            body << "<" << tag << ">\n";
            for (const std::string& item : block.lines)
                body << "<li>" << Inline(item) << "</li>\n";
            body << "</" << tag << ">\n";
            break;
        }
        case TKind::Paragraph:
            body << "<p>" << Inline(block.text) << "</p>\n";
            break;
        }
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
