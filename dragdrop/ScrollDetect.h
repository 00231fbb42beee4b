// Auto-scroll settings of a drop target, and where in a control the cursor asks to scroll.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace dragdrop {

// An edge area runs from Margin to Margin + Range pixels, measured from its edge.
struct TScrollDetectArea {
    uint16_t Margin = 0;
    uint16_t Range = 10;
};

class TScrollDetectOptions {
public:
    uint16_t ScrollDelay() const { return scrollDelay_; }
    void SetScrollDelay(uint16_t v) { Set(scrollDelay_, v); }
    uint16_t StartDelay() const { return startDelay_; }
    void SetStartDelay(uint16_t v) { Set(startDelay_, v); }
    const TScrollDetectArea& AreaLeft() const { return left_; }
    void SetAreaLeft(TScrollDetectArea v) { SetArea(left_, v); }
    const TScrollDetectArea& AreaTop() const { return top_; }
    void SetAreaTop(TScrollDetectArea v) { SetArea(top_, v); }
    const TScrollDetectArea& AreaRight() const { return right_; }
    void SetAreaRight(TScrollDetectArea v) { SetArea(right_, v); }
    const TScrollDetectArea& AreaBottom() const { return bottom_; }
    void SetAreaBottom(TScrollDetectArea v) { SetArea(bottom_, v); }
    bool HorzScrolling() const { return horz_; }
    void SetHorzScrolling(bool v) { Set(horz_, v); }
    bool VertScrolling() const { return vert_; }
    void SetVertScrolling(bool v) { Set(vert_, v); }
    bool HorzPageScroll() const { return horzPage_; }
    void SetHorzPageScroll(bool v) { Set(horzPage_, v); }
    bool VertPageScroll() const { return vertPage_; }
    void SetVertPageScroll(bool v) { Set(vertPage_, v); }

    // Told of every change; the owning component listens here.
    std::function<void()> OnChange;

private:
    template <typename T> void Set(T& field, T v) {
        if (field == v) return;
        field = v;
        if (OnChange) OnChange();
    }
    void SetArea(TScrollDetectArea& field, TScrollDetectArea v) {
        if (field.Margin == v.Margin && field.Range == v.Range) return;
        field = v;
        if (OnChange) OnChange();
    }

    uint16_t scrollDelay_ = 100;
    uint16_t startDelay_ = 750;
    TScrollDetectArea left_, top_, right_, bottom_;
    bool horz_ = false, vert_ = false, horzPage_ = false, vertPage_ = false;
};

// 0 none, 1 towards the near edge (up, left), 2 towards the far edge (down, right).
enum class TScrollDirection { sdNone, sdNear, sdFar };

// The direction the cursor at `pos` asks for in a client extent of `size` pixels.
TScrollDirection ScrollDirectionAt(int pos, int size, const TScrollDetectArea& nearArea,
                                   const TScrollDetectArea& farArea);
// Whether the control's scroll bar (SB_VERT, SB_HORZ) can still move that way.
bool CanScroll(HWND control, int bar, TScrollDirection direction);

} // namespace dragdrop
