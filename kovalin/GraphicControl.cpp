#include "kovalin/GraphicControl.h"

#include "kovalin/Form.h"

#include <algorithm>

namespace kovalin {

TGraphicControl::TGraphicControl(TForm& parent, int left, int top, int width, int height)
    : parent_(parent), bounds_{left, top, left + width, top + height} {
    parent_.graphics_.push_back(this);
    Invalidate();
}

TGraphicControl::~TGraphicControl() {
    auto& list = parent_.graphics_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    Invalidate();
}

void TGraphicControl::SetBounds(int left, int top, int width, int height) {
    Invalidate();
    bounds_ = {left, top, left + width, top + height};
    Invalidate();
}

void TGraphicControl::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    Invalidate();
}

void TGraphicControl::Invalidate() {
    if (parent_.Handle()) InvalidateRect(parent_.Handle(), &bounds_, TRUE);
}

} // namespace kovalin
