#pragma once
// The user guide inside the program: a window of its own that reads the guide shipped with the
// program, follows its links to other topics, and hands web and mail links to the desktop.
// Nothing here needs a desktop program for HTML files.

#include <QMainWindow>
#include <QUrl>
#include <memory>
#include <string>

namespace Ui {
class TfrmHelp;
}

class TfrmHelp : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmHelp(QWidget* parent = nullptr);
    ~TfrmHelp() override;

    Ui::TfrmHelp& Form() { return *ui; }

    // Shows the guide at file, scrolled to anchor when one is given.
    void ShowTopic(const QString& file, const QString& anchor = {});
    QUrl source() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FollowLink(const QUrl& link);

    std::unique_ptr<Ui::TfrmHelp> ui;
    QUrl home;
};

// Shows the guide in the help window that belongs to owner, made at the first call and
// brought to the front at later ones. When the guide file is missing the user is told, and
// no window shows; the result is then null.
TfrmHelp* ShowUserGuide(QWidget* owner, const std::string& file, const std::string& anchor = "");
