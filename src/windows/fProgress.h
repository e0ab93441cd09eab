#pragma once
// The small borderless window that shows a build's progress. It only displays: the step
// counting and the texts come from the build's progress (Progress.h) through its observer.

#include "BuildObserver.h"

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

class TfrmProgress : public QWidget {
    Q_OBJECT
public:
    // owner: the window to centre over and to stay above; may be null.
    explicit TfrmProgress(QWidget* owner = nullptr);
    ~TfrmProgress() override;

    // Shows the window without making it modal, centred over its owner, in front.
    void Present();
    // Texts, bar and button as the build's progress has them.
    void ShowState(const TProgressState& state);
    void SetTexts(const std::string& title, const std::string& description);
    void SetPosition(int percent);
    void SetSucceedVisible(bool visible);
    // After a failure the button reads "Close", after a success "Succeed!".
    void SetFailed(bool failed);

    Ui::TfrmProgress& Form() { return *ui; }

private slots:
    void btSucceedClick();

private:
    std::unique_ptr<Ui::TfrmProgress> ui;
    QPointer<QWidget> owner;
};
