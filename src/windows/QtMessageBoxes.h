#pragma once
// The core's message boxes shown as real dialogs over the active window, on the application's
// thread whichever thread asks.

#include "Messages.h"

class QtMessageBoxes : public IMessageBoxes {
public:
    TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgIcon icon,
                    TMsgButtons buttons) override;
};
