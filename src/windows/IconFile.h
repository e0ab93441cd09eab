#pragma once
// Writes Windows icon files (".ico") from pictures drawn by the program: the default project
// icon and the example project's icon. Every picture is stored as a 32-bit bitmap with its
// transparency mask, the form every reader of icon files understands.

#include <QImage>
#include <string>
#include <vector>

// The bytes of an icon file holding the pictures (each at most 256 by 256 pixels).
std::vector<unsigned char> IcoFileBytes(const std::vector<QImage>& pictures);

// Writes the icon file; throws EFCreateError when it cannot be written.
void WriteIcoFile(const std::string& path, const std::vector<QImage>& pictures);
