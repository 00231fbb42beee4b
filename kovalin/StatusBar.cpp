#include "kovalin/StatusBar.h"

#include <commctrl.h>

namespace kovalin {

TStatusBar::TStatusBar(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    CreateParams cp;
    cp.className = STATUSCLASSNAMEA;
    // The parent's layout places it, not the control itself.
    cp.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER |
               SBARS_SIZEGRIP;
    cp.left = 0;
    cp.top = 0;
    cp.width = 100;
    cp.height = p.height;
    cp.id = NextControlId();
    CreateHandle(cp);
    SendMessageA(Handle(), SB_SIMPLE, TRUE, 0);
    SetAlign(TAlign::alBottom);
}

void TStatusBar::SetSimpleText(const std::string& text) {
    simpleText_ = text;
    SendMessageA(Handle(), SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

} // namespace kovalin
