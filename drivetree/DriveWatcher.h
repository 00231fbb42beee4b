// The drive tree's watching of drives for folder changes: one change monitor per watched drive
// and one timer per drive that folds a burst of change reports into one revalidation.
#pragma once

#include "kovalin/Timer.h"
#include "shell/DiscMon.h"

#include <windows.h>

#include <array>
#include <functional>
#include <memory>

namespace drivetree {

class TDriveWatcher {
public:
    using DriveEvent = std::function<void(char drive)>;
    // `revalidate` runs one interval after the last change report of a drive; `invalid` when a
    // drive's monitor cannot watch (the monitor has been stopped then).
    TDriveWatcher(DriveEvent revalidate, DriveEvent invalid);
    TDriveWatcher(const TDriveWatcher&) = delete;
    TDriveWatcher& operator=(const TDriveWatcher&) = delete;
    ~TDriveWatcher();

    // The drive's monitor, none until Watch made it; the drive's timer, always there. Letters
    // are upper case 'A'..'Z'.
    shell::TDiscMonitor* Monitor(char drive) const;
    kovalin::TTimer& Timer(char drive) const;

    // Makes the drive's monitor (folder names, the whole drive) when it has none, and starts it.
    void Watch(char drive);
    // Stops the drive's monitor, keeping it for a later start.
    void Stop(char drive);
    void StopAll();
    // The monitor goes; watching the drive again makes a new one.
    void Free(char drive);
    bool Active(char drive) const;

    // Milliseconds from the last change report to the revalidation; 0 is ignored.
    UINT Interval() const { return interval_; }
    void SetInterval(UINT value);
    // The pending revalidation of the drive is dropped.
    void CancelPending(char drive);

private:
    void Changed(char drive);
    void TimerFired(char drive);
    static size_t Index(char drive) { return static_cast<size_t>(drive - 'A'); }

    DriveEvent revalidate_, invalid_;
    UINT interval_ = 1000;
    std::array<std::unique_ptr<shell::TDiscMonitor>, 26> monitors_;
    std::array<std::unique_ptr<kovalin::TTimer>, 26> timers_;
};

} // namespace drivetree
