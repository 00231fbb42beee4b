#include "kovalin/Thread.h"

#include "kovalin/Application.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Synchronizer.h"

#include <process.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace kovalin {

// The system threads that SharedWorkers threads take turns on. Workers are made as work comes, up
// to one per processor and at least two, and end after a while without work, so an idle program
// keeps none. The pool lives as long as the process: a worker may still be leaving when static
// objects go.
class TSharedWorkers {
public:
    static TSharedWorkers& Instance() {
        static auto* pool = new TSharedWorkers;
        return *pool;
    }

    void Queue(TThread* job) {
        std::lock_guard<std::mutex> guard(lock_);
        queue_.push_back(job);
        if (idle_ > 0 || workers_ >= maxWorkers_) {
            wake_.notify_one();
            return;
        }
        unsigned id = 0;
        auto h = _beginthreadex(nullptr, 0, WorkerProc, this, 0, &id);
        if (!h) {
            // Jobs wait for a worker that ends its current one; with none at all, nothing would run.
            if (workers_ == 0) {
                queue_.pop_back();
                RaiseLastOSError("_beginthreadex");
            }
            return;
        }
        CloseHandle(reinterpret_cast<HANDLE>(h));
        ++workers_;
    }

    // The running job's worker takes the new priority at once; a queued one takes it when it starts.
    void PriorityChanged(TThread* job) {
        std::lock_guard<std::mutex> guard(lock_);
        for (const Running& r : running_)
            if (r.job == job) SetThreadPriority(r.worker, job->priority_);
    }

private:
    struct Running {
        TThread* job;
        HANDLE worker; // the pseudo handle is meaningless to others: a real one, owned by the worker
    };

    TSharedWorkers() {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        maxWorkers_ = std::max<int>(2, static_cast<int>(info.dwNumberOfProcessors));
    }

    static unsigned __stdcall WorkerProc(void* param) {
        static_cast<TSharedWorkers*>(param)->Work();
        return 0;
    }

    void Work() {
        HANDLE self = nullptr;
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        UniqueHandleObj selfOwner(self);
        std::unique_lock<std::mutex> guard(lock_);
        for (;;) {
            ++idle_;
            const bool work = wake_.wait_for(guard, kIdleLife, [this] { return !queue_.empty(); });
            --idle_;
            if (!work) break;
            TThread* job = queue_.front();
            queue_.pop_front();
            running_.push_back({job, self});
            SetThreadPriority(self, job->priority_);
            guard.unlock();
            job->RunExecute();
            guard.lock();
            std::erase_if(running_, [job](const Running& r) { return r.job == job; });
            SetThreadPriority(self, THREAD_PRIORITY_NORMAL);
            guard.unlock();
            // The job's last touch: its owner may free it once this has run.
            job->EndShared();
            guard.lock();
        }
        --workers_;
    }

    static constexpr std::chrono::seconds kIdleLife{5};

    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<TThread*> queue_;
    std::vector<Running> running_;
    int workers_ = 0;
    int idle_ = 0;
    int maxWorkers_ = 2;
};

TThread::TThread(TThreadRunner runner) : runner_(runner), synchronizer_(Application().Synchronizer()) {
    if (runner_ == TThreadRunner::SharedWorkers) {
        done_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (!done_) RaiseLastOSError("CreateEvent");
        return;
    }
    unsigned id = 0;
    // The C run-time's own thread start, so its per-thread state is set up for Execute.
    auto h = _beginthreadex(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &id);
    if (!h) RaiseLastOSError("_beginthreadex");
    handle_.reset(reinterpret_cast<HANDLE>(h));
    threadId_ = id;
}

