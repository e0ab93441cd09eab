#include "Progress.h"

#include "EventPump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Records what a view was told, in order, so the tests see what the window would show.
class TRecordingView : public IProgressView {
public:
    explicit TRecordingView(std::vector<std::string>& journal) : journal(journal) {}
    void Present() override { journal.push_back("present"); }
    void SetTexts(const std::string& title, const std::string& description) override {
        journal.push_back("texts " + title + " / " + description);
    }
    void SetPosition(int percent) override { journal.push_back("bar " + std::to_string(percent)); }
    void SetSucceedVisible(bool visible) override {
        journal.push_back(visible ? "button shown" : "button hidden");
    }
    void Release() override {
        journal.push_back("released");
        delete this;
    }
    std::vector<std::string>& journal;
};

class ProgressTest : public testing::Test {
protected:
    void SetUp() override {
        SetProgressPause(0);
        InstallProgressViewFactory([this] {
            ++views_made;
            return new TRecordingView(journal);
        });
    }
    void TearDown() override {
        ReleaseProgress();
        InstallProgressViewFactory(nullptr);
        InstallMessagePump(nullptr);
        SetProgressPause(100);
    }
    std::vector<std::string> journal;
    int views_made = 0;
};

} // namespace

TEST_F(ProgressTest, ThreeStepsShow33Then66ThenAFullBarWithTheButton) {
    ShowProgress(3);
    EXPECT_EQ(CurrentProgress().position, 0);
    EXPECT_FALSE(CurrentProgress().succeed_visible);
    AdvanceProgress("T", "one");
    EXPECT_EQ(CurrentProgress().position, 33);
    AdvanceProgress("T", "two");
    EXPECT_EQ(CurrentProgress().position, 66);
    EXPECT_FALSE(CurrentProgress().succeed_visible);
    AdvanceProgress("T", "three");
    EXPECT_EQ(CurrentProgress().position, 100);
    EXPECT_TRUE(CurrentProgress().succeed_visible);
    EXPECT_EQ(CurrentProgress().steps_done, 3);
    EXPECT_EQ(CurrentProgress().description, "three");
    // The window jumps from 66 straight to the full bar.
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "bar 99"), 0);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "bar 100"), 1);
}

TEST_F(ProgressTest, FourStepsShowQuartersAndTheViewHearsEveryChangeInOrder) {
    ShowProgress(4);
    std::vector<int> bars;
    for (int i = 0; i < 4; ++i) {
        AdvanceProgress("Title", "step " + std::to_string(i + 1));
        bars.push_back(CurrentProgress().position);
    }
    EXPECT_EQ(bars, (std::vector<int>{25, 50, 75, 100}));
    const std::vector<std::string> expected_start = {"bar 0", "button hidden", "present",
                                                     "texts Title / step 1", "bar 25"};
    ASSERT_GE(journal.size(), expected_start.size());
    EXPECT_EQ(std::vector<std::string>(journal.begin(), journal.begin() + 5), expected_start);
    EXPECT_EQ(journal.back(), "button shown");
}

TEST_F(ProgressTest, FinishAfterOneOfFourStepsFillsTheBarAndShowsTheButtonAtOnce) {
    ShowProgress(4);
    AdvanceProgress("a", "b");
    FinishProgress();
    EXPECT_EQ(CurrentProgress().position, 100);
    EXPECT_TRUE(CurrentProgress().succeed_visible);
}

TEST_F(ProgressTest, TextsAfterTheLastStepLeaveBarAndButtonAlone) {
    ShowProgress(3);
    for (int i = 0; i < 3; ++i)
        AdvanceProgress("a", "b");
    journal.clear();
    SetProgressText("Done", "somewhere");
    EXPECT_EQ(journal, (std::vector<std::string>{"texts Done / somewhere"}));
    EXPECT_EQ(CurrentProgress().position, 100);
    EXPECT_TRUE(CurrentProgress().succeed_visible);
}

TEST_F(ProgressTest, AdvanceLetsPendingMessagesRunOncePerStep) {
    int pumped = 0;
    InstallMessagePump([&] { ++pumped; });
    ShowProgress(4);
    AdvanceProgress("a", "b");
    AdvanceProgress("a", "c");
    EXPECT_EQ(pumped, 2);
}

TEST_F(ProgressTest, EachShowMakesANewViewAndReleasesTheOldOne) {
    ShowProgress(3);
    AdvanceProgress("a", "b");
    ShowProgress(4);
    EXPECT_EQ(views_made, 2);
    EXPECT_EQ(CurrentProgress().position, 0);
    EXPECT_EQ(CurrentProgress().steps_done, 0);
    EXPECT_NE(std::find(journal.begin(), journal.end(), "released"), journal.end());
    ReleaseProgress();
    journal.clear();
    // Nothing talks to a released view any more.
    SetProgressText("x", "y");
    StepProgress();
    EXPECT_TRUE(journal.empty());
}

TEST_F(ProgressTest, StepsWithoutAShownWindowNeitherCrashNorOverflowTheBar) {
    InstallProgressViewFactory(nullptr);
    ReleaseProgress();
    ShowProgress(0);
    StepProgress();
    EXPECT_EQ(CurrentProgress().position, 0);
    ShowProgress(1);
    StepProgress();
    StepProgress();
    EXPECT_EQ(CurrentProgress().position, 100);
}
