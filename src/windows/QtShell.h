#pragma once
// The desktop's shell services for the program: type names from the MIME database, icons from
// the icon theme, documents and addresses opened with the desktop's default handlers.

#include <QIcon>
#include <string>

#include "Shell.h"

class TQtShell : public THeadlessShell {
public:
    std::string TypeName(const std::string& path) override;
    std::string DisplayName(const std::string& path) override;
    bool Open(const std::string& target) override;
};

// The small icon the desktop shows for a file (by its content type; missing files by name).
QIcon ShellSmallIcon(const std::string& path);
