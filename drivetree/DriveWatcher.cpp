#include "drivetree/DriveWatcher.h"

#include <string>
#include <utility>

namespace drivetree {

TDriveWatcher::TDriveWatcher(DriveEvent revalidate, DriveEvent invalid)
    : revalidate_(std::move(revalidate)), invalid_(std::move(invalid)) {
    for (char d = 'A'; d <= 'Z'; ++d) {
        auto timer = std::make_unique<kovalin::TTimer>();
        timer->SetEnabled(false);
        timer->SetInterval(0);
        timer->SetOnTimer([this, d] { TimerFired(d); });
        timers_[Index(d)] = std::move(timer);
    }
}

TDriveWatcher::~TDriveWatcher() {
    // The monitors' threads end before the timers they report to.
    for (auto& monitor : monitors_)
        monitor.reset();
}

shell::TDiscMonitor* TDriveWatcher::Monitor(char drive) const {
    return monitors_[Index(drive)].get();
}

kovalin::TTimer& TDriveWatcher::Timer(char drive) const {
    return *timers_[Index(drive)];
}

void TDriveWatcher::Watch(char drive) {
    auto& monitor = monitors_[Index(drive)];
    if (!monitor) {
        monitor = std::make_unique<shell::TDiscMonitor>();
        monitor->SetChangeDelay(50);
        monitor->SetSubTree(true);
        monitor->SetFilters(shell::TMonitorFilters{shell::TMonitorFilter::moDirName});
        monitor->SetDirectory(std::string(1, drive) + ":\\");
        monitor->OnChange = [this, drive](shell::TDiscMonitor&) { Changed(drive); };
        monitor->OnInvalid = [this, drive](shell::TDiscMonitor& m) {
            m.Close();
            if (invalid_) invalid_(drive);
        };
    }
    if (!monitor->Active()) monitor->Open();
}

void TDriveWatcher::Stop(char drive) {
    if (shell::TDiscMonitor* monitor = Monitor(drive)) monitor->Close();
}

void TDriveWatcher::StopAll() {
    for (auto& monitor : monitors_)
        if (monitor) monitor->Close();
}

void TDriveWatcher::Free(char drive) {
    monitors_[Index(drive)].reset();
}

bool TDriveWatcher::Active(char drive) const {
    const shell::TDiscMonitor* monitor = Monitor(drive);
    return monitor && monitor->Active();
}

void TDriveWatcher::SetInterval(UINT value) {
    if (value == 0) return;
    interval_ = value;
    for (auto& timer : timers_)
        timer->SetInterval(value);
}

void TDriveWatcher::CancelPending(char drive) {
    Timer(drive).SetEnabled(false);
}

void TDriveWatcher::Changed(char drive) {
    // Every report within the interval pushes the revalidation back.
    kovalin::TTimer& timer = Timer(drive);
    timer.SetInterval(0);
    timer.SetInterval(interval_);
    timer.SetEnabled(true);
}

void TDriveWatcher::TimerFired(char drive) {
    kovalin::TTimer& timer = Timer(drive);
    timer.SetEnabled(false);
    timer.SetInterval(0);
    if (revalidate_) revalidate_(drive);
}

} // namespace drivetree
