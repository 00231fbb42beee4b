#include "kovalin/Timer.h"

#include "kovalin/Exceptions.h"
#include "kovalin/WinControl.h"

namespace kovalin {

namespace {
const UINT_PTR kTimerId = 1;
} // namespace

class TTimer::Window : public TWinControl {
public:
    explicit Window(TTimer& owner) : TWinControl(nullptr), owner_(owner) {
        CreateParams cp;
        cp.parentWindow = HWND_MESSAGE;
        cp.left = cp.top = cp.width = cp.height = 0;
        CreateHandle(cp);
    }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TIMER && wParam == kTimerId) {
            owner_.Tick();
            return 0;
        }
        return DefaultHandler(msg, wParam, lParam);
    }

private:
    TTimer& owner_;
};

TTimer::TTimer() = default;

TTimer::~TTimer() {
    if (window_ && running_) KillTimer(window_->Handle(), kTimerId);
}

void TTimer::SetInterval(UINT value) {
    interval_ = value;
    Update();
}

void TTimer::SetEnabled(bool value) {
    enabled_ = value;
    Update();
}

void TTimer::SetOnTimer(std::function<void()> handler) {
    onTimer_ = std::move(handler);
    Update();
}

void TTimer::Update() {
    if (running_) KillTimer(window_->Handle(), kTimerId);
    running_ = false;
    if (!enabled_ || interval_ == 0 || !onTimer_) return;
    if (!window_) window_ = std::make_unique<Window>(*this);
    if (!SetTimer(window_->Handle(), kTimerId, interval_, nullptr)) RaiseLastOSError("SetTimer");
    running_ = true;
    armedAt_ = GetTickCount();
}

void TTimer::Tick() {
    // KillTimer leaves a tick already taken from the queue; one that comes too early belongs to
    // a count that was stopped or restarted since.
    if (!running_) return;
    DWORD now = GetTickCount();
    if (now - armedAt_ + 20 < interval_) return;
    armedAt_ = now;
    // A copy: the handler may change the handler or free the timer.
    std::function<void()> handler = onTimer_;
    handler();
}

} // namespace kovalin
