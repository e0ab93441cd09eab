#include "BuildRunner.h"

#include "Utils.h"
#include "fProgress.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QWidget>

// Hands every report of the build's thread to the runner's thread, in order.
class TBuildRunner::TQueuedObserver : public IBuildObserver {
public:
    explicit TQueuedObserver(TBuildRunner& runner) : runner(runner) {}

    void ProgressShown(const TProgressState& state) override {
        Post([this, state] { runner.ProgressShown(state); });
    }
    void ProgressChanged(const TProgressState& state) override {
        if (runner.OnBuildThread) runner.OnBuildThread(state);
        Post([this, state] { runner.ProgressChanged(state); });
    }
    void Warning(const std::string& text) override {
        Post([text] { Warn(text); });
    }
    void EntrySkipped(const TArchiveDiagnostic& diagnostic) override {
        Post([this, diagnostic] { runner.EntrySkipped(diagnostic); });
    }
    void Finished(const TBuildResult& result) override {
        Post([this, result] { runner.Finished(result); });
    }

private:
    template <typename F> void Post(F call) {
        QMetaObject::invokeMethod(&runner, std::move(call), Qt::QueuedConnection);
    }
    TBuildRunner& runner;
};

TBuildRunner::TBuildRunner(QWidget* owner_window)
    : owner(owner_window), observer(std::make_unique<TQueuedObserver>(*this)) {}

TBuildRunner::~TBuildRunner() {
    if (job) job->Cancel();
    if (worker.joinable()) worker.join();
    delete window;
}

TBuildResult TBuildRunner::Run(const TBuildParameters& parameters) {
    if (job) throw std::logic_error("A build is already running.");
    job = std::make_unique<TBuildJob>(parameters, *observer);
    finished = false;
    result = TBuildResult{};
    QEventLoop events;
    loop = &events;
    TBuildJob* running = job.get();
    worker = std::thread([running] { running->Run(); });
    events.exec();
    if (!finished) {
        // Something ended every event loop (the application is quitting): the build is still
        // let to end properly, then its last reports are taken in.
        worker.join();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
    if (worker.joinable()) worker.join();
    loop = nullptr;
    job.reset();
    return result;
}

void TBuildRunner::Cancel() {
    if (job) job->Cancel();
}

void TBuildRunner::ReleaseProgress() {
    if (window) window->deleteLater();
    window = nullptr;
    progress.shown = false;
}

void TBuildRunner::ProgressShown(const TProgressState& state) {
    // A window left open by the previous build would otherwise linger beside the new one with
    // stale texts; it goes rather than being reused.
    ReleaseProgress();
    progress = state;
    window = new TfrmProgress(owner);
    window->ShowState(state);
    window->Present();
}

void TBuildRunner::ProgressChanged(const TProgressState& state) {
    progress = state;
    if (window) window->ShowState(state);
}

void TBuildRunner::EntrySkipped(const TArchiveDiagnostic& diagnostic) {
    ShowMessage(diagnostic.text, diagnostic.caption, TMsgIcon::Error, TMsgButtons::Ok);
}

void TBuildRunner::Finished(const TBuildResult& ended) {
    result = ended;
    finished = true;
    if (loop) loop->quit();
}
