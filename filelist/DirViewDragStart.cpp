// Dragging the list's files out: the file list of the drag, the drag image, and what follows a
// drag that moved the files away.
#include "filelist/DirView.h"

#include "dragdrop/FileDeleteThread.h"
#include "filelist/DirViewHelpers.h"
#include "filelist/DragFilesImage.h"
#include "kovalin/Form.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace filelist {

using dragdrop::deCopy;
using dragdrop::deLink;
using dragdrop::deMove;
using kovalin::TImageList;
using kovalin::TListItem;
using namespace detail;

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && LowerName(text.substr(text.size() - end.size())) == LowerName(end);
}

DWORD HeldKeys(bool rightButton) {
    DWORD keys = rightButton ? MK_RBUTTON : MK_LBUTTON;
    if (GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
    return keys;
}

} // namespace

void TDirView::BeginDrag(TListItem* /*item*/, bool rightButton, POINT start) {
    POINT now;
    GetCursorPos(&now);
    ScreenToClient(Handle(), &now);
    const DWORD keys = HeldKeys(rightButton);
    // The control only reports a drag once the mouse has moved far enough with the button down.
    if (OnDDDragDetect) OnDDDragDetect(*this, keys, start, now, dragdrop::TDragDetectStatus::ddsDrag);
    if (SelCount() > 0) StartDraggingFiles(start);
}

void TDirView::StartDraggingFiles(POINT start) {
    dragdrop::TDragDropFilesEx& dd = DragDropFilesEx();
    if (dd.Dragging()) return;
    std::vector<std::string> sources; // the files on disk, for the watch after a move
    {
        WaitCursor wait;
        dd.FileList().Clear();
        // Asking the shell for every item's id list costs too much for many items and on floppies;
        // the recycle bin's items come with theirs.
        dd.SetCompleteFileList(!(SelCount() > 100 || recycleBinMode_ || driveType_ == DRIVE_REMOVABLE));
        unsigned files = 0, folders = 0;
        TListItem* first = nullptr;
        for (TListItem* item = GetNextItem(nullptr, LVNI_SELECTED); item;
             item = GetNextItem(item, LVNI_SELECTED)) {
            const TFileRec* rec = ItemData(item);
            // ".." stands for the folder above: dragging it would carry off the folder shown.
            if (!rec || rec->IsParentDir) continue;
            const std::string full = ItemFullFileName(item);
            if (recycleBinMode_) {
                // The name the file had, which a receiver uses to name its copy.
                std::string name = rec->DisplayName;
                const std::string ext = ItemFileExt(item);
                if (!ext.empty() && !EndsWithNoCase(name, ext)) name += ext;
                dd.FileList().Add(name,
                                  shell::UniquePidl(rec->PIDL ? shell::PidlCopy(rec->PIDL.get()) : nullptr));
            } else {
                dd.FileList().Add(full);
            }
            sources.push_back(full);
            if (!first) first = item;
            ++(rec->IsDirectory ? folders : files);
        }
        if (sources.empty()) return;
        if (useDragImages_) {
            if (sources.size() == 1)
                BeginItemDragImage(*first, start);
            else
                BeginFilesDragImage(files, folders);
            if (ddDragImageShown_ && ParentForm()) {
                POINT cursor;
                GetCursorPos(&cursor);
                RECT form;
                GetWindowRect(ParentForm()->Handle(), &form);
                ImageList_DragEnter(ParentForm()->Handle(), cursor.x - form.left, cursor.y - form.top);
            }
        }
    }
    dd.SetSourceEffects(recycleBinMode_ ? deMove : deCopy | deMove | deLink);
    const bool watching = ChangeWatchActive();
    SetDragSourceList(this);
    ddDragStartTick_ = GetTickCount();
    struct AfterDrag {
        TDirView& list;
        ~AfterDrag() {
            if (list.ddDragImageShown_) {
                ImageList_EndDrag();
                list.ddDragImageShown_ = false;
            }
            if (TImageList* images = list.DragImageList()) images->Clear();
            // A drop onto this list itself still needs the files and the target: its posted step
            // clears them.
            if (!list.ddDropPending_) {
                list.DragDropFilesEx().FileList().Clear();
                list.SetDDDropTarget(nullptr);
            }
            SetDragSourceList(nullptr);
        }
    } after{*this};
    const dragdrop::TDragResult result = dd.Execute();
    if (result == dragdrop::TDragResult::drMove && !watching) WatchMovedFiles(sources);
}

void TDirView::BeginItemDragImage(TListItem& item, POINT start) {
    TImageList* images = DragImageList();
    if (!images) return;
    // The control's own picture of the item, held where the button went down on it.
    POINT upLeft{};
    HIMAGELIST own = ListView_CreateDragImage(Handle(), item.Index(), &upLeft);
    if (!own) return;
    images->SetHandle(own, false);
    ddDragImageShown_ = ImageList_BeginDrag(own, 0, start.x - upLeft.x, start.y - upLeft.y) != FALSE;
}

void TDirView::BeginFilesDragImage(unsigned files, unsigned folders) {
    TImageList* images = DragImageList();
    if (!images) return;
    const TDragFilesPicture picture = DragFilesPicture(
        reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0)), DragCaption(files, folders));
    if (!picture.bitmap) return;
    // Setting the size empties the list.
    ImageList_SetIconSize(images->Handle(), picture.size.cx, picture.size.cy);
    if (images->AddMasked(picture.bitmap.get(), RGB(255, 255, 255)) < 0) return;
    ddDragImageShown_ =
        ImageList_BeginDrag(images->Handle(), 0, kDragFilesHotSpot.x, kDragFilesHotSpot.y) != FALSE;
}

void TDirView::WatchMovedFiles(const std::vector<std::string>& paths) {
    if (ddDeleteWatch_ && dragdrop::TFileDeleteThread::Running(ddDeleteWatch_)) ddDeleteWatch_->Stop();
    if (!ddAlive_) ddAlive_ = std::make_shared<TDirView*>(this);
    std::weak_ptr<TDirView*> alive = ddAlive_;
    ddDeleteWatch_ = dragdrop::TFileDeleteThread::Start(paths, [alive](const std::vector<std::string>& gone) {
        const std::shared_ptr<TDirView*> list = alive.lock();
        if (!list) return;
        for (const std::string& path : gone)
            (*list)->ValidateFile(path);
    });
}

bool TDirView::WatchingMovedFiles() const {
    return ddDeleteWatch_ && dragdrop::TFileDeleteThread::Running(ddDeleteWatch_);
}

bool TDirView::DraggingFiles() const {
    return DragSourceList() == this;
}

void TDirView::DraggedFilesMoved() {
    // The dragged items are still the selection: those whose files went leave the list now,
    // rather than when the watch after the drag finds them gone.
    ValidateSelectedFiles();
}

} // namespace filelist