TThread::~TThread() {
    if (runner_ == TThreadRunner::SharedWorkers && (!started_ || EndedHere())) {
        // Never queued, or through with its end handler on this thread: no worker touches it
        // any more, so freeing it waits for nothing (one of many scanners ending, for example).
        return;
    }
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
        self->RunExecute();
        if (self->OnTerminate && self->synchronizer_) {
            try {
                // Not cancelled by Terminate: a terminated thread still reports its end.
                self->synchronizer_->Call(self->OnTerminate);
            } catch (...) {
                // The handler's failure has been shown on the user-interface thread already.
            }
        }
    }
    const DWORD result = self->returnValue_;
    self->finished_ = true;
    return result;
}

void TThread::RunExecute() {
    try {
        Execute();
    } catch (const std::exception& e) {
        fatalError_ = e.what();
    } catch (...) {
        fatalError_ = "Unknown exception in a thread";
    }
}

void TThread::EndShared() {
    HANDLE done = done_.get();
    if (!synchronizer_) {
        // Nothing here frees a thread without waiting for the event: setting it is the last touch.
        finished_ = true;
        SetEvent(done);
        return;
    }
    // The worker need not wait for the end handler: the thread counts as ended, and may be freed,
    // only once the handler has run on the user-interface thread (or was dropped at shut-down).
    synchronizer_->Queue(
        [this] {
            // Finished only once the handler is through, also when it throws. The event is set
            // right after this returns, with nothing else run on this thread in between.
            struct MarkFinished {
                std::atomic<bool>& finished;
                ~MarkFinished() { finished = true; }
            } mark{finished_};
            if (OnTerminate) OnTerminate();
        },
        nullptr, done);
}

bool TThread::EndedHere() const {
    return runner_ == TThreadRunner::SharedWorkers && synchronizer_ && synchronizer_->InUIThread() &&
           finished_;
}

void TThread::Start() {
    if (started_) throw Exception("Thread already started");
    started_ = true;
    if (runner_ == TThreadRunner::SharedWorkers) {
        try {
            TSharedWorkers::Instance().Queue(this);
        } catch (...) {
            started_ = false;
            throw;
        }
        return;
    }
    if (ResumeThread(handle_.get()) == static_cast<DWORD>(-1)) RaiseLastOSError("ResumeThread");
}

void TThread::SetPriority(int priority) {
    priority_ = priority;
    if (runner_ == TThreadRunner::OwnThread)
        SetThreadPriority(handle_.get(), priority);
    else
        TSharedWorkers::Instance().PriorityChanged(this);
}

void TThread::Terminate() {
    std::lock_guard<std::mutex> guard(terminateLock_);
    terminated_ = true;
    if (terminateEvent_) SetEvent(terminateEvent_.get());
}

HANDLE TThread::TerminateEvent() const {
    std::lock_guard<std::mutex> guard(terminateLock_);
    if (!terminateEvent_) {
        terminateEvent_.reset(CreateEventA(nullptr, TRUE, terminated_, nullptr));
        if (!terminateEvent_) RaiseLastOSError("CreateEvent");
    }
    return terminateEvent_.get();
}

DWORD TThread::WaitFor() {
    if (!started_) return 0;
    if (EndedHere()) return returnValue_;
    HANDLE ended = runner_ == TThreadRunner::SharedWorkers ? done_.get() : handle_.get();
    if (synchronizer_)
        synchronizer_->Await({ended});
    else
        WaitForSingleObject(ended, INFINITE);
    if (runner_ == TThreadRunner::SharedWorkers) return returnValue_;
    DWORD code = 0;
    GetExitCodeThread(handle_.get(), &code);
    return code;
}

bool TThread::Queue(std::function<void()> fn) {
    if (!synchronizer_) throw Exception("Queue: the application has no user-interface thread");
    return synchronizer_->Queue(std::move(fn), &terminated_);
}

bool TThread::Synchronize(const std::function<void()>& fn) {
    if (!synchronizer_) throw Exception("Synchronize: the application has no user-interface thread");
    return synchronizer_->Call(fn, TerminateEvent());
}

} // namespace kovalin
