#include "fInstaller.h"

#include "Artwork.h"
#include "FileDialogs.h"
#include "FileErrors.h"
#include "InstallWorker.h"
#include "Utils.h"
#include "ui_fInstaller.h"

#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QScreen>
#include <QStringDecoder>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

// The file's lines as text: UTF-8 when the bytes are valid UTF-8, else the 8-bit code page
// of older text files (Latin-1 here).
QString ReadTextFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(name.constData(), "rb"), &std::fclose);
    if (!file) throw EFOpenError(FileOpenErrorMessage(path.toStdString(), errno));
    QByteArray bytes;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, static_cast<qsizetype>(n));
    // A folder opens on some systems but cannot be read.
    if (std::ferror(file.get()))
        throw EFOpenError(FileOpenErrorMessage(path.toStdString(), errno ? errno : EIO));
    return TfrmInstaller::DecodeText(bytes);
}

} // namespace

TfrmInstaller::TfrmInstaller(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmInstaller>()) {
    ui->setupUi(this);
    setFixedSize(size());

    // The white areas of a classic wizard, whatever the desktop's theme.
    for (QWidget* area :
         {static_cast<QWidget*>(ui->palWelcome), static_cast<QWidget*>(ui->palHeaderReadme),
          static_cast<QWidget*>(ui->palHeaderLicense), static_cast<QWidget*>(ui->palHeaderFolder),
          static_cast<QWidget*>(ui->palHeaderMenuName), static_cast<QWidget*>(ui->palHeaderCopying),
          static_cast<QWidget*>(ui->palHeaderFinish)}) {
        QPalette pal = area->palette();
        pal.setColor(QPalette::Window, Qt::white);
        pal.setColor(QPalette::WindowText, QColor(0x10, 0x10, 0x10));
        area->setPalette(pal);
    }
    ui->imgWelcome->setPixmap(Artwork::InstallerSidePicture());
    const QPixmap header = Artwork::InstallerHeaderPicture();
    for (QLabel* img : {ui->imgHeaderReadme, ui->imgHeaderLicense, ui->imgHeaderFolder,
                        ui->imgHeaderMenuName, ui->imgHeaderCopying, ui->imgHeaderFinish})
        img->setPixmap(header);
    // A row of lit segments, like the installer's own progress bar.
    ui->barProgress->setStyleSheet(QStringLiteral(
        "QProgressBar { border: 1px solid palette(mid); background: palette(base); padding: 1px; }"
        "QProgressBar::chunk { background-color: #2a8a3a; width: 7px; margin: 1px; }"));

    connect(ui->btNext, &QPushButton::clicked, this, &TfrmInstaller::btNextClick);
    connect(ui->btPrevious, &QPushButton::clicked, this, &TfrmInstaller::btPreviousClick);
    connect(ui->btCancel, &QPushButton::clicked, this, &TfrmInstaller::btCancelClick);
    // The licence page says its terms must be accepted before going on: hold "&Next" until then.
    connect(ui->chkAccept, &QCheckBox::toggled, this, &TfrmInstaller::UpdateNext);
    FormShow();
}

TfrmInstaller::~TfrmInstaller() {}

