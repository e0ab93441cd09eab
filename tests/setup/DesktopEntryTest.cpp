// Desktop entries and menu files for names and paths with every character that needs care,
// checked by the desktop's own validator and by reading the Exec line back as a launcher does.

#include "DesktopEntry.h"

#include "../platform/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool HaveValidator() {
    return std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0;
}

// desktop-file-validate's verdict; its output (errors, warnings and hints alike) in *output.
bool Valid(const std::string& path, std::string* output) {
    const std::string log = path + ".log";
    const int status =
        std::system(("desktop-file-validate '" + path + "' >'" + log + "' 2>&1").c_str());
    *output = ReadFileBytes(log);
    return status == 0;
}

// A launcher's reading of an Exec value: the string escapes first, then the quoting rules.
std::vector<std::string> ReadExec(const std::string& value) {
    std::string unescaped;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char c = value[++i];
            unescaped += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        } else {
            unescaped += value[i];
        }
    }
    std::vector<std::string> arguments;
    std::string current;
    bool quoted = false, any = false;
    for (size_t i = 0; i < unescaped.size(); ++i) {
        const char c = unescaped[i];
        if (quoted) {
            if (c == '\\' && i + 1 < unescaped.size())
                current += unescaped[++i];
            else if (c == '"')
                quoted = false;
            else
                current += c;
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == ' ') {
            if (any) arguments.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any) arguments.push_back(current);
    // Field codes are expanded last; "%%" is a percent sign.
    for (std::string& argument : arguments)
        for (size_t at = argument.find("%%"); at != std::string::npos;
             at = argument.find("%%", at + 1))
            argument.erase(at, 1);
    return arguments;
}

std::string ValueOf(const std::string& text, const std::string& key) {
    const size_t at = text.find("\n" + key + "=");
    if (at == std::string::npos) return {};
    const size_t begin = at + key.size() + 2;
    return text.substr(begin, text.find('\n', begin) - begin);
}

} // namespace

TEST(DesktopEntry, AwkwardNamesAndPathsStayValidAndReadBack) {
    TTempDir dir;
    const std::vector<std::string> names = {"Star Field", "Ann's \"best\" $HOME & 100% `fun`",
                                            "Back\\slash; (x) <y> ~z #1 *?", "Café crème 星",
                                            " leading blank"};
    const bool validator = HaveValidator();
    int n = 0;
    for (const std::string& name : names) {
        const std::string folder = "/home/ann/.local/share/gd/" + name;
        TDesktopEntry entry{name,
                            "Change how " + name + " plays",
                            {folder + "/" + name + ".scr", "--config", "--manifest", folder},
                            folder + "/icon.png",
                            "Settings;DesktopSettings;"};
        const std::string text = entry.Text();
        EXPECT_EQ(ReadExec(ValueOf(text, "Exec")), entry.exec) << text;
        EXPECT_NE(text.find("\nName=" + DesktopStringValue(name) + "\n"), std::string::npos);
        if (validator) {
            const std::string path = dir / ("entry" + std::to_string(n++) + ".desktop");
            WriteFileBytes(path, text);
            std::string output;
            EXPECT_TRUE(Valid(path, &output)) << text << output;
            EXPECT_EQ(output, "") << text;
        }
    }
}

TEST(DesktopEntry, MenuFolderFiles) {
    const std::string directory = MenuDirectoryText("Sky & <Stars>", "/x/icon.png");
    const std::string menu =
        MenuMergeText("Sky & <Stars>", "glimmerdrome-sky.directory",
                      {"glimmerdrome-sky.desktop", "glimmerdrome-sky-settings.desktop"});
    EXPECT_NE(menu.find("<Name>Sky &amp; &lt;Stars&gt;</Name>"), std::string::npos);
    EXPECT_NE(menu.find("<Directory>glimmerdrome-sky.directory</Directory>"), std::string::npos);
    EXPECT_NE(menu.find("<Filename>glimmerdrome-sky-settings.desktop</Filename>"),
              std::string::npos);
    // Merged into the applications menu, not a menu of its own.
    EXPECT_NE(menu.find("<Menu>\n  <Name>Applications</Name>"), std::string::npos);
    if (HaveValidator()) {
        TTempDir dir;
        WriteFileBytes(dir / "sky.directory", directory);
        std::string output;
        EXPECT_TRUE(Valid(dir / "sky.directory", &output)) << output;
        EXPECT_EQ(output, "");
    }
}
