#include "Messages.h"

#include <gtest/gtest.h>

TEST(Messages, ScriptedBoxesAnswerInOrderThenFallBackToTheDefault) {
    TScriptedMessageBoxes boxes;
    TMessageBoxesScope scope(boxes);
    boxes.Answer(TMsgAnswer::No);
    boxes.Answer(TMsgAnswer::Cancel);
    EXPECT_EQ(ShowMessage("a", "Confirm", TMsgIcon::Question, TMsgButtons::YesNo), TMsgAnswer::No);
    EXPECT_EQ(ShowMessage("b", "Confirm", TMsgIcon::Question, TMsgButtons::YesNoCancel),
              TMsgAnswer::Cancel);
    EXPECT_EQ(ShowMessage("c", "Confirm", TMsgIcon::Question, TMsgButtons::YesNo), TMsgAnswer::Yes);
    EXPECT_EQ(ShowMessage("d", "Warning", TMsgIcon::Warning, TMsgButtons::Ok), TMsgAnswer::Ok);
    ASSERT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(boxes.shown[3].caption, "Warning");
    EXPECT_EQ(boxes.shown[1].text, "b");
}

TEST(Messages, ScopeRestoresThePreviousHandler) {
    TScriptedMessageBoxes outer, inner;
    TMessageBoxesScope a(outer);
    {
        TMessageBoxesScope b(inner);
        ShowMessage("x", "c", TMsgIcon::None, TMsgButtons::Ok);
    }
    ShowMessage("y", "c", TMsgIcon::None, TMsgButtons::Ok);
    ASSERT_EQ(inner.shown.size(), 1u);
    ASSERT_EQ(outer.shown.size(), 1u);
    EXPECT_EQ(outer.shown[0].text, "y");
}
