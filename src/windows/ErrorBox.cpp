#include "ErrorBox.h"

#include "Messages.h"

#include <exception>

std::string ErrorBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

void ShowErrorBox(const std::string& message) {
    ShowMessage(ErrorBoxText(message), "Glimmerdrome", TMsgIcon::Error, TMsgButtons::Ok);
}

bool RunGuarded(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception& error) {
        ShowErrorBox(error.what());
    } catch (...) {
        ShowErrorBox("Unknown error");
    }
    return false;
}