QString TfrmInstaller::DecodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) text = QString::fromLatin1(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

QString TfrmInstaller::ReplaceProjectName(QString text, const QString& name) {
    return text.replace(QStringLiteral("#ProjectName#"), name, Qt::CaseInsensitive);
}

void TfrmInstaller::Prepare(const QString& projectName, const QString& readmePath,
                            const QString& licensePath) {
    // Both files are read before anything changes: a file that cannot be read stops the
    // wizard before it is shown.
    std::optional<QString> readme, licence;
    if (!readmePath.isEmpty()) readme = ReadTextFile(readmePath);
    if (!licensePath.isEmpty()) licence = ReadTextFile(licensePath);
    PrepareTexts(projectName, readme, licence);
}

void TfrmInstaller::PrepareTexts(const QString& projectName, const std::optional<QString>& readme,
                                 const std::optional<QString>& licence) {
    for (QLabel* label : {ui->labWelcomeTitle, ui->labWelcomeText, ui->labFolderText,
                          ui->labFolderBody, ui->labFinishBody})
        label->setText(ReplaceProjectName(label->text(), projectName));
    HasReadme = readme.has_value();
    if (HasReadme) ui->txtReadme->setPlainText(*readme);
    HasLicense = licence.has_value();
    if (HasLicense) ui->txtLicense->setPlainText(*licence);
}

void TfrmInstaller::MakeReal(const TInstaller& real_installer,
                             const TInstallRequest& real_request) {
    installer = &real_installer;
    request = real_request;
    worker = std::make_unique<TInstallWorker>();
    ui->txtFolder->setText(QString::fromStdString(
        request.destination.empty() ? installer->SuggestedDestination(request.project_name)
                                    : request.destination));
    ui->txtMenuName->setText(QString::fromStdString(request.menu_folder));
    connect(ui->btFolder, &QPushButton::clicked, this, &TfrmInstaller::btFolderClick);
    connect(worker.get(), &TInstallWorker::progress, ui->barProgress, &QProgressBar::setValue);
    connect(worker.get(), &TInstallWorker::step, ui->labCopying, &QLabel::setText);
    connect(worker.get(), &TInstallWorker::finished, this,
            [this](TInstallWorker::TOutcome outcome, const QString& message) {
                CopyingDone(static_cast<int>(outcome), message);
            });
}

void TfrmInstaller::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* screen = (parentWidget() ? parentWidget()->screen() : this->screen()))
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TfrmInstaller::FormShow() {
    CurPage = Welcome;
    ui->pageMain->setCurrentIndex(Welcome);
    ui->btPrevious->setEnabled(false);
    ui->btNext->setEnabled(true);
    ui->btCancel->setText(tr("&Cancel"));
}

void TfrmInstaller::GotoPage(int i) {
    ui->btPrevious->setEnabled(i >= 1);
    if (i >= PageCount) {
        ui->btNext->setEnabled(false);
        ui->btCancel->setText(tr("&Finished"));
        return;
    }
    ui->btCancel->setText(tr("&Cancel"));
    ui->pageMain->setCurrentIndex(i);
    UpdateNext();
    if (i == Finish) {
        ui->btCancel->setText(tr("&Finished"));
        ui->btNext->setEnabled(false);
    }
}

void TfrmInstaller::UpdateNext() {
    const int shown = ui->pageMain->currentIndex();
    ui->btNext->setEnabled(shown != Finish && (shown != License || ui->chkAccept->isChecked()));
}

void TfrmInstaller::btNextClick() {
    const int c = ui->pageMain->currentIndex();
    if (IsReal() && c == Folder && ChosenFolder().empty()) return;
    if (c == Welcome)
        CurPage = HasReadme ? Readme : HasLicense ? License : Folder;
    else if (c == Readme)
        CurPage = HasLicense ? License : Folder;
    else
        CurPage = c + 1;
    GotoPage(CurPage);
    if (IsReal() && CurPage == Copying) StartCopying();
}

void TfrmInstaller::btPreviousClick() {
    const int c = ui->pageMain->currentIndex();
    if (c == License)
        CurPage = HasReadme ? Readme : Welcome;
    else if (c == Folder)
        CurPage = HasLicense ? License : HasReadme ? Readme : Welcome;
    else
        CurPage = c - 1;
    GotoPage(CurPage);
}

void TfrmInstaller::btCancelClick() {
    close();
}

