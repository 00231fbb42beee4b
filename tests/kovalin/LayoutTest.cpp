// The framework's layout and container controls driven directly: edge alignment, the splitter's
// drag, the tool bar's buttons, the panel's painting, the subclassed controls' procedure and the
// paint guard.
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "kovalin/GroupBox.h"
#include "kovalin/Handles.h"
#include "kovalin/Panel.h"
#include "kovalin/Splitter.h"
#include "kovalin/ToolBar.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace kovalin;
using namespace testsupport;

namespace {

RECT BoundsInParent(const TWinControl& c) {
    return RECT{c.Left(), c.Top(), c.Left() + c.Width(), c.Top() + c.Height()};
}

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom, const char* what) {
    EXPECT_EQ(r.left, left) << what;
    EXPECT_EQ(r.top, top) << what;
    EXPECT_EQ(r.right, right) << what;
    EXPECT_EQ(r.bottom, bottom) << what;
}

std::unique_ptr<TPanel> MakePanel(TWinControl& parent, int width, int height, TAlign align) {
    auto p = std::make_unique<TPanel>(
        parent,
        TPanel::Params{.width = width, .height = height, .caption = {}, .bevelOuter = TPanelBevel::bvRaised});
    p->SetAlign(align);
    return p;
}

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override { Application().Initialize(); }
    TForm form{TFormParams{.caption = "Layout Test", .clientWidth = 400, .clientHeight = 300}};
};

TEST_F(LayoutTest, EdgesStackOutsideInAndTheFillTakesTheRest) {
    // Made in an order unlike the layout's: the edges still come before the fill.
    auto fill = MakePanel(form, 10, 10, TAlign::alClient);
    auto left = MakePanel(form, 50, 10, TAlign::alLeft);
    auto top1 = MakePanel(form, 10, 20, TAlign::alTop);
    auto bottom = MakePanel(form, 10, 30, TAlign::alBottom);
    auto top2 = MakePanel(form, 10, 15, TAlign::alTop);
    auto right = MakePanel(form, 40, 10, TAlign::alRight);

    ExpectRect(BoundsInParent(*top1), 0, 0, 400, 20, "first top");
    ExpectRect(BoundsInParent(*top2), 0, 20, 400, 35, "second top, inside the first");
    ExpectRect(BoundsInParent(*bottom), 0, 270, 400, 300, "bottom");
    ExpectRect(BoundsInParent(*left), 0, 35, 50, 270, "left, between top and bottom");
    ExpectRect(BoundsInParent(*right), 360, 35, 400, 270, "right");
    ExpectRect(BoundsInParent(*fill), 50, 35, 360, 270, "fill");

    // A resize lays the children out again; edges keep their thickness.
    RECT wr{}, cr{};
    GetWindowRect(form.Handle(), &wr);
    GetClientRect(form.Handle(), &cr);
    form.SetBounds(form.Left(), form.Top(), (wr.right - wr.left) - cr.right + 300,
                   (wr.bottom - wr.top) - cr.bottom + 200);
    ExpectRect(BoundsInParent(*bottom), 0, 170, 300, 200, "bottom after resize");
    ExpectRect(BoundsInParent(*fill), 50, 35, 260, 170, "fill after resize");

    // Taken out of the layout, a control keeps its place and the rest closes up.
    top1->SetAlign(TAlign::alNone);
    ExpectRect(BoundsInParent(*top2), 0, 0, 300, 15, "second top moves up");
    ExpectRect(BoundsInParent(*fill), 50, 15, 260, 170, "fill grows");
    // The fill never gets a negative size when the edges need more than there is.
    left->SetBounds(0, 0, 500, 10);
    form.AlignControls();
    EXPECT_EQ(fill->Width(), 0);
}

