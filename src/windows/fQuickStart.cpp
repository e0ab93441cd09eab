#include "fQuickStart.h"

#include <QAction>
#include <QKeyEvent>
#include <QMouseEvent>

#include "Config.h"
#include "ErrorBox.h"
#include "FileDialogs.h"
#include "FilePaths.h"
#include "Shell.h"
#include "Utils.h"
#include "dm.h"
#include "fHelp.h"
#include "ui_fQuickStart.h"

std::string MissingRecentProjectText(const std::string& path) {
    return path + " does not exist!\n\nDo you want to remove it from the recent projects?";
}

TfrmQuickStart::TfrmQuickStart(IQuickStartHost& host)
    : QDialog(host.HostWindow()), main(host), ui(std::make_unique<Ui::TfrmQuickStart>()) {
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui->imgProgram->setPixmap(QPixmap::fromImage(Tdm::ProgramIconImage(48)));
    ui->btNew->setIcon(Tdm::Picture(imgNew, 32));
    ui->btOpenFile->setIcon(Tdm::Picture(imgOpen, 32));
    ui->btOpenRecentFile->setIcon(Tdm::Picture(imgReopen, 32));

    QFont title = ui->labTitle->font();
    title.setPointSizeF(title.pointSizeF() * 1.6);
    title.setBold(true);
    ui->labTitle->setFont(title);
    QFont heading = ui->labSideHeading->font();
    heading.setPointSizeF(heading.pointSizeF() * 1.2);
    heading.setBold(true);
    ui->labSideHeading->setFont(heading);
    ui->palSide->setAutoFillBackground(true);
    QPalette side = ui->palSide->palette();
    side.setColor(QPalette::Window, QColor(0x1F, 0x2F, 0x5E));
    side.setColor(QPalette::WindowText, QColor(0xF2, 0xF4, 0xFA));
    ui->palSide->setPalette(side);

    connect(ui->btNew, &QToolButton::clicked, this, [this] { btNewClick(); });
    connect(ui->btClose, &QPushButton::clicked, this, [this] { btNewClick(); });
    connect(ui->btOpenFile, &QToolButton::clicked, this, [this] { btOpenFileClick(); });
    connect(ui->btOpenRecentFile, &QToolButton::clicked, this, [this] { btOpenRecentFileClick(); });
    connect(ui->btHelp, &QPushButton::clicked, this, [this] { btHelpClick(); });

    // Each caption answers a click like the icon beside it.
    for (auto [caption, button] :
         {std::pair{ui->labNew, ui->btNew}, std::pair{ui->labOpenFile, ui->btOpenFile},
          std::pair{ui->labOpenRecentFile, ui->btOpenRecentFile}}) {
        caption->setCursor(Qt::PointingHandCursor);
        caption->setToolTip(button->toolTip());
        caption->installEventFilter(this);
        captionButtons.emplace_back(caption, button);
    }
    auto* help = new QAction(this);
    help->setShortcut(QKeySequence::HelpContents);
    addAction(help);
    connect(help, &QAction::triggered, this, [this] { btHelpClick(); });
}

bool TfrmQuickStart::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        for (const auto& [caption, button] : captionButtons)
            if (watched == caption && mouse->button() == Qt::LeftButton &&
                caption->rect().contains(mouse->position().toPoint())) {
                button->click();
                return true;
            }
    }
    return QDialog::eventFilter(watched, event);
}

TfrmQuickStart::~TfrmQuickStart() = default;

void TfrmQuickStart::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the main window also where no window manager places dialogs.
    if (const QWidget* owner = parentWidget()) move(owner->geometry().center() - rect().center());
    FormShow();
}

void TfrmQuickStart::FormShow() {
    ui->chkShowQuickStart->setChecked(true);
    ui->cboxRecentFiles->clear();
    RunGuarded([this] {
        TRecentFiles recent;
        main.Settings().ReadRecentFiles(recent);
        for (const auto& path : recent)
            if (!path.empty()) ui->cboxRecentFiles->addItem(QString::fromStdString(path));
    });
    ui->cboxRecentFiles->setCurrentIndex(ui->cboxRecentFiles->count() > 0 ? 0 : -1);
}

void TfrmQuickStart::keyPressEvent(QKeyEvent* event) {
    // Esc answers like "&Close", the window's cancel button: a new project.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        btNewClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmQuickStart::done(int result) {
    FormClose();
    // A guide opened from here stays open over the main window.
    if (auto* guide = findChild<TfrmHelp*>(QString(), Qt::FindDirectChildrenOnly);
        guide && guide->isVisible()) {
        guide->setParent(main.HostWindow(), guide->windowFlags());
        guide->show();
    }
    QDialog::done(result);
}

void TfrmQuickStart::FormClose() {
    if (closed) return;
    closed = true;
    RunGuarded([this] { main.Settings().SetQuickStart(ui->chkShowQuickStart->isChecked()); });
}

void TfrmQuickStart::btNewClick() {
    RunGuarded([this] { main.NewProject(); });
    accept();
}

void TfrmQuickStart::btOpenFileClick() {
    TFileDialogRequest request;
    request.kind = TFileDialogKind::Open;
    request.filter = "Glimmerdrome Project (*.gldp)|*.gldp";
    const auto chosen = RunFileDialog(this, request);
    if (chosen.empty()) return;
    // A project that fails to load is reported and the chooser stays open.
    if (RunGuarded([&] { main.LoadProject(chosen.front()); })) accept();
}

void TfrmQuickStart::btOpenRecentFileClick() {
    if (ui->cboxRecentFiles->currentIndex() < 0) return;
    const std::string path = ui->cboxRecentFiles->currentText().toStdString();
    if (FileExists(path)) {
        if (RunGuarded([&] { main.LoadProject(path); })) accept();
    } else if (Confirm(MissingRecentProjectText(path))) {
        RunGuarded([&] { main.Settings().RemoveRecentFile(path); });
        ui->cboxRecentFiles->removeItem(ui->cboxRecentFiles->currentIndex());
        ui->cboxRecentFiles->setCurrentIndex(ui->cboxRecentFiles->count() > 0 ? 0 : -1);
    }
}

void TfrmQuickStart::btHelpClick() {
    // The same user guide the Topic command opens, at its first steps. The window belongs to
    // this one, as a modal window leaves no other usable.
    ShowUserGuide(this, main.HelpFile(), QuickStartTopic);
}

void ShowQuickStart(IQuickStartHost& host) {
    TfrmQuickStart window(host);
    window.exec();
}
