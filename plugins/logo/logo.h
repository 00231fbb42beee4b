// The "Logo Changer" dialog: which of the three logo files the image becomes.
#pragma once

#include "kovalin/Button.h"
#include "kovalin/Form.h"
#include "kovalin/RadioGroup.h"

#include <memory>

namespace kvlogo {

// The logo files in the order the dialog offers them.
enum class TLogoKind { lkStartUp, lkShuttingDown, lkTurnOff };

class TfrmLogo : public kovalin::TForm {
public:
    explicit TfrmLogo(HWND owner = nullptr);

    std::unique_ptr<kovalin::TRadioGroup> rgpChangeType;
    std::unique_ptr<kovalin::TButton> btnOK;
    std::unique_ptr<kovalin::TButton> btnCancel;

    // What OK recorded; false until then, and after Cancel or the title bar's close box.
    bool HasChoice() const { return hasChoice_; }
    TLogoKind Choice() const { return choice_; }

private:
    void btnOKClick();
    void btnCancelClick();

    bool hasChoice_ = false;
    TLogoKind choice_ = TLogoKind::lkStartUp;
};

} // namespace kvlogo
