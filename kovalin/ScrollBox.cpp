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
    DWORD style = static_cast<DWORD>(GetWindowLongA(box_.Handle(), GWL_STYLE));
    return (style & (bar_ == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) != 0;
}

void TControlScrollBar::SetRange(int value) {
    range_ = std::max(0, value);
    Apply();
}

void TControlScrollBar::SetPosition(int value) {
    value = std::clamp(value, 0, MaxPosition());
    if (value == position_) return;
    int delta = value - position_;
    position_ = value;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    si.nPos = position_;
    SetScrollInfo(box_.Handle(), bar_, &si, TRUE);
    if (bar_ == SB_HORZ) box_.ScrollBy(-delta, 0);
    else box_.ScrollBy(0, -delta);
}

// Hands range, page and position to the system's bar, which shows itself only while the range
// exceeds the page. Showing or hiding a bar resizes the client area, which calls back here.
void TControlScrollBar::Apply() {
    int client = ClientSize();
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = range_ > client ? range_ - 1 : 0;
    si.nPage = range_ > client ? static_cast<UINT>(client) : 0;
    int pos = range_ > client ? std::clamp(position_, 0, MaxPosition()) : 0;
    si.nPos = pos;
    SetScrollInfo(box_.Handle(), bar_, &si, TRUE);
    // The client area may have changed with the bar: keep the position within what is reachable.
    pos = std::clamp(pos, 0, MaxPosition());
    if (pos != position_) {
        int delta = pos - position_;
        position_ = pos;
        si.fMask = SIF_POS;
        si.nPos = pos;
        SetScrollInfo(box_.Handle(), bar_, &si, TRUE);
        if (bar_ == SB_HORZ) box_.ScrollBy(-delta, 0);
        else box_.ScrollBy(0, -delta);
    }
}

void TControlScrollBar::Scroll(WORD code, int thumb) {
    int client = ClientSize();
    switch (code) {
    case SB_LINEUP:
        SetPosition(position_ - increment_);
        break;
    case SB_LINEDOWN:
        SetPosition(position_ + increment_);
        break;
    case SB_PAGEUP:
        SetPosition(position_ - client);
        break;
    case SB_PAGEDOWN:
        SetPosition(position_ + client);
        break;
    case SB_TOP:
        SetPosition(0);
        break;
    case SB_BOTTOM:
        SetPosition(range_);
        break;
    case SB_THUMBTRACK:
        if (tracking_) SetPosition(thumb);
        break;
    case SB_THUMBPOSITION:
        SetPosition(thumb);
        break;
    }
}

TScrollBox::TScrollBox(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    CreateParams cp = ChildParams(nullptr, p.left, p.top, p.width, p.height);
    cp.style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (p.tabStop ? WS_TABSTOP : 0);
    cp.exStyle = p.border ? WS_EX_CLIENTEDGE : 0;
    CreateHandle(cp);
}

void TScrollBox::SetAutoScroll(bool value) {
    if (value == autoScroll_) return;
    autoScroll_ = value;
    if (value) UpdateAutoRange();
}

void TScrollBox::UpdateAutoRange() {
    int right = 0, bottom = 0;
    for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
        right = std::max<int>(right, r.right + horz_.position_);
        bottom = std::max<int>(bottom, r.bottom + vert_.position_);
    }
    horz_.range_ = right > 0 ? right + horz_.margin_ : 0;
    vert_.range_ = bottom > 0 ? bottom + vert_.margin_ : 0;
    horz_.Apply();
    vert_.Apply();
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
        if (lParam == 0) {
            SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_TRACKPOS;
            GetScrollInfo(Handle(), SB_HORZ, &si);
            horz_.Scroll(LOWORD(wParam), si.nTrackPos);
            return 0;
        }
        break;
    case WM_VSCROLL:
        if (lParam == 0) {
            SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_TRACKPOS;
            GetScrollInfo(Handle(), SB_VERT, &si);
            vert_.Scroll(LOWORD(wParam), si.nTrackPos);
            return 0;
        }
        break;
    case WM_SIZE: {
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        // A bar that shows or hides resizes the client area again; the outermost call finishes.
        if (sizing_ < 3) {
            ++sizing_;
            if (autoScroll_) UpdateAutoRange();
            else {
                horz_.Apply();
                vert_.Apply();
            }
            --sizing_;
        }
        if (sizing_ == 0) Resize();
        return r;
    }
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace kovalin
