#include "kovalin/Splitter.h"

#include <algorithm>

namespace kovalin {

TSplitter::TSplitter(TWinControl& parent, const Params& p) : TWinControl(&parent), minSize_(p.minSize) {
    bool vertical = p.align == TAlign::alLeft || p.align == TAlign::alRight;
    // The parent's layout gives the bar its length.
    CreateParams cp = ChildParams(nullptr, 0, 0, vertical ? p.size : 100, vertical ? 100 : p.size);
    cp.style |= WS_CLIPSIBLINGS;
    CreateHandle(cp);
    SetAlign(p.align);
}

bool TSplitter::Vertical() const {
    return Align() == TAlign::alLeft || Align() == TAlign::alRight;
}

int TSplitter::ExtentOf(const TWinControl& control) const {
    return Vertical() ? control.Width() : control.Height();
}

TWinControl* TSplitter::ResizedControl() const {
    if (!Parent()) return nullptr;
    TWinControl* found = nullptr;
    for (TWinControl* c : Parent()->AlignedControls()) {
        if (c == this) return found;
        if (c->Align() == Align() && c->Visible()) found = c;
    }
    return nullptr;
}

void TSplitter::MoveTo(POINT screen) {
    int delta = Vertical() ? screen.x - start_.x : screen.y - start_.y;
    if (Align() == TAlign::alRight || Align() == TAlign::alBottom) delta = -delta;
    int size = std::clamp(startSize_ + delta, std::min(minSize_, startSize_), std::max(maxSize_, minSize_));
    if (size == ExtentOf(*resized_)) return;
    if (Vertical())
        resized_->SetBounds(resized_->Left(), resized_->Top(), size, resized_->Height());
    else
        resized_->SetBounds(resized_->Left(), resized_->Top(), resized_->Width(), size);
    Parent()->AlignControls();
    UpdateWindow(Parent()->Handle());
}

LRESULT TSplitter::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETCURSOR:
        SetCursor(LoadCursor(nullptr, Vertical() ? IDC_SIZEWE : IDC_SIZENS));
        return TRUE;
    case WM_LBUTTONDOWN: {
        resized_ = ResizedControl();
        if (!resized_) break;
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(Handle(), &p);
        start_ = p;
        startSize_ = ExtentOf(*resized_);
        // The control that fills the rest keeps at least MinSize.
        int room = 0;
        for (TWinControl* c : Parent()->AlignedControls())
            if (c->Align() == TAlign::alClient && c->Visible()) room = ExtentOf(*c);
        maxSize_ = startSize_ + room - minSize_;
        dragging_ = true;
        SetCapture(Handle());
        return 0;
    }
    case WM_MOUSEMOVE:
        if (dragging_) {
            POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(Handle(), &p);
            MoveTo(p);
        }
        return 0;
    case WM_LBUTTONUP:
        if (dragging_) {
            POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(Handle(), &p);
            MoveTo(p);
            dragging_ = false;
            ReleaseCapture();
            if (OnMoved) OnMoved();
        }
        return 0;
    case WM_CAPTURECHANGED:
        dragging_ = false;
        break;
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace kovalin
