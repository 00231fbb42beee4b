#include "plugins/jpeg/info.h"

namespace kvjpeg {

using namespace kovalin;

TfrmInfo::TfrmInfo()
    : TForm({.caption = "JPEG Information",
             .borderStyle = TFormBorderStyle::bsDialog,
             .position = TPosition::poOwnerFormCenter,
             .clientWidth = 237,
             .clientHeight = 72}) {
    bvlFrame =
        std::make_unique<TBevel>(*this, TBevel::Params{.left = 5, .top = 4, .width = 228, .height = 37});
    lblColor = std::make_unique<TLabel>(
        *this, TLabel::Params{.caption = "24-bit Color JPEG", .left = 18, .top = 15});
    btnOK = std::make_unique<TButton>(
        *this, TButton::Params{
                   .caption = "OK", .left = 158, .top = 45, .width = 75, .height = 25, .isDefault = true});
    btnOK->OnClick = [this] { btnOKClick(); };
}

void TfrmInfo::btnOKClick() {
    SetModalResult(mrOk);
}

} // namespace kvjpeg
