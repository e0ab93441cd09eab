#pragma once
// File dialogs behind one installable seam, like the message boxes: the program installs the
// Qt dialogs, tests install TScriptedFileDialogs and answer each dialog from a queue.

#include <deque>
#include <string>
#include <vector>

class QWidget;

enum class TFileDialogKind { Open, OpenPicture, Save, Folder };

struct TFileDialogRequest {
    TFileDialogKind kind = TFileDialogKind::Open;
    // Filters in the "Description|pattern|Description|pattern" form of the design.
    std::string filter;
    // Folder to start in (may be empty) and the file name filled in.
    std::string initialFolder;
    std::string fileName;
    bool multiple = false;
    bool mustExist = true;
};

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // The chosen full paths in the order the dialog returns them; empty when cancelled.
    virtual std::vector<std::string> Run(QWidget* parent, const TFileDialogRequest& request) = 0;
};

// Real dialogs of the desktop.
class TQtFileDialogs : public IFileDialogs {
public:
    std::vector<std::string> Run(QWidget* parent, const TFileDialogRequest& request) override;
    // "Flash (*.swf)|*.swf" becomes "Flash (*.swf)" for Qt; several pairs are joined by ";;".
    static std::string QtFilter(const std::string& filter);
};

// Answers from a queue and records every request; an empty queue cancels.
class TScriptedFileDialogs : public IFileDialogs {
public:
    std::vector<std::string> Run(QWidget* parent, const TFileDialogRequest& request) override;
    void Answer(std::vector<std::string> paths) { answers.push_back(std::move(paths)); }
    void Cancel() { answers.push_back({}); }
    std::deque<std::vector<std::string>> answers;
    std::vector<TFileDialogRequest> requests;
};

void InstallFileDialogs(IFileDialogs* dialogs); // nullptr restores the Qt dialogs
IFileDialogs& CurrentFileDialogs();
std::vector<std::string> RunFileDialog(QWidget* parent, const TFileDialogRequest& request);

class TFileDialogsScope {
public:
    explicit TFileDialogsScope(IFileDialogs& dialogs);
    ~TFileDialogsScope();
    TFileDialogsScope(const TFileDialogsScope&) = delete;
    TFileDialogsScope& operator=(const TFileDialogsScope&) = delete;

private:
    IFileDialogs* previous;
};
