#pragma once
// The step counting of a build's progress display. The generators drive it with the routines
// of the design (ShowProgress, AdvanceProgress, ...); every change goes to the build's observer,
// which shows it in the window, on the terminal, or nowhere.

#include "BuildObserver.h"

#include <string>

class TProgress {
public:
    // pause_ms: the pause after each step, so the author can read the texts.
    explicit TProgress(IBuildObserver& observer, int pause_ms = 100);

    // Opens a new display with steps steps: bar at 0, button hidden.
    void ShowProgress(int steps);
    void SetProgressText(const std::string& title, const std::string& description);
    // Adds 100 / steps to the bar; the last step fills it and shows the button.
    void StepProgress();
    // Fills the bar and shows the button at once.
    void FinishProgress();
    // New texts and one step, then the pause.
    void AdvanceProgress(const std::string& title, const std::string& description);
    // From now on the button offers to close: the build failed.
    void MarkFailed();

    const TProgressState& State() const { return state; }

private:
    void Step();
    void Finish();
    void Report();

    IBuildObserver& observer;
    TProgressState state;
    int pause_ms;
};
