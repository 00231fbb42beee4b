#include "kovalin/GroupBox.h"

namespace kovalin {

TGroupBox::TGroupBox(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    CreateParams cp = ChildParams("BUTTON", p.left, p.top, p.width, p.height);
    cp.style |= BS_GROUPBOX | WS_CLIPCHILDREN;
    cp.exStyle = WS_EX_CONTROLPARENT; // Tab moves through the controls inside
    cp.caption = p.caption;
    // The frame is the parent of its controls: their notifications must pass through the object.
    cp.subclass = true;
    CreateHandle(cp);
}

LRESULT TGroupBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: {
        // The standard frame leaves its inside to the parent, which skips it while it clips the
        // frame out as a child.
        RECT r = ClientRect();
        FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_CTLCOLORSTATIC:
        // Labels and sliders inside take the face colour, as on any other container.
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace kovalin
