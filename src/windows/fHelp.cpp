#include "fHelp.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QStatusBar>
#include <QStyle>
#include <QTextBrowser>

#include "OpenAddress.h"
#include "Utils.h"
#include "ui_fHelp.h"

TfrmHelp::TfrmHelp(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::TfrmHelp>()) {
    ui->setupUi(this);
    // A window of its own that the owner's closing takes along.
    setWindowFlag(Qt::Window, true);
    ui->actBack->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    ui->actForward->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    ui->actContents->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    ui->actBack->setEnabled(false);
    ui->actForward->setEnabled(false);
    QTextBrowser* guide = ui->txtGuide;
    connect(ui->actBack, &QAction::triggered, guide, &QTextBrowser::backward);
    connect(ui->actForward, &QAction::triggered, guide, &QTextBrowser::forward);
    connect(ui->actContents, &QAction::triggered, this, [this] {
        if (!home.isEmpty()) ui->txtGuide->setSource(home);
    });
    connect(guide, &QTextBrowser::backwardAvailable, ui->actBack, &QAction::setEnabled);
    connect(guide, &QTextBrowser::forwardAvailable, ui->actForward, &QAction::setEnabled);
    connect(guide, &QTextBrowser::anchorClicked, this, &TfrmHelp::FollowLink);
    connect(guide, &QTextBrowser::highlighted, this,
            [this](const QUrl& link) { statusBar()->showMessage(link.toDisplayString()); });
}

TfrmHelp::~TfrmHelp() = default;

QUrl TfrmHelp::source() const {
    return ui->txtGuide->source();
}

void TfrmHelp::ShowTopic(const QString& file, const QString& anchor) {
    home = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    QUrl topic = home;
    if (!anchor.isEmpty()) topic.setFragment(anchor);
    ui->txtGuide->setSource(topic);
}

void TfrmHelp::FollowLink(const QUrl& link) {
    const QUrl target = ui->txtGuide->source().resolved(link);
    // Topics of the guide stay here; everything else is the desktop's to open.
    if (target.isLocalFile() && target.adjusted(QUrl::RemoveFragment) == home) {
        ui->txtGuide->setSource(target);
        return;
    }
    OpenAddress(target.isLocalFile() ? target.toLocalFile().toStdString()
                                     : target.toString().toStdString());
}

void TfrmHelp::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

TfrmHelp* ShowUserGuide(QWidget* owner, const std::string& file, const std::string& anchor) {
    if (!QFileInfo::exists(QString::fromStdString(file))) {
        Warn("The user guide " + file + " is missing.");
        return nullptr;
    }
    TfrmHelp* window =
        owner ? owner->findChild<TfrmHelp*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) {
        window = new TfrmHelp(owner);
        // An owner keeps its guide for the next call; one without it leaves it to go on close.
        window->setAttribute(Qt::WA_DeleteOnClose, owner == nullptr);
    }
    window->ShowTopic(QString::fromStdString(file), QString::fromStdString(anchor));
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
