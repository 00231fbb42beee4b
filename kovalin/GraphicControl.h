// Controls without a window of their own: the form they sit on paints them.
#pragma once

#include <windows.h>

namespace kovalin {

class TForm;

class TGraphicControl {
public:
    TGraphicControl(TForm& parent, int left, int top, int width, int height);
    TGraphicControl(const TGraphicControl&) = delete;
    TGraphicControl& operator=(const TGraphicControl&) = delete;
    virtual ~TGraphicControl();

    RECT BoundsRect() const { return bounds_; }
    void SetBounds(int left, int top, int width, int height);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    virtual void Paint(HDC dc) = 0;

protected:
    void Invalidate();

private:
    TForm& parent_;
    RECT bounds_;
    bool visible_ = true;
};

} // namespace kovalin
