// A single-line edit box.
#pragma once

#include "kovalin/WinControl.h"

#include <string>

namespace kovalin {

class TEdit : public TWinControl {
public:
    struct Params {
        std::string text;
        int left = 0, top = 0, width = 121, height = 21;
    };
    TEdit(TWinControl& parent, const Params& p);

    std::string Text() const { return Caption(); }
    void SetText(const std::string& value) { SetCaption(value); }
    void SelectAll();
};

} // namespace kovalin
