// A thin bar between aligned controls; dragging it resizes the control stacked just outside it
// along the same edge, live, and reports the end of the move.
#pragma once

#include "kovalin/WinControl.h"

#include <functional>

namespace kovalin {

class TSplitter : public TWinControl {
public:
    struct Params {
        TAlign align = TAlign::alLeft; // alLeft/alRight: a vertical bar; alTop/alBottom: horizontal
        int size = 3;                  // width of a vertical bar, height of a horizontal one
        int minSize = 30;              // neither neighbour gets smaller than this
    };
    TSplitter(TWinControl& parent, const Params& p);

    int MinSize() const { return minSize_; }
    // The control the splitter resizes: the last one aligned to the same edge before it.
    TWinControl* ResizedControl() const;

    // The button was released after a move.
    std::function<void()> OnMoved;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool Vertical() const;
    int ExtentOf(const TWinControl& control) const;
    void MoveTo(POINT screen);

    int minSize_;
    bool dragging_ = false;
    TWinControl* resized_ = nullptr;
    POINT start_{};
    int startSize_ = 0, maxSize_ = 0;
};

} // namespace kovalin
