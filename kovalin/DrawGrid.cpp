#include "kovalin/DrawGrid.h"

#include "kovalin/Handles.h"

#include <algorithm>
#include <climits>

namespace kovalin {

namespace {
// Scroll-bar positions are ints; very long grids map several rows to one bar unit.
constexpr int64_t kBarRange = 1 << 30;

bool Down(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}
} // namespace

TShiftState TShiftState::Current() {
    TShiftState s;
    s.shift = Down(VK_SHIFT);
    s.ctrl = Down(VK_CONTROL);
    s.alt = Down(VK_MENU);
    s.leftButton = Down(VK_LBUTTON);
    return s;
}

TDrawGrid::TDrawGrid(TWinControl& parent, const Params& p)
    : TWinControl(&parent), colWidths_(5, 64), color_(GetSysColor(COLOR_WINDOW)) {
    SetOption(TGridOption::goVertLine, true);
    SetOption(TGridOption::goHorzLine, true);
    CreateParams cp = ChildParams(nullptr, p.left, p.top, p.width, p.height);
    cp.style |= WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | WS_CLIPSIBLINGS;
    if (p.border && p.ctl3d)
        cp.exStyle |= WS_EX_CLIENTEDGE;
    else if (p.border)
        cp.style |= WS_BORDER;
    CreateHandle(cp);
    UpdateScrollBars();
}

TDrawGrid::~TDrawGrid() = default;

void TDrawGrid::Changed() {
    fixedCols_ = std::min(fixedCols_, std::max(0, ColCount() - 1));
    fixedRows_ = static_cast<int>(std::min<int64_t>(fixedRows_, std::max<int64_t>(0, rowCount_ - 1)));
    col_ = std::clamp(col_, fixedCols_, std::max(fixedCols_, ColCount() - 1));
    row_ = std::clamp<int64_t>(row_, fixedRows_, std::max<int64_t>(fixedRows_, rowCount_ - 1));
    topRow_ = std::clamp<int64_t>(topRow_, fixedRows_, MaxTopRow());
    leftCol_ = std::clamp(leftCol_, fixedCols_, MaxLeftCol());
    UpdateScrollBars();
    if (!updating_) Invalidate();
}

void TDrawGrid::SetColCount(int value) {
    value = std::max(1, value);
    colWidths_.resize(static_cast<size_t>(value), defaultColWidth_);
    Changed();
}

void TDrawGrid::SetRowCount(int64_t value) {
    rowCount_ = std::max<int64_t>(1, value);
    Changed();
}

void TDrawGrid::SetFixedCols(int value) {
    fixedCols_ = std::max(0, value);
    col_ = std::max(col_, fixedCols_);
    leftCol_ = std::max(leftCol_, fixedCols_);
    Changed();
}

void TDrawGrid::SetFixedRows(int value) {
    fixedRows_ = std::max(0, value);
    row_ = std::max<int64_t>(row_, fixedRows_);
    topRow_ = std::max<int64_t>(topRow_, fixedRows_);
    Changed();
}

void TDrawGrid::SetColWidth(int col, int width) {
    if (col < 0 || col >= ColCount()) return;
    colWidths_[static_cast<size_t>(col)] = std::max(0, width);
    Changed();
}

void TDrawGrid::SetDefaultColWidth(int value) {
    defaultColWidth_ = std::max(0, value);
    std::fill(colWidths_.begin(), colWidths_.end(), defaultColWidth_);
    Changed();
}

void TDrawGrid::SetDefaultRowHeight(int value) {
    rowHeight_ = std::max(1, value);
    Changed();
}

void TDrawGrid::SetGridLineWidth(int value) {
    lineWidth_ = std::max(0, value);
    Changed();
}

void TDrawGrid::SetOption(TGridOption o, bool on) {
    unsigned bit = 1u << static_cast<int>(o);
    options_ = on ? (options_ | bit) : (options_ & ~bit);
    if (Handle() && !updating_) Invalidate();
}

void TDrawGrid::SetColor(COLORREF value) {
    color_ = value;
    if (!updating_) Invalidate();
}

void TDrawGrid::BeginUpdate() {
    if (updating_++ == 0) SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TDrawGrid::EndUpdate() {
    if (updating_ == 0 || --updating_ > 0) return;
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    UpdateScrollBars();
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

int TDrawGrid::FixedWidth() const {
    int w = 0;
    for (int c = 0; c < fixedCols_; ++c)
        w += ColWidth(c) + lineWidth_;
    return w;
}

int TDrawGrid::FixedHeight() const {
    return fixedRows_ * RowStride();
}

int TDrawGrid::VisibleRowCount() const {
    RECT r = ClientRect();
    return std::max(1, static_cast<int>((r.bottom - FixedHeight()) / RowStride()));
}

int TDrawGrid::VisibleColCount() const {
    RECT r = ClientRect();
    int x = FixedWidth(), n = 0;
    for (int c = leftCol_; c < ColCount(); ++c) {
        x += ColWidth(c) + lineWidth_;
        if (x - lineWidth_ > r.right) break;
        ++n;
    }
    return std::max(1, n);
}

int64_t TDrawGrid::MaxTopRow() const {
    return std::max<int64_t>(fixedRows_, rowCount_ - VisibleRowCount());
}

int TDrawGrid::MaxLeftCol() const {
    RECT r = ClientRect();
    int room = r.right - FixedWidth();
    int c = ColCount() - 1;
    int used = ColWidth(c);
    while (c > fixedCols_ && used + lineWidth_ + ColWidth(c - 1) <= room) {
        --c;
        used += lineWidth_ + ColWidth(c);
    }
    return std::max(fixedCols_, c);
}

int TDrawGrid::ColLeft(int col) const {
    if (col < 0 || col >= ColCount()) return -1;
    if (col < fixedCols_) {
        int x = 0;
        for (int c = 0; c < col; ++c)
            x += ColWidth(c) + lineWidth_;
        return x;
    }
    if (col < leftCol_) return -1;
    int x = FixedWidth();
    for (int c = leftCol_; c < col; ++c)
        x += ColWidth(c) + lineWidth_;
    return x;
}

int64_t TDrawGrid::RowTop(int64_t row) const {
    if (row < 0 || row >= rowCount_) return -1;
    if (row < fixedRows_) return row * RowStride();
    if (row < topRow_) return -1;
    return FixedHeight() + (row - topRow_) * RowStride();
}

RECT TDrawGrid::CellRect(int col, int64_t row) const {
    return BlockRect(col, row, col, row);
}

RECT TDrawGrid::BlockRect(int col1, int64_t row1, int col2, int64_t row2) const {
    if (col1 > col2) std::swap(col1, col2);
    if (row1 > row2) std::swap(row1, row2);
    RECT client = ClientRect();
    // Clip the block to what is on screen.
    int64_t lastRow = std::min(rowCount_ - 1, topRow_ + VisibleRowCount());
    if (row1 >= fixedRows_ && row1 < topRow_) row1 = topRow_;
    row2 = std::min(row2, lastRow);
    if (col1 >= fixedCols_ && col1 < leftCol_) col1 = leftCol_;
    col2 = std::min(col2, ColCount() - 1);
    int64_t top = RowTop(row1), bottomTop = RowTop(row2);
    int left = ColLeft(col1), rightLeft = ColLeft(col2);
    if (row1 > row2 || col1 > col2 || top < 0 || bottomTop < 0 || left < 0 || rightLeft < 0) return RECT{};
    RECT r{left, static_cast<LONG>(std::min<int64_t>(top, client.bottom)), rightLeft + ColWidth(col2),
           static_cast<LONG>(std::min<int64_t>(bottomTop + rowHeight_, INT_MAX))};
    if (r.left >= client.right || r.top >= client.bottom) return RECT{};
    return r;
}

TGridCoord TDrawGrid::MouseCoord(int x, int y) const {
    TGridCoord c;
    if (x < 0 || y < 0) return c;
    int fw = FixedWidth();
    int cx = 0, col = 0;
    if (x < fw) {
        for (; col < fixedCols_; ++col) {
            cx += ColWidth(col) + lineWidth_;
            if (x < cx) break;
        }
    } else {
        cx = fw;
        for (col = leftCol_; col < ColCount(); ++col) {
            cx += ColWidth(col) + lineWidth_;
            if (x < cx) break;
        }
        if (col >= ColCount()) return c;
    }
    int64_t row;
    int fh = FixedHeight();
    if (y < fh)
        row = y / RowStride();
    else
        row = topRow_ + (y - fh) / RowStride();
    if (row >= rowCount_) return c;
    c.col = col;
    c.row = row;
    return c;
}

void TDrawGrid::InvalidateCell(int col, int64_t row) {
    RECT r = CellRect(col, row);
    if (r.right > r.left) InvalidateRect(Handle(), &r, FALSE);
}

void TDrawGrid::InvalidateRow(int64_t row) {
    int64_t top = RowTop(row);
    if (top < 0) return;
    RECT client = ClientRect();
    if (top >= client.bottom) return;
    RECT r{0, static_cast<LONG>(top), client.right, static_cast<LONG>(top + rowHeight_)};
    InvalidateRect(Handle(), &r, FALSE);
}

bool TDrawGrid::MoveColRow(int col, int64_t row) {
    col = std::clamp(col, fixedCols_, std::max(fixedCols_, ColCount() - 1));
    row = std::clamp<int64_t>(row, fixedRows_, std::max<int64_t>(fixedRows_, rowCount_ - 1));
    if (!SelectCell(col, row)) return false;
    int oldCol = col_;
    int64_t oldRow = row_;
    col_ = col;
    row_ = row;
    // Scroll the new cell into view.
    int64_t top = topRow_;
    if (row_ >= fixedRows_) {
        if (row_ < top)
            top = row_;
        else if (row_ >= top + VisibleRowCount())
            top = row_ - VisibleRowCount() + 1;
    }
    int left = leftCol_;
    if (col_ >= fixedCols_) {
        if (col_ < left)
            left = col_;
        else {
            RECT client = ClientRect();
            while (left < col_) {
                int x = FixedWidth();
                for (int c = left; c <= col_; ++c)
                    x += ColWidth(c) + lineWidth_;
                if (x - lineWidth_ <= client.right) break;
                ++left;
            }
        }
    }
    if (left != leftCol_) SetLeftCol(left);
    if (top != topRow_) SetTopRow(top);
    if (oldCol != col_ || oldRow != row_) CurrentCellChanged(oldCol, oldRow);
    return true;
}

void TDrawGrid::CurrentCellChanged(int oldCol, int64_t oldRow) {
    InvalidateCell(oldCol, oldRow);
    InvalidateCell(col_, row_);
}

void TDrawGrid::SetTopRow(int64_t value) {
    value = std::clamp<int64_t>(value, fixedRows_, MaxTopRow());
    if (value == topRow_) return;
    int64_t delta = value - topRow_;
    topRow_ = value;
    UpdateScrollBars();
    if (!updating_) {
        // Rows still on screen move by blitting; only the uncovered ones are drawn.
        RECT client = ClientRect();
        if (delta > -VisibleRowCount() && delta < VisibleRowCount()) {
            RECT area{0, FixedHeight(), client.right, client.bottom};
            ScrollWindowEx(Handle(), 0, static_cast<int>(-delta * RowStride()), &area, &area, nullptr,
                           nullptr, SW_INVALIDATE);
        } else {
            InvalidateRect(Handle(), nullptr, FALSE);
        }
    }
    TopLeftChanged();
}

void TDrawGrid::SetLeftCol(int value) {
    value = std::clamp(value, fixedCols_, MaxLeftCol());
    if (value == leftCol_) return;
    leftCol_ = value;
    UpdateScrollBars();
    if (!updating_) InvalidateRect(Handle(), nullptr, FALSE);
    TopLeftChanged();
}

void TDrawGrid::UpdateScrollBars() {
    if (!Handle() || updating_) return;
    int64_t total = rowCount_ - fixedRows_;
    vScale_ = total > kBarRange ? static_cast<double>(total) / static_cast<double>(kBarRange) : 1.0;
    BarState v{static_cast<int>(static_cast<double>(total - 1) / vScale_),
               static_cast<UINT>(std::max(1.0, VisibleRowCount() / vScale_)),
               static_cast<int>(static_cast<double>(topRow_ - fixedRows_) / vScale_)};
    int maxLeft = MaxLeftCol();
    int hMax = ColCount() - fixedCols_ - 1;
    BarState h{hMax, static_cast<UINT>(std::max(1, hMax + 1 - (maxLeft - fixedCols_))),
               leftCol_ - fixedCols_};
    // Setting a bar redraws it; scrolling by keys changes only the vertical position.
    auto apply = [&](int bar, const BarState& want, BarState& had) {
        if (want.max == had.max && want.page == had.page && want.pos == had.pos) return;
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, want.max, want.page, want.pos, 0};
        SetScrollInfo(Handle(), bar, &si, TRUE);
        had = want;
    };
    apply(SB_VERT, v, vBar_);
    apply(SB_HORZ, h, hBar_);
}

void TDrawGrid::ScrollMessage(bool vertical, WORD code) {
    int64_t pos = vertical ? topRow_ : leftCol_;
    int64_t page = vertical ? VisibleRowCount() : VisibleColCount();
    switch (code) {
    case SB_LINEUP:
        --pos;
        break;
    case SB_LINEDOWN:
        ++pos;
        break;
    case SB_PAGEUP:
        pos -= page;
        break;
    case SB_PAGEDOWN:
        pos += page;
        break;
    case SB_TOP:
        pos = 0;
        break;
    case SB_BOTTOM:
        pos = INT64_MAX / 2;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        if (code == SB_THUMBTRACK && !Option(TGridOption::goThumbTracking)) return;
        // The message carries only 16 bits of the position; the bar itself has all 32.
        SCROLLINFO si{sizeof si, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(Handle(), vertical ? SB_VERT : SB_HORZ, &si);
        if (vertical)
            pos = fixedRows_ + static_cast<int64_t>(si.nTrackPos * vScale_);
        else
            pos = fixedCols_ + si.nTrackPos;
        break;
    }
    default:
        return;
    }
    if (vertical)
        SetTopRow(pos);
    else
        SetLeftCol(static_cast<int>(std::clamp<int64_t>(pos, 0, INT_MAX)));
}

void TDrawGrid::DrawCell(HDC dc, int, int64_t, const RECT& rect) {
    UniqueHBrush brush(CreateSolidBrush(color_));
    FillRect(dc, &rect, brush.get());
}

void TDrawGrid::Paint(HDC dc, const RECT& area) {
    RECT client = ClientRect();
    UniqueHBrush background(CreateSolidBrush(color_));
    UniqueHBrush lines(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    bool vert = Option(TGridOption::goVertLine), horz = Option(TGridOption::goHorzLine);
    int stride = RowStride();
    // Rows that meet the area: the fixed ones, then the scrolling ones from the top row.
    std::vector<int64_t> rows;
    for (int64_t r = 0; r < fixedRows_ && r < rowCount_; ++r)
        rows.push_back(r);
    int64_t first = topRow_ + std::max<int64_t>(0, (area.top - FixedHeight()) / stride);
    for (int64_t r = first; r < rowCount_; ++r) {
        int64_t y = RowTop(r);
        if (y >= area.bottom) break;
        rows.push_back(r);
    }
    int rightmost = 0, bottommost = 0;
    for (int64_t r : rows) {
        int y = static_cast<int>(RowTop(r));
        if (y + stride <= area.top) continue;
        for (int c = 0; c < ColCount(); ++c) {
            if (c >= fixedCols_ && c < leftCol_) continue;
            int x = ColLeft(c);
            if (x >= area.right) break;
            RECT cell{x, y, x + ColWidth(c), y + rowHeight_};
            rightmost = std::max<int>(rightmost, cell.right + lineWidth_);
            if (cell.right + lineWidth_ <= area.left) continue;
            if (cell.right > cell.left) DrawCell(dc, c, r, cell);
            if (lineWidth_ > 0) {
                RECT v{cell.right, cell.top, cell.right + lineWidth_, cell.bottom + lineWidth_};
                RECT h{cell.left, cell.bottom, cell.right, cell.bottom + lineWidth_};
                FillRect(dc, &v, vert ? lines.get() : background.get());
                FillRect(dc, &h, horz ? lines.get() : background.get());
            }
        }
        bottommost = std::max(bottommost, y + stride);
    }
    if (rows.empty() || rightmost == 0) rightmost = 0;
    // What lies right of the last column and below the last row.
    RECT right{rightmost, 0, client.right, client.bottom};
    RECT below{0, bottommost, rightmost, client.bottom};
    FillRect(dc, &right, background.get());
    FillRect(dc, &below, background.get());
}

// Cells are drawn into a bitmap in memory and reach the window in one copy: drawing hundreds of
// small texts straight onto the screen costs a round trip each under some window systems.
void TDrawGrid::PaintBuffered(HDC dc, const RECT& area) {
    int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueHBitmap buffer(CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDC mem(buffer ? CreateCompatibleDC(dc) : nullptr);
    if (!mem) {
        Paint(dc, area);
        return;
    }
    SelectGuard sel(mem.get(), buffer.get());
    SetViewportOrgEx(mem.get(), -area.left, -area.top, nullptr);
    Paint(mem.get(), area);
    SetViewportOrgEx(mem.get(), 0, 0, nullptr);
    BitBlt(dc, area.left, area.top, w, h, mem.get(), 0, 0, SRCCOPY);
}

UINT TDrawGrid::DialogCode() const {
    UINT code = DLGC_WANTARROWS;
    if (Option(TGridOption::goTabs)) code |= DLGC_WANTTAB;
    return code;
}

void TDrawGrid::KeyDown(WORD key, const TShiftState& shift) {
    int page = VisibleRowCount();
    switch (key) {
    case VK_LEFT:
        MoveColRow(col_ - 1, row_);
        break;
    case VK_RIGHT:
        MoveColRow(col_ + 1, row_);
        break;
    case VK_UP:
        MoveColRow(col_, row_ - 1);
        break;
    case VK_DOWN:
        MoveColRow(col_, row_ + 1);
        break;
    case VK_PRIOR:
        SetTopRow(topRow_ - page);
        MoveColRow(col_, row_ - page);
        break;
    case VK_NEXT:
        SetTopRow(topRow_ + page);
        MoveColRow(col_, row_ + page);
        break;
    case VK_HOME:
        if (shift.ctrl)
            MoveColRow(col_, 0);
        else
            MoveColRow(fixedCols_, row_);
        break;
    case VK_END:
        if (shift.ctrl)
            MoveColRow(col_, rowCount_ - 1);
        else
            MoveColRow(ColCount() - 1, row_);
        break;
    case VK_TAB:
        if (!Option(TGridOption::goTabs)) break;
        if (shift.shift)
            MoveColRow(col_ - 1, row_);
        else
            MoveColRow(col_ + 1, row_);
        break;
    }
}

void TDrawGrid::MouseDown(int x, int y, const TShiftState&, bool) {
    TGridCoord c = MouseCoord(x, y);
    if (c.col >= fixedCols_ && c.row >= fixedRows_) MoveColRow(c.col, c.row);
}

void TDrawGrid::MouseMove(int x, int y, const TShiftState& shift) {
    if (!shift.leftButton || GetCapture() != Handle()) return;
    // Dragging past an edge scrolls one row or column on.
    RECT client = ClientRect();
    int64_t row = row_;
    int col = col_;
    TGridCoord c =
        MouseCoord(std::clamp<int>(x, 0, client.right - 1), std::clamp<int>(y, 0, client.bottom - 1));
    if (c.col >= 0) col = c.col;
    if (c.row >= 0) row = c.row;
    if (y < FixedHeight())
        row = topRow_ - 1;
    else if (y >= client.bottom)
        row = topRow_ + VisibleRowCount();
    if (x >= client.right)
        col = col_ + 1;
    else if (x < FixedWidth())
        col = leftCol_ > fixedCols_ ? leftCol_ - 1 : fixedCols_;
    MoveColRow(col, row);
}

LRESULT TDrawGrid::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintDC dc(Handle());
        PaintBuffered(dc.get(), dc.Rect());
        return 0;
    }
    case WM_PRINTCLIENT: {
        Paint(reinterpret_cast<HDC>(wParam), ClientRect());
        return 0;
    }
    case WM_SIZE:
        Changed();
        break;
    case WM_GETDLGCODE:
        return DialogCode();
    case WM_KEYDOWN:
        KeyDown(static_cast<WORD>(wParam), TShiftState::Current());
        return 0;
    case WM_CHAR:
        KeyPress(static_cast<char>(wParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (GetFocus() != Handle()) ::SetFocus(Handle());
        SetCapture(Handle());
        TShiftState s = TShiftState::Current();
        s.shift = (wParam & MK_SHIFT) != 0;
        s.ctrl = (wParam & MK_CONTROL) != 0;
        s.leftButton = true;
        MouseDown(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), s,
                  msg == WM_LBUTTONDBLCLK);
        return 0;
    }
    case WM_MOUSEMOVE: {
        TShiftState s = TShiftState::Current();
        s.shift = (wParam & MK_SHIFT) != 0;
        s.ctrl = (wParam & MK_CONTROL) != 0;
        s.leftButton = (wParam & MK_LBUTTON) != 0;
        MouseMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), s);
        return 0;
    }
    case WM_LBUTTONUP: {
        if (GetCapture() == Handle()) ReleaseCapture();
        TShiftState s = TShiftState::Current();
        s.leftButton = false;
        MouseUp(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), s);
        return 0;
    }
    case WM_VSCROLL:
    case WM_HSCROLL:
        ScrollMessage(msg == WM_VSCROLL, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL: {
        int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        SetTopRow(topRow_ - 3 * notches);
        return 0;
    }
    case WM_SETFOCUS:
        FocusChanged(true);
        InvalidateCell(col_, row_);
        break;
    case WM_KILLFOCUS:
        FocusChanged(false);
        InvalidateCell(col_, row_);
        break;
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace kovalin