void TfrmInstaller::closeEvent(QCloseEvent* event) {
    // Leaving while files are copied would leave half an installation: the copy is stopped
    // and undone first, and the window closes when it has been.
    if (worker && worker->Running()) {
        worker->Cancel();
        ui->btCancel->setEnabled(false);
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmInstaller::btFolderClick() {
    TFileDialogRequest dialog;
    dialog.kind = TFileDialogKind::Folder;
    // The dialog opens on the nearest folder that exists.
    QString start = QDir::cleanPath(ui->txtFolder->text().trimmed());
    while (!start.isEmpty() && start != "/" && !QFileInfo(start).isDir())
        start = QFileInfo(start).path();
    if (!start.startsWith('/')) start = QDir::homePath();
    dialog.initialFolder = start.toStdString();
    const std::vector<std::string> chosen = RunFileDialog(this, dialog);
    if (!chosen.empty()) ui->txtFolder->setText(QString::fromStdString(chosen.front()));
}

std::string TfrmInstaller::ChosenFolder() {
    QString folder = ui->txtFolder->text().trimmed();
    if (folder == "~" || folder.startsWith("~/")) folder = QDir::homePath() + folder.mid(1);
    if (!folder.startsWith('/')) {
        Warn("Please enter the full path of a folder, starting with \"/\".");
        ui->txtFolder->setFocus();
        return {};
    }
    return QDir::cleanPath(folder).toStdString();
}

void TfrmInstaller::StartCopying() {
    request.destination = ChosenFolder();
    request.menu_folder = ui->txtMenuName->text().trimmed().toStdString();
    ui->barProgress->setValue(0);
    ui->labCopying->show();
    ui->btPrevious->setEnabled(false);
    ui->btNext->setEnabled(false);
    worker->Start(*installer, request);
}

void TfrmInstaller::CopyingDone(int outcome, const QString& message) {
    ui->btCancel->setEnabled(true);
    switch (static_cast<TInstallWorker::TOutcome>(outcome)) {
    case TInstallWorker::TOutcome::Installed:
        installed = true;
        ui->barProgress->setValue(ui->barProgress->maximum());
        CurPage = Finish;
        GotoPage(Finish);
        // What was copied cannot be copied again from here.
        ui->btPrevious->setEnabled(false);
        break;
    case TInstallWorker::TOutcome::Failed:
        Warn(message.toStdString() + "\n\nNothing was installed.");
        // Another folder may do: back to where it is chosen.
        CurPage = Folder;
        GotoPage(Folder);
        break;
    case TInstallWorker::TOutcome::Cancelled:
        Inform(message.toStdString() + " Nothing was installed.");
        close();
        break;
    }
}

void ShowInstallerPreview(QWidget* parent, const QString& name, const QString& readme,
                          const QString& licence) {
    TfrmInstaller window(parent);
    window.Prepare(name, readme, licence);
    window.exec();
}

namespace {

std::string QuickQuestion(const QString& name) {
    return "Now it's going to install " + name.toStdString() + " , do you want to continute?";
}

} // namespace

void TestSilentInstall(const QString& name) {
    const std::string question = QuickQuestion(name);
    if (ConfirmOrCancel(question) == TMsgAnswer::Yes)
        Inform("Installation complete. Thank you!\r\n\r\nThis was just a test, nothing really "
               "happened.");
}

bool RunQuickInstall(QWidget* parent, const TInstaller& installer, const TInstallRequest& request) {
    const QString name = QString::fromStdString(DisplayNameOf(request.project_name));
    if (ConfirmOrCancel(QuickQuestion(name)) != TMsgAnswer::Yes) return false;
    QProgressDialog progress(QObject::tr("Copying the screensaver file..."), QObject::tr("&Cancel"),
                             0, 100, parent);
    progress.setWindowTitle(QObject::tr("Installer"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    TInstallWorker worker;
    QEventLoop loop;
    TInstallWorker::TOutcome outcome = TInstallWorker::TOutcome::Failed;
    QString message;
    QObject::connect(&worker, &TInstallWorker::progress, &progress, &QProgressDialog::setValue);
    QObject::connect(&worker, &TInstallWorker::step, &progress, &QProgressDialog::setLabelText);
    QObject::connect(&progress, &QProgressDialog::canceled, &worker,
                     [&worker] { worker.Cancel(); });
    QObject::connect(&worker, &TInstallWorker::finished, &loop,
                     [&](TInstallWorker::TOutcome result, const QString& why) {
                         outcome = result;
                         message = why;
                         loop.quit();
                     });
    worker.Start(installer, request);
    loop.exec();
    progress.hide();
    switch (outcome) {
    case TInstallWorker::TOutcome::Installed:
        Inform("Installation complete. Thank you!");
        return true;
    case TInstallWorker::TOutcome::Cancelled:
        Inform(message.toStdString() + " Nothing was installed.");
        return false;
    case TInstallWorker::TOutcome::Failed:
        Warn(message.toStdString() + "\n\nNothing was installed.");
        return false;
    }
    return false;
}
