#include "kovalin/Edit.h"

namespace kovalin {

TEdit::TEdit(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    CreateParams cp;
    cp.className = "EDIT";
    cp.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
    cp.exStyle = WS_EX_CLIENTEDGE;
    cp.caption = p.text;
    cp.left = p.left;
    cp.top = p.top;
    cp.width = p.width;
    cp.height = p.height;
    cp.id = NextControlId();
    CreateHandle(cp);
}

void TEdit::SelectAll() {
    SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

} // namespace kovalin
