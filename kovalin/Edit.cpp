#include "kovalin/Edit.h"

namespace kovalin {

TEdit::TEdit(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    CreateParams cp = ChildParams("EDIT", p.left, p.top, p.width, p.height);
    cp.style |= WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
    cp.exStyle = WS_EX_CLIENTEDGE;
    cp.caption = p.text;
    CreateHandle(cp);
}

void TEdit::SelectAll() {
    SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

} // namespace kovalin
