#include "shell/DiscMon.h"

#include "kovalin/Exceptions.h"
#include "kovalin/Synchronizer.h"

#include <algorithm>
#include <iterator>

namespace shell {

using namespace kovalin;

namespace {

const DWORD kFilterBits[] = {
    FILE_NOTIFY_CHANGE_FILE_NAME, FILE_NOTIFY_CHANGE_DIR_NAME,   FILE_NOTIFY_CHANGE_ATTRIBUTES,
    FILE_NOTIFY_CHANGE_SIZE,      FILE_NOTIFY_CHANGE_LAST_WRITE, FILE_NOTIFY_CHANGE_SECURITY,
};

bool IsDirectory(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

// A drive root cannot go away; checking on one would wake a floppy drive again and again.
bool IsDriveRoot(std::string path) {
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return path.size() == 2 && path[1] == ':';
}

// A watched folder can be renamed, and its notification says nothing about that, so the worker
// looks this often whether the folder is still where it was.
const DWORD kPresenceCheckMs = 1000;

} // namespace

DWORD MonitorFilterBits(TMonitorFilters filters) {
    DWORD bits = 0;
    for (unsigned i = 0; i < std::size(kFilterBits); ++i)
        if (filters.Contains(static_cast<TMonitorFilter>(i))) bits |= kFilterBits[i];
    return bits;
}

// --- TDiscMonitorThread

TDiscMonitorThread::TDiscMonitorThread() {
    parametersChanged_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    parametersApplied_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!parametersChanged_ || !parametersApplied_) RaiseLastOSError("CreateEvent");
}

TDiscMonitorThread::~TDiscMonitorThread() {
    Terminate();
    WaitFor();
}

TDiscMonitorDirStr TDiscMonitorThread::Directory() const {
    std::lock_guard<std::mutex> guard(lock_);
    return params_.directory;
}
DWORD TDiscMonitorThread::Filters() const {
    std::lock_guard<std::mutex> guard(lock_);
    return params_.filters;
}
bool TDiscMonitorThread::SubTree() const {
    std::lock_guard<std::mutex> guard(lock_);
    return params_.subTree;
}
bool TDiscMonitorThread::Watching() const {
    std::lock_guard<std::mutex> guard(lock_);
    return params_.watching;
}

template <typename T> void TDiscMonitorThread::Change(T Parameters::*field, const T& value) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (params_.*field == value) return;
        params_.*field = value;
        ++params_.generation;
    }
    SetEvent(parametersChanged_.get());
}

void TDiscMonitorThread::AwaitParameters() {
    unsigned wanted = Snapshot().generation;
    // A thread never started holds nothing open.
    while (Started() && !Finished() && applied_ < wanted) {
        if (kovalin::TSynchronizer* sync = Synchronizer())
            sync->Await({parametersApplied_.get(), Handle()});
        else
            WaitForSingleObject(parametersApplied_.get(), 50);
    }
}

void TDiscMonitorThread::Acknowledge(unsigned generation) {
    applied_ = generation;
    SetEvent(parametersApplied_.get());
}

void TDiscMonitorThread::SetDirectory(const TDiscMonitorDirStr& directory) {
    Change(&Parameters::directory, directory);
}
void TDiscMonitorThread::SetFilters(DWORD bits) {
    Change(&Parameters::filters, bits);
}
void TDiscMonitorThread::SetSubTree(bool subTree) {
    Change(&Parameters::subTree, subTree);
}
void TDiscMonitorThread::SetWatching(bool watching) {
    Change(&Parameters::watching, watching);
}

TDiscMonitorThread::Parameters TDiscMonitorThread::Snapshot() const {
    std::lock_guard<std::mutex> guard(lock_);
    return params_;
}

bool TDiscMonitorThread::Report(bool change) {
    return Synchronize([this, change] {
        // A copy: the handler may free the monitor, and this thread with it.
        auto handler = change ? OnChange : OnInvalid;
        if (handler) handler();
    });
}

