// The hourglass while data is made or taken; the previous cursor comes back afterwards.
#pragma once

#include <windows.h>

namespace dragdrop {

class TWaitCursor {
public:
    TWaitCursor() : old_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
    ~TWaitCursor() { SetCursor(old_); }

private:
    HCURSOR old_;
};

} // namespace dragdrop
