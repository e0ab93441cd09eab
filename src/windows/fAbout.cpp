#include "fAbout.h"

#include "Artwork.h"
#include "OpenAddress.h"
#include "ProgramIdentity.h"
#include "ui_fAbout.h"

#include <QGraphicsDropShadowEffect>
#include <QLayout>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmAbout>()), movie(new QTimer(this)) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    QPalette top = ui->palTop->palette();
    top.setColor(QPalette::Window, Qt::white);
    const QColor darkBlue(0x14, 0x23, 0x6e);
    top.setColor(QPalette::WindowText, darkBlue);
    ui->palTop->setPalette(top);
    // The title stands slightly raised off the white band.
    auto* raised = new QGraphicsDropShadowEffect(ui->labAboutTitle);
    raised->setOffset(1.5, 1.5);
    raised->setBlurRadius(2);
    raised->setColor(QColor(0x14, 0x23, 0x6e, 70));
    ui->labAboutTitle->setGraphicsEffect(raised);

    ui->labVersion->setText(tr("Version %1").arg(QString::fromLatin1(ProgramVersion())));

    ui->Image1->setPixmap(Artwork::MakerLogo());
    ui->Image1->installEventFilter(this);
    ShowFrame(0);
    movie->setInterval(MovieInterval);
    connect(movie, &QTimer::timeout, this, [this] { ShowFrame(frame + 1); });
    connect(ui->btOk, &QPushButton::clicked, this, &TfrmAbout::btOkClick);
    // Wide enough that the description reads in a few long lines, not a narrow column.
    constexpr int width = 460;
    const int height =
        layout()->hasHeightForWidth() ? layout()->heightForWidth(width) : sizeHint().height();
    setFixedSize(width, height);
}

TfrmAbout::~TfrmAbout() {}

bool TfrmAbout::movieRunning() const {
    return movie->isActive();
}

void TfrmAbout::ShowFrame(int index) {
    frame = index % Artwork::AboutMovieFrameCount;
    ui->imgMovie->setPixmap(Artwork::AboutMovieFrame(frame));
}

void TfrmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* screen = (parentWidget() ? parentWidget()->screen() : this->screen()))
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    FormShow();
}

void TfrmAbout::hideEvent(QHideEvent* event) {
    movie->stop();
    QDialog::hideEvent(event);
}

void TfrmAbout::FormShow() {
    movie->start();
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->Image1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Image1Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmAbout::Image1Click() {
    // The box stays open either way; where no browser starts, the user may copy the address.
    OpenAddress(ProgramWebSite);
}

void TfrmAbout::btOkClick() {
    close();
}

void ShowAbout(QWidget* parent) {
    TfrmAbout window(parent);
    window.exec();
}
