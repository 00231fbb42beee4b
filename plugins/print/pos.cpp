#include "plugins/print/pos.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace kvprint {

using namespace kovalin;

std::optional<int> ParseInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i >= text.size()) return std::nullopt;
    for (size_t j = i; j < text.size(); ++j)
        if (text[j] < '0' || text[j] > '9') return std::nullopt;
    errno = 0;
    long long v = std::strtoll(text.c_str() + start, nullptr, 10);
    if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
    return static_cast<int>(v);
}

TfrmSetPos::TfrmSetPos(HWND owner, int x, int y)
    : TForm({.caption = "Set Position",
             .borderStyle = TFormBorderStyle::bsDialog,
             .position = TPosition::poOwnerFormCenter,
             .clientWidth = 215,
             .clientHeight = 95,
             .owner = owner}),
      x_(x), y_(y) {
    lblTop = std::make_unique<TLabel>(*this, TLabel::Params{.caption = "Top:", .left = 12, .top = 20});
    edtTop = std::make_unique<TEdit>(*this, TEdit::Params{.text = "0", .left = 48, .top = 16, .width = 73});
    updTop =
        std::make_unique<TUpDown>(*this, *edtTop, TUpDown::Params{.min = 0, .max = 10000, .increment = 10});
    lblLeft = std::make_unique<TLabel>(*this, TLabel::Params{.caption = "Left:", .left = 12, .top = 56});
    edtLeft = std::make_unique<TEdit>(*this, TEdit::Params{.text = "0", .left = 48, .top = 52, .width = 73});
    updLeft =
        std::make_unique<TUpDown>(*this, *edtLeft, TUpDown::Params{.min = 0, .max = 10000, .increment = 10});
    btnOK = std::make_unique<TButton>(*this, TButton::Params{.caption = "OK", .left = 132, .top = 14});
    btnReset = std::make_unique<TButton>(
        *this, TButton::Params{.caption = "Reset", .left = 132, .top = 52, .isDefault = true});
    btnOK->OnClick = [this] { OkClick(); };
    btnReset->OnClick = [this] { ResetClick(); };
    updTop->SetPosition(static_cast<int16_t>(y));
    updLeft->SetPosition(static_cast<int16_t>(x));
}

void TfrmSetPos::OkClick() {
    std::optional<int> top = ParseInteger(edtTop->Text());
    std::optional<int> left = ParseInteger(edtLeft->Text());
    if (!top || !left) {
        MessageBoxA(Handle(), "You need to input valid numerics.", "Kovalin Vodedi", MB_OK | MB_ICONERROR);
        return;
    }
    y_ = *top;
    x_ = *left;
    accepted_ = true;
    SetModalResult(mrOk);
}

void TfrmSetPos::ResetClick() {
    x_ = y_ = 0;
    accepted_ = true;
    SetModalResult(mrOk);
}

} // namespace kvprint
