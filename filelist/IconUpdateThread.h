// The file list's icon update thread: asks the shell for the icons of the rows in view, one item
// at a time, and hands each icon to the list on the user-interface thread.
#pragma once

#include "kovalin/Handles.h"
#include "kovalin/Thread.h"
#include "shell/PIDL.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

namespace filelist {

class TDirView;

class TIconUpdateThread final : public kovalin::TThread {
public:
    // Made suspended; Start begins it.
    explicit TIconUpdateThread(TDirView& dirView);
    ~TIconUpdateThread() override;

    // The list asks for an item whose icon it lacks.
    void SetThreadIndex(int index);
    // The top visible item changed.
    void SetStartIndex(int index);
    // Lets a thread that waits for work look again; a wake-up for a busy thread is kept for its
    // next wait.
    void Resume();
    // The thread waits for work (it has nothing to do in the rows it was pointed at).
    bool Waiting() const { return waiting_; }

    int StartIndex() const { return startIndex_; }
    int EndIndex() const { return endIndex_; }
    bool Changed() const { return changed_; }

protected:
    void Execute() override;

private:
    // What the thread needs of an item, copied on the user-interface thread.
    struct ItemCopy {
        bool IconPending = false;
        int ImageIndex = 0;
        shell::UniquePidl PIDL;
    };
    void Wait();
    void TakeItem();
    void FetchIcon(IShellFolder* desktop);
    void StoreIcon();

    TDirView& dirView_;
    // The list's OnIconQuery, copied: the thread reads nothing of the list outside the calls it
    // makes on the user-interface thread.
    std::function<void(int index)> queryHook_;
    HWND owner_ = nullptr;
    int unknownIcon_ = 0;
    kovalin::UniqueHandleObj wake_;
    std::atomic<bool> waiting_{false};

    std::atomic<int> startIndex_{0}, endIndex_{-1};
    std::atomic<bool> changed_{false};
    int currentIndex_ = -1;
    int itemCount_ = 0;
    std::string fileName_;
    ItemCopy fileRec_;
    int iconIndex_ = -1;
    bool skip_ = true;
};

} // namespace filelist
