#include "InstallWorker.h"

#include "InstallErrors.h"

#include <QMetaObject>
#include <QPointer>

#include <exception>

namespace {

// Hands the library's reports to the window's thread.
class TQueuedObserver : public IInstallObserver {
public:
    explicit TQueuedObserver(TInstallWorker* worker) : worker(worker) {}
    void InstallStep(const std::string& text) override {
        const QString step = QString::fromStdString(text);
        QMetaObject::invokeMethod(
            worker, [w = worker, step] { emit w->step(step); }, Qt::QueuedConnection);
    }
    void InstallProgress(int64_t done, int64_t total) override {
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        // A bar moves in whole steps; more signals would only crowd the queue.
        if (percent == last) return;
        last = percent;
        QMetaObject::invokeMethod(
            worker, [w = worker, percent] { emit w->progress(percent); }, Qt::QueuedConnection);
    }

private:
    TInstallWorker* worker;
    int last = -1;
};

} // namespace

TInstallWorker::TInstallWorker(QObject* parent) : QObject(parent) {}

TInstallWorker::~TInstallWorker() {
    cancel = true;
    if (thread.joinable()) thread.join();
}

void TInstallWorker::Start(const TInstaller& installer, const TInstallRequest& request) {
    if (thread.joinable()) thread.join();
    cancel = false;
    running = true;
    thread = std::thread([this, &installer, &request] {
        TOutcome outcome = TOutcome::Installed;
        QString message;
        try {
            TQueuedObserver observer(this);
            installer.Install(request, &observer, &cancel);
        } catch (const EInstallCancelled& e) {
            outcome = TOutcome::Cancelled;
            message = QString::fromStdString(e.what());
        } catch (const std::exception& e) {
            outcome = TOutcome::Failed;
            message = QString::fromStdString(e.what());
        }
        QMetaObject::invokeMethod(
            this,
            [this, outcome, message] {
                running = false;
                emit finished(outcome, message);
            },
            Qt::QueuedConnection);
    });
}
