// A check box: a caption beside a box that the user ticks and clears.
#pragma once

#include "kovalin/WinControl.h"

#include <functional>

namespace kovalin {

class TCheckBox : public TWinControl {
public:
    struct Params {
        std::string caption;
        int left = 0, top = 0, width = 97, height = 17;
        bool checked = false;
    };
    TCheckBox(TWinControl& parent, const Params& p);

    bool Checked() const;
    // Changes the tick without OnClick: only the user's clicks are reported.
    void SetChecked(bool value);

    // The user toggled the box (mouse or Space); Checked already gives the new state.
    std::function<void()> OnClick;

protected:
    void CommandNotify(WORD code) override;
};

} // namespace kovalin