void TDiscMonitorThread::Execute() {
    // Watching a folder on removable media must not bring up the system's "no disk" boxes.
    SetThreadErrorMode(SEM_FAILCRITICALERRORS, nullptr);
    UniqueChangeNotification notification;
    std::string watched;
    bool reopen = false;
    while (!Terminated()) {
        if (reopen) {
            reopen = false;
            notification.reset();
            Parameters p = Snapshot();
            if (p.watching) {
                watched = p.directory;
                notification.reset(FindFirstChangeNotificationA(watched.c_str(), p.subTree, p.filters));
            }
            Acknowledge(p.generation);
            // Reported once; then nothing happens until new parameters arrive.
            if (p.watching && !notification && !Report(false)) break;
            continue;
        }
        HANDLE waits[3] = {TerminateEvent(), parametersChanged_.get(), notification.get()};
        DWORD timeout = notification && !IsDriveRoot(watched) ? kPresenceCheckMs : INFINITE;
        DWORD r = WaitForMultipleObjects(notification ? 3 : 2, waits, FALSE, timeout);
        if (r == WAIT_OBJECT_0 + 1) {
            reopen = true;
            continue;
        }
        if (r == WAIT_OBJECT_0 + 2) {
            // Let a burst settle; the report's handler then sees everything that changed
            // meanwhile. A stop cuts the delay short, and new parameters drop the change with the
            // watch it belongs to.
            DWORD delay = static_cast<DWORD>(std::max(0, changeDelay_.load()));
            DWORD d = WaitForMultipleObjects(2, waits, FALSE, delay);
            if (d == WAIT_OBJECT_0) break;
            if (d == WAIT_OBJECT_0 + 1) {
                reopen = true;
                continue;
            }
            // Re-armed before the report, so that what changes while the handler runs signals
            // again: Wine drops changes made before the notification is re-armed.
            if (FindNextChangeNotification(notification.get()) && IsDirectory(watched)) {
                if (!Report(true)) break;
                continue;
            }
        } else if (r == WAIT_TIMEOUT) {
            if (IsDirectory(watched)) continue;
        } else {
            break; // stopped, or the wait itself failed
        }
        // The folder went away: that is the invalid case, not a change of its contents.
        notification.reset();
        if (!Report(false)) break;
    }
}

// --- TDiscMonitor

TDiscMonitor::TDiscMonitor() : thread_(std::make_unique<TDiscMonitorThread>()) {
    thread_->SetFilters(MonitorFilterBits(filters_));
    thread_->OnChange = [this] { Signalled(true); };
    thread_->OnInvalid = [this] { Signalled(false); };
}

TDiscMonitor::~TDiscMonitor() {
    *alive_ = false;
    // Nothing may reach this object once its destruction has begun.
    thread_->OnChange = nullptr;
    thread_->OnInvalid = nullptr;
    thread_.reset();
}

void TDiscMonitor::SetFilters(TMonitorFilters filters) {
    if (filters == filters_) return;
    if (filters.Empty()) throw Exception("Some filter condition must be set.");
    filters_ = filters;
    thread_->SetFilters(MonitorFilterBits(filters));
}

void TDiscMonitor::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    if (active && !thread_->Started()) thread_->Start();
    thread_->SetWatching(active);
    // Callers close their monitors before they delete or move folders, so a closed monitor has
    // let go of its folder. From inside a report the worker lets go as soon as the report returns.
    if (!active && reporting_ == 0) thread_->AwaitParameters();
}

void TDiscMonitor::Signalled(bool change) {
    // A report that was on its way when the monitor was closed belongs to the watch that ended.
    if (!active_) return;
    auto handler = change ? OnChange : OnInvalid;
    if (!handler) return;
    // The handler may free this monitor; then nothing of it may be touched afterwards.
    std::shared_ptr<bool> alive = alive_;
    ++reporting_;
    try {
        handler(*this);
    } catch (...) {
        if (*alive) --reporting_;
        throw;
    }
    if (*alive) --reporting_;
}

} // namespace shell
