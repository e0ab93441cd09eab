#include "Progress.h"

#include <chrono>
#include <thread>

TProgress::TProgress(IBuildObserver& observer, int pause_ms)
    : observer(observer), pause_ms(pause_ms < 0 ? 0 : pause_ms) {}

void TProgress::ShowProgress(int steps) {
    state = TProgressState{};
    state.shown = true;
    state.steps = steps;
    observer.ProgressShown(state);
}

void TProgress::SetProgressText(const std::string& title, const std::string& description) {
    state.title = title;
    state.description = description;
    Report();
}

void TProgress::Step() {
    if (state.steps > 0) state.position += 100 / state.steps;
    if (state.position > 100) state.position = 100;
    ++state.steps_done;
    // Integer steps leave 99 after three thirds; the display never shows it.
    if (state.steps_done == state.steps) Finish();
}

void TProgress::Finish() {
    state.position = 100;
    state.succeed_visible = true;
}

void TProgress::StepProgress() {
    Step();
    Report();
}

void TProgress::FinishProgress() {
    Finish();
    Report();
}

void TProgress::AdvanceProgress(const std::string& title, const std::string& description) {
    state.title = title;
    state.description = description;
    Step();
    Report();
    if (pause_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
}

void TProgress::MarkFailed() {
    state.failed = true;
    Report();
}

void TProgress::Report() {
    if (state.shown) observer.ProgressChanged(state);
}
