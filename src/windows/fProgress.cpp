#include "fProgress.h"

#include "ui_fProgress.h"

#include <QGraphicsDropShadowEffect>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>

namespace {

const QColor kBorderColour(0, 41, 83);
const QColor kLitTop(92, 132, 235);
const QColor kLitBottom(0, 41, 83);
const QColor kUnlit(222, 228, 244);
constexpr int kSegmentWidth = 8;
constexpr int kSegmentGap = 2;
constexpr int kInset = 2; // between the border and the segments

// A green tick, drawn rather than shipped, so the button needs no image file.
QIcon TickGlyph() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0, 128, 0), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    QPainterPath path;
    path.moveTo(3, 8.5);
    path.lineTo(6.5, 12);
    path.lineTo(13, 4);
    painter.drawPath(path);
    return QIcon(pixmap);
}

} // namespace

TLedProgressBar::TLedProgressBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TLedProgressBar::setValue(int percent) {
    percent = std::clamp(percent, 0, 100);
    if (percent == position) return;
    position = percent;
    update();
}

int TLedProgressBar::segmentCount() const {
    const int room = width() - 2 * (1 + kInset) + kSegmentGap;
    return std::max(1, room / (kSegmentWidth + kSegmentGap));
}

int TLedProgressBar::litSegments() const {
    // A partly reached segment stays dark until it is reached entirely, as an LED would.
    return segmentCount() * position / 100;
}

QSize TLedProgressBar::sizeHint() const {
    return {360, 20};
}

void TLedProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect outer = rect();
    painter.fillRect(outer, Qt::white);
    painter.setPen(kBorderColour);
    painter.drawRect(outer.adjusted(0, 0, -1, -1));

    const int count = segmentCount();
    const int lit = litSegments();
    const int used = count * (kSegmentWidth + kSegmentGap) - kSegmentGap;
    // Centre the row of segments so the spare pixels split evenly at both ends.
    const int left = 1 + kInset + (width() - 2 * (1 + kInset) - used) / 2;
    const int top = 1 + kInset;
    const int height = std::max(1, this->height() - 2 * (1 + kInset));
    QLinearGradient litFill(0, top, 0, top + height);
    litFill.setColorAt(0, kLitTop);
    litFill.setColorAt(1, kLitBottom);
    for (int i = 0; i < count; ++i) {
        const QRect segment(left + i * (kSegmentWidth + kSegmentGap), top, kSegmentWidth, height);
        if (i < lit)
            painter.fillRect(segment, litFill);
        else
            painter.fillRect(segment, kUnlit);
    }
}

TfrmProgress::TfrmProgress(QWidget* owner_window)
    : QWidget(owner_window, Qt::Tool | Qt::FramelessWindowHint),
      ui(std::make_unique<Ui::TfrmProgress>()), owner(owner_window) {
    ui->setupUi(this);
    setFixedSize(395, 136);

    QFont title("Arial");
    title.setPixelSize(16);
    title.setBold(true);
    ui->labProgressTitle->setFont(title);
    // Raised text: a light edge below and right of the dark letters.
    auto* raised = new QGraphicsDropShadowEffect(ui->labProgressTitle);
    raised->setColor(QColor(255, 255, 255, 200));
    raised->setOffset(1, 1);
    raised->setBlurRadius(0);
    ui->labProgressTitle->setGraphicsEffect(raised);

    QFont description("Arial");
    description.setPixelSize(11);
    ui->labProgressDesc->setFont(description);

    ui->btSucceed->setIcon(TickGlyph());
    ui->btSucceed->setStyleSheet(
        "QPushButton#btSucceed { background: rgb(244, 244, 240); color: black;"
        " border: 1px solid rgb(160, 160, 160); border-radius: 2px; padding: 2px 6px; }"
        "QPushButton#btSucceed:hover { background: rgb(255, 250, 220);"
        " border: 1px solid rgb(0, 41, 83); }"
        "QPushButton#btSucceed:pressed { background: rgb(225, 225, 215); }");
    ui->btSucceed->setVisible(false);
    connect(ui->btSucceed, &QPushButton::clicked, this, &TfrmProgress::btSucceedClick);
}

TfrmProgress::~TfrmProgress() = default;

void TfrmProgress::Present() {
    QRect area;
    if (owner && owner->isVisible())
        area = owner->frameGeometry();
    else if (QScreen* screen = this->screen())
        area = screen->availableGeometry();
    if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
    show();
    raise();
    activateWindow();
}

void TfrmProgress::ShowState(const TProgressState& state) {
    SetTexts(state.title, state.description);
    SetPosition(state.position);
    SetFailed(state.failed);
    SetSucceedVisible(state.succeed_visible);
}

void TfrmProgress::SetTexts(const std::string& title, const std::string& description) {
    ui->labProgressTitle->setText(QString::fromStdString(title));
    ui->labProgressDesc->setText(QString::fromStdString(description));
}

void TfrmProgress::SetPosition(int percent) {
    ui->progressBar->setValue(percent);
}

void TfrmProgress::SetFailed(bool failed) {
    // A tick under a failure would say the opposite of the texts above it.
    ui->btSucceed->setText(failed ? tr("Close") : tr("Succeed!"));
    ui->btSucceed->setIcon(failed ? QIcon() : TickGlyph());
}

void TfrmProgress::SetSucceedVisible(bool visible) {
    ui->btSucceed->setVisible(visible);
}

void TfrmProgress::btSucceedClick() {
    hide();
}
