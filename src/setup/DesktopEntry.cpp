#include "DesktopEntry.h"

#include <cstring>

namespace {

std::string XmlText(const std::string& text) {
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

} // namespace

std::string DesktopStringValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    // A leading blank would be taken for the space around "=".
    if (!out.empty() && out.front() == ' ') out = "\\s" + out.substr(1);
    return out;
}

std::string DesktopExecArgument(const std::string& argument) {
    static const char* const reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string body;
    for (char c : argument) {
        if (c == '%')
            body += "%%";
        else if (c == '"' || c == '`' || c == '$' || c == '\\')
            body += std::string("\\") + c;
        else
            body += c;
    }
    const bool quote = argument.empty() || argument.find_first_of(reserved) != std::string::npos;
    return quote ? "\"" + body + "\"" : body;
}

std::string TDesktopEntry::Text() const {
    std::string command;
    for (const std::string& argument : exec)
        command += (command.empty() ? "" : " ") + DesktopExecArgument(argument);
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Version=1.0\n"
                       "Name=" +
                       DesktopStringValue(name) + "\n";
    if (!comment.empty()) text += "Comment=" + DesktopStringValue(comment) + "\n";
    text += "Exec=" + DesktopStringValue(command) + "\n";
    if (!icon.empty()) text += "Icon=" + DesktopStringValue(icon) + "\n";
    text += "Terminal=false\n";
    if (!categories.empty()) text += "Categories=" + categories + "\n";
    return text;
}

std::string MenuDirectoryText(const std::string& menu_name, const std::string& icon) {
    std::string text = "[Desktop Entry]\n"
                       "Type=Directory\n"
                       "Version=1.0\n"
                       "Name=" +
                       DesktopStringValue(menu_name) + "\n";
    if (!icon.empty()) text += "Icon=" + DesktopStringValue(icon) + "\n";
    return text;
}

std::string MenuMergeText(const std::string& menu_name, const std::string& directory_id,
                          const std::vector<std::string>& desktop_ids) {
    std::string text = "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/menu-spec/menu-1.0.dtd\">\n"
                       "<Menu>\n"
                       "  <Name>Applications</Name>\n"
                       "  <Menu>\n"
                       "    <Name>" +
                       XmlText(menu_name) +
                       "</Name>\n"
                       "    <Directory>" +
                       XmlText(directory_id) +
                       "</Directory>\n"
                       "    <Include>\n";
    for (const std::string& id : desktop_ids)
        text += "      <Filename>" + XmlText(id) + "</Filename>\n";
    text += "    </Include>\n"
            "  </Menu>\n"
            "</Menu>\n";
    return text;
}
