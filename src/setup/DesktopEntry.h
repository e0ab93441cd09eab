#pragma once
// The desktop's menu files of an installation: desktop entries that start the screensaver,
// its settings and its removal, and a menu folder that groups them (a directory entry and a
// merged menu file, as desktop menus read them).

#include <string>
#include <vector>

struct TDesktopEntry {
    std::string name;
    std::string comment;
    std::vector<std::string> exec; // program path first, then its arguments, unquoted
    std::string icon;              // an absolute path, or empty
    std::string categories;        // "Settings;DesktopSettings;"

    // The whole file, UTF-8, ending with a line break.
    std::string Text() const;
};

// A value of type string: line breaks, tabs and backslashes escaped.
std::string DesktopStringValue(const std::string& text);
// One argument of an Exec key before the string escape: quoted when it holds a reserved
// character, with "%" doubled so that it is never read as a field code.
std::string DesktopExecArgument(const std::string& argument);

// The menu folder's directory entry (Type=Directory).
std::string MenuDirectoryText(const std::string& menu_name, const std::string& icon);
// A menu file that adds a folder named menu_name to the applications menu, shown with the
// directory entry directory_id and holding the desktop entries desktop_ids.
std::string MenuMergeText(const std::string& menu_name, const std::string& directory_id,
                          const std::vector<std::string>& desktop_ids);
