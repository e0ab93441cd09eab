#include "OpenAddress.h"

#include <QClipboard>
#include <QGuiApplication>

#include "Messages.h"
#include "Shell.h"

namespace {
// What the user reads and copies: an e-mail address as the author wrote it, without the
// "mailto:" the link put before it.
std::string Readable(const std::string& address) {
    return address.rfind("mailto:", 0) == 0 ? address.substr(7) : address;
}
} // namespace

std::string CannotOpenText(const std::string& address) {
    return "No program on this desktop opens " + Readable(address) +
           "\n\nDo you want to copy it to the clipboard?";
}

bool OpenAddress(const std::string& address) {
    if (ShellOpen(address)) return true;
    if (ShowMessage(CannotOpenText(address), "Glimmerdrome", TMsgIcon::Warning,
                    TMsgButtons::YesNo) == TMsgAnswer::Yes) {
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setText(QString::fromStdString(Readable(address)));
    }
    return false;
}
