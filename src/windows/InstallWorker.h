#pragma once
// Runs one installation off the user-interface thread and reports it back through queued
// signals, so that the window showing it keeps painting and its Cancel button is heard.

#include "Installation.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>

class TInstallWorker : public QObject {
    Q_OBJECT
public:
    enum class TOutcome { Installed, Failed, Cancelled };

    explicit TInstallWorker(QObject* parent = nullptr);
    // Waits for a running installation, which a cancel ends quickly.
    ~TInstallWorker() override;

    // Starts installing; request must stay usable until finished is emitted.
    void Start(const TInstaller& installer, const TInstallRequest& request);
    void Cancel() { cancel = true; }
    bool Running() const { return running; }

signals:
    void step(const QString& text);
    void progress(int percent);
    // message says why, when the outcome is not Installed.
    void finished(TInstallWorker::TOutcome outcome, const QString& message);

private:
    std::thread thread;
    std::atomic<bool> cancel{false};
    bool running = false;
};
