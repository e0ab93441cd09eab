#pragma once
// Modal message boxes behind one installable seam.
//
// The core (project document, archive manager, compressor, generators) asks its questions
// through ShowMessage; the program installs a handler that shows real boxes, while tests and
// the command-line tools install one that answers without a display.

#include <deque>
#include <string>
#include <vector>

enum class TMsgIcon { None, Information, Warning, Error, Question };
enum class TMsgButtons { Ok, YesNo, YesNoCancel };
enum class TMsgAnswer { Ok, Yes, No, Cancel };

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    virtual TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgIcon icon,
                            TMsgButtons buttons) = 0;
};

// Installs the handler every later box goes through; nullptr restores the default one, which
// writes the box to stderr and answers Yes (or Ok).
void InstallMessageBoxes(IMessageBoxes* handler);
IMessageBoxes& CurrentMessageBoxes();

TMsgAnswer ShowMessage(const std::string& text, const std::string& caption, TMsgIcon icon,
                       TMsgButtons buttons);

// Answers boxes from a queue and records every box shown: the seam for tests and scripts.
// With the queue empty it gives the default answer (Yes for questions, Ok otherwise).
class TScriptedMessageBoxes : public IMessageBoxes {
public:
    struct Shown {
        std::string text;
        std::string caption;
        TMsgIcon icon;
        TMsgButtons buttons;
    };

    TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgIcon icon,
                    TMsgButtons buttons) override;

    void Answer(TMsgAnswer answer) { answers.push_back(answer); }
    std::deque<TMsgAnswer> answers;
    std::vector<Shown> shown;
};

// Installs a handler for the lifetime of a scope and restores the previous one afterwards.
class TMessageBoxesScope {
public:
    explicit TMessageBoxesScope(IMessageBoxes& handler);
    ~TMessageBoxesScope();
    TMessageBoxesScope(const TMessageBoxesScope&) = delete;
    TMessageBoxesScope& operator=(const TMessageBoxesScope&) = delete;

private:
    IMessageBoxes* previous;
};
