#include "kovalin/ScrollBox.h"

#include <algorithm>

namespace kovalin {

int TControlScrollBar::ClientSize() const {
    RECT r = box_.ClientRect();
    return bar_ == SB_HORZ ? r.right : r.bottom;
}

int TControlScrollBar::MaxPosition() const {
    return std::max(0, range_ - ClientSize());
}

bool TControlScrollBar::IsScrollBarVisible() const {
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    GetScrollBarInfo(box_.Handle(), bar_ == SB_HORZ ? OBJID_HSCROLL : OBJID_VSCROLL, &info);
    return !(info.rgstate[0] & STATE_SYSTEM_INVISIBLE);
}

void TControlScrollBar::SetRange(int value) {
    range_ = std::max(0, value);
    Apply();
}

void TControlScrollBar::SetPosition(int value) {
    value = std::clamp(value, 0, MaxPosition());
    int delta = value - position_;
    position_ = value;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    si.nPos = position_;
    SetScrollInfo(box_.Handle(), bar_, &si, TRUE);
    if (bar_ == SB_HORZ)
        box_.ScrollBy(-delta, 0);
    else
        box_.ScrollBy(0, -delta);
}

// Hands range and page to the system's bar, which shows itself only while the range exceeds the
// page; showing or hiding a bar resizes the client area, which calls back here. The position is
// kept within what is reachable.
void TControlScrollBar::Apply() {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMax = range_ > 0 ? range_ - 1 : 0;
    si.nPage = static_cast<UINT>(ClientSize());
    SetScrollInfo(box_.Handle(), bar_, &si, TRUE);
    SetPosition(position_);
}

void TControlScrollBar::Scroll(WORD code, int thumb) {
    switch (code) {
    case SB_LINEUP:
        SetPosition(position_ - increment_);
        break;
    case SB_LINEDOWN:
        SetPosition(position_ + increment_);
        break;
    case SB_PAGEUP:
        SetPosition(position_ - ClientSize());
        break;
    case SB_PAGEDOWN:
        SetPosition(position_ + ClientSize());
        break;
    case SB_TOP:
        SetPosition(0);
        break;
    case SB_BOTTOM:
        SetPosition(MaxPosition());
        break;
    case SB_THUMBTRACK:
        if (tracking_) SetPosition(thumb);
        break;
    case SB_THUMBPOSITION:
        SetPosition(thumb);
        break;
    }
}

TScrollBox::TScrollBox(TWinControl& parent, const Params& p) : TWinControl(&parent), color_(p.color) {
    CreateParams cp = ChildParams(nullptr, p.left, p.top, p.width, p.height);
    cp.style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_HSCROLL | WS_VSCROLL | WS_TABSTOP;
    cp.exStyle = (p.border ? WS_EX_CLIENTEDGE : 0) | WS_EX_CONTROLPARENT;
    CreateHandle(cp);
    horz_.tracking_ = vert_.tracking_ = p.tracking;
    UpdateScrollRange();
}

void TScrollBox::SetAutoScroll(bool value) {
    if (value == autoScroll_) return;
    autoScroll_ = value;
    if (value) UpdateScrollRange();
}

void TScrollBox::MeasureChildren() {
    int right = 0, bottom = 0;
    for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
        right = std::max<int>(right, r.right + horz_.position_);
        bottom = std::max<int>(bottom, r.bottom + vert_.position_);
    }
    horz_.range_ = right > 0 ? right + horz_.margin_ : 0;
    vert_.range_ = bottom > 0 ? bottom + vert_.margin_ : 0;
}

void TScrollBox::UpdateScrollRange() {
    // Setting one bar can show or hide it and resize the client area, which lands here again.
    if (sizing_ > 0) return;
    RECT before = ClientRect();
    ++sizing_;
    if (autoScroll_) MeasureChildren();
    // Twice: a bar that appears takes room from the other direction.
    for (int round = 0; round < 2; ++round) {
        horz_.Apply();
        vert_.Apply();
    }
    --sizing_;
    // A bar that came or went changed the room the content has: the owner lays it out again.
    RECT after = ClientRect();
    if (after.right != before.right || after.bottom != before.bottom) Resize();
}

void TScrollBox::ScrollTo(int x, int y) {
    horz_.SetPosition(x);
    vert_.SetPosition(y);
}

void TScrollBox::ScrollBy(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    ScrollWindowEx(Handle(), dx, dy, nullptr, nullptr, nullptr, nullptr,
                   SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
}

void TScrollBox::Resize() {
    if (OnResize) OnResize();
}

LRESULT TScrollBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_HSCROLL:
    case WM_VSCROLL: {
        if (lParam) break; // a control inside names itself
        int bar = msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        GetScrollInfo(Handle(), bar, &si);
        (bar == SB_HORZ ? horz_ : vert_).Scroll(LOWORD(wParam), si.nTrackPos);
        return 0;
    }
    case WM_MOUSEWHEEL: {
        int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        vert_.SetPosition(vert_.position_ - notches * 3 * vert_.increment_);
        return 0;
    }
    case WM_SIZE: {
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        if (sizing_ == 0) {
            UpdateScrollRange();
            Resize();
        }
        return r;
    }
    case WM_ERASEBKGND: {
        RECT r = ClientRect();
        FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(color_));
        return 1;
    }
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace kovalin
