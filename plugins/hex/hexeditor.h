// THexEditor: a grid that shows a file as rows of hexadecimal byte values beside the same bytes
// as characters, with an offset column, row markers, keyboard and mouse navigation, block
// selection and a caret. It shows a private working copy of the file and keeps only a 64 KiB
// window of it in memory. Offsets are 64-bit throughout.
#pragma once

#include "kovalin/DrawGrid.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Handles.h"
#include "plugins/hex/hexcolors.h"
#include "plugins/hex/hexfile.h"
#include "plugins/hex/hextrans.h"

#include <array>
#include <functional>
#include <memory>
#include <set>
#include <string>

namespace kvhex {

enum class TOffsetDisplay { odHex, odDec, odOctal, odNone };
enum class TCaretStyle { csFull, csLeftLine, csBottomLine };

class EHexEditor : public kovalin::Exception {
    using Exception::Exception;
};

// Everything a cell is drawn with.
struct THexCellLook {
    std::string text;
    COLORREF textColor = 0, background = 0;
    bool markerFont = false; // the small "Arial" of the row markers
    bool twinFrame = false;  // the caret's twin cell in the other area
};

class THexEditor : public kovalin::TDrawGrid {
public:
    static constexpr int kMarkerCount = 10;

    // A single-line border without the sunken look, whatever `p` asks for.
    explicit THexEditor(kovalin::TWinControl& parent, const kovalin::TDrawGrid::Params& p = {});
    ~THexEditor() override;

    // Shows a copy of the file from offset 0. A file that does not exist or cannot be read
    // leaves the current document as it is and gives false.
    bool LoadFromFile(const std::string& fileName);
    // Drops the document and shows the empty "Untitled" one.
    void NewDocument();

    const std::string& FileName() const { return fileName_; }
    bool SourceReadOnly() const { return sourceReadOnly_; }
    int64_t DataSize();
    const std::string& WorkingCopyPath() const { return copy_.Path(); }
    int64_t ReadWindowStart() const { return copy_.WindowStart(); }

    int BytesPerLine() const { return bytesPerLine_; }
    void SetBytesPerLine(int value);
    int BytesPerColumn() const { return bytesPerColumn_; }
    void SetBytesPerColumn(int value);
    TTranslationType Translation() const { return translation_; }
    void SetTranslation(TTranslationType value);
    TOffsetDisplay OffsetDisplay() const { return offsetDisplay_; }
    void SetOffsetDisplay(TOffsetDisplay value);
    char OffsetSeparator() const { return offsetSeparator_; }
    void SetOffsetSeparator(char value);
    TCaretStyle CaretStyle() const;
    void SetCaretStyle(TCaretStyle value);
    bool AutoCaretMode() const { return autoCaretMode_; }
    void SetAutoCaretMode(bool value);
    bool FocusFrame() const { return focusFrame_; }
    void SetFocusFrame(bool value);
    bool ShowMarkerColumn() const { return showMarkerColumn_; }
    void SetShowMarkerColumn(bool value);
    bool SwapNibbles() const { return swapNibbles_; }
    void SetSwapNibbles(bool value);
    bool MaskWhiteSpaces() const { return maskWhiteSpaces_; }
    void SetMaskWhiteSpaces(bool value);
    char MaskChar() const { return maskChar_; }
    void SetMaskChar(char value);
    bool ReadOnlyView() const { return readOnlyView_; }
    void SetReadOnlyView(bool value) { readOnlyView_ = value; }
    bool AllowInsertMode() const { return allowInsertMode_ && !noSizeChange_; }
    void SetAllowInsertMode(bool value);
    bool NoSizeChange() const { return noSizeChange_; }
    void SetNoSizeChange(bool value);
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool value) { wantTabs_ = value; }
    bool CreateBackup() const { return createBackup_; }
    void SetCreateBackup(bool value) { createBackup_ = value; }
    const std::string& BackupExtension() const { return backupExtension_; }
    void SetBackupExtension(const std::string& value) { backupExtension_ = value; }
    TColors& Colors() { return colors_; }

    const std::string& FontName() const { return fontName_; }
    // Point size; the pixel height follows from the screen's resolution.
    int FontSize() const;
    // Character height in pixels.
    int FontHeight() const { return fontHeight_; }
    void SetFont(const std::string& name, int heightPixels);
    COLORREF FontColor() const { return fontColor_; }
    void SetFontColor(COLORREF value);

    bool InsertMode() const { return insertMode_; }
    bool Modified() const { return modified_; }
    std::string UndoDescription() const { return "No Undo"; }

