// A container that scrolls its children: a horizontal and a vertical scroll bar whose ranges are the
// extent of the content (worked out from the children while AutoScroll is on, or set by the owner),
// and positions that move the children.
#pragma once

#include "kovalin/WinControl.h"

#include <functional>

namespace kovalin {

class TScrollBox;

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
    // The step of the arrow buttons and arrow keys.
    int Increment() const { return increment_; }
    void SetIncrement(int value) { increment_ = value; }
    // Thumb dragging scrolls at once (instead of when the thumb is let go).
    bool Tracking() const { return tracking_; }
    void SetTracking(bool value) { tracking_ = value; }
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool value) { smooth_ = value; }
    // Whether the bar is shown now.
    bool IsScrollBarVisible() const;
    int ScrollPos() const { return IsScrollBarVisible() ? position_ : 0; }

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
    bool tracking_ = false, smooth_ = false;
};

class TScrollBox : public TWinControl {
public:
    struct Params {
        int left = 0, top = 0, width = 185, height = 41;
        bool tabStop = false;
        bool border = false;
    };
    TScrollBox(TWinControl& parent, const Params& p);

    TControlScrollBar& HorzScrollBar() { return horz_; }
    TControlScrollBar& VertScrollBar() { return vert_; }

    bool AutoScroll() const { return autoScroll_; }
    // Turning it on works the ranges out from the children at once.
    void SetAutoScroll(bool value);
    // Ranges from where the children reach (the bar's position added back), plus the margins.
    void UpdateAutoRange();

    std::function<void()> OnResize;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The client area changed size; the default runs OnResize.
    virtual void Resize();

private:
    friend class TControlScrollBar;
    void ScrollBy(int dx, int dy);

    TControlScrollBar horz_{*this, SB_HORZ};
    TControlScrollBar vert_{*this, SB_VERT};
    bool autoScroll_ = true;
    int sizing_ = 0;
};

} // namespace kovalin
