// A container that scrolls its children: the scroll ranges cover the children's extent (or what the
// owner sets while auto-scroll is off), the bars appear only when the content does not fit, and
// scrolling moves the children.
#pragma once

#include "kovalin/WinControl.h"

#include <functional>

namespace kovalin {

class TScrollBox;

// One of the box's two bars.
class TControlScrollBar {
public:
    // The extent of the content along the bar; the bar shows when it exceeds the client size.
    int Range() const { return range_; }
    void SetRange(int value);
    // 0 .. Range - client size.
    int Position() const { return position_; }
    void SetPosition(int value);
    // The room kept beyond the outermost child when the range is worked out from the children.
    int Margin() const { return margin_; }
    void SetMargin(int value) { margin_ = value; }
    // The step of the arrow buttons, arrow keys and (three a notch) the mouse wheel.
    int Increment() const { return increment_; }
    void SetIncrement(int value) { increment_ = value; }
    // The content follows the thumb while it is dragged (instead of when it is let go).
    bool Tracking() const { return tracking_; }
    void SetTracking(bool value) { tracking_ = value; }
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool value) { smooth_ = value; }
    // Whether the bar is shown now.
    bool IsScrollBarVisible() const;

private:
    friend class TScrollBox;
    TControlScrollBar(TScrollBox& box, int bar) : box_(box), bar_(bar) {}
    int ClientSize() const;
    int MaxPosition() const;
    void Apply();
    void Scroll(WORD code, int thumb);

    TScrollBox& box_;
    int bar_; // SB_HORZ or SB_VERT
    int range_ = 0, position_ = 0, margin_ = 0, increment_ = 8;
    bool tracking_ = true, smooth_ = false;
};

class TScrollBox : public TWinControl {
public:
    struct Params {
        int left = 0, top = 0, width = 185, height = 41;
        int color = COLOR_WINDOW; // system colour index of the background
        bool tracking = true;     // the content follows the thumb while it is dragged
        bool border = true;       // a sunken client edge
    };
    TScrollBox(TWinControl& parent, const Params& p);

    // How far the content is scrolled, in pixels.
    int ScrollLeft() const { return horz_.position_; }
    int ScrollTop() const { return vert_.position_; }
    // The extent of the content, in content coordinates.
    SIZE ContentSize() const { return {horz_.range_, vert_.range_}; }

    // Measures the children again and sets the bars (with auto-scroll on; otherwise the ranges
    // stay as set); call after a child moved or changed size.
    void UpdateScrollRange();
    // Scrolls to the content point (clamped to the range).
    void ScrollTo(int x, int y);

    TControlScrollBar& HorzScrollBar() { return horz_; }
    TControlScrollBar& VertScrollBar() { return vert_; }
    const TControlScrollBar& HorzScrollBar() const { return horz_; }
    const TControlScrollBar& VertScrollBar() const { return vert_; }

    bool AutoScroll() const { return autoScroll_; }
    // Turning it on measures the children at once.
    void SetAutoScroll(bool value);

    std::function<void()> OnResize;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The client area changed size (after the bars were set again); the default runs OnResize.
    virtual void Resize();

private:
    friend class TControlScrollBar;
    void ScrollBy(int dx, int dy);
    void MeasureChildren();

    TControlScrollBar horz_{*this, SB_HORZ};
    TControlScrollBar vert_{*this, SB_VERT};
    int color_;
    bool autoScroll_ = true;
    int sizing_ = 0;
};

} // namespace kovalin
