#include "kovalin/Thread.h"

#include "kovalin/Application.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Synchronizer.h"

#include <process.h>

namespace kovalin {

TThread::TThread() : synchronizer_(Application().Synchronizer()) {
    terminateEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!terminateEvent_) RaiseLastOSError("CreateEvent");
    unsigned id = 0;
    // The C run-time's own thread start, so its per-thread state is set up for Execute.
    auto h = _beginthreadex(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &id);
    if (!h) RaiseLastOSError("_beginthreadex");
    handle_.reset(reinterpret_cast<HANDLE>(h));
    threadId_ = id;
}

TThread::~TThread() {
    if (!started_) {
        // The derived part is gone: let the thread end without calling Execute.
        skipExecute_ = true;
        started_ = true;
        ResumeThread(handle_.get());
    }
    Terminate();
    WaitFor();
}

unsigned __stdcall TThread::ThreadProc(void* param) {
    auto* self = static_cast<TThread*>(param);
    if (!self->skipExecute_) {
        try {
            self->Execute();
        } catch (const std::exception& e) {
            self->fatalError_ = e.what();
        } catch (...) {
            self->fatalError_ = "Unknown exception in a thread";
        }
    }
    if (!self->skipExecute_ && self->OnTerminate && self->synchronizer_) {
        try {
            // Not cancelled by Terminate: a terminated thread still reports its end.
            self->synchronizer_->Call(self->OnTerminate);
        } catch (...) {
            // The handler's failure has been shown on the user-interface thread already.
        }
    }
    DWORD result = self->returnValue_;
    self->finished_ = true;
    return result;
}

void TThread::Start() {
    if (started_) throw Exception("Thread already started");
    started_ = true;
    if (ResumeThread(handle_.get()) == static_cast<DWORD>(-1)) RaiseLastOSError("ResumeThread");
}

void TThread::Terminate() {
    terminated_ = true;
    SetEvent(terminateEvent_.get());
}

DWORD TThread::WaitFor() {
    if (!started_) return 0;
    if (synchronizer_)
        synchronizer_->Await({handle_.get()});
    else
        WaitForSingleObject(handle_.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeThread(handle_.get(), &code);
    return code;
}

bool TThread::Synchronize(const std::function<void()>& fn) {
    if (!synchronizer_) throw Exception("Synchronize: the application has no user-interface thread");
    return synchronizer_->Call(fn, terminateEvent_.get());
}

} // namespace kovalin
