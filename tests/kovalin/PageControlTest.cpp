#include "kovalin/Application.h"
#include "kovalin/Button.h"
#include "kovalin/Form.h"
#include "kovalin/PageControl.h"
#include "kovalin/TabSheet.h"
#include "tests/support/WindowDriver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

using namespace kovalin;
using namespace testsupport;

namespace {

struct Host : TForm {
    std::unique_ptr<TPageControl> pages;
    std::unique_ptr<TTabSheet> first, second;
    std::unique_ptr<TButton> onSecond;
    Host() : TForm({.caption = "Pages Host", .clientWidth = 409, .clientHeight = 230}) {
        pages = std::make_unique<TPageControl>(
            *this, TPageControl::Params{.left = 5, .top = 5, .width = 397, .height = 193, .hotTrack = true});
        first = std::make_unique<TTabSheet>(*pages, "Settings");
        second = std::make_unique<TTabSheet>(*pages, "Preview");
        onSecond =
            std::make_unique<TButton>(*second, TButton::Params{.caption = "Inner", .left = 10, .top = 10});
    }
};

class PageControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize();
        host = std::make_unique<Host>();
        host->Show();
        RunUntilIdle();
    }
    // A click on a tab, as the mouse makes it.
    void ClickTab(int index) {
        RECT r{};
        SendMessageA(host->pages->Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&r));
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(host->pages->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(host->pages->Handle(), WM_LBUTTONUP, 0, at);
        RunUntilIdle();
    }
    std::unique_ptr<Host> host;
};

TEST_F(PageControlTest, FirstPageShowsAndAClickedTabSwapsThePages) {
    TPageControl& pc = *host->pages;
    ASSERT_EQ(pc.PageCount(), 2);
    EXPECT_EQ(pc.ActivePage(), host->first.get());
    EXPECT_TRUE(host->first->Visible());
    EXPECT_FALSE(host->second->Visible());
    EXPECT_EQ(host->second->PageIndex(), 1);
    char text[32]{};
    TCITEMA item{TCIF_TEXT, 0, 0, text, sizeof text, 0, 0};
    SendMessageA(pc.Handle(), TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, "Preview");
    EXPECT_NE(GetWindowLongA(pc.Handle(), GWL_STYLE) & TCS_HOTTRACK, 0);

    // Each page fills the area below the tabs.
    RECT display = pc.ClientRect();
    SendMessageA(pc.Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    EXPECT_EQ(host->second->Left(), display.left);
    EXPECT_EQ(host->second->Top(), display.top);
    EXPECT_EQ(host->second->Width(), display.right - display.left);
    EXPECT_GT(display.top, 10);

    int changes = 0;
    pc.OnChange = [&] { ++changes; };
    ClickTab(1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(pc.ActivePage(), host->second.get());
    EXPECT_TRUE(host->second->Visible());
    EXPECT_FALSE(host->first->Visible());

    pc.SetActivePage(host->first.get());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(pc.ActivePageIndex(), 0);
    EXPECT_TRUE(host->first->Visible());
    EXPECT_FALSE(host->second->Visible());
}

TEST_F(PageControlTest, ControlsOnAPageGetTheirNotificationsAndPagesLeaveCleanly) {
    int clicks = 0;
    host->onSecond->OnClick = [&] { ++clicks; };
    host->pages->SetActivePageIndex(1);
    SendMessageA(host->onSecond->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);

    host->second->SetCaption("Result");
    char text[32]{};
    TCITEMA item{TCIF_TEXT, 0, 0, text, sizeof text, 0, 0};
    SendMessageA(host->pages->Handle(), TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, "Result");

    // Dropping the shown page shows the one left.
    host->onSecond.reset();
    host->second.reset();
    EXPECT_EQ(host->pages->PageCount(), 1);
    EXPECT_EQ(TabCtrl_GetItemCount(host->pages->Handle()), 1);
    EXPECT_EQ(host->pages->ActivePage(), host->first.get());
    EXPECT_TRUE(host->first->Visible());
}

} // namespace
