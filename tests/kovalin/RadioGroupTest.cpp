#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "kovalin/RadioGroup.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

using namespace kovalin;
using namespace testsupport;

namespace {

TEST(RadioGroupTest, OneCheckedItemFollowsClicksAndCalls) {
    Application().Initialize();
    TForm form({.caption = "Radio", .clientWidth = 260, .clientHeight = 120});
    TRadioGroup group(form, {.caption = " Pick ",
                             .left = 10,
                             .top = 10,
                             .width = 232,
                             .height = 77,
                             .items = {"One", "Two", "Three"},
                             .itemIndex = 1});
    int clicks = 0;
    group.OnClick = [&] { ++clicks; };
    form.Show();
    EXPECT_EQ(group.ItemCount(), 3);
    EXPECT_EQ(group.Item(2), "Three");
    EXPECT_EQ(group.ItemIndex(), 1);
    EXPECT_EQ(FindChild(group.Handle(), "Button", " Pick "), FindChild(form.Handle(), "Button", " Pick "));

    SendMessageA(group.ButtonHandle(2), BM_CLICK, 0, 0);
    RunUntilIdle();
    EXPECT_EQ(group.ItemIndex(), 2);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(SendMessageA(group.ButtonHandle(1), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    group.SetItemIndex(-1);
    EXPECT_EQ(group.ItemIndex(), -1);
    group.SetItemIndex(0);
    EXPECT_EQ(group.ItemIndex(), 0);
    EXPECT_EQ(clicks, 1); // only the user's choices are reported

    // The items lie inside the frame, below its caption, one under the other.
    RECT frame, previous{};
    GetWindowRect(group.Handle(), &frame);
    for (int i = 0; i < group.ItemCount(); ++i) {
        RECT r;
        GetWindowRect(group.ButtonHandle(i), &r);
        EXPECT_GT(r.top, frame.top + 8) << i;
        EXPECT_LE(r.bottom, frame.bottom) << i;
        EXPECT_GE(r.left, frame.left) << i;
        EXPECT_LE(r.right, frame.right) << i;
        if (i > 0) {
            EXPECT_GE(r.top, previous.bottom) << i;
        }
        previous = r;
    }
}

} // namespace
