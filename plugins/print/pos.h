// The "Set Position" dialog: where on the paper the image's top-left corner goes, in tenths of a
// millimetre.
#pragma once

#include "kovalin/Button.h"
#include "kovalin/Edit.h"
#include "kovalin/Form.h"
#include "kovalin/Label.h"
#include "kovalin/UpDown.h"

#include <memory>
#include <optional>
#include <string>

namespace kvprint {

// The whole text as a 32-bit integer (an optional sign, then digits), or nothing.
std::optional<int> ParseInteger(const std::string& text);

class TfrmSetPos : public kovalin::TForm {
public:
    // Starts at the given position; the up-down buttons hold 16-bit positions.
    TfrmSetPos(HWND owner, int x, int y);

    // After ShowModal: true when OK or Reset closed the dialog, with the position chosen.
    bool Accepted() const { return accepted_; }
    int X() const { return x_; }
    int Y() const { return y_; }

    std::unique_ptr<kovalin::TLabel> lblTop, lblLeft;
    std::unique_ptr<kovalin::TEdit> edtTop, edtLeft;
    std::unique_ptr<kovalin::TUpDown> updTop, updLeft;
    std::unique_ptr<kovalin::TButton> btnOK, btnReset;

private:
    void OkClick();
    void ResetClick();

    bool accepted_ = false;
    int x_, y_;
};

} // namespace kvprint
