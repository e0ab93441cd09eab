#include "Messages.h"

#include <cstdio>

namespace {

class TConsoleMessageBoxes : public IMessageBoxes {
public:
    TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgIcon,
                    TMsgButtons buttons) override {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
        return buttons == TMsgButtons::Ok ? TMsgAnswer::Ok : TMsgAnswer::Yes;
    }
};

TConsoleMessageBoxes console_boxes;
IMessageBoxes* current_boxes = nullptr;

} // namespace

void InstallMessageBoxes(IMessageBoxes* handler) {
    current_boxes = handler;
}

IMessageBoxes& CurrentMessageBoxes() {
    return current_boxes ? *current_boxes : static_cast<IMessageBoxes&>(console_boxes);
}

TMsgAnswer ShowMessage(const std::string& text, const std::string& caption, TMsgIcon icon,
                       TMsgButtons buttons) {
    return CurrentMessageBoxes().Show(text, caption, icon, buttons);
}

TMsgAnswer TScriptedMessageBoxes::Show(const std::string& text, const std::string& caption,
                                       TMsgIcon icon, TMsgButtons buttons) {
    shown.push_back({text, caption, icon, buttons});
    if (!answers.empty()) {
        TMsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    return buttons == TMsgButtons::Ok ? TMsgAnswer::Ok : TMsgAnswer::Yes;
}

TMessageBoxesScope::TMessageBoxesScope(IMessageBoxes& handler) : previous(current_boxes) {
    current_boxes = &handler;
}

TMessageBoxesScope::~TMessageBoxesScope() {
    current_boxes = previous;
}
