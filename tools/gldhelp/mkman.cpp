// Renders a program's Markdown page into a manual page (man(7) macros), so that the page in
// docs/ stays the one source of both. The first heading reads "name — summary"; it gives the
// page's title and its NAME section. What comes before the next heading is the DESCRIPTION.

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Markdown.h"

namespace {

// One code point's worth of UTF-8 at text[i]; advances i past it.
unsigned DecodeUtf8(const std::string& text, size_t& i) {
    const auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned lead = byte(i);
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    unsigned code = extra == 3 ? lead & 0x07 : extra == 2 ? lead & 0x0F : lead & 0x1F;
    ++i;
    for (; extra > 0 && i < text.size() && (byte(i) & 0xC0) == 0x80; --extra, ++i)
        code = (code << 6) | (byte(i) & 0x3F);
    return code;
}

// Text as roff reads it literally. Every character beyond ASCII becomes a named glyph, so the
// page needs no input-encoding preprocessor; in code, "-" is the minus sign options are typed
// with rather than a hyphen that may be printed as a dash.
std::string Escape(const std::string& text, bool code = false) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            char glyph[16];
            std::snprintf(glyph, sizeof glyph, "\\[u%04X]", DecodeUtf8(text, i));
            out += glyph;
            continue;
        }
        if (c == '\\')
            out += "\\e";
        else if (c == '-' && code)
            out += "\\-";
        else
            out += static_cast<char>(c);
        ++i;
    }
    return out;
}

// A line of output that would otherwise read as a request.
std::string Line(const std::string& text) {
    if (!text.empty() && (text[0] == '.' || text[0] == '\'')) return "\\&" + text;
    return text;
}

bool IsAddress(const std::string& target) {
    return target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0 ||
           target.rfind("mailto:", 0) == 0;
}

// The pieces in font `outer` ("R", "I" or "B"); every span returns to it when it ends.
std::string Roff(const std::vector<TInline>& pieces, const std::string& outer = "R") {
    std::string out;
    for (const TInline& piece : pieces) {
        switch (piece.kind) {
        case TInline::TKind::Text:
            out += Escape(piece.text);
            break;
        case TInline::TKind::Code:
            out += "\\fB" + Escape(piece.text, true) + "\\f" + outer;
            break;
        case TInline::TKind::Strong:
            out += "\\fB" + Roff(piece.content, "B") + "\\f" + outer;
            break;
        case TInline::TKind::Emphasis:
            out += "\\fI" + Roff(piece.content, "I") + "\\f" + outer;
            break;
        case TInline::TKind::Link: {
            out += Roff(piece.content, outer);
            // Another page of ours is named by its text; an address is worth printing.
            std::string shown;
            for (const TInline& part : piece.content)
                shown += part.text;
            if (IsAddress(piece.target) && shown != piece.target)
                out += " <" + Escape(piece.target) + ">";
            break;
        }
        }
    }
    return out;
}

std::string Inline(const std::string& text) {
    return Line(Roff(ParseInline(text)));
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Splits "name — summary" (or "name - summary").
bool SplitTitle(const std::string& heading, std::string& name, std::string& summary) {
    for (const char* dash : {" \xE2\x80\x94 ", " - "}) {
        const size_t at = heading.find(dash);
        if (at != std::string::npos && at > 0) {
            name = heading.substr(0, at);
            summary = heading.substr(at + std::string(dash).size());
            return !summary.empty();
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: gldmkman PAGE.md OUTPUT.1 VERSION DATE\n");
        return 2;
    }
    std::vector<std::string> lines;
    if (!ReadMarkdownLines(argv[1], lines)) {
        std::fprintf(stderr, "gldmkman: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::vector<TMarkdownBlock> blocks = ParseMarkdown(lines);
    std::string name, summary;
    if (blocks.empty() || blocks.front().kind != TMarkdownBlock::TKind::Heading ||
        blocks.front().level != 1 || !SplitTitle(blocks.front().text, name, summary)) {
        std::fprintf(stderr,
                     "gldmkman: %s must begin with a heading \"# name \xE2\x80\x94 summary\"\n",
                     argv[1]);
        return 1;
    }

    using TKind = TMarkdownBlock::TKind;
    std::ostringstream page;
    page << ".TH \"" << Upper(name) << "\" \"1\" \"" << argv[4] << "\" \"Glimmerdrome " << argv[3]
         << "\" \"Glimmerdrome Manual\"\n";
    page << ".SH NAME\n" << Escape(name) << " \\- " << Escape(summary) << "\n";
    page << ".SH DESCRIPTION\n";
    bool first = true;
    for (size_t b = 1; b < blocks.size(); ++b) {
        const TMarkdownBlock& block = blocks[b];
        switch (block.kind) {
        case TKind::Heading:
            page << (block.level <= 2 ? ".SH " : ".SS ")
                 << Line(Escape(block.level <= 2 ? Upper(block.text) : block.text)) << "\n";
            first = true;
            continue;
        case TKind::Paragraph:
            if (!first) page << ".PP\n";
            page << Inline(block.text) << "\n";
            break;
        case TKind::Code: {
            // An indented block takes the blank lines after it along; a page does not need them.
            size_t end = block.lines.size();
            while (end > 0 && block.lines[end - 1].empty())
                --end;
            page << ".PP\n.RS 4\n.nf\n";
            for (size_t i = 0; i < end; ++i)
                page << Line(Escape(block.lines[i], true)) << "\n";
            page << ".fi\n.RE\n";
            break;
        }
        case TKind::BulletList:
        case TKind::NumberedList:
            for (size_t i = 0; i < block.lines.size(); ++i) {
                if (block.kind == TKind::BulletList)
                    page << ".IP \\(bu 2\n";
                else
                    page << ".IP " << i + 1 << ". 4\n";
                page << Inline(block.lines[i]) << "\n";
            }
            break;
        case TKind::Table:
            // A two-column table (option and meaning, status and meaning) reads best as tagged
            // paragraphs; wider rows keep their cells in order after the first.
            for (size_t row = 1; row < block.rows.size(); ++row) {
                const auto& cells = block.rows[row];
                page << ".TP\n" << (cells.empty() ? std::string("\\&") : Inline(cells[0])) << "\n";
                std::string rest;
                for (size_t c = 1; c < cells.size(); ++c)
                    rest += (c > 1 ? "; " : "") + cells[c];
                page << Inline(rest) << "\n";
            }
            break;
        }
        first = false;
    }

    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << page.str();
    out.close();
    if (!out) {
        std::fprintf(stderr, "gldmkman: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
