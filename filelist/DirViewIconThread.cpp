// The icon update thread of the file list, and the list's side of it: starting, stopping and
// pointing it at the rows the user sees.
#include "filelist/DirView.h"
#include "filelist/IconUpdateThread.h"

#include "filelist/DirViewHelpers.h"
#include "filelist/ListGlobals.h"
#include "kovalin/Application.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Form.h"

#include <objbase.h>
#include <shellapi.h>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

namespace {
constexpr int kStopSteps = 200;
constexpr DWORD kStopStepMs = 10;
} // namespace

// --- the thread --------------------------------------------------------------------------------

TIconUpdateThread::TIconUpdateThread(TDirView& dirView) : dirView_(dirView), queryHook_(dirView.OnIconQuery) {
    owner_ = dirView.ParentForm() ? dirView.ParentForm()->Handle() : nullptr;
    unknownIcon_ = Globals().unknownFileIcon;
    wake_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!wake_) kovalin::RaiseLastOSError("CreateEvent");
}

TIconUpdateThread::~TIconUpdateThread() {
    Terminate();
    WaitFor();
}

void TIconUpdateThread::Resume() {
    SetEvent(wake_.get());
}

void TIconUpdateThread::Wait() {
    // The thread waits on an event rather than being suspended: a thread suspended from outside
    // may hold a lock of the heap or the loader that the user-interface thread needs next.
    waiting_ = true;
    const HANDLE waits[2] = {wake_.get(), TerminateEvent()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    waiting_ = false;
}

void TIconUpdateThread::SetThreadIndex(int index) {
    if (index == endIndex_) return;
    changed_ = true;
    if (index < endIndex_ && !waiting_) {
        if (TListItem* top = dirView_.TopItem()) startIndex_ = top->Index();
    } else {
        endIndex_ = index;
    }
}

void TIconUpdateThread::SetStartIndex(int index) {
    if (index == startIndex_) return;
    startIndex_ = index;
    changed_ = true;
    const int rows = dirView_.VisibleRowCount();
    endIndex_ = index + (dirView_.ViewStyle() == kovalin::TViewStyle::vsList ? 2 * rows : rows);
}

void TIconUpdateThread::Execute() {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        // The thread's own desktop folder: the list's belongs to the user-interface thread.
        kovalin::ComPtr<IShellFolder> desktop = shell::DesktopFolder();
        Synchronize([this] {
            const TListItem* top = dirView_.TopItem();
            startIndex_ = top ? top->Index() : 0;
            itemCount_ = dirView_.ItemCount();
        });
        changed_ = startIndex_ > 0;
        while (!Terminated()) {
            if (endIndex_ < startIndex_) Wait();
            if (!Terminated() && (startIndex_ >= itemCount_ || itemCount_ == 0)) Wait();
            skip_ = true;
            if (Terminated()) break;
            Synchronize([this] { TakeItem(); });
            if (!skip_ && !Terminated() && fileRec_.IconPending) {
                FetchIcon(desktop.get());
                if (Terminated()) break;
                if (iconIndex_ != fileRec_.ImageIndex) changed_ = true;
                Synchronize([this] { StoreIcon(); });
            }
            fileRec_.PIDL.reset();
            fileName_.clear();
            // Unless the list pointed the thread elsewhere meanwhile, go on with the next item.
            int expected = currentIndex_;
            startIndex_.compare_exchange_strong(expected, currentIndex_ + 1);
        }
        fileRec_.PIDL.reset();
    }
    if (SUCCEEDED(com)) CoUninitialize();
}

void TIconUpdateThread::TakeItem() {
    currentIndex_ = startIndex_;
    itemCount_ = dirView_.ItemCount();
    if (currentIndex_ < 0 || currentIndex_ >= itemCount_) return;
    TListItem& item = dirView_.Item(currentIndex_);
    const TFileRec* rec = TDirView::ItemData(&item);
    if (!rec) return;
    fileName_ = dirView_.ItemFullFileName(&item);
    fileRec_.IconPending = rec->IconPending;
    fileRec_.ImageIndex = rec->ImageIndex;
    fileRec_.PIDL.reset(rec->PIDL ? shell::PidlCopy(rec->PIDL.get()) : nullptr);
    skip_ = false;
}

