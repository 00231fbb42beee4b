#include "kovalin/Button.h"

namespace kovalin {

TButton::TButton(TWinControl& parent, const Params& p)
    : TWinControl(&parent), form_(TForm::FormOf(parent)), modalResult_(p.modalResult) {
    CreateParams cp = ChildParams("BUTTON", p.left, p.top, p.width, p.height);
    cp.style |= WS_TABSTOP | BS_PUSHBUTTON;
    cp.caption = p.caption;
    CreateHandle(cp);
    SetDefault(p.isDefault);
}

TButton::~TButton() {
    if (default_ && form_) form_->SetDefaultButton(this, false);
}

void TButton::SetDefault(bool value) {
    default_ = value;
    SendMessageA(Handle(), BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    if (form_) form_->SetDefaultButton(this, value);
}

void TButton::Click() {
    if (modalResult_ != mrNone && form_) form_->SetModalResult(modalResult_);
    if (OnClick) OnClick();
}

void TButton::CommandNotify(WORD code) {
    if (code == BN_CLICKED) Click();
}

} // namespace kovalin
