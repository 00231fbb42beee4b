#include "kovalin/Synchronizer.h"

#include "kovalin/Application.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Module.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace kovalin {

namespace {
const char kSyncClass[] = "KovalinSynchronizer";
const UINT kWakeUp = WM_APP + 1;
} // namespace

struct TSynchronizer::PendingCall {
    enum class State { Queued, Running, Finished, Dropped };

    // A copy: a caller that gives up on a running call leaves, and its function object with it.
    std::function<void()> fn;
    HANDLE cancel = nullptr;
    const std::atomic<bool>* cancelled = nullptr; // a queued call's: cheaper to ask than an event
    UniqueHandleObj ownDone;                      // a waiting caller's
    HANDLE done = nullptr; // set when fn has run or was dropped; may be null for a queued call
    State state = State::Queued;
    std::exception_ptr error;
};

TSynchronizer::TSynchronizer() : threadId_(GetCurrentThreadId()) {
    pending_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    shutdownEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!pending_ || !shutdownEvent_) RaiseLastOSError("CreateEvent");
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = ThisModule();
    wc.lpszClassName = kSyncClass;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        RaiseLastOSError("RegisterClassEx");
    window_.reset(
        CreateWindowExA(0, kSyncClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ThisModule(), nullptr));
    if (!window_) RaiseLastOSError("CreateWindowEx");
    SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TSynchronizer::~TSynchronizer() {
    Shutdown();
}

LRESULT CALLBACK TSynchronizer::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kWakeUp) {
        if (auto* self = reinterpret_cast<TSynchronizer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA))) {
            {
                std::lock_guard<std::mutex> guard(self->lock_);
                self->wakePosted_ = false;
            }
            self->RunPending();
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool TSynchronizer::Call(const std::function<void()>& fn, HANDLE cancel) {
    if (InUIThread()) {
        if (shutDown_) return false;
        fn();
        return true;
    }
    auto call = std::make_shared<PendingCall>();
    call->fn = fn;
    call->cancel = cancel;
    call->ownDone.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!call->ownDone) RaiseLastOSError("CreateEvent");
    call->done = call->ownDone.get();
    if (!Enqueue(call)) return false;

    HANDLE waits[3] = {call->done, shutdownEvent_.get(), cancel};
    WaitForMultipleObjects(cancel ? 3 : 2, waits, FALSE, INFINITE);

    std::lock_guard<std::mutex> guard(lock_);
    switch (call->state) {
    case PendingCall::State::Finished:
        if (call->error) std::rethrow_exception(call->error);
        return true;
    case PendingCall::State::Queued:
        queue_.erase(std::find(queue_.begin(), queue_.end(), call));
        call->state = PendingCall::State::Dropped;
        return false;
    case PendingCall::State::Running:
        // Only the user-interface thread cancels, so it is inside this very call (a handler that
        // stops its own worker): waiting here would wait for ourselves.
        return false;
    case PendingCall::State::Dropped:
        break;
    }
    return false;
}

bool TSynchronizer::Queue(std::function<void()> fn, const std::atomic<bool>* cancelled, HANDLE done) {
    auto call = std::make_shared<PendingCall>();
    call->fn = std::move(fn);
    call->cancelled = cancelled;
    call->done = done;
    if (InUIThread() && !shutDown_) {
        RunCall(*call);
        if (done) SetEvent(done);
        return true;
    }
    if (Enqueue(call)) return true;
    if (done) SetEvent(done);
    return false;
}

bool TSynchronizer::Enqueue(const std::shared_ptr<PendingCall>& call) {
    bool wasEmpty = false, post = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (shutDown_) return false;
        wasEmpty = queue_.empty();
        queue_.push_back(call);
        post = !wakePosted_;
        wakePosted_ = true;
    }
    // Whoever runs calls takes the whole queue, so a waiting user-interface thread needs waking
    // only for a queue that was empty, and the message loop only while no wake-up is on its way.
    if (wasEmpty) SetEvent(pending_.get());
    if (post && !PostMessageA(window_.get(), kWakeUp, 0, 0)) {
        // A full message queue: the next call tries again, and a waiting UI thread runs it anyway.
        std::lock_guard<std::mutex> guard(lock_);
        wakePosted_ = false;
    }
    return true;
}

void TSynchronizer::RunCall(PendingCall& call) {
    try {
        call.fn();
    } catch (...) {
        // The handler failed on the user-interface thread: the user is told there, and a waiting
        // worker learns it too, so it does not go on as if the call had done its work.
        call.error = std::current_exception();
        Application().HandleException(call.error);
    }
}

void TSynchronizer::RunPending() {
    for (;;) {
        std::shared_ptr<PendingCall> call;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (queue_.empty()) return;
            call = queue_.front();
            queue_.pop_front();
            // A caller that has been told to stop gets nothing run on its behalf any more.
            if ((call->cancelled && *call->cancelled) ||
                (call->cancel && WaitForSingleObject(call->cancel, 0) == WAIT_OBJECT_0)) {
                call->state = PendingCall::State::Dropped;
                if (call->done) SetEvent(call->done);
                continue;
            }
            call->state = PendingCall::State::Running;
        }
        RunCall(*call);
        {
            std::lock_guard<std::mutex> guard(lock_);
            call->state = PendingCall::State::Finished;
        }
        if (call->done) SetEvent(call->done);
    }
}

DWORD TSynchronizer::Await(std::initializer_list<HANDLE> objects) {
    std::vector<HANDLE> waits(objects);
    auto count = static_cast<DWORD>(waits.size());
    if (!InUIThread()) return WaitForMultipleObjects(count, waits.data(), FALSE, INFINITE);
    waits.push_back(pending_.get());
    for (;;) {
        DWORD r = WaitForMultipleObjects(count + 1, waits.data(), FALSE, INFINITE);
        if (r != WAIT_OBJECT_0 + count) return r;
        RunPending();
    }
}

void TSynchronizer::Shutdown() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (shutDown_) return;
        shutDown_ = true;
        for (auto& call : queue_) {
            call->state = PendingCall::State::Dropped;
            if (call->done) SetEvent(call->done);
        }
        queue_.clear();
    }
    SetEvent(shutdownEvent_.get());
    if (window_) {
        SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
        window_.reset();
    }
    UnregisterClassA(kSyncClass, ThisModule());
}

} // namespace kovalin
