#pragma once
// The small borderless window that shows a build's progress. It only displays: the step
// counting and the texts come from the progress routines of the pipeline (Progress.h).

#include "Progress.h"

#include <QPointer>
#include <QWidget>
#include <memory>

namespace Ui {
class TfrmProgress;
}

// A bar of LED segments with a flat one-pixel border; no percentage text.
class TLedProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit TLedProgressBar(QWidget* parent = nullptr);
    int value() const { return position; }
    void setValue(int percent);
    int litSegments() const;
    int segmentCount() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int position = 0;
};

class TfrmProgress : public QWidget, public IProgressView {
    Q_OBJECT
public:
    // owner: the window to centre over and to stay above; may be null.
    explicit TfrmProgress(QWidget* owner = nullptr);
    ~TfrmProgress() override;

    void Present() override;
    void SetTexts(const std::string& title, const std::string& description) override;
    void SetPosition(int percent) override;
    void SetSucceedVisible(bool visible) override;
    void Release() override;

    Ui::TfrmProgress& Form() { return *ui; }

private slots:
    void btSucceedClick();

private:
    std::unique_ptr<Ui::TfrmProgress> ui;
    QPointer<QWidget> owner;
};

// Makes every later ShowProgress open a TfrmProgress over the given window.
void InstallProgressWindow(QWidget* owner);
