#pragma once
// Runs a build job beside the window: the job works on a thread of its own and everything it
// reports reaches this thread through queued calls, where it becomes the progress window and
// the boxes the author always saw. Run returns when the build has ended, and the event loop
// runs all the while, so every window keeps painting and answering.

#include "BuildJob.h"
#include "fProgress.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QEventLoop;
class QWidget;

class TBuildRunner : public QObject {
    Q_OBJECT
public:
    // owner: the window the progress windows are centred over.
    explicit TBuildRunner(QWidget* owner);
    // A build still running is cancelled and waited for: it never ends half-way.
    ~TBuildRunner() override;

    // Runs the build and returns its result once it has ended. One build at a time.
    TBuildResult Run(const TBuildParameters& parameters);
    bool Running() const { return job != nullptr; }
    // Asks the running build to stop at its next step; Run then returns Cancelled.
    void Cancel();

    // Removes the progress window the last build left open.
    void ReleaseProgress();
    TfrmProgress* ProgressWindow() const { return window; }
    // The progress as the window shows it.
    const TProgressState& Progress() const { return progress; }

    // For tests: called on the build's thread with every progress change, before the window
    // hears of it. The build waits while it runs.
    std::function<void(const TProgressState&)> OnBuildThread;

private:
    class TQueuedObserver;
    void ProgressShown(const TProgressState& state);
    void ProgressChanged(const TProgressState& state);
    void EntrySkipped(const TArchiveDiagnostic& diagnostic);
    void Finished(const TBuildResult& result);

    QPointer<QWidget> owner;
    QPointer<TfrmProgress> window;
    TProgressState progress;
    std::unique_ptr<TQueuedObserver> observer;
    std::unique_ptr<TBuildJob> job;
    std::thread worker;
    QEventLoop* loop = nullptr;
    bool finished = false;
    TBuildResult result;
};
