#include "kovalin/DrawGrid.h"
#include "kovalin/Form.h"
#include "kovalin/Handles.h"
#include "tests/support/ScrollThumbDrag.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace kovalin;
using namespace testsupport;

namespace {

// A grid that refuses column 3 and remembers what it was asked to draw.
class ProbeGrid : public TDrawGrid {
public:
    using TDrawGrid::TDrawGrid;
    int drawn = 0;
    int64_t highestTop = 0;

protected:
    bool SelectCell(int col, int64_t) override { return col != 3; }
    void DrawCell(HDC dc, int col, int64_t row, const RECT& rect) override {
        ++drawn;
        TDrawGrid::DrawCell(dc, col, row, rect);
    }
    void TopLeftChanged() override { highestTop = std::max(highestTop, TopRow()); }
};

class DrawGridTest : public ::testing::Test {
protected:
    TForm form{{.caption = "Grid test", .left = 100, .top = 100, .clientWidth = 400, .clientHeight = 300}};
    std::unique_ptr<ProbeGrid> grid;

    void SetUp() override {
        grid = std::make_unique<ProbeGrid>(
            form, TDrawGrid::Params{.left = 0, .top = 0, .width = 400, .height = 300, .border = false});
        grid->SetColCount(8);
        grid->SetRowCount(50);
        grid->SetFixedCols(1);
        grid->SetFixedRows(1);
        grid->SetDefaultColWidth(40);
        grid->SetDefaultRowHeight(20);
        grid->SetGridLineWidth(2);
        form.Show();
        RunUntilIdle();
    }
};

TEST_F(DrawGridTest, CellAndBlockRectanglesFollowWidthsLinesAndScrolling) {
    grid->SetColWidth(0, 30);
    RECT fixed = grid->CellRect(0, 0);
    EXPECT_EQ(fixed.left, 0);
    EXPECT_EQ(fixed.right, 30);
    EXPECT_EQ(fixed.bottom, 20);
    RECT c = grid->CellRect(2, 3);
    EXPECT_EQ(c.left, 30 + 2 + 42);
    EXPECT_EQ(c.top, 3 * 22);
    EXPECT_EQ(c.right - c.left, 40);
    RECT b = grid->BlockRect(1, 1, 2, 2);
    EXPECT_EQ(b.left, 32);
    EXPECT_EQ(b.top, 22);
    EXPECT_EQ(b.right, 32 + 40 + 2 + 40);
    EXPECT_EQ(b.bottom, 22 + 22 + 20);
    // (300 - 22) / 22 rows fit completely below the fixed row.
    EXPECT_EQ(grid->VisibleRowCount(), 12);
    grid->SetTopRow(10);
    RECT hidden = grid->CellRect(2, 5);
    EXPECT_EQ(hidden.right - hidden.left, 0);
    EXPECT_EQ(grid->CellRect(2, 10).top, 22);
    EXPECT_EQ(grid->CellRect(0, 0).top, 0); // fixed rows stay
    TGridCoord at = grid->MouseCoord(c.left + 5, 22 + 5);
    EXPECT_EQ(at.col, 2);
    EXPECT_EQ(at.row, 10);
    EXPECT_EQ(grid->MouseCoord(5, 5).col, 0);
    EXPECT_EQ(grid->MouseCoord(399, 5).col, -1); // right of the last column
    grid->SetTopRow(1000);
    EXPECT_EQ(grid->TopRow(), grid->MaxTopRow());
    EXPECT_EQ(grid->MaxTopRow(), 50 - 12);
}

TEST_F(DrawGridTest, MovesAreClampedVetoedAndScrolledIntoView) {
    EXPECT_TRUE(grid->MoveColRow(2, 5));
    EXPECT_FALSE(grid->MoveColRow(3, 5));
    EXPECT_EQ(grid->Col(), 2);
    EXPECT_TRUE(grid->MoveColRow(0, -4)); // into the scrolling cells
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_TRUE(grid->MoveColRow(1, 40));
    EXPECT_LE(grid->TopRow(), 40);
    EXPECT_GT(grid->TopRow() + grid->VisibleRowCount(), 40);
    grid->MoveColRow(7, 40);
    RECT r = grid->CellRect(7, 40);
    EXPECT_GT(r.right, r.left);
    EXPECT_LE(r.right, 400);
    SendMessageA(grid->Handle(), WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(grid->Col(), 6);
    SendMessageA(grid->Handle(), WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(grid->Col(), 1);
    SendMessageA(grid->Handle(), WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageA(grid->Handle(), WM_KEYDOWN, VK_RIGHT, 0); // column 3 refuses
    EXPECT_EQ(grid->Col(), 2);
}

TEST_F(DrawGridTest, GridLinesArePaintedInTheirWidthOrNotAtAll) {
    auto pixelBetween = [&] {
        RECT client = grid->ClientRect();
        ScreenDC screen;
        UniqueHBitmap bmp(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
        UniqueMemoryDC dc(CreateCompatibleDC(screen.get()));
        SelectGuard sel(dc.get(), bmp.get());
        grid->drawn = 0;
        SendMessageA(grid->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
        RECT c = grid->CellRect(2, 2);
        return GetPixel(dc.get(), c.right + 1, c.top + 5);
    };
    grid->SetColor(RGB(255, 255, 255));
    EXPECT_EQ(pixelBetween(), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(grid->drawn, 8 * 14); // the fixed row and 13 scrolling ones, the last partly shown
    grid->SetOption(TGridOption::goVertLine, false);
    EXPECT_EQ(pixelBetween(), RGB(255, 255, 255));
}

// The thumb dragged by the mouse to three quarters of a 100 000-row grid: the 16-bit position in
// the scroll message could not say where that is.
TEST_F(DrawGridTest, ThumbTrackingReachesRowsBeyondSixteenBits) {
    grid->SetRowCount(100000);
    grid->SetOption(TGridOption::goThumbTracking, true);
    SetForegroundWindow(form.Handle());
    RunUntilIdle();
    // The drag runs in the scroll bar's own loop; the input comes from another thread meanwhile.
    std::thread user([&] { DragScrollThumb(grid->Handle(), 0.75, 10, 30); });
    PumpMessages(1200);
    user.join();
    RunUntilIdle();
    EXPECT_GT(grid->highestTop, 65535);
    EXPECT_GT(grid->TopRow(), 65535);
    EXPECT_LT(grid->TopRow(), 90000);
}

} // namespace
