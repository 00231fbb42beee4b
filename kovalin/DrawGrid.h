// An owner-drawn grid: fixed columns and rows at the top left, scrolling cells beside and below
// them, a current cell moved by keys, mouse and code, and scroll bars. Descendants draw every cell
// and may veto or adjust moves. Row numbers are 64-bit so that very long grids (a byte dump of a
// huge file) stay addressable; the scroll bars scale when the rows exceed their 32-bit range.
#pragma once

#include "kovalin/WinControl.h"

#include <cstdint>
#include <vector>

namespace kovalin {

enum class TGridOption { goVertLine, goHorzLine, goTabs, goThumbTracking };

struct TGridCoord {
    int col = -1;
    int64_t row = -1;
};

// Modifier keys held while a key or mouse event happened.
struct TShiftState {
    bool shift = false, ctrl = false, alt = false;
    bool leftButton = false;
    static TShiftState Current();
};

class TDrawGrid : public TWinControl {
public:
    struct Params {
        int left = 0, top = 0, width = 200, height = 150;
        bool border = true; // a frame around the grid
        bool ctl3d = true;  // sunken, or a single line
    };
    TDrawGrid(TWinControl& parent, const Params& p);
    ~TDrawGrid() override;

    int ColCount() const { return static_cast<int>(colWidths_.size()); }
    void SetColCount(int value);
    int64_t RowCount() const { return rowCount_; }
    void SetRowCount(int64_t value);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int value);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int value);

    int ColWidth(int col) const { return colWidths_[static_cast<size_t>(col)]; }
    void SetColWidth(int col, int width);
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int value);
    int DefaultRowHeight() const { return rowHeight_; }
    void SetDefaultRowHeight(int value);
    int GridLineWidth() const { return lineWidth_; }
    void SetGridLineWidth(int value);

    bool Option(TGridOption o) const { return (options_ >> static_cast<int>(o)) & 1u; }
    void SetOption(TGridOption o, bool on);

    COLORREF Color() const { return color_; }
    void SetColor(COLORREF value);

    // The current cell.
    int Col() const { return col_; }
    int64_t Row() const { return row_; }
    // Moves the current cell (clamped to the scrolling cells) unless SelectCell vetoes it, and
    // scrolls it into view; false when vetoed.
    bool MoveColRow(int col, int64_t row);

    // The first scrolling row and column shown.
    int64_t TopRow() const { return topRow_; }
    void SetTopRow(int64_t value);
    int LeftCol() const { return leftCol_; }
    void SetLeftCol(int value);

    // Rectangles in client coordinates; empty when the cell (or the whole block) is not visible.
    RECT CellRect(int col, int64_t row) const;
    RECT BlockRect(int col1, int64_t row1, int col2, int64_t row2) const;
    // Scrolling rows and columns that fit completely in the client area (at least 1).
    int VisibleRowCount() const;
    int VisibleColCount() const;
    // The cell under a client point; col and row are -1 outside the cells.
    TGridCoord MouseCoord(int x, int y) const;

    // The largest top row and left column that still fill the client area.
    int64_t MaxTopRow() const;
    int MaxLeftCol() const;

    void InvalidateCell(int col, int64_t row);
    void InvalidateRow(int64_t row);
    // Stops and restarts screen updates while several settings change; restarting repaints.
    void BeginUpdate();
    void EndUpdate();

protected:
    // Veto hook: called before the current cell moves to (col, row).
    virtual bool SelectCell(int /*col*/, int64_t /*row*/) { return true; }
    // Draws one cell; rect is the cell without its grid lines. The default fills it.
    virtual void DrawCell(HDC dc, int col, int64_t row, const RECT& rect);
    // After the current cell moved; the default repaints the old and new cell.
    virtual void CurrentCellChanged(int oldCol, int64_t oldRow);
    // After the top row or left column changed.
    virtual void TopLeftChanged() {}
    // Keys and mouse; the defaults move the current cell as a plain grid does.
    virtual void KeyDown(WORD key, const TShiftState& shift);
    virtual void KeyPress(char /*ch*/) {}
    virtual void MouseDown(int x, int y, const TShiftState& shift, bool doubleClick);
    virtual void MouseMove(int x, int y, const TShiftState& shift);
    virtual void MouseUp(int /*x*/, int /*y*/, const TShiftState& /*shift*/) {}
    // What WM_GETDLGCODE answers.
    virtual UINT DialogCode() const;
    virtual void FocusChanged(bool /*focused*/) {}

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    int ColLeft(int col) const; // left edge of a column in client coordinates, -1 when hidden
    int64_t RowTop(int64_t row) const;
    int FixedWidth() const;
    int FixedHeight() const;
    int RowStride() const { return rowHeight_ + lineWidth_; }
    void Paint(HDC dc, const RECT& area);
    void PaintBuffered(HDC dc, const RECT& area);
    void UpdateScrollBars();
    void ScrollMessage(bool vertical, WORD code);
    void Changed(); // layout changed: clamp positions, scroll bars, repaint

    std::vector<int> colWidths_;
    int64_t rowCount_ = 5;
    int fixedCols_ = 1, fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int rowHeight_ = 24;
    int lineWidth_ = 1;
    unsigned options_ = 0;
    COLORREF color_;
    int col_ = 1;
    int64_t row_ = 1;
    int64_t topRow_ = 1;
    int leftCol_ = 1;
    int updating_ = 0;
    double vScale_ = 1.0; // rows per scroll-bar unit when the rows exceed the bar's range
    struct BarState {
        int max = -1;
        UINT page = 0;
        int pos = -1;
    };
    BarState vBar_, hBar_; // what the scroll bars were last given
};

} // namespace kovalin
