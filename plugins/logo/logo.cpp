#include "plugins/logo/logo.h"

namespace kvlogo {

using namespace kovalin;

TfrmLogo::TfrmLogo(HWND owner)
    : TForm({.caption = "Logo Changer",
             .borderStyle = TFormBorderStyle::bsDialog,
             .position = TPosition::poOwnerFormCenter,
             .clientWidth = 252,
             .clientHeight = 120,
             .owner = owner}) {
    rgpChangeType = std::make_unique<TRadioGroup>(
        *this, TRadioGroup::Params{.caption = " What to do ",
                                   .left = 10,
                                   .top = 10,
                                   .width = 232,
                                   .height = 77,
                                   .items = {"Set image as start-up logo", "Set image as shutting down logo",
                                             "Set image as turn off logo"},
                                   .itemIndex = 0});
    btnOK = std::make_unique<TButton>(
        *this, TButton::Params{.caption = "OK", .left = 88, .top = 91, .width = 75, .height = 25});
    btnOK->OnClick = [this] { btnOKClick(); };
    btnCancel = std::make_unique<TButton>(
        *this,
        TButton::Params{
            .caption = "Cancel", .left = 167, .top = 91, .width = 75, .height = 25, .isDefault = true});
    btnCancel->OnClick = [this] { btnCancelClick(); };
}

void TfrmLogo::btnOKClick() {
    int index = rgpChangeType->ItemIndex();
    hasChoice_ = index >= 0;
    if (hasChoice_) choice_ = static_cast<TLogoKind>(index);
    SetModalResult(mrOk);
}

void TfrmLogo::btnCancelClick() {
    hasChoice_ = false;
    SetModalResult(mrCancel);
}

} // namespace kvlogo
