#pragma once
// The "programs:" list of an xscreensaver preferences file (~/.xscreensaver), edited as text so
// that every other byte of the user's file stays as it was.
//
// The list is one X resource whose value runs over continuation lines (a line ending in a
// backslash), one program per entry, entries separated by a written "\n":
//     programs:       maze --root  \n\   (each line ends in that backslash)
//     -               qix --root   \n\   (a leading "-" disables a program)
//                                          (a blank line ends the list)
//
// A program is added at the end of the list, so the numbers of the programs already there
// (which "selected:" refers to) stay the same. The addition is a single insertion, so that
// taking exactly those bytes out again gives back the file as it was.

#include <cstddef>
#include <optional>
#include <string>

struct TTextInsertion {
    size_t offset = 0;
    std::string text;
};

// The command xscreensaver runs for the program: its path, quoted for the shell when needed,
// and "--root" so that it draws into the window xscreensaver gives it.
std::string XScreenSaverCommand(const std::string& program_path);

// The list entry: the name shown in xscreensaver's settings, then the command.
std::string XScreenSaverEntry(const std::string& display_name, const std::string& command);

// Where and what to insert to add entry to the list; nothing when the file has no
// "programs:" resource (xscreensaver then lists its own defaults, which a single entry of
// ours would replace).
std::optional<TTextInsertion> XScreenSaverAddition(const std::string& content,
                                                   const std::string& entry);

// The file without the list entry whose text contains command (as XScreenSaverCommand wrote
// it into the file), wherever the user or xscreensaver moved it; nothing when no entry of the
// list contains it.
std::optional<std::string> XScreenSaverWithout(const std::string& content,
                                               const std::string& command);
