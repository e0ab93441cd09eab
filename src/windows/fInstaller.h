#pragma once
// The step-by-step installer. As the author's preview it walks through the pages the end user
// will see, with the project's name in the texts and its readme and licence shown, and nothing
// is installed; TestSilentInstall plays the silent installer's two boxes instead. Made real
// by the installer runtime, the same pages install: the folder and menu boxes offer the
// installation's defaults, the folder button chooses a folder, and the Copying page copies
// with a real progress bar.

#include "Installation.h"

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

class TInstallWorker;

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
    // The same with the texts themselves (the installer runtime has them from its package).
    void PrepareTexts(const QString& projectName, const std::optional<QString>& readme,
                      const std::optional<QString>& licence);
    // Text file bytes as text: UTF-8 when they are valid UTF-8, else the 8-bit code page of
    // older text files; CR LF line ends become plain line breaks.
    static QString DecodeText(const QByteArray& bytes);

    // Makes the pages install request with installer (both must outlive the window).
    void MakeReal(const TInstaller& installer, const TInstallRequest& request);
    bool IsReal() const { return installer != nullptr; }
    // The real wizard went through: everything is in place.
    bool Installed() const { return installed; }

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
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::frmInstaller> ui;
    void FormShow();
    void btNextClick();
    void btPreviousClick();
    void btCancelClick();
    void btFolderClick();
    void UpdateNext();
    // The folder box as a full path ("~" is the home folder), or empty after telling the user
    // why it is not one.
    std::string ChosenFolder();
    void StartCopying();
    void CopyingDone(int outcome, const QString& message);

    const TInstaller* installer = nullptr;
    TInstallRequest request;
    std::unique_ptr<TInstallWorker> worker;
    bool installed = false;
};

// Shows the wizard modally; throws before showing it when a named file cannot be read.
void ShowInstallerPreview(QWidget* parent, const QString& name, const QString& readme,
                          const QString& licence);

// The silent installer: asks whether to install the project, and on Yes says it is done.
void TestSilentInstall(const QString& name);

// The quick way for real: asks the same question and, on Yes, installs request (to its
// destination and menu folder) with a progress window, then says it is done, or why not.
// True when the screensaver was installed.
bool RunQuickInstall(QWidget* parent, const TInstaller& installer, const TInstallRequest& request);
