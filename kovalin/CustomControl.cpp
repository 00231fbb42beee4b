#include "kovalin/CustomControl.h"

#include "kovalin/Handles.h"
#include "kovalin/Menus.h"

#include <windowsx.h>

namespace kovalin {

TShiftState KeyboardShiftState() {
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0) s |= MK_CONTROL;
    if (GetKeyState(VK_MENU) < 0) s |= kShiftAlt;
    return s;
}

TCustomControl::TCustomControl(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    CreateParams cp = ChildParams(nullptr, p.left, p.top, p.width, p.height);
    cp.style = WS_CHILD | WS_CLIPSIBLINGS | (p.visible ? WS_VISIBLE : 0) | (p.tabStop ? WS_TABSTOP : 0);
    CreateHandle(cp);
}

void TCustomControl::SetCursor(HCURSOR cursor) {
    if (cursor == cursor_) return;
    cursor_ = cursor;
    // Show the new cursor at once when the pointer is over the control.
    POINT pt;
    if (GetCursorPos(&pt) && WindowFromPoint(pt) == Handle())
        ::SetCursor(cursor_ ? cursor_ : LoadCursor(nullptr, IDC_ARROW));
}

void TCustomControl::MouseDown(TMouseButton button, WPARAM wParam, LPARAM lParam) {
    if (button == TMouseButton::mbLeft) {
        leftPressed_ = true;
        SetCapture(Handle());
    }
    TShiftState shift = static_cast<TShiftState>(wParam) | (GetKeyState(VK_MENU) < 0 ? kShiftAlt : 0);
    if (OnMouseDown) OnMouseDown(button, shift, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

void TCustomControl::MouseUp(TMouseButton button, WPARAM wParam, LPARAM lParam) {
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    bool click = false;
    if (button == TMouseButton::mbLeft && leftPressed_) {
        leftPressed_ = false;
        if (GetCapture() == Handle()) ReleaseCapture();
        RECT r = ClientRect();
        POINT pt{x, y};
        click = PtInRect(&r, pt) != FALSE;
    }
    TShiftState shift = static_cast<TShiftState>(wParam) | (GetKeyState(VK_MENU) < 0 ? kShiftAlt : 0);
    if (OnMouseUp) OnMouseUp(button, shift, x, y);
    if (click && OnClick) OnClick();
}

LRESULT TCustomControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintDC dc(Handle());
        Paint(dc.get());
        return 0;
    }
    case WM_PRINTCLIENT:
        // Painting into a device context someone else holds: a snapshot of the control.
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            ::SetCursor(cursor_ ? cursor_ : LoadCursor(nullptr, IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        MouseDown(TMouseButton::mbLeft, wParam, lParam);
        return 0;
    case WM_RBUTTONDOWN:
        MouseDown(TMouseButton::mbRight, wParam, lParam);
        return 0;
    case WM_MBUTTONDOWN:
        MouseDown(TMouseButton::mbMiddle, wParam, lParam);
        return 0;
    case WM_LBUTTONUP:
        MouseUp(TMouseButton::mbLeft, wParam, lParam);
        return 0;
    case WM_RBUTTONUP:
        MouseUp(TMouseButton::mbRight, wParam, lParam);
        break; // on to the default handling, which raises WM_CONTEXTMENU
    case WM_MBUTTONUP:
        MouseUp(TMouseButton::mbMiddle, wParam, lParam);
        return 0;
    case WM_LBUTTONDBLCLK:
        // The second press of a double click: a press too, for those who follow the pointer.
        MouseDown(TMouseButton::mbLeft, wParam, lParam);
        if (OnDblClick) OnDblClick();
        return 0;
    case WM_MOUSEMOVE:
        if (OnMouseMove)
            OnMouseMove(static_cast<TShiftState>(wParam) | (GetKeyState(VK_MENU) < 0 ? kShiftAlt : 0),
                        GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_CAPTURECHANGED:
        leftPressed_ = false;
        break;
    case WM_CONTEXTMENU:
        if (popupMenu_) {
            int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
            if (x == -1 && y == -1) {
                POINT pt{0, 0};
                ClientToScreen(Handle(), &pt);
                x = pt.x;
                y = pt.y;
            }
            popupMenu_->Popup(Handle(), x, y);
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (OnKeyDown && OnKeyDown(static_cast<WORD>(wParam), KeyboardShiftState())) return 0;
        break;
    case WM_SIZE: {
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        if (OnResize) OnResize();
        return r;
    }
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace kovalin
