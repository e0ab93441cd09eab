#pragma once
// A build of one saved project, as one job: the installer (setup.exe) or the screensaver file
// alone. The job runs on whatever thread calls Run and reports everything it does to its
// observer; it shows no box and touches no global state, so the program runs it beside its
// window and gldbuild in its terminal, each with its own view.

#include "BuildObserver.h"
#include "ResourceLocator.h"

#include <atomic>
#include <string>

enum class TBuildKind { Installer, Screensaver };

struct TBuildParameters {
    std::string project_file;
    // Where the runtime stubs are.
    TResourceLocator resources{""};
    // Threads the compressor may use; 0 means one per processor.
    int threads = 0;
    TBuildKind kind = TBuildKind::Installer;
    // A screensaver build shows its progress (three steps) unless told not to; the installer
    // always does (four steps).
    bool show_progress = true;
    // The pause after each progress step, so the author can read the texts.
    int step_pause_ms = 100;
    // When another build holds the project: wait for it (true) or refuse at once (false).
    bool wait_for_project = false;
};

class TBuildJob {
public:
    TBuildJob(TBuildParameters parameters, IBuildObserver& observer);

    // Builds, reports the end to the observer's Finished, and returns the same result. No
    // exception leaves it.
    TBuildResult Run();

    // Asks a running build to stop at its next step or data block; it then removes what it
    // made and ends Cancelled. Safe from any thread.
    void Cancel() { cancel_requested = true; }
    bool CancelRequested() const { return cancel_requested; }

    const TBuildParameters& Parameters() const { return parameters; }

private:
    TBuildParameters parameters;
    IBuildObserver& observer;
    std::atomic<bool> cancel_requested{false};
};

// The message of a cancelled build.
inline constexpr const char* BuildCancelledText = "The build was cancelled.";
