#include "kovalin/CheckBox.h"

namespace kovalin {

TCheckBox::TCheckBox(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    CreateParams cp = ChildParams("BUTTON", p.left, p.top, p.width, p.height);
    cp.style |= WS_TABSTOP | BS_AUTOCHECKBOX;
    cp.caption = p.caption;
    CreateHandle(cp);
    SetChecked(p.checked);
}

bool TCheckBox::Checked() const {
    return SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool value) {
    SendMessageA(Handle(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::CommandNotify(WORD code) {
    if (code == BN_CLICKED && OnClick) OnClick();
}

} // namespace kovalin
