#include "kovalin/ScrollBox.h"

#include <algorithm>

namespace kovalin {

TScrollBox::TScrollBox(TWinControl& parent, const Params& p)
    : TWinControl(&parent), color_(p.color), tracking_(p.tracking) {
    CreateParams cp = ChildParams(nullptr, p.left, p.top, p.width, p.height);
    cp.style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_HSCROLL | WS_VSCROLL | WS_TABSTOP;
    cp.exStyle = WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT;
    CreateHandle(cp);
    UpdateScrollRange();
}

void TScrollBox::UpdateScrollRange() {
    // Setting one bar can show or hide it and resize the client area, which lands here again.
    if (updating_) return;
    updating_ = true;
    SIZE extent{0, 0};
    for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
        extent.cx = std::max<LONG>(extent.cx, r.right + offset_.x);
        extent.cy = std::max<LONG>(extent.cy, r.bottom + offset_.y);
    }
    content_ = extent;
    // Twice: a bar that appears takes room from the other direction.
    for (int round = 0; round < 2; ++round) {
        RECT client = ClientRect();
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
        si.nMax = content_.cx > 0 ? content_.cx - 1 : 0;
        si.nPage = static_cast<UINT>(client.right);
        SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
        si.nMax = content_.cy > 0 ? content_.cy - 1 : 0;
        si.nPage = static_cast<UINT>(client.bottom);
        SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
    }
    updating_ = false;
    // Content that shrank or a box that grew may leave the view past the end.
    ScrollTo(offset_.x, offset_.y);
}

int TScrollBox::MaxOffset(int bar) const {
    RECT client = ClientRect();
    int content = bar == SB_HORZ ? content_.cx : content_.cy;
    int page = bar == SB_HORZ ? client.right : client.bottom;
    return std::max(0, content - page);
}

void TScrollBox::ScrollTo(int x, int y) {
    x = std::clamp(x, 0, MaxOffset(SB_HORZ));
    y = std::clamp(y, 0, MaxOffset(SB_VERT));
    int dx = offset_.x - x, dy = offset_.y - y;
    offset_ = {x, y};
    if (dx || dy)
        ScrollWindowEx(Handle(), dx, dy, nullptr, nullptr, nullptr, nullptr,
                       SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
    si.nPos = x;
    SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
    si.nPos = y;
    SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
}

void TScrollBox::OnScroll(int bar, WORD code) {
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(Handle(), bar, &si);
    int pos = bar == SB_HORZ ? offset_.x : offset_.y;
    int page = static_cast<int>(si.nPage);
    int line = 8;
    switch (code) {
    case SB_LINEUP:
        pos -= line;
        break;
    case SB_LINEDOWN:
        pos += line;
        break;
    case SB_PAGEUP:
        pos -= page;
        break;
    case SB_PAGEDOWN:
        pos += page;
        break;
    case SB_TOP:
        pos = 0;
        break;
    case SB_BOTTOM:
        pos = MaxOffset(bar);
        break;
    case SB_THUMBTRACK:
        if (!tracking_) return;
        pos = si.nTrackPos;
        break;
    case SB_THUMBPOSITION:
        pos = si.nTrackPos;
        break;
    default:
        return;
    }
    if (bar == SB_HORZ)
        ScrollTo(pos, offset_.y);
    else
        ScrollTo(offset_.x, pos);
}

LRESULT TScrollBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (lParam) break; // a control inside names itself
        OnScroll(msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL: {
        int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        ScrollTo(offset_.x, offset_.y - notches * 3 * 8);
        return 0;
    }
    case WM_SIZE: {
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        UpdateScrollRange();
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
