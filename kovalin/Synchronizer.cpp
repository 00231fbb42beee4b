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
    UniqueHandleObj done;
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
        if (auto* self = reinterpret_cast<TSynchronizer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)))
            self->RunPending();
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
    call->done.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!call->done) RaiseLastOSError("CreateEvent");
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (shutDown_) return false;
        queue_.push_back(call);
    }
    SetEvent(pending_.get());
    // A failed post (a full queue) is harmless: the next wake-up or a waiting UI thread runs it.
    PostMessageA(window_.get(), kWakeUp, 0, 0);

    HANDLE waits[3] = {call->done.get(), shutdownEvent_.get(), cancel};
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

void TSynchronizer::RunPending() {
    for (;;) {
        std::shared_ptr<PendingCall> call;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (queue_.empty()) return;
            call = queue_.front();
            queue_.pop_front();
            // A caller that has been told to stop gets nothing run on its behalf any more.
            if (call->cancel && WaitForSingleObject(call->cancel, 0) == WAIT_OBJECT_0) {
                call->state = PendingCall::State::Dropped;
                SetEvent(call->done.get());
                continue;
            }
            call->state = PendingCall::State::Running;
        }
        try {
            call->fn();
        } catch (...) {
            // The handler failed on the user-interface thread: the user is told there, and the
            // waiting worker learns it too, so it does not go on as if the call had done its work.
            call->error = std::current_exception();
            Application().HandleException(call->error);
        }
        {
            std::lock_guard<std::mutex> guard(lock_);
            call->state = PendingCall::State::Finished;
        }
        SetEvent(call->done.get());
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
            SetEvent(call->done.get());
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
