#include "kovalin/Edit.h"
#include "kovalin/Form.h"
#include "kovalin/UpDown.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

using namespace kovalin;

TEST(UpDownTest, StepsTheNumberInItsEditBox) {
    TForm form{{.caption = "Up-down", .clientWidth = 200, .clientHeight = 100}};
    TEdit edit(form, {.text = "0", .left = 10, .top = 10, .width = 80});
    TUpDown upd(form, edit, {.min = 0, .max = 100, .increment = 10, .position = 30});
    EXPECT_EQ(upd.Position(), 30);
    EXPECT_EQ(edit.Text(), "30");
    EXPECT_EQ(upd.Min(), 0);
    EXPECT_EQ(upd.Max(), 100);
    EXPECT_FALSE(upd.Wrap());
    // The arrow keys in the edit box step by the increment and stop at the end of the range.
    for (int i = 0; i < 9; ++i)
        SendMessageA(upd.Handle(), WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(upd.Position(), 100);
    EXPECT_EQ(edit.Text(), "100");
    SendMessageA(upd.Handle(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(upd.Position(), 90);
    upd.SetPosition(5000);
    EXPECT_EQ(upd.Position(), 100);
    // It sits at the edit box's right edge.
    RECT e, u;
    GetWindowRect(edit.Handle(), &e);
    GetWindowRect(upd.Handle(), &u);
    EXPECT_NEAR(u.left, e.right, 2);
}
