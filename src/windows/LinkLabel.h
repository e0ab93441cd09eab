#pragma once
// A label that is a link: its own text, underlined in the highlight colour, brighter under the
// mouse; a click asks the shell to open the text and, when that works, shows it as visited
// (when it does not, the user is told and may copy the text).
// An empty label shows nothing and a click on it does nothing.

#include <QLabel>

class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLinkLabel(QWidget* parent = nullptr);

    bool visited() const { return wasVisited; }
    // What a click opens: the text itself, with "mailto:" put before an e-mail address.
    static QString TargetOf(const QString& text);

signals:
    void opened(const QString& target);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void UpdateLook();
    bool hovered = false;
    bool wasVisited = false;
    bool updating = false;
};
