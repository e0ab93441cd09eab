#pragma once
// The chooser that greets the author at start-up: a new project, an existing project file, or
// one of the recent projects; and the switch that shows it at the next start.

#include <QDialog>
#include <memory>

class TfrmMain;
namespace Ui {
class TfrmQuickStart;
}

class TfrmQuickStart : public QDialog {
    Q_OBJECT
public:
    explicit TfrmQuickStart(TfrmMain& main);
    ~TfrmQuickStart() override;

    Ui::TfrmQuickStart& Form() { return *ui; }

    void btNewClick();
    void btOpenFileClick();
    void btOpenRecentFileClick();
    void btHelpClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    void FormShow();
    void FormClose();

    TfrmMain& main;
    std::unique_ptr<Ui::TfrmQuickStart> ui;
    bool closed = false;
};

// Creates the window, shows it modally over the main window and releases it.
void ShowQuickStart(TfrmMain& main);
