#include "plugins/xfbridge/ProgressWindow.h"

#include "plugins/xfbridge/Owned.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

using namespace xfbridge;

namespace {

class ProgressWindowTest : public ::testing::Test {
protected:
    void TearDown() override { TProgressWindow::CloseCurrent(); }

    // The colour on screen in the middle of the bar's column x (relative to the bar's left).
    static COLORREF BarPixel(int x) {
        TProgressWindow* w = TProgressWindow::Current();
        RECT bar = w->BarRect();
        WindowDC dc(w->Handle());
        return GetPixel(dc.get(), bar.left + x, (bar.top + bar.bottom) / 2);
    }
    static int BarWidth() {
        RECT bar = TProgressWindow::Current()->BarRect();
        return bar.right - bar.left;
    }
};

} // namespace

TEST_F(ProgressWindowTest, ReportsOpenFillAndCloseTheWindow) {
    ASSERT_EQ(TProgressWindow::Current(), nullptr);
    TProgressWindow::Report(0, 100);
    TProgressWindow* w = TProgressWindow::Current();
    ASSERT_NE(w, nullptr);
    HWND hwnd = w->Handle();
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(testsupport::WindowText(hwnd), "Working...");
    EXPECT_EQ(w->FilledWidth(), 0);
    EXPECT_EQ(BarPixel(1), RGB(255, 255, 255));

    TProgressWindow::Report(50, 100);
    EXPECT_EQ(TProgressWindow::Current(), w); // the same window throughout
    EXPECT_EQ(w->FilledWidth(), BarWidth() / 2);
    EXPECT_EQ(BarPixel(1), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(BarPixel(BarWidth() / 2 - 1), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(BarPixel(BarWidth() / 2 + 1), RGB(255, 255, 255));

    TProgressWindow::Report(100, 100);
    EXPECT_EQ(w->FilledWidth(), BarWidth());
    EXPECT_EQ(BarPixel(BarWidth() - 1), GetSysColor(COLOR_HIGHLIGHT));

    TProgressWindow::Report(0, 100);
    EXPECT_EQ(TProgressWindow::Current(), nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(ProgressWindowTest, WindowIsATopMostCaptionCentredOnTheScreen) {
    TProgressWindow::Report(0, 100);
    HWND hwnd = TProgressWindow::Current()->Handle();
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
    RECT r;
    GetWindowRect(hwnd, &r);
    const int screen = GetSystemMetrics(SM_CXSCREEN);
    EXPECT_EQ(r.right - r.left, std::max(screen / 4, 200));
    EXPECT_LE(std::abs((r.left + r.right) - screen), 1);
    EXPECT_LE(std::abs((r.top + r.bottom) - GetSystemMetrics(SM_CYSCREEN)), 1);
    EXPECT_GT(BarWidth(), 100);
}

TEST_F(ProgressWindowTest, DoneBeyondTheTotalShowsAFullBar) {
    TProgressWindow::Report(0, 100);
    TProgressWindow::Report(150, 100);
    EXPECT_EQ(TProgressWindow::Current()->Position(), 100);
    EXPECT_EQ(TProgressWindow::Current()->FilledWidth(), BarWidth());
    TProgressWindow::CloseCurrent();

    // Even on the report that opens the window.
    TProgressWindow::Report(400, 100);
    EXPECT_EQ(TProgressWindow::Current()->FilledWidth(), BarWidth());
    EXPECT_EQ(BarPixel(BarWidth() - 1), GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(ProgressWindowTest, RangeComesFromTheFirstReport) {
    TProgressWindow::Report(0, 1000);
    TProgressWindow::Report(250, 10); // a later total does not change the range
    EXPECT_EQ(TProgressWindow::Current()->RangeMax(), 1000);
    EXPECT_EQ(TProgressWindow::Current()->FilledWidth(), BarWidth() / 4);
    // Back to a smaller, non-zero position clears the rest of the bar again.
    TProgressWindow::Report(10, 1000);
    EXPECT_EQ(BarPixel(BarWidth() / 4 - 1), RGB(255, 255, 255));
}

TEST_F(ProgressWindowTest, ZeroOrHugeTotalsDoNotBreakTheBar) {
    TProgressWindow::Report(5, 0); // a range of 0 would divide by zero
    ASSERT_NE(TProgressWindow::Current(), nullptr);
    EXPECT_EQ(TProgressWindow::Current()->RangeMax(), 100);
    TProgressWindow::CloseCurrent();

    TProgressWindow::Report(0, 0x7FFFFFFF);
    TProgressWindow::Report(0x7FFFFFFE, 0x7FFFFFFF); // position times width exceeds 32 bits
    EXPECT_EQ(TProgressWindow::Current()->FilledWidth(), BarWidth() - 1);
    TProgressWindow::Report(-20, 100);
    EXPECT_EQ(TProgressWindow::Current()->FilledWidth(), 0);
}

TEST_F(ProgressWindowTest, ClosingFromTheKeyboardIsRefused) {
    TProgressWindow::Report(30, 100);
    HWND hwnd = TProgressWindow::Current()->Handle();
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd));
    TProgressWindow::Report(60, 100);
    EXPECT_EQ(TProgressWindow::Current()->Handle(), hwnd);
}