TEST_F(LayoutTest, SplitterResizesTheControlBeforeItWithinTheLimits) {
    auto left = MakePanel(form, 100, 10, TAlign::alLeft);
    TSplitter splitter(form, TSplitter::Params{.align = TAlign::alLeft, .size = 3, .minSize = 30});
    auto fill = MakePanel(form, 10, 10, TAlign::alClient);
    ASSERT_EQ(splitter.ResizedControl(), left.get());
    ExpectRect(BoundsInParent(splitter), 100, 0, 103, 300, "the bar right of the left panel");
    int moved = 0;
    splitter.OnMoved = [&] { ++moved; };

    // Presses the button on the bar, moves half way and lets go `delta` pixels right of where it
    // went down; the bar moves under the mouse meanwhile, so each point is taken from the screen.
    auto drag = [&](int delta) {
        HWND h = splitter.Handle();
        POINT start{1, 5};
        ClientToScreen(h, &start);
        auto at = [&](int dx) {
            POINT p{start.x + dx, start.y};
            ScreenToClient(h, &p);
            return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(p.x)), static_cast<WORD>(p.y));
        };
        SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at(0));
        SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, at(delta / 2));
        SendMessageA(h, WM_LBUTTONUP, 0, at(delta));
    };
    // The control follows the mouse; OnMoved comes once, on release.
    drag(40);
    EXPECT_EQ(left->Width(), 140);
    EXPECT_EQ(splitter.Left(), 140);
    EXPECT_EQ(fill->Left(), 143);
    EXPECT_EQ(fill->Width(), 400 - 143);
    EXPECT_EQ(moved, 1);
    // The fill keeps MinSize however far the mouse goes.
    drag(1000);
    EXPECT_EQ(fill->Width(), 30);
    // And the resized control does not go below MinSize either.
    drag(-1000);
    EXPECT_EQ(left->Width(), 30);
    EXPECT_EQ(moved, 3);
    // Moving without the button down does nothing.
    SendMessageA(splitter.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(50, 5));
    EXPECT_EQ(left->Width(), 30);
}

TEST_F(LayoutTest, BottomSplitterGrowsTheControlBelowWhenDraggedUp) {
    auto fill = MakePanel(form, 10, 10, TAlign::alClient);
    auto bottom = MakePanel(form, 10, 80, TAlign::alBottom);
    TSplitter splitter(form, TSplitter::Params{.align = TAlign::alBottom, .size = 4});
    ASSERT_EQ(splitter.ResizedControl(), bottom.get());
    EXPECT_EQ(splitter.Top(), 300 - 80 - 4);
    SendMessageA(splitter.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 1));
    SendMessageA(splitter.Handle(), WM_LBUTTONUP, 0,
                 MAKELPARAM(5, static_cast<WORD>(static_cast<SHORT>(-19))));
    EXPECT_EQ(bottom->Height(), 100);
    EXPECT_EQ(fill->Height(), 300 - 100 - 4);
    // A hidden control is not the one a splitter resizes.
    bottom->SetVisible(false);
    EXPECT_EQ(splitter.ResizedControl(), nullptr);
}

TEST_F(LayoutTest, ToolBarButtonsRunTheirHandlersOnlyWhenEnabled) {
    TToolBar bar(form, TToolBar::Params{.height = 22, .buttonWidth = 60, .caption = "Bar"});
    auto fill = MakePanel(form, 10, 10, TAlign::alClient);
    std::vector<std::string> clicked;
    TToolButton& one = bar.AddButton("One", -1, "One|The first", true);
    bar.AddSeparator(8);
    TToolButton& two = bar.AddButton("Two", -1, "Two|The second", false);
    one.OnClick = [&] { clicked.push_back("one"); };
    two.OnClick = [&] { clicked.push_back("two"); };
    bar.AutoSize();
    form.Show();
    RunUntilIdle();

    EXPECT_EQ(bar.ButtonCount(), 2);
    EXPECT_EQ(bar.ButtonById(two.Id()), &two);
    EXPECT_EQ(bar.Align(), TAlign::alTop);
    // Left to right in the order added, the separator between them.
    RECT r1 = one.BoundsRect(), r2 = two.BoundsRect();
    EXPECT_GE(r2.left, r1.right + 8);
    // The bar is as high as its buttons, and the fill starts below it.
    EXPECT_EQ(bar.Height(), r1.bottom);
    EXPECT_EQ(fill->Top(), bar.Height());

    // A real click on each: the enabled button's handler runs, the disabled one's does not.
    auto click = [&](const RECT& r) {
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, at);
        RunUntilIdle();
    };
    click(r1);
    click(r2);
    EXPECT_EQ(clicked, std::vector<std::string>{"one"});
    two.SetEnabled(true);
    EXPECT_TRUE(two.Enabled());
    click(r2);
    one.SetEnabled(false);
    one.Click();
    EXPECT_EQ(clicked, (std::vector<std::string>{"one", "two"}));
}

