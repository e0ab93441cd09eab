#include "Progress.h"

#include "EventPump.h"

#include <chrono>
#include <thread>

namespace {

TProgressViewFactory view_factory;
IProgressView* current_view = nullptr;
TProgressState state;
int pause_ms = 100;

void ReleaseCurrentView() {
    if (current_view) {
        IProgressView* view = current_view;
        current_view = nullptr;
        view->Release();
    }
}

} // namespace

void InstallProgressViewFactory(TProgressViewFactory factory) {
    view_factory = std::move(factory);
}

const TProgressState& CurrentProgress() {
    return state;
}

void ShowProgress(int steps) {
    // A window left open by the previous build would otherwise linger beside the new one with
    // stale texts; it is released rather than reused.
    ReleaseCurrentView();
    state = TProgressState{};
    state.shown = true;
    state.steps = steps;
    if (view_factory) current_view = view_factory();
    if (current_view) {
        current_view->SetPosition(0);
        current_view->SetSucceedVisible(false);
        current_view->Present();
    }
}

void SetProgressText(const std::string& title, const std::string& description) {
    state.title = title;
    state.description = description;
    if (current_view) current_view->SetTexts(title, description);
}

void FinishProgress() {
    state.position = 100;
    state.succeed_visible = true;
    if (current_view) {
        current_view->SetPosition(100);
        current_view->SetSucceedVisible(true);
    }
}

void StepProgress() {
    // Integer steps leave 99 after three thirds; the last step is rounded up by FinishProgress.
    if (state.steps > 0) state.position += 100 / state.steps;
    if (state.position > 100) state.position = 100;
    ++state.steps_done;
    if (state.steps_done == state.steps)
        FinishProgress(); // the view never shows the 99 that three thirds add up to
    else if (current_view)
        current_view->SetPosition(state.position);
}

void AdvanceProgress(const std::string& title, const std::string& description) {
    SetProgressText(title, description);
    StepProgress();
    if (pause_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
    ProcessPendingMessages();
}

void ReleaseProgress() {
    ReleaseCurrentView();
    state.shown = false;
}

void SetProgressPause(int milliseconds) {
    pause_ms = milliseconds < 0 ? 0 : milliseconds;
}

int ProgressPause() {
    return pause_ms;
}

void ForgetProgressView(IProgressView* view) {
    if (view && view == current_view) current_view = nullptr;
}
