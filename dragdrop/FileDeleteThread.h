// Watches the sources of a move until they have gone: every 500 ms it looks for each path and
// hands those that have disappeared to a callback on the user-interface thread. It ends when all
// are gone, at its time-out or when told to stop, and frees itself.
#pragma once

#include "kovalin/Thread.h"

#include <functional>
#include <string>
#include <vector>

namespace dragdrop {

class TFileDeleteThread : public kovalin::TThread {
public:
    using TCallback = std::function<void(const std::vector<std::string>& gone)>;

    // Starts watching a copy of the paths. The thread belongs to itself: the pointer stays valid
    // while Running says so.
    static TFileDeleteThread* Start(const std::vector<std::string>& paths, TCallback callback,
                                    DWORD timeoutMs = 10000);
    static bool Running(const TFileDeleteThread* thread);
    static int RunningCount();
    // Ends and frees every thread still watching (before the program ends).
    static void StopAll();

    // Asks the thread to end; it frees itself soon after. Called on the user-interface thread.
    void Stop();

    ~TFileDeleteThread() override;

protected:
    void Execute() override;

private:
    TFileDeleteThread(const std::vector<std::string>& paths, TCallback callback, DWORD timeoutMs);
    // On the user-interface thread: the thread is done and may be freed from the message loop.
    void ScheduleFree();
    static void CALLBACK Reap(HWND, UINT, UINT_PTR id, DWORD);

    std::vector<std::string> watch_, gone_;
    TCallback callback_;
    ULONGLONG endTime_; // system time, 100-nanosecond units
    bool freeScheduled_ = false;
};

} // namespace dragdrop
