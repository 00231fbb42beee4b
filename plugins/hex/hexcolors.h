// The colour set of the hex view. It keeps, beside the two group colours, their complements,
// which selected hex digits are drawn in, and tells its owner to repaint on every change.
#pragma once

#include <windows.h>

#include <functional>

namespace kvhex {

// Each of red, green and blue replaced by 255 minus its value.
COLORREF Complement(COLORREF color);

class TColors {
public:
    TColors();

    COLORREF Background() const { return background_; }
    void SetBackground(COLORREF c) { Set(background_, c); }
    COLORREF Offset() const { return offset_; }
    void SetOffset(COLORREF c) { Set(offset_, c); }
    COLORREF OddColumn() const { return oddColumn_; }
    void SetOddColumn(COLORREF c);
    COLORREF EvenColumn() const { return evenColumn_; }
    void SetEvenColumn(COLORREF c);
    COLORREF PositionBackground() const { return positionBackground_; }
    void SetPositionBackground(COLORREF c) { Set(positionBackground_, c); }
    COLORREF PositionText() const { return positionText_; }
    void SetPositionText(COLORREF c) { Set(positionText_, c); }
    COLORREF ChangedBackground() const { return changedBackground_; }
    void SetChangedBackground(COLORREF c) { Set(changedBackground_, c); }
    COLORREF ChangedText() const { return changedText_; }
    void SetChangedText(COLORREF c) { Set(changedText_, c); }
    COLORREF CursorFrame() const { return cursorFrame_; }
    void SetCursorFrame(COLORREF c) { Set(cursorFrame_, c); }

    COLORREF OddColumnComplement() const { return oddComplement_; }
    COLORREF EvenColumnComplement() const { return evenComplement_; }

    // Called after every change; Background changes also the control's own colour through it.
    std::function<void()> OnChange;

private:
    void Set(COLORREF& field, COLORREF value);

    COLORREF background_;
    COLORREF offset_ = RGB(0, 0, 0);
    COLORREF oddColumn_ = RGB(0, 0, 255);
    COLORREF evenColumn_ = RGB(0, 0, 128);
    COLORREF positionBackground_ = RGB(128, 0, 0);
    COLORREF positionText_ = RGB(255, 255, 255);
    COLORREF changedBackground_ = 0xA8FFFF;
    COLORREF changedText_ = RGB(128, 0, 0);
    COLORREF cursorFrame_ = RGB(0, 0, 128);
    COLORREF oddComplement_, evenComplement_;
};

} // namespace kvhex
