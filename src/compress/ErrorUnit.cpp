#include "ErrorUnit.h"

#include "Messages.h"

void ShowError(const std::string& message) {
    try {
        ShowMessage(message, "Error", TMsgIcon::Error, TMsgButtons::Ok);
    } catch (...) {
        // The box is a report, never a reason to stop: whatever the handler does, go on.
    }
}
