#include "kovalin/Image.h"

#include "kovalin/Handles.h"

namespace kovalin {

TImage::TImage(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    CreateParams cp = ChildParams(nullptr, p.left, p.top, p.width, p.height);
    cp.style |= WS_CLIPSIBLINGS;
    CreateHandle(cp);
}

LRESULT TImage::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintDC paint(Handle());
        HDC dc = paint.get();
        int w = picture_.Empty() ? 0 : picture_.Width(), h = picture_.Empty() ? 0 : picture_.Height();
        if (w > 0) BitBlt(dc, 0, 0, w, h, picture_.Canvas().Handle(), 0, 0, SRCCOPY);
        // The face colour around the picture, without painting over it (no flicker).
        RECT client = ClientRect();
        HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
        RECT right{w, 0, client.right, client.bottom}, below{0, h, w, client.bottom};
        if (right.left < right.right) FillRect(dc, &right, face);
        if (below.top < below.bottom) FillRect(dc, &below, face);
        return 0;
    }
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace kovalin
