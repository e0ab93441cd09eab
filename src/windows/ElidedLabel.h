#pragma once
// A one-line label that shortens its text with "…" to the width it is given instead of
// cutting it off, and shows the whole text as its tooltip while it is shortened. text() stays
// the whole text, so whoever reads the label reads what was set.

#include <QLabel>

class TElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit TElidedLabel(Qt::TextElideMode mode = Qt::ElideRight, QWidget* parent = nullptr);

    // The text as it is painted at the label's present width.
    QString shownText() const;
    bool isElided() const { return shownText() != text(); }

    // A label that may shrink to a few characters, whatever its text.
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::TextElideMode mode;
};
