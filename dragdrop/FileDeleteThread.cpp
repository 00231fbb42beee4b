#include "dragdrop/FileDeleteThread.h"

#include <algorithm>
#include <set>

namespace dragdrop {

namespace {

// Threads of the user-interface thread that have not been freed yet, and those ready to be.
std::set<TFileDeleteThread*>& Live() {
    static std::set<TFileDeleteThread*> live;
    return live;
}
std::vector<TFileDeleteThread*>& Reapable() {
    static std::vector<TFileDeleteThread*> finished;
    return finished;
}
UINT_PTR g_reapTimer = 0;

ULONGLONG SystemTimeNow() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

bool PathExists(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(path.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

} // namespace

TFileDeleteThread::TFileDeleteThread(const std::vector<std::string>& paths, TCallback callback,
                                     DWORD timeoutMs)
    : watch_(paths), callback_(std::move(callback)),
      endTime_(SystemTimeNow() + static_cast<ULONGLONG>(timeoutMs) * 10000) {}

TFileDeleteThread::~TFileDeleteThread() {
    Terminate();
    WaitFor();
    Live().erase(this);
}

TFileDeleteThread* TFileDeleteThread::Start(const std::vector<std::string>& paths, TCallback callback,
                                            DWORD timeoutMs) {
    auto* t = new TFileDeleteThread(paths, std::move(callback), timeoutMs);
    Live().insert(t);
    t->TThread::Start();
    return t;
}

bool TFileDeleteThread::Running(const TFileDeleteThread* thread) {
    return Live().count(const_cast<TFileDeleteThread*>(thread)) != 0;
}

int TFileDeleteThread::RunningCount() {
    return static_cast<int>(Live().size());
}

void TFileDeleteThread::Execute() {
    while (!watch_.empty() && !Terminated()) {
        if (WaitForSingleObject(TerminateEvent(), 500) == WAIT_OBJECT_0) break;
        auto gone = std::stable_partition(watch_.begin(), watch_.end(), PathExists);
        gone_.insert(gone_.end(), gone, watch_.end());
        watch_.erase(gone, watch_.end());
        if (!gone_.empty()) {
            Synchronize([this] {
                // The owner's failure must not end the watch for the rest.
                try {
                    if (callback_) callback_(gone_);
                } catch (...) {
                }
            });
            gone_.clear();
        }
        if (SystemTimeNow() >= endTime_) break;
    }
    Synchronize([this] { ScheduleFree(); });
}

void TFileDeleteThread::Stop() {
    Terminate();
    ScheduleFree();
}

void TFileDeleteThread::ScheduleFree() {
    if (freeScheduled_) return;
    freeScheduled_ = true;
    Reapable().push_back(this);
    // A thread timer: the message loop frees the thread once this call has returned to it.
    if (!g_reapTimer) g_reapTimer = SetTimer(nullptr, 0, 0, Reap);
}

void CALLBACK TFileDeleteThread::Reap(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_reapTimer = 0;
    std::vector<TFileDeleteThread*> done;
    done.swap(Reapable());
    for (TFileDeleteThread* t : done)
        delete t;
}

void TFileDeleteThread::StopAll() {
    std::vector<TFileDeleteThread*> all(Live().begin(), Live().end());
    for (TFileDeleteThread* t : all)
        t->Terminate();
    for (TFileDeleteThread* t : all)
        delete t;
    Reapable().clear();
    if (g_reapTimer) KillTimer(nullptr, g_reapTimer);
    g_reapTimer = 0;
}

} // namespace dragdrop
