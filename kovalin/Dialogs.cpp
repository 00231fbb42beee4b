#include "kovalin/Dialogs.h"

#include "kovalin/Button.h"
#include "kovalin/Edit.h"
#include "kovalin/Form.h"
#include "kovalin/Label.h"

#include <algorithm>
#include <memory>

namespace kovalin {

namespace {

constexpr int kMargin = 8;
constexpr int kMinClientWidth = 270;
constexpr int kButtonWidth = 75, kButtonHeight = 25, kButtonGap = 6;
constexpr int kEditHeight = 21;

} // namespace

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
    TForm form(TFormParams{.caption = caption,
                           .borderStyle = TFormBorderStyle::bsDialog,
                           .position = TPosition::poScreenCenter});
    TLabel label(form, TLabel::Params{.caption = prompt, .left = kMargin, .top = kMargin});
    // A long prompt widens the box rather than being cut off.
    const int width = std::max(kMinClientWidth, label.Width() + 2 * kMargin);
    const int editTop = kMargin + label.Height() + 4;
    const int buttonTop = editTop + kEditHeight + 12;
    form.SetClientSize(width, buttonTop + kButtonHeight + kMargin);

    TEdit edit(form,
               TEdit::Params{.text = value, .left = kMargin, .top = editTop, .width = width - 2 * kMargin});
    const int buttonsLeft = (width - 2 * kButtonWidth - kButtonGap) / 2;
    TButton ok(form, TButton::Params{.caption = "OK",
                                     .left = buttonsLeft,
                                     .top = buttonTop,
                                     .width = kButtonWidth,
                                     .height = kButtonHeight,
                                     .isDefault = true,
                                     .modalResult = mrOk});
    TButton cancel(form, TButton::Params{.caption = "Cancel",
                                         .left = buttonsLeft + kButtonWidth + kButtonGap,
                                         .top = buttonTop,
                                         .width = kButtonWidth,
                                         .height = kButtonHeight,
                                         .modalResult = mrCancel});
    // Escape arrives as the dialog command IDCANCEL, as no control carries that id.
    form.OnMenuCommand = [&form](UINT id) {
        if (id == IDCANCEL) form.SetModalResult(mrCancel);
    };
    // The text is ready to be typed over.
    form.OnShow = [&edit] {
        edit.SetFocus();
        edit.SelectAll();
    };
    if (form.ShowModal() != mrOk) return false;
    value = edit.Text();
    return true;
}

} // namespace kovalin
