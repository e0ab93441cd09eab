// Adding our program to a user's xscreensaver list and taking it out again, in the layouts
// xscreensaver's own files come in: what xscreensaver's settings write, the resource style of
// its defaults, a list on one line, CR LF line ends, and files without a list.

#include "XScreenSaverPrograms.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The layout xscreensaver's settings program writes: tabs, every entry ending in "\n\", a
// blank line after the list and more settings after that.
const std::string kWrittenBySettings = "# preferences\n"
                                       "timeout:\t0:10:00\n"
                                       "mode:\t\tone\n"
                                       "selected:\t1\n"
                                       "\n"
                                       "programs:\t\t\t\t\t\t\t\t      \\\n"
                                       "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
                                       "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n"
                                       "\t\t\t\tqix --root\t\t\t\t    \\n\\\n"
                                       "\n"
                                       "\n"
                                       "pointerHysteresis:  10\n";

// The resource style: the last entry ends the value without a continuation.
const std::string kResourceStyle = "*mode: random\n"
                                   "*programs:\t\\\n"
                                   "\t\tmaze --root \\n\\\n"
                                   "-\t\tqix --root \\n\n"
                                   "*timeout: 0:05:00\n";

std::string Apply(const std::string& content, const TTextInsertion& insertion) {
    std::string out = content;
    out.insert(insertion.offset, insertion.text);
    return out;
}

// The value of the programs resource as xscreensaver reads it: continuations joined, "\n"
// turned into line breaks, then one entry per line, blanks around it dropped.
std::vector<std::string> Programs(const std::string& content) {
    const size_t start = content.rfind("programs:");
    std::string value;
    for (size_t i = start + 9; i < content.size(); ++i) {
        if (content[i] == '\\' && i + 1 < content.size()) {
            const char next = content[i + 1];
            if (next == '\n' || (next == '\r' && content[i + 2] == '\n')) {
                i += next == '\r' ? 2 : 1;
                continue;
            }
            value += next == 'n' ? '\n' : next;
            ++i;
            continue;
        }
        if (content[i] == '\n' || content[i] == '\r') break;
        value += content[i];
    }
    std::vector<std::string> programs;
    size_t begin = 0;
    while (begin <= value.size()) {
        size_t end = value.find('\n', begin);
        if (end == std::string::npos) end = value.size();
        std::string entry = value.substr(begin, end - begin);
        const size_t first = entry.find_first_not_of(" \t");
        if (first != std::string::npos)
            programs.push_back(entry.substr(first, entry.find_last_not_of(" \t") - first + 1));
        begin = end + 1;
    }
    return programs;
}

const std::string kCommand = XScreenSaverCommand("/home/ann/.local/share/gd/Star Field.scr");
const std::string kEntry = XScreenSaverEntry("Star Field", kCommand);

} // namespace

TEST(XScreenSaverPrograms, CommandQuotesOnlyWhatTheShellWouldSplit) {
    EXPECT_EQ(XScreenSaverCommand("/opt/sky/Sky.scr"), "/opt/sky/Sky.scr --root");
    EXPECT_EQ(kCommand, "'/home/ann/.local/share/gd/Star Field.scr' --root");
    EXPECT_EQ(XScreenSaverCommand("/x/Ann's $HOME.scr"), "'/x/Ann'\\\\''s $HOME.scr' --root");
    EXPECT_EQ(XScreenSaverEntry("Say \"hi\"", "/a --root"), "\"Say 'hi'\"  /a --root");
}

TEST(XScreenSaverPrograms, AddedLastSoThatSelectedNumbersStay) {
    for (const std::string& content : {kWrittenBySettings, kResourceStyle}) {
        const auto insertion = XScreenSaverAddition(content, kEntry);
        ASSERT_TRUE(insertion);
        const std::string after = Apply(content, *insertion);
        std::vector<std::string> expected = Programs(content);
        expected.push_back(kEntry);
        EXPECT_EQ(Programs(after), expected) << after;
        // Everything around the list reads as before.
        EXPECT_EQ(after.substr(0, content.find("programs:")),
                  content.substr(0, content.find("programs:")));
        const std::string tail = content.substr(content.rfind("\\n") + 2);
        EXPECT_EQ(after.substr(after.size() - tail.size()), tail);
    }
}

