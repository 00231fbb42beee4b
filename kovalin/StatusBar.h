// The status line at the bottom of a window, in simple mode: one text across its width.
#pragma once

#include "kovalin/WinControl.h"

namespace kovalin {

class TStatusBar : public TWinControl {
public:
    struct Params {
        int height = 19;
    };
    TStatusBar(TWinControl& parent, const Params& p);

    std::string SimpleText() const { return simpleText_; }
    void SetSimpleText(const std::string& text);

private:
    std::string simpleText_;
};

} // namespace kovalin
