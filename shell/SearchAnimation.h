// The shell's clip of a folder being searched, played inside a view while it reads a drive or a
// folder for long. A view without the clip or the control simply goes without it.
#pragma once

#include "kovalin/Handles.h"

#include <windows.h>

namespace shell {

class TSearchAnimation {
public:
    // Shown centred vertically, its left edge at num/den of the width the parent's client has
    // beside it (1/2 centres it).
    TSearchAnimation(HWND parent, int num, int den);
    TSearchAnimation(const TSearchAnimation&) = delete;
    TSearchAnimation& operator=(const TSearchAnimation&) = delete;

    explicit operator bool() const { return static_cast<bool>(window_); }
    void Stop() { window_.reset(); }

private:
    kovalin::UniqueHWnd window_;
};

} // namespace shell
