#include "plugins/netload/NotifyWindow.h"

namespace netload {

TNotifyWindow::TNotifyWindow(Handler handler) : TWinControl(nullptr), handler_(std::move(handler)) {
    CreateParams cp;
    cp.parentWindow = HWND_MESSAGE;
    cp.left = cp.top = cp.width = cp.height = 0;
    CreateHandle(cp);
}

bool TNotifyWindow::Post(UINT msg, WPARAM wParam, LPARAM lParam) const {
    return PostMessageA(Handle(), msg, wParam, lParam) != FALSE;
}

LRESULT TNotifyWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_USER && handler_) {
        try {
            if (handler_(msg, wParam, lParam)) return 0;
        } catch (...) {
            return 0;
        }
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace netload
