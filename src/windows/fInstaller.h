#pragma once
// The preview of the step-by-step installer: the author walks through the pages the end user
// will see, with the project's name in the texts and its readme and licence shown, and
// nothing is installed. TestSilentInstall plays the silent installer's two boxes instead.

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class frmInstaller;
}

class TfrmInstaller : public QDialog {
    Q_OBJECT
public:
    enum Page { Welcome, Readme, License, Folder, MenuName, Copying, Finish, PageCount };

    explicit TfrmInstaller(QWidget* parent = nullptr);
    ~TfrmInstaller() override;

    // Puts the name into the texts and loads the two files (steps 2 to 4 of showing the
    // wizard). An empty path means no such page; a path that cannot be read throws the
    // platform's file error.
    void Prepare(const QString& projectName, const QString& readmePath, const QString& licensePath);

    // Shows page i and sets the buttons; an index at or past the last page only disables
    // "&Next" and turns "&Cancel" into "&Finished".
    void GotoPage(int i);

    // Every "#ProjectName#", in any letter case, replaced by the name as it stands.
    static QString ReplaceProjectName(QString text, const QString& name);

    int CurPage = 0;
    bool HasReadme = false;
    bool HasLicense = false;
    Ui::frmInstaller& Form() { return *ui; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::frmInstaller> ui;
    void FormShow();
    void btNextClick();
    void btPreviousClick();
    void btCancelClick();
    void UpdateNext();
};

// Shows the wizard modally; throws before showing it when a named file cannot be read.
void ShowInstallerPreview(QWidget* parent, const QString& name, const QString& readme,
                          const QString& licence);

// The silent installer: asks whether to install the project, and on Yes says it is done.
void TestSilentInstall(const QString& name);
