#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "kovalin/Panel.h"
#include "kovalin/ScrollBox.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kovalin;
using namespace testsupport;

namespace {

struct Host : TForm {
    std::unique_ptr<TScrollBox> box;
    std::unique_ptr<TPanel> content;
    Host() : TForm({.caption = "Scroll Host", .clientWidth = 300, .clientHeight = 200}) {
        box = std::make_unique<TScrollBox>(
            *this, TScrollBox::Params{
                       .left = 0, .top = 0, .width = 200, .height = 120, .color = COLOR_APPWORKSPACE});
        content = std::make_unique<TPanel>(
            *box, TPanel::Params{.left = 0, .top = 0, .width = 600, .height = 400, .caption = ""});
    }
};

class ScrollBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize();
        host = std::make_unique<Host>();
        host->Show();
        host->box->UpdateScrollRange();
        RunUntilIdle();
    }
    bool BarShown(int bar) const {
        SCROLLBARINFO info{sizeof info, {}, 0, 0, 0, 0, {}};
        GetScrollBarInfo(host->box->Handle(), bar == SB_HORZ ? OBJID_HSCROLL : OBJID_VSCROLL, &info);
        return !(info.rgstate[0] & STATE_SYSTEM_INVISIBLE);
    }
    void Scroll(UINT msg, WORD code, int pos = 0) {
        SendMessageA(host->box->Handle(), msg, MAKEWPARAM(code, pos), 0);
    }
    std::unique_ptr<Host> host;
};

TEST_F(ScrollBoxTest, LargeContentScrollsByPageLineThumbAndEnd) {
    TScrollBox& b = *host->box;
    EXPECT_EQ(b.ContentSize().cx, 600);
    EXPECT_EQ(b.ContentSize().cy, 400);
    EXPECT_TRUE(BarShown(SB_HORZ));
    EXPECT_TRUE(BarShown(SB_VERT));
    RECT client = b.ClientRect();

    Scroll(WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(b.ScrollTop(), client.bottom);
    EXPECT_EQ(host->content->Top(), -client.bottom);
    Scroll(WM_VSCROLL, SB_LINEUP);
    EXPECT_EQ(b.ScrollTop(), client.bottom - 8);

    // Dragging the thumb moves the content at once.
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(b.Handle(), SB_HORZ, &si);
    EXPECT_EQ(si.nMax, 599);
    b.ScrollTo(0, 0);
    Scroll(WM_HSCROLL, SB_BOTTOM);
    EXPECT_EQ(b.ScrollLeft(), 600 - client.right);
    EXPECT_EQ(host->content->Left() + host->content->Width(), client.right);
    Scroll(WM_HSCROLL, SB_PAGEDOWN); // nothing beyond the end
    EXPECT_EQ(b.ScrollLeft(), 600 - client.right);

    SendMessageA(b.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    EXPECT_EQ(b.ScrollTop(), 24); // three lines a notch, down from the top
}

TEST_F(ScrollBoxTest, ContentThatFitsHidesTheBarsAndComesBackToTheCorner) {
    TScrollBox& b = *host->box;
    b.ScrollTo(100, 100);
    ASSERT_EQ(host->content->Left(), -100);
    host->content->SetBounds(host->content->Left(), host->content->Top(), 50, 40);
    b.UpdateScrollRange();
    EXPECT_FALSE(BarShown(SB_HORZ));
    EXPECT_FALSE(BarShown(SB_VERT));
    EXPECT_EQ(b.ScrollLeft(), 0);
    EXPECT_EQ(b.ScrollTop(), 0);
    EXPECT_EQ(host->content->Left(), 0);
    EXPECT_EQ(host->content->Top(), 0);

    // Around the content the box shows its own colour.
    RedrawWindow(b.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC dc = GetDC(b.Handle());
    COLORREF outside = GetPixel(dc, 120, 80);
    ReleaseDC(b.Handle(), dc);
    EXPECT_EQ(outside, GetSysColor(COLOR_APPWORKSPACE));
}

} // namespace
