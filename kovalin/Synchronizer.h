// The one road from worker threads back to the user-interface thread: a message-only window of
// that thread, a locked queue of calls and a posted wake-up; a caller waits until its call has run.
#pragma once

#include "kovalin/Handles.h"

#include <atomic>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>

namespace kovalin {

class TSynchronizer {
public:
    // Made on the thread whose message loop is to run the calls.
    TSynchronizer();
    TSynchronizer(const TSynchronizer&) = delete;
    TSynchronizer& operator=(const TSynchronizer&) = delete;
    ~TSynchronizer();

    // Runs fn on the user-interface thread and waits until it has run; true when it ran. An
    // exception thrown by fn is shown there by the application's error display and raised again
    // here. Returns false without running fn when `cancel`
    // (an event, may be null) is signalled before fn has started, or after Shutdown. Called on the
    // user-interface thread itself, fn runs at once.
    bool Call(const std::function<void()>& fn, HANDLE cancel = nullptr);

    // Runs fn on the user-interface thread without waiting for it, after the calls queued
    // before; an exception is shown there. `cancelled` (may be null) turned true before fn starts
    // drops it; `done` (may be null) is set once fn has run or has been dropped, also at Shutdown. False
    // when refused after Shutdown (`done` is set then too). On the user-interface thread fn runs
    // at once.
    bool Queue(std::function<void()> fn, const std::atomic<bool>* cancelled = nullptr, HANDLE done = nullptr);

    // Runs every waiting call. The wake-up message does this, and so does Await.
    void RunPending();
    // Waits until one of `objects` is signalled and gives WaitForMultipleObjects's
    // result for it. On the user-interface thread, calls handed over meanwhile keep running, so a
    // worker that waits for one of them cannot hold the wait up.
    DWORD Await(std::initializer_list<HANDLE> objects);
    // Signalled (auto-reset) whenever a call is queued.
    HANDLE PendingEvent() const { return pending_.get(); }

    bool InUIThread() const { return GetCurrentThreadId() == threadId_; }

    // On the user-interface thread, before it goes away: waiting callers return false without
    // their calls having run, and later calls are refused.
    void Shutdown();

private:
    struct PendingCall;
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // False after Shutdown.
    bool Enqueue(const std::shared_ptr<PendingCall>& call);
    static void RunCall(PendingCall& call);

    DWORD threadId_;
    UniqueHWnd window_;
    UniqueHandleObj pending_;
    UniqueHandleObj shutdownEvent_;
    std::mutex lock_;
    std::deque<std::shared_ptr<PendingCall>> queue_;
    bool shutDown_ = false;
    bool wakePosted_ = false; // a wake-up message is on its way to the window
};

} // namespace kovalin
