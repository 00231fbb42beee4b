// Watching a folder for changes: the monitor component and its worker thread, which waits on the
// system's change notification and reports each change, after a settling delay, on the
// user-interface thread.
#pragma once

#include "kovalin/Handles.h"
#include "kovalin/Set.h"
#include "kovalin/Thread.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace shell {

enum class TMonitorFilter { moFilename, moDirName, moAttributes, moSize, moLastWrite, moSecurity };
using TMonitorFilters = kovalin::TSet<TMonitorFilter>;
using TDiscMonitorDirStr = std::string;

// The change-notification filter bits (FILE_NOTIFY_CHANGE_...) of a set of filters.
DWORD MonitorFilterBits(TMonitorFilters filters);

// Waits for changes below one folder. Parameters are set from the user-interface thread; the
// callbacks run there too, while the worker waits for them.
class TDiscMonitorThread : public kovalin::TThread {
public:
    // Made suspended; Start begins it, with nothing watched until SetWatching(true).
    TDiscMonitorThread();
    ~TDiscMonitorThread() override;

    // Each setter that changes a value makes the worker open a fresh notification.
    TDiscMonitorDirStr Directory() const;
    void SetDirectory(const TDiscMonitorDirStr& directory);
    DWORD Filters() const;
    void SetFilters(DWORD bits);
    bool SubTree() const;
    void SetSubTree(bool subTree);
    // Off: the worker closes its notification and idles until switched on again.
    bool Watching() const;
    void SetWatching(bool watching);
    // Waits until the worker has taken up every parameter set so far (for switching off: until
    // it has let go of the folder). Not from within OnChange or OnInvalid: the worker waits for
    // those to return.
    void AwaitParameters();
    // Read at every change, so it takes effect with the next one.
    int ChangeDelay() const { return changeDelay_; }
    void SetChangeDelay(int milliseconds) { changeDelay_ = milliseconds; }

    std::function<void()> OnChange;
    std::function<void()> OnInvalid;

protected:
    void Execute() override;

private:
    struct Parameters {
        TDiscMonitorDirStr directory;
        DWORD filters = FILE_NOTIFY_CHANGE_FILE_NAME;
        bool subTree = true;
        bool watching = false;
        unsigned generation = 0; // counts the changes
    };
    template <typename T> void Change(T Parameters::*field, const T& value);
    Parameters Snapshot() const;
    // False when the report was not delivered because the thread is being stopped.
    bool Report(bool change);
    void Acknowledge(unsigned generation);

    mutable std::mutex lock_;
    Parameters params_;
    std::atomic<int> changeDelay_{500};
    kovalin::UniqueHandleObj parametersChanged_;
    std::atomic<unsigned> applied_{0};
    kovalin::UniqueHandleObj parametersApplied_;
};

class TDiscMonitor {
public:
    TDiscMonitor();
    TDiscMonitor(const TDiscMonitor&) = delete;
    TDiscMonitor& operator=(const TDiscMonitor&) = delete;
    ~TDiscMonitor();

    TDiscMonitorDirStr Directory() const { return thread_->Directory(); }
    void SetDirectory(const TDiscMonitorDirStr& directory) { thread_->SetDirectory(directory); }
    TMonitorFilters Filters() const { return filters_; }
    // Refuses the empty set with an Exception, keeping the filters it had.
    void SetFilters(TMonitorFilters filters);
    bool SubTree() const { return thread_->SubTree(); }
    void SetSubTree(bool subTree) { thread_->SetSubTree(subTree); }
    int ChangeDelay() const { return thread_->ChangeDelay(); }
    void SetChangeDelay(int milliseconds) { thread_->SetChangeDelay(milliseconds); }
    // Kept for forms that set it; the framework has no design mode in which it would show anything.
    bool ShowDesignMsg() const { return showDesignMsg_; }
    void SetShowDesignMsg(bool value) { showDesignMsg_ = value; }

    bool Active() const { return active_; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }

    // Both run on the user-interface thread, and only while the monitor is active.
    std::function<void(TDiscMonitor& sender)> OnChange;
    std::function<void(TDiscMonitor& sender)> OnInvalid;

private:
    void Signalled(bool change);

    std::unique_ptr<TDiscMonitorThread> thread_;
    int reporting_ = 0; // handlers running
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    TMonitorFilters filters_{TMonitorFilter::moFilename};
    bool active_ = false;
    bool showDesignMsg_ = false;
};

} // namespace shell
