#include "kovalin/Canvas.h"

#include "kovalin/Graphic.h"
#include "kovalin/Handles.h"

namespace kovalin {

void TCanvas::StretchDraw(const RECT& rect, TGraphic& graphic) {
    graphic.Draw(*this, rect);
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
    RECT r{x, y, x + graphic.Width(), y + graphic.Height()};
    graphic.Draw(*this, r);
}

void TCanvas::FillRect(const RECT& rect, COLORREF color) {
    UniqueHBrush brush(CreateSolidBrush(color));
    ::FillRect(dc_, &rect, brush.get());
}

void TCanvas::FrameRect(const RECT& rect, COLORREF color) {
    UniqueHBrush brush(CreateSolidBrush(color));
    ::FrameRect(dc_, &rect, brush.get());
}

} // namespace kovalin
