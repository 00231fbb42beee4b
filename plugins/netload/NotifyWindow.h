// A hidden message-only window whose messages go to one handler: where socket notifications
// and a component's own posted messages arrive on the user-interface thread.
#pragma once

#include "kovalin/WinControl.h"

#include <functional>

namespace netload {

class TNotifyWindow : public kovalin::TWinControl {
public:
    // The handler answers true for messages it took; the others get the default handling. It
    // runs inside the message loop of whoever pumps this thread, so nothing it raises may leave
    // it: an escaped exception is swallowed here as the last resort.
    using Handler = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam)>;
    explicit TNotifyWindow(Handler handler);

    bool Post(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    Handler handler_;
};

} // namespace netload
