#include "Progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what a view would be told, in order.
class TRecordingObserver : public IBuildObserver {
public:
    void ProgressShown(const TProgressState& state) override {
        journal.push_back("shown " + std::to_string(state.steps));
    }
    void ProgressChanged(const TProgressState& state) override {
        states.push_back(state);
        journal.push_back(std::to_string(state.position) + " " + state.title + "/" +
                          state.description + (state.succeed_visible ? " button" : "") +
                          (state.failed ? " failed" : ""));
    }
    std::vector<TProgressState> states;
    std::vector<std::string> journal;
};

} // namespace

TEST(Progress, ThreeStepsShow33Then66ThenAFullBarWithTheButton) {
    TRecordingObserver observer;
    TProgress progress(observer, 0);
    progress.ShowProgress(3);
    EXPECT_EQ(progress.State().position, 0);
    EXPECT_FALSE(progress.State().succeed_visible);
    progress.AdvanceProgress("T", "one");
    progress.AdvanceProgress("T", "two");
    EXPECT_FALSE(progress.State().succeed_visible);
    progress.AdvanceProgress("T", "three");
    EXPECT_EQ(progress.State().steps_done, 3);
    // The display jumps from 66 straight to the full bar: 99 is never shown.
    EXPECT_EQ(observer.journal,
              (std::vector<std::string>{"shown 3", "33 T/one", "66 T/two", "100 T/three button"}));
}

TEST(Progress, FourStepsShowQuarters) {
    TRecordingObserver observer;
    TProgress progress(observer, 0);
    progress.ShowProgress(4);
    std::vector<int> bars;
    for (int i = 0; i < 4; ++i) {
        progress.AdvanceProgress("Title", "step " + std::to_string(i + 1));
        bars.push_back(progress.State().position);
    }
    EXPECT_EQ(bars, (std::vector<int>{25, 50, 75, 100}));
    EXPECT_TRUE(observer.states.back().succeed_visible);
}

TEST(Progress, FinishAfterOneOfFourStepsFillsTheBarAndShowsTheButtonAtOnce) {
    TRecordingObserver observer;
    TProgress progress(observer, 0);
    progress.ShowProgress(4);
    progress.AdvanceProgress("a", "b");
    progress.FinishProgress();
    EXPECT_EQ(observer.journal.back(), "100 a/b button");
}

TEST(Progress, TextsAfterTheLastStepLeaveBarAndButtonAlone) {
    TRecordingObserver observer;
    TProgress progress(observer, 0);
    progress.ShowProgress(3);
    for (int i = 0; i < 3; ++i)
        progress.AdvanceProgress("a", "b");
    progress.SetProgressText("Done", "somewhere");
    EXPECT_EQ(observer.journal.back(), "100 Done/somewhere button");
}

TEST(Progress, AFailureTurnsTheButtonIntoClose) {
    TRecordingObserver observer;
    TProgress progress(observer, 0);
    progress.ShowProgress(4);
    progress.AdvanceProgress("a", "b");
    progress.MarkFailed();
    progress.SetProgressText("Failed", "why");
    progress.FinishProgress();
    EXPECT_EQ(observer.journal.back(), "100 Failed/why button failed");
    // A new display starts over, not failed.
    progress.ShowProgress(3);
    EXPECT_FALSE(progress.State().failed);
    EXPECT_EQ(progress.State().position, 0);
}

TEST(Progress, NothingIsReportedWithoutADisplayAndTheBarNeverOverflows) {
    TRecordingObserver observer;
    TProgress progress(observer, 0);
    progress.SetProgressText("x", "y");
    progress.StepProgress();
    EXPECT_TRUE(observer.journal.empty());
    progress.ShowProgress(0);
    progress.StepProgress();
    EXPECT_EQ(progress.State().position, 0);
    progress.ShowProgress(1);
    progress.StepProgress();
    progress.StepProgress();
    EXPECT_EQ(progress.State().position, 100);
}
