#pragma once
// The chooser that greets the author at start-up: a new project, an existing project file, or
// one of the recent projects; and the switch that shows it at the next start.

#include <QDialog>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TConfig;
namespace Ui {
class TfrmQuickStart;
}

// What the chooser needs from the window it greets the author over.
class IQuickStartHost {
public:
    virtual ~IQuickStartHost() = default;
    // The window the chooser is centred on and modal to.
    virtual QWidget* HostWindow() = 0;
    virtual TConfig& Settings() = 0;
    virtual void NewProject() = 0;
    // Throws when the project cannot be loaded; the chooser then stays open.
    virtual void LoadProject(const std::string& path) = 0;
    // The user guide that the Help button opens.
    virtual std::string HelpFile() = 0;
};

// The question asked when a recent project's file has gone: it names the file and offers to
// take it off the list.
std::string MissingRecentProjectText(const std::string& path);

// The part of the user guide the Help button opens.
inline constexpr const char* QuickStartTopic = "a-first-screensaver-in-five-minutes";

class TfrmQuickStart : public QDialog {
    Q_OBJECT
public:
    explicit TfrmQuickStart(IQuickStartHost& host);
    ~TfrmQuickStart() override;

    Ui::TfrmQuickStart& Form() { return *ui; }

    void btNewClick();
    void btOpenFileClick();
    void btOpenRecentFileClick();
    void btHelpClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void FormShow();
    void FormClose();

    IQuickStartHost& main;
    std::unique_ptr<Ui::TfrmQuickStart> ui;
    bool closed = false;
    // The captions beside the three choices, each with the button it stands for.
    std::vector<std::pair<class QLabel*, class QAbstractButton*>> captionButtons;
};

// Creates the window, shows it modally over the main window and releases it.
void ShowQuickStart(IQuickStartHost& host);
