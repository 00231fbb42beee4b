// An up-down control (a pair of arrow buttons) that steps a number shown in the edit box beside it.
#pragma once

#include "kovalin/WinControl.h"

namespace kovalin {

class TEdit;

class TUpDown : public TWinControl {
public:
    struct Params {
        int min = 0, max = 100;
        int increment = 1;
        int position = 0;
        bool wrap = false;
    };
    // Sits at the right edge of the edit box, which shows the position as text.
    TUpDown(TWinControl& parent, TEdit& associate, const Params& p);

    int Min() const;
    int Max() const;
    void SetRange(int min, int max);
    int Increment() const { return increment_; }
    void SetIncrement(int value);
    bool Wrap() const;
    // The position is clamped to the range; the edit box follows.
    int Position() const;
    void SetPosition(int value);

private:
    int increment_;
};

} // namespace kovalin
