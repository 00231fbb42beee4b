// Worker threads: made suspended, started once, asked to stop through Terminate, and handing
// work to the user-interface thread through Synchronize.
#pragma once

#include "kovalin/Handles.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace kovalin {

class TSynchronizer;

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
    HANDLE Handle() const { return handle_.get(); }
    DWORD ThreadID() const { return threadId_; }
    // The message of an exception that ended Execute, empty when none did.
    const std::string& FatalError() const { return fatalError_; }

    // Runs on the user-interface thread once Execute has ended, whether or not the thread was
    // terminated; the thread ends after it has returned. It must not free the thread itself:
    // freeing waits for the very thread that is waiting for the handler.
    std::function<void()> OnTerminate;

protected:
    // Takes the user-interface thread's synchronizer from the application object, so a thread is
    // made after Application().Initialize().
    TThread();
    virtual void Execute() = 0;

    // Runs fn on the user-interface thread and waits for it; false when it did not run because
    // the thread was terminated first or the program is shutting down.
    bool Synchronize(const std::function<void()>& fn);
    HANDLE TerminateEvent() const { return terminateEvent_.get(); }
    // The user-interface thread's call queue, for waits there that must keep it running; may be null.
    TSynchronizer* Synchronizer() const { return synchronizer_.get(); }
    void SetReturnValue(DWORD value) { returnValue_ = value; }

private:
    static unsigned __stdcall ThreadProc(void* param);

    std::shared_ptr<TSynchronizer> synchronizer_;
    UniqueHandleObj handle_;
    UniqueHandleObj terminateEvent_;
    DWORD threadId_ = 0;
    DWORD returnValue_ = 0;
    bool started_ = false;
    bool skipExecute_ = false;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::string fatalError_;
};

} // namespace kovalin
