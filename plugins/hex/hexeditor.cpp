#include "plugins/hex/hexeditor.h"

#include <algorithm>

using namespace kovalin;

namespace kvhex {

namespace {

const UINT kStateMessage = WM_APP + 0x48;
const char kHexDigits[] = "0123456789ABCDEF";

int ScreenDpi() {
    ScreenDC dc;
    return dc.get() ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
}

UniqueHFont MakeFont(const std::string& name, int heightPixels) {
    return UniqueHFont(CreateFontA(-heightPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   FIXED_PITCH | FF_MODERN, name.c_str()));
}

// Octal with its leading "0"; zero is the single digit.
std::string Octal(int64_t v) {
    if (v == 0) return "0";
    std::string s;
    for (; v > 0; v >>= 3)
        s.insert(s.begin(), static_cast<char>('0' + (v & 7)));
    return "0" + s;
}

std::string PadLeft(const std::string& s, size_t width, char fill) {
    return s.size() < width ? std::string(width - s.size(), fill) + s : s;
}

} // namespace

namespace {
TDrawGrid::Params SingleBorder(TDrawGrid::Params p) {
    p.border = true;
    p.ctl3d = false;
    return p;
}
} // namespace

THexEditor::THexEditor(TWinControl& parent, const TDrawGrid::Params& p) : TDrawGrid(parent, SingleBorder(p)) {
    markers_.fill(-1);
    colors_.OnChange = [this] {
        SetColor(colors_.Background());
        Repaint();
    };
    SetColor(colors_.Background());
    SetGridLineWidth(0);
    SetOption(TGridOption::goVertLine, true);
    SetOption(TGridOption::goHorzLine, true);
    SetOption(TGridOption::goTabs, true);
    SetOption(TGridOption::goThumbTracking, true);
    font_ = MakeFont(fontName_, fontHeight_);
    NewDocument();
}

THexEditor::~THexEditor() {
    if (hasCaret_) DestroyCaret();
}

void THexEditor::Repaint() {
    if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

int64_t THexEditor::DataSize() {
    return copy_.Size();
}

void THexEditor::NewDocument() {
    copy_.Close();
    fileName_ = "Untitled";
    sourceReadOnly_ = false;
    changed_.clear();
    modified_ = selecting_ = false;
    selAnchor_ = selStart_ = selEnd_ = -1;
    Layout();
    MoveColRow(2, 0);
    StateChanged();
}

bool THexEditor::LoadFromFile(const std::string& fileName) {
    if (!THexWorkingCopy::CanRead(fileName)) return false;
    sourceReadOnly_ = !THexWorkingCopy::CanWrite(fileName);
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    bool copied = copy_.Load(fileName);
    SetCursor(old);
    changed_.clear();
    modified_ = selecting_ = false;
    selAnchor_ = selStart_ = selEnd_ = -1;
    // A copy that could not be made would show the file as empty under its own name.
    fileName_ = copied ? fileName : "Untitled";
    BeginUpdate();
    Layout();
    SetTopRow(0);
    SetLeftCol(2);
    MoveColRow(2, 0);
    EndUpdate();
    StateChanged();
    return copied;
}

// ---- layout ----

void THexEditor::Layout() {
    {
        ScreenDC dc;
        SelectGuard sel(dc.get(), font_.get());
        SIZE w{}, yY{};
        GetTextExtentPoint32A(dc.get(), "w", 1, &w);
        GetTextExtentPoint32A(dc.get(), "yY", 2, &yY);
        charWidth_ = std::max<int>(1, w.cx);
        rowHeight_ = yY.cy + 2;
    }
    copy_.Invalidate();
    int n = bytesPerLine_;
    int64_t size = DataSize();
    BeginUpdate();
    SetColCount(3 * n + 3);
    SetRowCount(std::max<int64_t>(1, (size + n - 1) / n));
    SetFixedCols(2);
    SetFixedRows(0);
    SetDefaultRowHeight(rowHeight_);
    ComputeOffsetWidth();
    int group = 2 * bytesPerColumn_;
    for (int c = 2; c <= 2 * n + 1; ++c)
        SetColWidth(c, c % group == 1 ? 2 * charWidth_ : charWidth_);
    for (int c = 2 * n + 2; c <= 3 * n + 2; ++c)
        SetColWidth(c, charWidth_);
    EndUpdate();
    PlaceCaret();
}

int THexEditor::OffsetWidthFor(int64_t last, TOffsetDisplay display) {
    switch (display) {
    case TOffsetDisplay::odHex:
        return static_cast<int>(Format("%llX", static_cast<unsigned long long>(last)).size()) + 3;
    case TOffsetDisplay::odDec:
        return static_cast<int>(std::to_string(last).size()) + 1;
    case TOffsetDisplay::odOctal:
        return static_cast<int>(Octal(last).size()) + 3;
    case TOffsetDisplay::odNone:
    default:
        return 0;
    }
}

void THexEditor::ComputeOffsetWidth() {
    offsetChars_ = OffsetWidthFor((RowCount() - 1) * bytesPerLine_, offsetDisplay_);
    SetColWidth(0, offsetChars_ * charWidth_);
    SetColWidth(1, showMarkerColumn_ ? charWidth_ : 0);
}

std::string THexEditor::FormatOffset(int64_t offset, TOffsetDisplay display, int widthChars, char separator) {
    size_t w = static_cast<size_t>(std::max(3, widthChars));
    std::string text;
    switch (display) {
    case TOffsetDisplay::odHex:
        text = "0x";
        text += PadLeft(Format("%llX", static_cast<unsigned long long>(offset)), w - 3, '0');
        break;
    case TOffsetDisplay::odDec:
        text = PadLeft(std::to_string(offset), w - 1, ' ');
        break;
    case TOffsetDisplay::odOctal:
        text = "o ";
        text += PadLeft(Octal(offset), w - 3, '0');
        break;
    case TOffsetDisplay::odNone:
        return " ";
    }
    text += separator;
    return text;
}

// ---- mapping ----

int64_t THexEditor::OffsetOf(int col, int64_t row) const {
    int64_t start = row * bytesPerLine_;
    if (IsHexCol(col)) return start + (col - 2) / 2;
    if (IsCharCol(col)) return start + col - 2 * bytesPerLine_ - 3;
    return -1;
}

int THexEditor::TwinCol(int col) const {
    if (IsHexCol(col)) return 2 * bytesPerLine_ + 3 + (col - 2) / 2;
    if (IsCharCol(col)) return 2 * col - 2 * bytesPerLine_ * 2 - 4;
    return col;
}

TGridCoord THexEditor::CellOf(int64_t offset, bool charArea) const {
    if (offset < 0) return {2, 0};
    TGridCoord c;
    c.row = offset / bytesPerLine_;
    int inRow = static_cast<int>(offset % bytesPerLine_);
    c.col = charArea ? inRow + 2 * bytesPerLine_ + 3 : inRow * 2 + 2;
    return c;
}

int64_t THexEditor::CursorOffset() const {
    return std::max<int64_t>(0, OffsetOf(Col(), Row()));
}

bool THexEditor::InCharField() const {
    return IsCharCol(Col());
}

TGridCoord THexEditor::ClampToData(int col, int64_t row) {
    int64_t size = DataSize();
    if (size == 0) return {2, 0};
    int n = bytesPerLine_;
    if (col < 2) col = 2;
    if (col == 2 * n + 2) col = 2 * n + 1; // the separator: the nibble left of it
    if (col > 3 * n + 2) col = 3 * n + 2;
    row = std::clamp<int64_t>(row, 0, RowCount() - 1);
    int64_t offset = OffsetOf(col, row);
    if (offset >= size) {
        bool charArea = IsCharCol(col);
        TGridCoord last = CellOf(size - 1, charArea);
        if (!charArea) last.col += (col - 2) % 2; // keep the nibble
        return last;
    }
    return {col, row};
}

bool THexEditor::SelectCell(int col, int64_t row) {
    if (!IsHexCol(col) && !IsCharCol(col)) return false;
    int64_t size = DataSize();
    if (size == 0) return col == 2 && row == 0;
    return OffsetOf(col, row) < size;
}

void THexEditor::MoveTo(int col, int64_t row) {
    TGridCoord c = ClampToData(col, row);
    MoveColRow(c.col, c.row);
}

// ---- properties ----

void THexEditor::SetBytesPerLine(int value) {
    if (value < 1 || value > 256) throw EHexEditor("Invalid BytesPerLine argument");
    if (value == bytesPerLine_) return;
    int64_t offset = CursorOffset();
    bool charArea = InCharField();
    BeginUpdate();
    bytesPerLine_ = value;
    Layout();
    TGridCoord c = CellOf(offset, charArea);
    MoveTo(c.col, c.row);
    EndUpdate();
}

void THexEditor::SetBytesPerColumn(int value) {
    bytesPerColumn_ = std::max(1, value);
    Layout();
    Repaint();
}

void THexEditor::SetTranslation(TTranslationType value) {
    translation_ = value;
    Repaint();
}

void THexEditor::SetOffsetDisplay(TOffsetDisplay value) {
    offsetDisplay_ = value;
    Layout();
    Repaint();
}

void THexEditor::SetOffsetSeparator(char value) {
    offsetSeparator_ = value;
    Repaint();
}

TCaretStyle THexEditor::CaretStyle() const {
    if (autoCaretMode_) return insertMode_ ? TCaretStyle::csLeftLine : TCaretStyle::csFull;
    return caretStyle_;
}

void THexEditor::SetCaretStyle(TCaretStyle value) {
    caretStyle_ = value;
    if (hasCaret_) FocusChanged(true);
}

void THexEditor::SetAutoCaretMode(bool value) {
    autoCaretMode_ = value;
    if (hasCaret_) FocusChanged(true);
}

void THexEditor::SetFocusFrame(bool value) {
    focusFrame_ = value;
    Repaint();
}

void THexEditor::SetShowMarkerColumn(bool value) {
    showMarkerColumn_ = value;
    Layout();
    Repaint();
}

void THexEditor::SetSwapNibbles(bool value) {
    swapNibbles_ = value;
    Repaint();
}

void THexEditor::SetMaskWhiteSpaces(bool value) {
    maskWhiteSpaces_ = value;
    Repaint();
}

void THexEditor::SetMaskChar(char value) {
    maskChar_ = value;
    Repaint();
}

void THexEditor::SetAllowInsertMode(bool value) {
    allowInsertMode_ = value;
    if (!AllowInsertMode()) insertMode_ = false;
}

void THexEditor::SetNoSizeChange(bool value) {
    noSizeChange_ = value;
    if (value) allowInsertMode_ = insertMode_ = false;
}

int THexEditor::FontSize() const {
    return MulDiv(fontHeight_, 72, ScreenDpi());
}

void THexEditor::SetFont(const std::string& name, int heightPixels) {
    fontName_ = name;
    fontHeight_ = std::max(1, heightPixels);
    font_ = MakeFont(fontName_, fontHeight_);
    markerFont_.reset();
    Layout();
    if (hasCaret_) FocusChanged(true);
    Repaint();
}

void THexEditor::SetFontColor(COLORREF value) {
    fontColor_ = value;
    Repaint();
}

HFONT THexEditor::MarkerFont() {
    if (!markerFont_) {
        int points = static_cast<int>(FontSize() * 0.75 + 0.5);
        markerFont_ = MakeFont("Arial", MulDiv(points, ScreenDpi(), 72));
    }
    return markerFont_.get();
}

int64_t THexEditor::Marker(int index) const {
    if (index < 0 || index >= kMarkerCount) throw EHexEditor("SetMarker : Invalid marker index");
    return markers_[static_cast<size_t>(index)];
}

void THexEditor::SetMarker(int index, int64_t row) {
    if (index < 0 || index >= kMarkerCount) throw EHexEditor("SetMarker : Invalid marker index");
    int64_t& m = markers_[static_cast<size_t>(index)];
    int64_t old = m;
    m = row < 0 || row >= RowCount() ? -1 : row;
    InvalidateCell(1, old);
    InvalidateCell(1, m);
}

// ---- selection ----

void THexEditor::RepaintSelectionRows(int64_t oldStart, int64_t oldEnd, int64_t newStart, int64_t newEnd) {
    int n = bytesPerLine_;
    auto rows = [&](int64_t from, int64_t to) {
        if (from < 0 || to < from) return;
        // Only what is on screen needs drawing.
        int64_t first = std::max(from / n, TopRow()), last = std::min(to / n, TopRow() + VisibleRowCount());
        for (int64_t r = first; r <= last; ++r)
            InvalidateRow(r);
    };
    if (oldStart < 0 || newStart < 0) {
        rows(oldStart, oldEnd);
        rows(newStart, newEnd);
        return;
    }
    // The rows between where the ends were and where they are now.
    rows(std::min(oldStart, newStart), std::max(oldStart, newStart));
    rows(std::min(oldEnd, newEnd), std::max(oldEnd, newEnd));
}

void THexEditor::ClearSelection() {
    if (selStart_ < 0) return;
    int64_t s = selStart_, e = selEnd_;
    selStart_ = selEnd_ = -1;
    RepaintSelectionRows(s, e, -1, -1);
    StateChanged();
}

void THexEditor::SetSelStart(int64_t value) {
    if (value < 0 || value >= DataSize()) throw EHexEditor("Invalid SelStart");
    int64_t s = selStart_, e = selEnd_;
    selStart_ = value;
    if (selEnd_ < selStart_) selEnd_ = selStart_;
    RepaintSelectionRows(s, e, selStart_, selEnd_);
    StateChanged();
}

void THexEditor::SetSelEnd(int64_t value) {
    if (value < 0 || value >= DataSize()) throw EHexEditor("Invalid SelEnd");
    int64_t s = selStart_, e = selEnd_;
    selEnd_ = value;
    if (selStart_ < 0 || selStart_ > selEnd_) selStart_ = selEnd_;
    RepaintSelectionRows(s, e, selStart_, selEnd_);
    StateChanged();
}

void THexEditor::CurrentCellChanged(int oldCol, int64_t oldRow) {
    InvalidateCell(oldCol, oldRow);
    InvalidateCell(TwinCol(oldCol), oldRow);
    InvalidateCell(Col(), Row());
    InvalidateCell(TwinCol(Col()), Row());
    if (selecting_ && selAnchor_ >= 0) {
        int64_t offset = CursorOffset();
        int64_t s = selStart_, e = selEnd_;
        selStart_ = std::min(selAnchor_, offset);
        selEnd_ = std::max(selAnchor_, offset);
        RepaintSelectionRows(s, e, selStart_, selEnd_);
    } else {
        ClearSelection();
    }
    PlaceCaret();
    StateChanged();
}

void THexEditor::StateChanged() {
    if (Handle()) PostMessageA(Handle(), kStateMessage, 0, 0);
}

// ---- drawing ----

THexCellLook THexEditor::CellLook(int col, int64_t row) {
    THexCellLook look;
    look.background = colors_.Background();
    look.textColor = fontColor_;
    int64_t size = DataSize();
    int n = bytesPerLine_;
    look.twinFrame = size > 0 && row == Row() && col == TwinCol(Col()) && col != Col();
    if (size == 0) {
        look.text.assign(3, ' ');
        if (col == 0 && row == 0) {
            look.textColor = colors_.Offset();
            switch (offsetDisplay_) {
            case TOffsetDisplay::odHex:
                look.text = std::string("0x0") + offsetSeparator_;
                break;
            case TOffsetDisplay::odDec:
                look.text = std::string("0") + offsetSeparator_;
                break;
            case TOffsetDisplay::odOctal:
                look.text = std::string("o 0") + offsetSeparator_;
                break;
            case TOffsetDisplay::odNone:
                break;
            }
        }
        return look;
    }
    if (col == 0) {
        look.text = FormatOffset(row * n, offsetDisplay_, offsetChars_, offsetSeparator_);
        look.textColor = colors_.Offset();
        return look;
    }
    if (col == 1) {
        look.text.assign(1, ' ');
        for (int m = 0; m < kMarkerCount; ++m)
            if (markers_[static_cast<size_t>(m)] == row) {
                look.text = std::string(1, static_cast<char>('0' + m));
                look.markerFont = true;
                look.textColor = colors_.PositionText();
                look.background = colors_.PositionBackground();
                break;
            }
        return look;
    }
    int64_t offset = OffsetOf(col, row);
    if (offset < 0 || offset >= size) {
        look.text.assign(1, ' ');
        return look;
    }
    int b = copy_.ByteAt(offset, n);
    if (b < 0) {
        look.text.assign(1, ' ');
        return look;
    }
    bool changed = changed_.count(offset) != 0;
    COLORREF complement = 0;
    if (IsCharCol(col)) {
        char ch = TranslateByte(static_cast<uint8_t>(b), translation_, maskChar_);
        if (maskWhiteSpaces_ && static_cast<unsigned char>(ch) < 32) ch = maskChar_;
        look.text = std::string(1, ch);
    } else {
        bool high = (col - 2) % 2 == (swapNibbles_ ? 1 : 0);
        look.text = std::string(1, kHexDigits[high ? (b >> 4) : (b & 15)]);
        bool odd = ((col - 2) / (2 * bytesPerColumn_)) % 2 == 0;
        look.textColor = odd ? colors_.OddColumn() : colors_.EvenColumn();
        complement = odd ? colors_.OddColumnComplement() : colors_.EvenColumnComplement();
    }
    if (changed) {
        look.textColor = colors_.ChangedText();
        look.background = colors_.ChangedBackground();
    }
    if (selStart_ >= 0 && offset >= selStart_ && offset <= selEnd_) {
        std::swap(look.textColor, look.background);
        if (!changed && IsHexCol(col)) look.textColor = complement;
    }
    return look;
}

void THexEditor::DrawCell(HDC dc, int col, int64_t row, const RECT& rect) {
    THexCellLook look = CellLook(col, row);
    SelectGuard font(dc, look.markerFont ? MarkerFont() : font_.get());
    SetTextColor(dc, look.textColor);
    SetBkColor(dc, look.background);
    SetBkMode(dc, OPAQUE);
    ExtTextOutA(dc, rect.left, rect.top, ETO_OPAQUE | ETO_CLIPPED, &rect, look.text.c_str(),
                static_cast<UINT>(look.text.size()), nullptr);
    if (look.twinFrame) {
        RECT frame{rect.left, rect.top, std::min<LONG>(rect.right, rect.left + charWidth_), rect.bottom};
        if (focusFrame_) {
            SetTextColor(dc, RGB(0, 0, 0));
            SetBkColor(dc, RGB(255, 255, 255));
            DrawFocusRect(dc, &frame);
        } else {
            UniqueHPen pen(CreatePen(PS_SOLID, 1, colors_.CursorFrame()));
            SelectGuard p(dc, pen.get());
            SelectGuard b(dc, GetStockObject(NULL_BRUSH));
            Rectangle(dc, frame.left, frame.top, frame.right, frame.bottom);
        }
    }
    if (hasCaret_ && col == Col() && row == Row()) SetCaretPos(rect.left, rect.top);
}

// ---- caret ----

void THexEditor::CreateCaretBitmap() {
    int w = charWidth_, h = std::max(1, rowHeight_ - 2);
    ScreenDC screen;
    caretBitmap_.reset(CreateCompatibleBitmap(screen.get(), w, h));
    UniqueMemoryDC mem(CreateCompatibleDC(screen.get()));
    SelectGuard sel(mem.get(), caretBitmap_.get());
    RECT all{0, 0, w, h};
    FillRect(mem.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT shape = all;
    switch (CaretStyle()) {
    case TCaretStyle::csLeftLine:
        shape.right = std::min(w, 2);
        break;
    case TCaretStyle::csBottomLine:
        shape.top = std::max(0, h - 2);
        break;
    case TCaretStyle::csFull:
        break;
    }
    UniqueHBrush brush(CreateSolidBrush(Complement(colors_.CursorFrame())));
    FillRect(mem.get(), &shape, brush.get());
}

void THexEditor::FocusChanged(bool focused) {
    if (hasCaret_) {
        DestroyCaret();
        hasCaret_ = false;
    }
    caretBitmap_.reset();
    if (!focused) return;
    CreateCaretBitmap();
    hasCaret_ = CreateCaret(Handle(), caretBitmap_.get(), 0, 0) != FALSE;
    PlaceCaret();
    if (hasCaret_) ShowCaret(Handle());
}

void THexEditor::PlaceCaret() {
    if (!hasCaret_) return;
    RECT r = CellRect(Col(), Row());
    if (r.right > r.left)
        SetCaretPos(r.left, r.top);
    else
        SetCaretPos(-50, -50);
}

void THexEditor::TopLeftChanged() {
    PlaceCaret();
}

// ---- keys and mouse ----

UINT THexEditor::DialogCode() const {
    UINT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (wantTabs_) code |= DLGC_WANTTAB;
    return code;
}

void THexEditor::KeyDown(WORD key, const TShiftState& shift) {
    if (key == VK_SHIFT) {
        if (!selecting_) {
            selecting_ = true;
            selAnchor_ = DataSize() > 0 ? CursorOffset() : -1;
        }
        return;
    }
    int n = bytesPerLine_;
    int64_t size = DataSize();
    int col = Col();
    int64_t row = Row();
    bool charArea = IsCharCol(col);
    bool digit = key >= '0' && key <= '9';
    if (digit && shift.ctrl && shift.shift) {
        SetMarker(key - '0', row);
        return;
    }
    bool move = key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN || key == VK_PRIOR ||
                key == VK_NEXT || key == VK_HOME || key == VK_END || key == VK_BACK || (digit && shift.ctrl);
    if (move) {
        if (!shift.shift && !shift.leftButton)
            selecting_ = false;
        else if (!selecting_ && size > 0) {
            selecting_ = true;
            selAnchor_ = CursorOffset();
        }
    }
    if (size == 0 && move) return;
    int64_t offset = CursorOffset();
    int page = std::max(1, VisibleRowCount() - 1);
    switch (key) {
    case VK_BACK:
        if (!readOnlyView_ && insertMode_) break; // deleting is an edit
        [[fallthrough]];
    case VK_LEFT:
        if (charArea) {
            if (offset > 0) {
                TGridCoord c = CellOf(offset - 1, true);
                MoveTo(c.col, c.row);
            }
        } else if (col > 2) {
            MoveTo(col - 1, row);
        } else if (row > 0) {
            MoveTo(2 * n + 1, row - 1);
        }
        break;
    case VK_RIGHT:
        if (shift.ctrl) {
            int64_t last = std::min(row * n + n - 1, size - 1);
            TGridCoord c = CellOf(last, charArea);
            MoveTo(charArea ? c.col : c.col + 1, c.row);
        } else if (charArea) {
            if (offset + 1 < size) {
                TGridCoord c = CellOf(offset + 1, true);
                MoveTo(c.col, c.row);
            }
        } else if (!(offset == size - 1 && (col - 2) % 2 == 1)) {
            if (col < 2 * n + 1)
                MoveTo(col + 1, row);
            else
                MoveTo(2, row + 1);
        }
        break;
    case VK_UP:
        if (row > 0) MoveTo(col, row - 1);
        break;
    case VK_DOWN:
        if (row + 1 < RowCount()) MoveTo(col, row + 1);
        break;
    case VK_PRIOR:
        if (shift.ctrl) {
            MoveTo(col, TopRow());
        } else {
            int64_t target = std::max<int64_t>(0, row - page);
            SetTopRow(TopRow() - (row - target));
            MoveTo(col, target);
        }
        break;
    case VK_NEXT:
        if (shift.ctrl) {
            MoveTo(col, std::min<int64_t>(RowCount() - 1, TopRow() + VisibleRowCount() - 1));
        } else {
            int64_t target = std::min<int64_t>(RowCount() - 1, row + page);
            SetTopRow(TopRow() + (target - row));
            MoveTo(col, target);
        }
        break;
    case VK_HOME: {
        TGridCoord c = CellOf(shift.ctrl ? 0 : row * n, charArea);
        MoveTo(c.col, c.row);
        break;
    }
    case VK_END: {
        TGridCoord c = CellOf(shift.ctrl ? size - 1 : std::min(row * n + n - 1, size - 1), charArea);
        MoveTo(c.col, c.row);
        break;
    }
    case VK_TAB:
        if (size > 0) MoveTo(TwinCol(col), row);
        break;
    case 'T':
        if (shift.ctrl && size > 0) MoveTo(TwinCol(col), row);
        break;
    case VK_INSERT:
        if (AllowInsertMode()) {
            insertMode_ = !insertMode_;
            changed_.clear();
            if (hasCaret_) FocusChanged(true);
            Repaint();
            StateChanged();
        }
        break;
    default:
        if (digit && shift.ctrl) {
            int64_t m = markers_[static_cast<size_t>(key - '0')];
            MoveTo(2, m >= 0 ? m : row);
        }
        break;
    }
}

void THexEditor::MouseDown(int x, int y, const TShiftState&, bool doubleClick) {
    selecting_ = false;
    ClearSelection();
    TGridCoord c = MouseCoord(x, y);
    if (c.col >= 0 && c.row >= 0 && DataSize() > 0) MoveTo(c.col, c.row);
    if (!doubleClick && DataSize() > 0) {
        selecting_ = true;
        selAnchor_ = CursorOffset();
    }
}

void THexEditor::MouseMove(int x, int y, const TShiftState& shift) {
    if (!shift.leftButton || GetCapture() != Handle() || DataSize() == 0) return;
    RECT client = ClientRect();
    TGridCoord c =
        MouseCoord(std::clamp<int>(x, 0, client.right - 1), std::clamp<int>(y, 0, client.bottom - 1));
    int col = c.col >= 0 ? c.col : Col();
    int64_t row = c.row >= 0 ? c.row : RowCount() - 1;
    // Past an edge the view scrolls on by a row.
    if (y < 0)
        row = TopRow() - 1;
    else if (y >= client.bottom)
        row = TopRow() + VisibleRowCount();
    if (col < 2) col = 2;
    MoveTo(col, row);
}

LRESULT THexEditor::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        switch (msg) {
        case kStateMessage:
            if (OnStateChanged) OnStateChanged();
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                SetCursor(LoadCursor(nullptr, IDC_IBEAM));
                return TRUE;
            }
            break;
        case WM_CHAR:
            // Typing edits only outside read-only view, which this control does not offer.
            return 0;
        }
        return TDrawGrid::WndProc(msg, wParam, lParam);
    } catch (const std::exception& e) {
        // Nothing may unwind into the system's frames.
        MessageBoxA(Handle(), e.what(), "Error", MB_OK | MB_ICONERROR);
        return 0;
    }
}

} // namespace kvhex
