#include "ElidedLabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

TElidedLabel::TElidedLabel(Qt::TextElideMode elide, QWidget* parent) : QLabel(parent), mode(elide) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

QString TElidedLabel::shownText() const {
    const int room = contentsRect().width() - 2 * margin() - (indent() > 0 ? indent() : 0);
    return fontMetrics().elidedText(text(), mode, std::max(0, room));
}

QSize TElidedLabel::minimumSizeHint() const {
    const QSize full = QLabel::minimumSizeHint();
    const int few = fontMetrics().horizontalAdvance(QStringLiteral("Mm…")) + 2 * margin();
    const QMargins frame = contentsMargins();
    return {std::min(full.width(), few + frame.left() + frame.right()), full.height()};
}

bool TElidedLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (isElided())
            QToolTip::showText(help->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}

void TElidedLabel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&painter, room, QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), shownText(), foregroundRole());
}
