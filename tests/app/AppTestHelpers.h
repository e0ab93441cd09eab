#pragma once
// A sandbox for driving the main window in tests: a temporary program folder (with its own
// default project icon and configuration.ini), scripted message boxes and file dialogs, and
// helpers that make project, movie and icon files.

#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FileDialogs.h"
#include "Messages.h"
#include "fMain.h"

class QAction;
class QLabel;
class QLineEdit;
class QTreeWidget;

class TAppSandbox {
public:
    TAppSandbox();
    ~TAppSandbox();

    // A main window on this sandbox's settings, past its first activation; its program files
    // come from the sandbox's program folder unless resources says otherwise.
    std::unique_ptr<TfrmMain> MakeMain(std::optional<TResourceLocator> resources = {});

    std::string Path(const std::string& name) const; // a path inside the sandbox
    std::string ProgramDir() const { return Path("program"); }
    std::string DefaultIcon() const;
    std::string SettingsFile() const;

    // A file of exactly size bytes.
    std::string MakeFile(const std::string& name, int size);
    // A small icon file of our own drawing.
    std::string MakeIcon(const std::string& name);
    // A one-pixel GIF picture.
    std::string MakeGif(const std::string& name);
    // A project file from INI lines (written as given, CR LF line ends).
    std::string MakeProject(const std::string& name, const std::vector<std::string>& lines);
    std::string ReadText(const std::string& path) const;

    QTemporaryDir folder;
    TScriptedMessageBoxes boxes;
    TScriptedFileDialogs dialogs;

private:
    std::unique_ptr<TMessageBoxesScope> boxesScope;
    std::unique_ptr<TFileDialogsScope> dialogsScope;
};

// Controls of the main window by their names.
template <typename T> T* Control(QWidget& window, const char* name) {
    T* control = window.findChild<T*>(name);
    if (!control) qFatal("no control %s", name);
    return control;
}

QString TitleOf(QWidget& window);
QString ModifiedPane(TfrmMain& window);
// Names shown in the file list, top down.
QStringList ListedNames(TfrmMain& window);
