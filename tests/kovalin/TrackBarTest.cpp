#include "kovalin/Application.h"
#include "kovalin/CheckBox.h"
#include "kovalin/Form.h"
#include "kovalin/GroupBox.h"
#include "kovalin/TrackBar.h"
#include "tests/support/WindowDriver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

using namespace kovalin;
using namespace testsupport;

namespace {

// A slider and a check box inside a group box, as dialogs place them.
struct Host : TForm {
    std::unique_ptr<TGroupBox> group;
    std::unique_ptr<TTrackBar> slider;
    std::unique_ptr<TCheckBox> check;
    Host() : TForm({.caption = "Slider Host", .clientWidth = 400, .clientHeight = 200}) {
        group = std::make_unique<TGroupBox>(
            *this,
            TGroupBox::Params{.caption = " Quality ", .left = 10, .top = 15, .width = 367, .height = 69});
        slider = std::make_unique<TTrackBar>(*group, TTrackBar::Params{.left = 4,
                                                                       .top = 21,
                                                                       .width = 317,
                                                                       .height = 35,
                                                                       .min = 1,
                                                                       .max = 100,
                                                                       .position = 80,
                                                                       .pageSize = 5,
                                                                       .frequency = 10});
        check = std::make_unique<TCheckBox>(
            *this,
            TCheckBox::Params{.caption = "GrayScale", .left = 10, .top = 87, .width = 97, .height = 17});
    }
};

class TrackBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize();
        host = std::make_unique<Host>();
        host->Show();
        RunUntilIdle();
    }
    std::unique_ptr<Host> host;
};

void Key(HWND h, UINT vk) {
    SendMessageA(h, WM_KEYDOWN, vk, 0);
    SendMessageA(h, WM_KEYUP, vk, 0xC0000000);
}

TEST_F(TrackBarTest, KeysMoveByLineAndPageAndReportEachNewPositionOnce) {
    TTrackBar& s = *host->slider;
    EXPECT_EQ(s.Min(), 1);
    EXPECT_EQ(s.Max(), 100);
    EXPECT_EQ(s.Position(), 80);
    EXPECT_EQ(s.PageSize(), 5);
    std::vector<int> seen;
    s.OnChange = [&] { seen.push_back(s.Position()); };

    // The notifications pass through the group box the slider sits on.
    Key(s.Handle(), VK_NEXT);
    Key(s.Handle(), VK_RIGHT);
    Key(s.Handle(), VK_PRIOR);
    Key(s.Handle(), VK_END);
    Key(s.Handle(), VK_END); // already at the end: nothing new to report
    EXPECT_EQ(seen, (std::vector<int>{85, 86, 81, 100}));

    // The program's own moves are not the user's.
    s.SetPosition(5);
    EXPECT_EQ(s.Position(), 5);
    s.SetPosition(500);
    EXPECT_EQ(s.Position(), 100);
    EXPECT_EQ(seen.size(), 4u);
    // ...and do not hide the next real move back to where the user left it.
    s.SetPosition(99);
    Key(s.Handle(), VK_RIGHT);
    EXPECT_EQ(seen.back(), 100);
}

TEST_F(TrackBarTest, ClickBesideTheThumbPagesAndTicksFollowTheFrequency) {
    TTrackBar& s = *host->slider;
    int changes = 0;
    s.OnChange = [&] { ++changes; };
    RECT thumb{};
    SendMessageA(s.Handle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    LPARAM left = MAKELPARAM(thumb.left - 40, (thumb.top + thumb.bottom) / 2);
    SendMessageA(s.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, left);
    SendMessageA(s.Handle(), WM_LBUTTONUP, 0, left);
    EXPECT_EQ(s.Position(), 75);
    EXPECT_GE(changes, 1);

    // 1..100 every 10: the two ends and 11, 21, ... 91; every 25: the ends and 26, 51, 76.
    EXPECT_EQ(SendMessageA(s.Handle(), TBM_GETNUMTICS, 0, 0), 11);
    s.SetFrequency(25);
    EXPECT_EQ(SendMessageA(s.Handle(), TBM_GETNUMTICS, 0, 0), 5);
    s.SetRange(0, 10);
    EXPECT_EQ(s.Max(), 10);
    EXPECT_EQ(s.Position(), 10);
}

TEST_F(TrackBarTest, InsideTheGroupBoxAndBehindTheSliderIsTheFaceColour) {
    RedrawWindow(host->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    HDC dc = GetDC(host->group->Handle());
    EXPECT_EQ(GetPixel(dc, 340, 40), face);
    ReleaseDC(host->group->Handle(), dc);
    dc = GetDC(host->slider->Handle());
    EXPECT_EQ(GetPixel(dc, 1, 1), face);
    ReleaseDC(host->slider->Handle(), dc);
}

TEST_F(TrackBarTest, CheckBoxReportsTheUsersClicksOnly) {
    TCheckBox& c = *host->check;
    std::vector<bool> seen;
    c.OnClick = [&] { seen.push_back(c.Checked()); };
    EXPECT_FALSE(c.Checked());
    SendMessageA(c.Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(c.Checked());
    // Space on the focused box, as the keyboard toggles it.
    c.SetFocus();
    SendMessageA(c.Handle(), WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(c.Handle(), WM_KEYUP, VK_SPACE, 0xC0000000);
    EXPECT_FALSE(c.Checked());
    c.SetChecked(true);
    EXPECT_TRUE(c.Checked());
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

} // namespace
