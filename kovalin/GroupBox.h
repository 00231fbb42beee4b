// A captioned frame around a group of controls, which sit on it as its children.
#pragma once

#include "kovalin/WinControl.h"

namespace kovalin {

class TGroupBox : public TWinControl {
public:
    struct Params {
        std::string caption;
        int left = 0, top = 0, width = 185, height = 105;
    };
    TGroupBox(TWinControl& parent, const Params& p);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

} // namespace kovalin
