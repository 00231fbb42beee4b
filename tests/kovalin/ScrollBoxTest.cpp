#include "kovalin/Application.h"
#include "kovalin/CustomControl.h"
#include "kovalin/Form.h"
#include "kovalin/Panel.h"
#include "kovalin/ScrollBox.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

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

namespace {

// A self-painted square that records what happened to it.
struct Square : TCustomControl {
    std::vector<std::string> events;
    explicit Square(TWinControl& parent, int size) : TCustomControl(parent, {.width = size, .height = size}) {
        OnClick = [this] { events.push_back("click"); };
        OnDblClick = [this] { events.push_back("dblclick"); };
        OnMouseDown = [this](TMouseButton b, TShiftState, int x, int y) {
            events.push_back("down " + std::to_string(int(b)) + " " + std::to_string(x) + "," +
                             std::to_string(y));
        };
        OnKeyDown = [this](WORD key, TShiftState) {
            events.push_back("key " + std::to_string(key));
            return key == VK_F5;
        };
    }
    void Paint(HDC dc) override {
        RECT r = ClientRect();
        HBRUSH b = CreateSolidBrush(RGB(0, 0, 200));
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
};

class ScrollBoxBarsTest : public ::testing::Test {
protected:
    TForm form{{.caption = "Scroll test", .clientWidth = 200, .clientHeight = 150}};
    std::unique_ptr<TScrollBox> box;
    std::unique_ptr<Square> child;

    void SetUp() override {
        form.Show();
        box = std::make_unique<TScrollBox>(form, TScrollBox::Params{.width = 200, .height = 150});
        child = std::make_unique<Square>(*box, 50);
        RunUntilIdle();
    }
};

} // namespace

TEST_F(ScrollBoxBarsTest, AutoRangeFollowsTheChildrenAndPositionsMoveThem) {
    box->HorzScrollBar().SetMargin(5);
    box->UpdateScrollRange();
    EXPECT_EQ(box->HorzScrollBar().Range(), 55);
    EXPECT_FALSE(box->HorzScrollBar().IsScrollBarVisible());
    EXPECT_EQ(box->HorzScrollBar().Position(), 0);

    child->SetBounds(0, 0, 500, 400);
    box->UpdateScrollRange();
    EXPECT_EQ(box->HorzScrollBar().Range(), 505);
    EXPECT_EQ(box->VertScrollBar().Range(), 400);
    EXPECT_TRUE(box->HorzScrollBar().IsScrollBarVisible());
    EXPECT_TRUE(box->VertScrollBar().IsScrollBarVisible());
    int clientW = box->ClientRect().right, clientH = box->ClientRect().bottom;
    EXPECT_LT(clientW, 200);

    box->HorzScrollBar().SetPosition(100);
    EXPECT_EQ(child->Left(), -100);
    box->HorzScrollBar().SetPosition(100000);
    EXPECT_EQ(box->HorzScrollBar().Position(), 505 - clientW);
    EXPECT_EQ(child->Left(), -(505 - clientW));
    box->VertScrollBar().SetPosition(-3);
    EXPECT_EQ(box->VertScrollBar().Position(), 0);
    // The arrows and the page area of the bars.
    SendMessageA(box->Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(box->VertScrollBar().Position(), box->VertScrollBar().Increment());
    SendMessageA(box->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(box->VertScrollBar().Position(), box->VertScrollBar().Increment() + clientH);
    SendMessageA(box->Handle(), WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(child->Top(), 0);

    // The range stays in content coordinates while scrolled.
    box->HorzScrollBar().SetPosition(50);
    box->UpdateScrollRange();
    EXPECT_EQ(box->HorzScrollBar().Range(), 505);

    // A fixed range once auto-scroll is off; the bar goes when the range fits.
    box->SetAutoScroll(false);
    box->HorzScrollBar().SetRange(0);
    EXPECT_FALSE(box->HorzScrollBar().IsScrollBarVisible());
    EXPECT_EQ(box->HorzScrollBar().Position(), 0);
    EXPECT_EQ(child->Left(), 0);
    box->SetAutoScroll(true);
    EXPECT_EQ(box->HorzScrollBar().Range(), 505);
}

TEST_F(ScrollBoxBarsTest, SelfPaintedControlRaisesMouseAndKeyEvents) {
    HWND h = child->Handle();
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(3, 4));
    SendMessageA(h, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 4));
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(3, 4));
    // Let go outside: no click.
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(300, 4));
    SendMessageA(h, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(7, 8));
    std::vector<std::string> expected{"down 0 3,4", "click",      "down 0 3,4", "dblclick",
                                      "click",      "down 0 3,4", "down 1 7,8"};
    EXPECT_EQ(child->events, expected);
    child->events.clear();
    EXPECT_EQ(SendMessageA(h, WM_KEYDOWN, VK_F5, 0), 0);
    SendMessageA(h, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(child->events, (std::vector<std::string>{"key 116", "key 65"}));
    // It never erases: painting covers all of it.
    EXPECT_EQ(SendMessageA(h, WM_ERASEBKGND, 0, 0), 1);
    HCURSOR hand = LoadCursor(nullptr, IDC_HAND);
    child->SetCursor(hand);
    EXPECT_EQ(child->Cursor(), hand);
}
