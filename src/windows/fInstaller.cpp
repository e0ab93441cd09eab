#include "fInstaller.h"

#include "Artwork.h"
#include "FileErrors.h"
#include "Utils.h"
#include "ui_fInstaller.h"

#include <QFile>
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
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) text = QString::fromLatin1(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
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

QString TfrmInstaller::ReplaceProjectName(QString text, const QString& name) {
    return text.replace(QStringLiteral("#ProjectName#"), name, Qt::CaseInsensitive);
}

void TfrmInstaller::Prepare(const QString& projectName, const QString& readmePath,
                            const QString& licensePath) {
    for (QLabel* label : {ui->labWelcomeTitle, ui->labWelcomeText, ui->labFolderText,
                          ui->labFolderBody, ui->labFinishBody})
        label->setText(ReplaceProjectName(label->text(), projectName));
    HasReadme = !readmePath.isEmpty();
    if (HasReadme) ui->txtReadme->setPlainText(ReadTextFile(readmePath));
    HasLicense = !licensePath.isEmpty();
    if (HasLicense) ui->txtLicense->setPlainText(ReadTextFile(licensePath));
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
    if (c == Welcome)
        CurPage = HasReadme ? Readme : HasLicense ? License : Folder;
    else if (c == Readme)
        CurPage = HasLicense ? License : Folder;
    else
        CurPage = c + 1;
    GotoPage(CurPage);
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

void ShowInstallerPreview(QWidget* parent, const QString& name, const QString& readme,
                          const QString& licence) {
    TfrmInstaller window(parent);
    window.Prepare(name, readme, licence);
    window.exec();
}

void TestSilentInstall(const QString& name) {
    const std::string question =
        "Now it's going to install " + name.toStdString() + " , do you want to continute?";
    if (ConfirmOrCancel(question) == TMsgAnswer::Yes)
        Inform("Installation complete. Thank you!\r\n\r\nThis was just a test, nothing really "
               "happened.");
}
