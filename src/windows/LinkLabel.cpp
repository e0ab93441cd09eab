#include "LinkLabel.h"

#include "OpenAddress.h"

#include <QEnterEvent>
#include <QMouseEvent>

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    UpdateLook();
}

QString TLinkLabel::TargetOf(const QString& text) {
    const QString target = text.trimmed();
    // The shell opens an address like "me@example.org" as a file name; as a mail link it
    // opens the mail program, which is what the author meant.
    if (target.contains(QLatin1Char('@')) && !target.contains(QLatin1Char(':')) &&
        !target.contains(QLatin1Char('/')))
        return QStringLiteral("mailto:") + target;
    return target;
}

void TLinkLabel::UpdateLook() {
    if (updating) return;
    updating = true;
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    const QPalette pal = palette();
    QColor colour = wasVisited ? pal.color(QPalette::LinkVisited) : pal.color(QPalette::Link);
    if (hovered) colour = colour.lighter(135);
    QPalette own = pal;
    own.setColor(QPalette::WindowText, colour);
    setPalette(own);
    updating = false;
}

void TLinkLabel::enterEvent(QEnterEvent* event) {
    hovered = true;
    UpdateLook();
    QLabel::enterEvent(event);
}

void TLinkLabel::leaveEvent(QEvent* event) {
    hovered = false;
    UpdateLook();
    QLabel::leaveEvent(event);
}

void TLinkLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::StyleChange) UpdateLook();
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || text().trimmed().isEmpty() ||
        !rect().contains(event->position().toPoint()))
        return;
    const QString target = TargetOf(text());
    // Where the desktop has no program for it, the user is told and may copy the address.
    if (OpenAddress(target.toStdString())) {
        wasVisited = true;
        UpdateLook();
        emit opened(target);
    }
}
