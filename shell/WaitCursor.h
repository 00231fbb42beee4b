// The hourglass for as long as the object lives; the previous cursor comes back afterwards.
#pragma once

#include <windows.h>

namespace shell {

class TWaitCursor {
public:
    // With show false nothing changes: for work that shows the hourglass only in some cases.
    explicit TWaitCursor(bool show = true) : shown_(show) {
        if (show) old_ = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
    ~TWaitCursor() {
        if (shown_) SetCursor(old_);
    }

private:
    bool shown_;
    HCURSOR old_ = nullptr;
};

} // namespace shell
