// A container that scrolls its children: the scroll ranges cover the children's extent, the bars
// appear only when the children do not fit, and scrolling moves the children.
#pragma once

#include "kovalin/WinControl.h"

namespace kovalin {

class TScrollBox : public TWinControl {
public:
    struct Params {
        int left = 0, top = 0, width = 185, height = 41;
        int color = COLOR_WINDOW; // system colour index of the background
        bool tracking = true;     // the content follows the thumb while it is dragged
    };
    TScrollBox(TWinControl& parent, const Params& p);

    // How far the content is scrolled, in pixels.
    int ScrollLeft() const { return offset_.x; }
    int ScrollTop() const { return offset_.y; }
    // The extent of the children, in content coordinates.
    SIZE ContentSize() const { return content_; }

    // Measures the children again and sets the bars; call after a child moved or changed size.
    void UpdateScrollRange();
    // Scrolls to the content point (clamped to the range).
    void ScrollTo(int x, int y);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnScroll(int bar, WORD code);
    int MaxOffset(int bar) const;

    int color_;
    bool tracking_;
    POINT offset_{0, 0};
    SIZE content_{0, 0};
    bool updating_ = false;
};

} // namespace kovalin
