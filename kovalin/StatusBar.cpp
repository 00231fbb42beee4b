#include "kovalin/StatusBar.h"

#include <commctrl.h>

namespace kovalin {

TStatusBar::TStatusBar(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    // The parent's layout places it, not the control itself.
    CreateParams cp = ChildParams(STATUSCLASSNAMEA, 0, 0, 100, p.height);
    cp.style |= WS_CLIPSIBLINGS | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | SBARS_SIZEGRIP;
    CreateHandle(cp);
    SendMessageA(Handle(), SB_SIMPLE, TRUE, 0);
    SetAlign(TAlign::alBottom);
}

void TStatusBar::SetSimpleText(const std::string& text) {
    simpleText_ = text;
    SendMessageA(Handle(), SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

} // namespace kovalin
