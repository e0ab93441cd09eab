#pragma once
// The Markdown subset our documents use, read into blocks that each renderer (the user guide's
// HTML page, the manual pages) turns into its own format: headings, paragraphs, bullet and
// numbered lists, tables, code blocks, and inline code, emphasis and links inside the text.

#include <string>
#include <vector>

struct TMarkdownBlock {
    enum class TKind { Heading, Paragraph, Code, BulletList, NumberedList, Table };
    TKind kind = TKind::Paragraph;
    int level = 0;                              // headings: 1 for "#", 2 for "##" ...
    std::string text;                           // headings and paragraphs, lines joined by " "
    std::vector<std::string> lines;             // code blocks, as they stand; list items
    std::vector<std::vector<std::string>> rows; // tables, the header row first
};

std::vector<TMarkdownBlock> ParseMarkdown(const std::vector<std::string>& lines);
// Reads a file's lines without their line ends; false when it cannot be read.
bool ReadMarkdownLines(const std::string& path, std::vector<std::string>& lines);

// One piece of a paragraph's text: plain text, or a span of code, emphasis, strong emphasis,
// or a link whose target is in `target`.
struct TInline {
    enum class TKind { Text, Code, Emphasis, Strong, Link };
    TKind kind = TKind::Text;
    std::string text;             // text and code as written
    std::vector<TInline> content; // emphasis, strong and link: what they hold
    std::string target;
};

std::vector<TInline> ParseInline(const std::string& text);
