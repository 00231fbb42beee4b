// Worker threads: made suspended, started once, asked to stop through Terminate, and handing
// work to the user-interface thread through Synchronize. A thread runs on a system thread of its
// own, or, for the many short-lived ones (one per folder of a listing), takes its turn on one of a
// few shared system threads: starting a system thread costs far more than such work.
#pragma once

#include "kovalin/Handles.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace kovalin {

class TSynchronizer;

// Where a thread's Execute runs.
enum class TThreadRunner {
    OwnThread,     // a system thread made for it
    SharedWorkers, // a turn on a shared system thread, in the order of Start; waits while all are busy
};

class TThread {
public:
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    // Ends the thread if a derived class has not: Terminate, then WaitFor. A derived class whose
    // Execute uses its own members must do that in its own destructor, before those members go.
    virtual ~TThread();

    // Starts Execute; a thread runs at most once.
    void Start();
    // Asks Execute to end: Terminated() turns true and TerminateEvent() is signalled, which also
    // releases a thread that waits in Synchronize.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Waits until the thread has ended and gives its ReturnValue (0 for a thread never started).
    // On the user-interface thread, calls that workers hand over keep running meanwhile, so a
    // worker blocked in Synchronize cannot hold the wait up.
    DWORD WaitFor();

    bool Started() const { return started_; }
    bool Finished() const { return finished_; }
    // The system thread of an OwnThread thread (null for SharedWorkers).
    HANDLE Handle() const { return handle_.get(); }
    DWORD ThreadID() const { return threadId_; }
    // A THREAD_PRIORITY_* value; with SharedWorkers it applies to the worker while it runs this.
    void SetPriority(int priority);
    int Priority() const { return priority_; }
    // The message of an exception that ended Execute, empty when none did.
    const std::string& FatalError() const { return fatalError_; }

    // Runs on the user-interface thread once Execute has ended, whether or not the thread was
    // terminated; the thread ends after it has returned. It must not free the thread itself:
    // freeing waits for the very thread that is waiting for the handler.
    std::function<void()> OnTerminate;

protected:
    // Takes the user-interface thread's synchronizer from the application object, so a thread is
    // made after Application().Initialize().
    explicit TThread(TThreadRunner runner = TThreadRunner::OwnThread);
    virtual void Execute() = 0;

    // Runs fn on the user-interface thread and waits for it; false when it did not run because
    // the thread was terminated first or the program is shutting down.
    bool Synchronize(const std::function<void()>& fn);
    // Runs fn on the user-interface thread after the calls queued before, without waiting; dropped
    // when the thread is terminated before fn has started. The end handler comes after it, so fn
    // may use the thread's members. False when the program is shutting down.
    bool Queue(std::function<void()> fn);
    // Made on first use (most short-lived threads never wait on it), signalled already when the
    // thread has been terminated.
    HANDLE TerminateEvent() const;
    // The user-interface thread's call queue, for waits there that must keep it running; may be null.
    TSynchronizer* Synchronizer() const { return synchronizer_.get(); }
    void SetReturnValue(DWORD value) { returnValue_ = value; }

private:
    friend class TSharedWorkers;
    static unsigned __stdcall ThreadProc(void* param);
    // Execute, keeping what it throws as FatalError.
    void RunExecute();
    // A SharedWorkers thread's end: the end handler queued, then done_ set.
    void EndShared();
    // A SharedWorkers thread whose end has been through on this, the user-interface, thread: no
    // worker touches it any more, so nothing needs waiting for.
    bool EndedHere() const;

    const TThreadRunner runner_;
    std::shared_ptr<TSynchronizer> synchronizer_;
    UniqueHandleObj handle_;
    UniqueHandleObj done_; // SharedWorkers: signalled when Run has returned
    std::atomic<int> priority_{THREAD_PRIORITY_NORMAL};
    mutable std::mutex terminateLock_; // guards the making of the event against Terminate
    mutable UniqueHandleObj terminateEvent_;
    DWORD threadId_ = 0;
    DWORD returnValue_ = 0;
    bool started_ = false;
    bool skipExecute_ = false;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::string fatalError_;
};

} // namespace kovalin
