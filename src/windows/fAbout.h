#pragma once
// The about box: the program's name and purpose, a little animation, the legal notice and
// the maker's logo, which opens the maker's web site.

#include <QDialog>

#include <memory>

class QTimer;

namespace Ui {
class frmAbout;
}

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);
    ~TfrmAbout() override;

    // Milliseconds each picture of the animation stays.
    static constexpr int MovieInterval = 2000;

    int movieFrame() const { return frame; }
    bool movieRunning() const;

    Ui::frmAbout& Form() { return *ui; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::frmAbout> ui;
    void FormShow();
    void btOkClick();
    void Image1Click();
    void ShowFrame(int index);

    QTimer* movie;
    int frame = 0;
};

void ShowAbout(QWidget* parent);
