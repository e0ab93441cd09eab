#pragma once
// The build's progress display. The generators drive it through the free routines below;
// the step counting and the texts live here, so they behave the same with the Qt window, with
// gldbuild's terminal view and with no view at all (tests).

#include <functional>
#include <memory>
#include <string>

// One view of one run: the Qt window, a terminal printer, or a recorder in tests.
class IProgressView {
public:
    virtual ~IProgressView() = default;
    // Show without making it modal and bring it to the front.
    virtual void Present() = 0;
    virtual void SetTexts(const std::string& title, const std::string& description) = 0;
    virtual void SetPosition(int percent) = 0;
    virtual void SetSucceedVisible(bool visible) = 0;
    // Schedule the view's destruction once pending messages have run. The view owns itself
    // from here on; the routines never touch it again.
    virtual void Release() = 0;
};

// Makes the view for each ShowProgress. Views are owned by whatever the factory hands them to
// (the Qt window by the application); the routines only keep a pointer to the current one.
using TProgressViewFactory = std::function<IProgressView*()>;
void InstallProgressViewFactory(TProgressViewFactory factory);

// The state of the current run as the view shows it.
struct TProgressState {
    bool shown = false;
    int steps = 0;
    int steps_done = 0;
    int position = 0;
    bool succeed_visible = false;
    std::string title;
    std::string description;
};
const TProgressState& CurrentProgress();

void ShowProgress(int steps);
void SetProgressText(const std::string& title, const std::string& description);
void StepProgress();
void FinishProgress();
void AdvanceProgress(const std::string& title, const std::string& description);
void ReleaseProgress();

// The pause after each step lets the author read the texts; tests and gldbuild set it to 0.
void SetProgressPause(int milliseconds);
int ProgressPause();

// Called by a view that goes away on its own (the window closed by "Succeed!" and destroyed),
// so the routines stop talking to it.
void ForgetProgressView(IProgressView* view);