void TIconUpdateThread::FetchIcon(IShellFolder* desktop) {
    try {
        if (queryHook_) queryHook_(currentIndex_);
        if (!fileRec_.PIDL && desktop) fileRec_.PIDL = ParsePath(*desktop, owner_, fileName_);
        SHFILEINFOA info{};
        const DWORD_PTR ok =
            fileRec_.PIDL ? SHGetFileInfoA(reinterpret_cast<LPCSTR>(fileRec_.PIDL.get()), 0, &info,
                                           sizeof info, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON)
                          : SHGetFileInfoA(fileName_.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                           SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        iconIndex_ = ok ? info.iIcon : unknownIcon_;
    } catch (...) {
        iconIndex_ = unknownIcon_;
    }
}

void TIconUpdateThread::StoreIcon() {
    if (currentIndex_ >= dirView_.ItemCount() || dirView_.Loading() || Terminated()) return;
    TListItem& item = dirView_.Item(currentIndex_);
    TFileRec* rec = TDirView::ItemData(&item);
    // A refresh may have removed or moved items meanwhile: the icon belongs to its file only.
    if (!rec || dirView_.ItemFullFileName(&item) != fileName_) return;
    if (iconIndex_ >= 0 && iconIndex_ != rec->ImageIndex) {
        rec->ImageIndex = iconIndex_;
        item.Update();
        changed_ = true;
    }
    rec->IconPending = false;
}

// --- the list's side ---------------------------------------------------------------------------

void TDirView::SetUseIconUpdateThread(bool value) {
    if (useIconUpdateThread_ == value) return;
    useIconUpdateThread_ = value;
    if (!value)
        StopIconUpdateThread();
    else if (dirOK_ && !loading_ && !recycleBinMode_)
        StartIconUpdateThread();
    Invalidate();
}

void TDirView::StartIconUpdateThread() {
    if (!dirOK_) return;
    iconTop_ = -1;
    if (iconThread_) {
        iconThread_->SetStartIndex(0);
        if (ViewStyle() == kovalin::TViewStyle::vsReport) iconThread_->Resume();
    } else if (ItemCount() > 0) {
        iconThreadDone_ = false;
        iconThread_ = std::make_unique<TIconUpdateThread>(*this);
        iconThread_->Start();
    }
}

void TDirView::StopIconUpdateThread() {
    if (!iconThread_) return;
    iconThreadDone_ = true;
    iconThread_->Terminate();
    SetThreadPriority(iconThread_->Handle(), THREAD_PRIORITY_ABOVE_NORMAL);
    iconThread_->Resume();
    Sleep(0);
    for (int step = 0; step < kStopSteps && !iconThread_->Finished(); ++step) {
        kovalin::Application().ProcessMessages();
        WaitForSingleObject(iconThread_->Handle(), kStopStepMs);
    }
    if (!iconThread_->Finished()) {
        // A shell call that never returns: waiting for it would hang the program with it. The
        // thread has been told to stop and calls back into nothing once it returns, so it is
        // left to end on its own.
        static_cast<void>(iconThread_.release());
        throw kovalin::Exception("Can't terminate icon update thread.");
    }
    iconThread_.reset();
}

// The list was asked for a row whose icon is still to come.
void TDirView::IconRequested(TListItem& item) {
    if (!iconThread_ || recycleBinMode_) return;
    const TListItem* top = TopItem();
    const int topIndex = top ? top->Index() : item.Index();
    if (topIndex != iconTop_) {
        iconTop_ = topIndex;
        iconThread_->SetStartIndex(topIndex);
    }
    if (item.Index() > iconThread_->EndIndex()) iconThread_->SetThreadIndex(item.Index());
    if (iconThread_->Waiting()) iconThread_->Resume();
}

} // namespace filelist