TEST_F(LayoutTest, PanelPaintsItsBevelAndCentresItsCaption) {
    TPanel raised(form, TPanel::Params{.left = 10,
                                       .top = 10,
                                       .width = 120,
                                       .height = 40,
                                       .caption = "Mid",
                                       .bevelOuter = TPanelBevel::bvRaised});
    TPanel lowered(form, TPanel::Params{.left = 10,
                                        .top = 60,
                                        .width = 120,
                                        .height = 40,
                                        .caption = {},
                                        .bevelOuter = TPanelBevel::bvLowered});
    TPanel flat(form, TPanel::Params{.left = 10,
                                     .top = 110,
                                     .width = 120,
                                     .height = 40,
                                     .caption = {},
                                     .bevelOuter = TPanelBevel::bvNone});
    form.Show();
    RunUntilIdle();
    auto pixel = [](TPanel& p, int x, int y) {
        UpdateWindow(p.Handle());
        WindowDC dc(p.Handle());
        return GetPixel(dc.get(), x, y);
    };
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW),
                   face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(pixel(raised, 50, 0), light);
    EXPECT_EQ(pixel(raised, 50, 39), dark);
    EXPECT_EQ(pixel(lowered, 50, 0), dark);
    EXPECT_EQ(pixel(lowered, 50, 39), light);
    EXPECT_EQ(pixel(flat, 50, 0), face);
    EXPECT_EQ(pixel(flat, 60, 20), face);

    // The caption's ink sits around the middle, none of it near the ends.
    auto inkIn = [&](TPanel& p, int fromX, int toX) {
        UpdateWindow(p.Handle());
        WindowDC dc(p.Handle());
        int ink = 0;
        for (int x = fromX; x < toX; ++x)
            for (int y = 2; y < 38; ++y)
                if (GetPixel(dc.get(), x, y) != face) ++ink;
        return ink;
    };
    EXPECT_GT(inkIn(raised, 45, 75), 0);
    EXPECT_EQ(inkIn(raised, 2, 35), 0);
    EXPECT_EQ(inkIn(raised, 85, 118), 0);
    // A changed caption is painted without being asked.
    raised.SetCaption("");
    EXPECT_EQ(inkIn(raised, 45, 75), 0);
}

// What a window's procedure is once it has handled WM_NCDESTROY, seen by a hook that runs after
// each message.
LONG_PTR procAfterLastMessage = 0;
HWND watchedWindow = nullptr;

LRESULT CALLBACK WatchLastMessage(int code, WPARAM wParam, LPARAM lParam) {
    auto* m = reinterpret_cast<CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && m->hwnd == watchedWindow && m->message == WM_NCDESTROY)
        procAfterLastMessage = GetWindowLongPtrA(m->hwnd, GWLP_WNDPROC);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(LayoutTest, SubclassedControlGetsItsOwnProcedureBackWhenItsWindowGoes) {
    // The procedure a plain button window of the group box's class has.
    HWND plain = CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_GROUPBOX, 0, 0, 10, 10, form.Handle(),
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    const LONG_PTR classProc = GetWindowLongPtrA(plain, GWLP_WNDPROC);
    DestroyWindow(plain);

    auto box = std::make_unique<TGroupBox>(form, TGroupBox::Params{.caption = "Group"});
    HWND h = box->Handle();
    EXPECT_NE(GetWindowLongPtrA(h, GWLP_WNDPROC), classProc); // the framework listens first
    EXPECT_EQ(TWinControl::FromHandle(h), box.get());

    // The procedure seen once the window has handled its last message.
    procAfterLastMessage = 0;
    watchedWindow = h;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, WatchLastMessage, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    // The window goes without the object (its parent could have taken it along).
    DestroyWindow(h);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(procAfterLastMessage, classProc);
    EXPECT_EQ(box->Handle(), nullptr);
    EXPECT_EQ(TWinControl::FromHandle(h), nullptr);
    box.reset(); // and the object then has nothing left to destroy
}

TEST_F(LayoutTest, PaintHandlerThatThrowsGivesItsDeviceContextBack) {
    std::vector<std::string> errors;
    Application().OnException = [&](const std::exception& e) { errors.push_back(e.what()); };
    int paints = 0;
    form.OnPaint = [&](HDC) {
        ++paints;
        throw std::runtime_error("paint failed");
    };
    form.Show();
    RunUntilIdle();
    const int before = GdiObjectCount();
    for (int i = 0; i < 20; ++i) {
        InvalidateRect(form.Handle(), nullptr, FALSE);
        UpdateWindow(form.Handle());
    }
    const int after = GdiObjectCount();
    Application().OnException = nullptr;
    form.OnPaint = nullptr;
    ASSERT_GE(paints, 20);
    EXPECT_EQ(errors.size(), static_cast<size_t>(paints));
    // Each failed paint ended its painting: the window is valid and no device context is left.
    EXPECT_FALSE(GetUpdateRect(form.Handle(), nullptr, FALSE));
    EXPECT_LE(after, before + 2);
}

} // namespace