TEST(XScreenSaverPrograms, ListsOnOneLineEmptyListsAndCrLf) {
    struct TCase {
        std::string content;
        std::vector<std::string> programs_after;
    };
    const TCase cases[] = {
        {"programs: maze --root\nmode: one\n", {"maze --root", kEntry}},
        {"programs: maze --root", {"maze --root", kEntry}},
        {"programs:\nmode: one\n", {kEntry}},
        {"programs:\t\\\r\n\tmaze --root \\n\\\r\n\r\nmode: one\r\n", {"maze --root", kEntry}},
        {"! programs: not this one\nprograms: \\\n  maze --root \\n\\\n  qix --root\n",
         {"maze --root", "qix --root", kEntry}},
    };
    for (const TCase& c : cases) {
        const auto insertion = XScreenSaverAddition(c.content, kEntry);
        ASSERT_TRUE(insertion) << c.content;
        const std::string after = Apply(c.content, *insertion);
        EXPECT_EQ(Programs(after), c.programs_after) << after;
        if (c.content.find("mode: one") != std::string::npos) {
            EXPECT_NE(after.find("mode: one"), std::string::npos) << after;
        }
        if (c.content.find("\r\n") != std::string::npos) {
            EXPECT_EQ(after.find("\n", after.find("programs:")) - 1,
                      after.find("\r\n", after.find("programs:")));
        }
    }
}

TEST(XScreenSaverPrograms, NoListNoAddition) {
    EXPECT_FALSE(XScreenSaverAddition("", kEntry));
    EXPECT_FALSE(XScreenSaverAddition("mode: random\ntimeout: 0:10:00\n", kEntry));
    EXPECT_FALSE(XScreenSaverAddition("# programs: commented out\n", kEntry));
    // A continuation line that merely mentions the word is not the resource.
    EXPECT_FALSE(XScreenSaverAddition("textLiteral: a \\\nprograms: b\n", kEntry));
}

TEST(XScreenSaverPrograms, TheLastOfTwoListsIsTheOneThatCounts) {
    const std::string content = "programs: maze --root\nprograms: qix --root\n";
    const auto insertion = XScreenSaverAddition(content, kEntry);
    ASSERT_TRUE(insertion);
    EXPECT_GT(insertion->offset, content.find("qix"));
}

TEST(XScreenSaverPrograms, EntryFoundAgainAfterTheFileChanged) {
    // The user disabled our entry and moved it up; xscreensaver re-indented everything.
    const std::string changed = "programs:\t\\\n"
                                "-\t\t\"Star Field\"  " +
                                kCommand +
                                "\t\\n\\\n"
                                "\t\tmaze --root\t\\n\\\n"
                                "\n"
                                "mode: one\n";
    const auto without = XScreenSaverWithout(changed, kCommand);
    ASSERT_TRUE(without);
    EXPECT_EQ(*without, "programs:\t\\\n\t\tmaze --root\t\\n\\\n\nmode: one\n");

    // As the value's last line, the line before it stops continuing.
    const std::string last =
        "programs: \\\n  maze --root \\n\\\n  \"Star Field\" " + kCommand + " \\n\nmode: one\n";
    EXPECT_EQ(*XScreenSaverWithout(last, kCommand), "programs: \\\n  maze --root \\n\nmode: one\n");
}

TEST(XScreenSaverPrograms, OnlyTheWholeCommandMatches) {
    const std::string content = "programs: \\\n"
                                "  /x/opt/sky/Sky.scr --root \\n\\\n"
                                "  /opt/sky/Sky.scr --rootless \\n\\\n"
                                "\n";
    EXPECT_FALSE(XScreenSaverWithout(content, XScreenSaverCommand("/opt/sky/Sky.scr")));
    // Outside the list, the text is somebody else's.
    EXPECT_FALSE(XScreenSaverWithout("textLiteral: /opt/sky/Sky.scr --root\nprograms: qix\n",
                                     XScreenSaverCommand("/opt/sky/Sky.scr")));
}

TEST(XScreenSaverPrograms, RemovingByCommandUndoesAnAdditionToTheResourceStyle) {
    const auto insertion = XScreenSaverAddition(kResourceStyle, kEntry);
    ASSERT_TRUE(insertion);
    const auto without = XScreenSaverWithout(Apply(kResourceStyle, *insertion), kCommand);
    ASSERT_TRUE(without);
    EXPECT_EQ(*without, kResourceStyle);
}
