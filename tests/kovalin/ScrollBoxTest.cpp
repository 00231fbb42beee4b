#include "kovalin/CustomControl.h"
#include "kovalin/Form.h"
#include "kovalin/ScrollBox.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace kovalin;
using namespace testsupport;

namespace {

// A self-painted square that records what happened to it.
struct Square : TCustomControl {
    std::vector<std::string> events;
    explicit Square(TWinControl& parent, int size) : TCustomControl(parent, {.width = size, .height = size}) {
        OnClick = [this] { events.push_back("click"); };
        OnDblClick = [this] { events.push_back("dblclick"); };
        OnMouseDown = [this](TMouseButton b, TShiftState, int x, int y) {
            events.push_back("down " + std::to_string(int(b)) + " " + std::to_string(x) + "," + std::to_string(y));
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

class ScrollBoxTest : public ::testing::Test {
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

TEST_F(ScrollBoxTest, AutoRangeFollowsTheChildrenAndPositionsMoveThem) {
    box->HorzScrollBar().SetMargin(5);
    box->UpdateAutoRange();
    EXPECT_EQ(box->HorzScrollBar().Range(), 55);
    EXPECT_FALSE(box->HorzScrollBar().IsScrollBarVisible());
    EXPECT_EQ(box->HorzScrollBar().Position(), 0);

    child->SetBounds(0, 0, 500, 400);
    box->UpdateAutoRange();
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
    box->UpdateAutoRange();
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

TEST_F(ScrollBoxTest, SelfPaintedControlRaisesMouseAndKeyEvents) {
    HWND h = child->Handle();
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(3, 4));
    SendMessageA(h, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 4));
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(3, 4));
    // Let go outside: no click.
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(300, 4));
    SendMessageA(h, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(7, 8));
    std::vector<std::string> expected{"down 0 3,4", "click", "down 0 3,4", "dblclick", "click", "down 0 3,4",
                                      "down 1 7,8"};
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
