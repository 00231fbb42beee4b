// A timer of the user-interface thread: OnTimer runs every Interval milliseconds while Enabled.
// Its window (message-only) is made when the timer first runs, so idle timers cost nothing.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

namespace kovalin {

class TTimer {
public:
    TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;
    ~TTimer();

    // Milliseconds between ticks; 0 stops the timer until another value is set. Setting a value
    // starts the count afresh.
    UINT Interval() const { return interval_; }
    void SetInterval(UINT value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // Whether the timer is counting: enabled, with an interval and a handler.
    bool Running() const { return running_; }

    // Setting it also restarts the count.
    void SetOnTimer(std::function<void()> handler);

private:
    class Window;
    void Update();
    void Tick();

    UINT interval_ = 1000;
    bool enabled_ = true;
    bool running_ = false;
    std::function<void()> onTimer_;
    DWORD armedAt_ = 0; // tick count when the current count began
    std::unique_ptr<Window> window_;
};

} // namespace kovalin
