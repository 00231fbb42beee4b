// A drawing surface over a device context that someone else owns.
#pragma once

#include <windows.h>

namespace kovalin {

class TGraphic;

class TCanvas {
public:
    explicit TCanvas(HDC dc = nullptr) : dc_(dc) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Handle() const { return dc_; }
    void SetHandle(HDC dc) { dc_ = dc; }

    // Draws the graphic scaled into rect.
    void StretchDraw(const RECT& rect, TGraphic& graphic);
    // Draws the graphic at its own size with its top-left corner at (x, y).
    void Draw(int x, int y, TGraphic& graphic);

    void FillRect(const RECT& rect, COLORREF color);
    void FrameRect(const RECT& rect, COLORREF color);

private:
    HDC dc_;
};

} // namespace kovalin
