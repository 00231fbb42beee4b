// The file list watching its folder: a change monitor and a delay timer that folds a burst of
// changes into one incremental refresh.
#include "filelist/DirView.h"

#include "shell/DiscMon.h"

#include <cctype>

namespace filelist {

namespace {
// Milliseconds the monitor lets a change settle before it reports it.
constexpr int kChangeDelay = 10;
} // namespace

kovalin::TTimer& TDirView::ChangeTimer() {
    if (!changeTimer_) {
        changeTimer_ = std::make_unique<kovalin::TTimer>();
        changeTimer_->SetEnabled(false);
        changeTimer_->SetInterval(changeInterval_);
        changeTimer_->SetOnTimer([this] { ChangeTimerElapsed(); });
    }
    return *changeTimer_;
}

void TDirView::StopChangeTimer() {
    if (!changeTimer_) return;
    changeTimer_->SetEnabled(false);
    changeTimer_->SetInterval(0);
}

void TDirView::SetWatchForChanges(bool value) {
    if (watchForChanges_ == value) return;
    watchForChanges_ = value;
    if (value)
        StartWatchThread();
    else
        StopWatchThread();
}

void TDirView::SetChangeInterval(UINT value) {
    // No delay at all would refresh for every single change of a burst.
    if (value == 0 || value == changeInterval_) return;
    changeInterval_ = value;
    if (changeTimer_ && changeTimer_->Interval() != 0) changeTimer_->SetInterval(value);
}

void TDirView::StartWatchThread() {
    if (path_.empty() || !watchForChanges_ || !dirOK_ || loading_) return;
    const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path_[0])));
    if (noCheckDrives_.find(drive) != std::string::npos) return;
    if (!changeMonitor_) {
        changeMonitor_ = std::make_unique<shell::TDiscMonitor>();
        changeMonitor_->SetChangeDelay(kChangeDelay);
        changeMonitor_->SetSubTree(false);
        using shell::TMonitorFilter;
        changeMonitor_->SetFilters(shell::TMonitorFilters{
            TMonitorFilter::moFilename, TMonitorFilter::moDirName, TMonitorFilter::moAttributes,
            TMonitorFilter::moSize, TMonitorFilter::moLastWrite});
        changeMonitor_->OnChange = [this](shell::TDiscMonitor&) { ChangeDetected(); };
        changeMonitor_->OnInvalid = [this](shell::TDiscMonitor&) { ChangeInvalid(); };
    }
    changeMonitor_->SetDirectory(GetPathName());
    changeMonitor_->Open();
}

void TDirView::StopWatchThread() {
    changeMonitor_.reset();
}

bool TDirView::WatchThreadActive() const {
    return watchForChanges_ && changeMonitor_ && changeMonitor_->Active();
}

bool TDirView::ChangeWatchActive() const {
    return WatchThreadActive();
}

void TDirView::ChangeDetected() {
    loadPending_ = true;
    // Every further change starts the delay again: one refresh after the burst.
    kovalin::TTimer& timer = ChangeTimer();
    timer.SetEnabled(false);
    timer.SetInterval(changeInterval_);
    timer.SetEnabled(true);
}

void TDirView::ChangeTimerElapsed() {
    if (loading_) return;
    if (OnChangeDetected) OnChangeDetected(*this);
    RefreshDirectory();
    StopChangeTimer();
}

void TDirView::ChangeInvalid() {
    // Closed, not freed: the monitor is inside its own report here.
    if (changeMonitor_) changeMonitor_->Close();
    if (OnChangeInvalid) OnChangeInvalid(*this);
}

} // namespace filelist
