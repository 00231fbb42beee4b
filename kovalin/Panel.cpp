#include "kovalin/Panel.h"

#include "kovalin/Handles.h"

namespace kovalin {

TPanel::TPanel(TWinControl& parent, const Params& p) : TWinControl(&parent), bevelOuter_(p.bevelOuter) {
    CreateParams cp = ChildParams(nullptr, p.left, p.top, p.width, p.height);
    cp.style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    cp.exStyle = WS_EX_CONTROLPARENT;
    cp.caption = p.caption;
    CreateHandle(cp);
}

void TPanel::SetBevelOuter(TPanelBevel value) {
    if (value == bevelOuter_) return;
    bevelOuter_ = value;
    Invalidate();
}

void TPanel::Paint(HDC dc) {
    RECT r = ClientRect();
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (bevelOuter_ != TPanelBevel::bvNone) {
        DrawEdge(dc, &r, bevelOuter_ == TPanelBevel::bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
        InflateRect(&r, -1, -1);
    }
    std::string text = Caption();
    if (text.empty()) return;
    SelectGuard font(dc, ControlFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT TPanel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintDC dc(Handle());
        Paint(dc.get());
        return 0;
    }
    case WM_SETTEXT: {
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        Invalidate();
        return r;
    }
    case WM_SIZE: {
        // The centred caption moves with the size.
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        Invalidate();
        return r;
    }
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace kovalin
