#include "kovalin/Label.h"

#include "kovalin/Handles.h"

namespace kovalin {

TLabel::TLabel(TWinControl& parent, const Params& p) : TWinControl(&parent), autoSize_(p.autoSize) {
    CreateParams cp;
    cp.className = "STATIC";
    cp.style = WS_CHILD | WS_VISIBLE | SS_LEFT;
    cp.caption = p.caption;
    cp.left = p.left;
    cp.top = p.top;
    cp.width = p.width;
    cp.height = p.height;
    CreateHandle(cp);
    AdjustSize();
}

void TLabel::SetCaption(const std::string& text) {
    TWinControl::SetCaption(text);
    AdjustSize();
}

void TLabel::AdjustSize() {
    if (!autoSize_) return;
    RECT r{0, 0, 0, 0};
    {
        WindowDC dc(Handle());
        SelectGuard font(dc.get(), ControlFont());
        std::string text = Caption();
        // An empty caption still takes the height of one line.
        DrawTextA(dc.get(), text.empty() ? " " : text.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_EXPANDTABS);
    }
    SetWindowPos(Handle(), nullptr, 0, 0, r.right, r.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace kovalin