    // Offset of the byte under the caret, and whether the caret is in the character area.
    int64_t CursorOffset() const;
    bool InCharField() const;

    // -1 when nothing is selected.
    int64_t SelStart() const { return selStart_; }
    int64_t SelEnd() const { return selEnd_; }
    void SetSelStart(int64_t value);
    void SetSelEnd(int64_t value);

    // Row of marker 0..9, -1 when unset.
    int64_t Marker(int index) const;
    void SetMarker(int index, int64_t row);

    // Layout: character width and row height in pixels, offset column width in characters.
    int CharWidth() const { return charWidth_; }
    int RowHeightPixels() const { return rowHeight_; }
    int OffsetWidthChars() const { return offsetChars_; }

    // The offset column's width in characters for the offset of the last row, and the text of
    // one row's offset in that width.
    static int OffsetWidthFor(int64_t lastRowOffset, TOffsetDisplay display);
    static std::string FormatOffset(int64_t offset, TOffsetDisplay display, int widthChars, char separator);

    // What the cell shows and how; DrawCell draws exactly this.
    THexCellLook CellLook(int col, int64_t row);

    // After position, selection, insert mode or undo state changed; arrives through the message
    // queue once the operation is over.
    std::function<void()> OnStateChanged;

protected:
    bool SelectCell(int col, int64_t row) override;
    void DrawCell(HDC dc, int col, int64_t row, const RECT& rect) override;
    void CurrentCellChanged(int oldCol, int64_t oldRow) override;
    void TopLeftChanged() override;
    void KeyDown(WORD key, const kovalin::TShiftState& shift) override;
    void MouseDown(int x, int y, const kovalin::TShiftState& shift, bool doubleClick) override;
    void MouseMove(int x, int y, const kovalin::TShiftState& shift) override;
    UINT DialogCode() const override;
    void FocusChanged(bool focused) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // Cell and offset mapping for the current layout.
    bool IsHexCol(int col) const { return col >= 2 && col <= 2 * bytesPerLine_ + 1; }
    bool IsCharCol(int col) const { return col >= 2 * bytesPerLine_ + 3 && col <= 3 * bytesPerLine_ + 2; }
    int64_t OffsetOf(int col, int64_t row) const;
    int TwinCol(int col) const;
    // The cell of a byte in the hex (first nibble) or character area.
    kovalin::TGridCoord CellOf(int64_t offset, bool charArea) const;
    // A place at or past the end of the data becomes the last byte, in the same area.
    kovalin::TGridCoord ClampToData(int col, int64_t row);
    void MoveTo(int col, int64_t row);

    void Layout();
    void ComputeOffsetWidth();
    HFONT MarkerFont();
    void RepaintSelectionRows(int64_t oldStart, int64_t oldEnd, int64_t newStart, int64_t newEnd);
    void ClearSelection();
    void StateChanged();
    void CreateCaretBitmap();
    void PlaceCaret();
    void Repaint();

    THexWorkingCopy copy_;
    std::string fileName_;
    bool sourceReadOnly_ = false;

    int bytesPerLine_ = 16;
    int bytesPerColumn_ = 2;
    TTranslationType translation_ = TTranslationType::ttAnsi;
    TOffsetDisplay offsetDisplay_ = TOffsetDisplay::odHex;
    char offsetSeparator_ = ':';
    TCaretStyle caretStyle_ = TCaretStyle::csFull;
    bool autoCaretMode_ = true;
    bool focusFrame_ = true;
    bool showMarkerColumn_ = true;
    bool swapNibbles_ = false;
    bool maskWhiteSpaces_ = true;
    char maskChar_ = '.';
    bool readOnlyView_ = false;
    bool allowInsertMode_ = false;
    bool noSizeChange_ = false;
    bool wantTabs_ = true;
    bool createBackup_ = true;
    std::string backupExtension_ = ".bak";
    TColors colors_;

    std::string fontName_ = "Courier";
    int fontHeight_ = 16;
    COLORREF fontColor_ = RGB(0, 0, 0);
    kovalin::UniqueHFont font_, markerFont_;

    int charWidth_ = 8, rowHeight_ = 18, offsetChars_ = 4;

    int64_t selAnchor_ = -1, selStart_ = -1, selEnd_ = -1;
    bool selecting_ = false;
    std::array<int64_t, kMarkerCount> markers_;
    std::set<int64_t> changed_; // offsets of changed bytes; never a bit per byte of a huge file
    bool modified_ = false;
    bool insertMode_ = false;

    kovalin::UniqueHBitmap caretBitmap_;
    bool hasCaret_ = false;
};

} // namespace kvhex
