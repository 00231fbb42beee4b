// The file list as a drop target: which item takes a drop, the default effect, scrolling while
// files hover at the edges, and the drop itself; and the component's set-up for both directions.
#include "filelist/DirView.h"

#include "dragdrop/DropEffects.h"
#include "filelist/DirViewHelpers.h"
#include "kovalin/Form.h"
#include "kovalin/Timer.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace filelist {

using dragdrop::deCopy;
using dragdrop::deLink;
using dragdrop::deMove;
using dragdrop::deNone;
using dragdrop::TDropEffects;
using kovalin::TListItem;
using namespace detail;

namespace {

// A drop this soon after the drag started is taken as a click that slipped.
constexpr DWORD kMinDragMs = 50;

char UpperLetter(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool IsProgram(const std::string& path) {
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot != 4) return false;
    const std::string ext = ExtOf(name);
    return ext == "EXE" || ext == "COM";
}

// Whether the path lies in a recycle bin's folder on its drive.
bool InRecycleBin(const std::string& path) {
    const std::string lower = LowerName(path);
    for (const char* folder : {"\\recycled\\", "\\recycler\\", "\\$recycle.bin\\"})
        if (lower.find(folder) != std::string::npos) return true;
    return false;
}

// Shows or hides the drag image of this process's drag, if one is shown.
void ShowDragImage(bool show) {
    POINT at, hot;
    if (ImageList_GetDragImage(&at, &hot)) ImageList_DragShowNolock(show);
}

} // namespace

void TDirView::InitDragDrop() {
    dragdrop::TDragDropFilesEx& dd = DragDropFilesEx();
    dd.SetAcceptOwnDnD(true);   // onto a folder of its own, or as a copy beside the originals
    dd.SetAutoDetectDnD(false); // the control reports the start of a drag itself
    dd.SetBringToFront(true);
    dd.SetCompleteFileList(true);
    dd.SetNeedValid(dragdrop::nvFilename);
    // The files are needed at the enter already: their drive decides the default effect.
    dd.SetRenderDataOn(dragdrop::TRenderDataOn::rdoEnterAndDropSync);
    dd.SetShellExtensions({.DragDropHandler = true, .DropHandler = true});
    dd.SetSourceEffects(deCopy | deMove | deLink);
    dd.SetTargetEffects(deCopy | deMove | deLink);
    dd.SetTargetPopupMenu(targetPopUpMenu_);
    dd.SetDragDropControl(this);
    useDragImages_ = dragdrop::SystemDrawsDragImages();

    dd.OnDragEnter = [this](IDataObject* data, DWORD keys, POINT p, TDropEffects& effect, bool& accept) {
        DDDragEnter(data, keys, p, effect, accept);
    };
    dd.OnDragOver = [this](DWORD keys, POINT p, TDropEffects& effect) { DDDragOver(keys, p, effect); };
    dd.OnDragLeave = [this] { DDDragLeave(); };
    dd.OnDrop = [this](IDataObject* data, DWORD keys, POINT p, TDropEffects& effect) {
        DDDrop(data, keys, p, effect);
    };
    dd.OnQueryContinueDrag = [this](bool escape, DWORD keys, HRESULT& result) {
        DDQueryContinueDrag(escape, keys, result);
    };
    dd.OnGiveFeedback = [this](TDropEffects effect, HRESULT& result) {
        if (OnDDGiveFeedback) OnDDGiveFeedback(*this, effect, result);
    };
    dd.OnProcessDropped = [this](DWORD keys, POINT p, TDropEffects effect) {
        DDProcessDropped(keys, p, effect);
    };
    dd.OnSpecifyDropTarget = [this](bool handlers, POINT p, shell::UniquePidl& item, std::string& name) {
        DDSpecifyDropTarget(handlers, p, item, name);
    };
}

void TDirView::SetTargetPopUpMenu(bool value) {
    targetPopUpMenu_ = value;
    DragDropFilesEx().SetTargetPopupMenu(value);
}

void TDirView::DDDragEnter(IDataObject* data, DWORD keys, POINT p, TDropEffects& effect, bool& accept) {
    const dragdrop::TFileList& files = DragDropFilesEx().FileList();
    const std::string first = files.Count() > 0 ? files.Item(0).Name : std::string();
    // Only files with a drive or network path can be copied, moved or linked here.
    const bool drivePath = first.size() >= 3 && (first[1] == ':' || first[1] == '\\');
    accept = accept && dirOK_ && !loading_ && !path_.empty() && drivePath;
    if (recycleBinMode_ && ((DragSourceList() && DragSourceList()->RecycleBinMode()) || InRecycleBin(first)))
        accept = false;
    ddSourceDrive_ = first.empty() ? 0 : UpperLetter(first[0]);
    ddLinkExeDrag_ =
        ddLinkOnExeDrag_ && (DragDropFilesEx().DragSourceEffects() & deLink) && files.Count() > 0;
    for (int i = 0; ddLinkExeDrag_ && i < files.Count(); ++i)
        ddLinkExeDrag_ = IsProgram(files.Item(i).Name);
    ddScrollCount_ = 0;
    ddLastScrollTick_ = GetTickCount();
    ddProbedItem_ = nullptr;
    if (DragSourceList() != this) HoverRefresh(true);
    if (OnDDDragEnter) OnDDDragEnter(*this, data, keys, p, effect, accept);
}

TListItem* TDirView::DropTargetAt(POINT p, bool& targetFile, TDropEffects& effect) {
    targetFile = false;
    if (recycleBinMode_) return nullptr;
    TListItem* item = GetItemAt(p.x, p.y);
    const TFileRec* rec = ItemData(item);
    if (!rec) return nullptr;
    if (rec->IsDirectory) return item;
    // Asking the shell costs: once for each file the cursor comes to.
    if (item != ddProbedItem_) {
        ddProbedItem_ = item;
        TDropEffects probe = deCopy;
        ddProbedIsTarget_ = DragDropFilesEx().DropTargetItem(nullptr, ItemFullFileName(item), probe);
    }
    if (!ddProbedIsTarget_) return nullptr;
    targetFile = true;
    // A file that takes drops gets nothing but a link only when it takes more.
    if (effect == deLink) effect = deNone;
    return item;
}

void TDirView::SetDDDropTarget(TListItem* item) {
    if (item == DropTarget()) return;
    // The image is drawn over the window: changing the highlight under it would leave traces.
    ShowDragImage(false);
    SetDropTarget(item);
    UpdateWindow(Handle());
    ShowDragImage(true);
}

void TDirView::DDDragOver(DWORD keys, POINT p, TDropEffects& effect) {
    // The refresh waits until the files have been dropped or have gone: a refresh keeps the focused
    // item in view, which would undo the scrolling below.
    if (DragSourceList() != this) HoverRefresh(true);
    bool targetFile = false;
    TListItem* target = DropTargetAt(p, targetFile, effect);
    SetDDDropTarget(target);
    if (ViewStyle() == kovalin::TViewStyle::vsReport) AutoScroll(GetItemAt(p.x, p.y), p);

    const char drive = path_.empty() ? 0 : UpperLetter(path_[0]);
    if (!targetFile && !(keys & (MK_SHIFT | MK_CONTROL))) {
        if (ddLinkExeDrag_ && drive > 'B' && ddSourceDrive_ > 'B')
            effect = deLink;
        else if ((DragSourceList() != this || target) &&
                 ((ddSourceDrive_ == drive && effect == deCopy &&
                   (DragDropFilesEx().DragSourceEffects() & deMove)) ||
                  recycleBinMode_))
            effect = deMove;
    }
    if (OnDDDragOver) OnDDDragOver(*this, keys, p, effect);
    // Moving the list's own files to where they are does nothing.
    if (DragSourceList() == this && !target && effect == deMove) effect = deNone;
    if (const TFileRec* rec = ItemData(target); rec && rec->IsRecycleBin) effect = deMove;
}

void TDirView::AutoScroll(TListItem* under, POINT p) {
    HDC dc = GetDC(Handle());
    TEXTMETRICA metrics{};
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(Handle(), WM_GETFONT, 0, 0)));
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    const int zone = 3 * std::max(static_cast<int>(metrics.tmHeight), 1);
    RECT client;
    GetClientRect(Handle(), &client);
    TListItem* top = TopItem();
    int direction = 0;
    if ((under && under == top) || p.y < zone)
        direction = -1;
    else if (p.y >= client.bottom - zone)
        direction = 1;
    if (direction == 0) {
        ddScrollCount_ = 0;
        return;
    }
    // Slowly at first, then faster once the cursor stays.
    const DWORD now = GetTickCount();
    if (now - ddLastScrollTick_ < (ddScrollCount_ > 3 ? 50u : 200u)) return;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(Handle(), SB_VERT, &info)) return;
    const int last = info.nMax - std::max(static_cast<int>(info.nPage) - 1, 0);
    if ((direction < 0 && info.nPos <= info.nMin) || (direction > 0 && info.nPos >= last)) return;
    ShowDragImage(false);
    SendMessageA(Handle(), WM_VSCROLL, MAKEWPARAM(direction < 0 ? SB_LINEUP : SB_LINEDOWN, 0), 0);
    SendMessageA(Handle(), WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
    UpdateWindow(Handle());
    ShowDragImage(true);
    ddLastScrollTick_ = now;
    ++ddScrollCount_;
}

void TDirView::DDDragLeave() {
    ShowDragImage(false);
    SetDDDropTarget(nullptr);
    HoverRefresh(false);
    if (OnDDDragLeave) OnDDDragLeave(*this);
}

void TDirView::DDQueryContinueDrag(bool escape, DWORD keys, HRESULT& result) {
    if (result == DRAGDROP_S_DROP && GetTickCount() - ddDragStartTick_ < kMinDragMs)
        result = DRAGDROP_S_CANCEL;
    if (OnDDQueryContinueDrag) OnDDQueryContinueDrag(*this, escape, keys, result);
    if (result != S_OK || !ddDragImageShown_ || !ParentForm()) return;
    // The image is the form's: it follows the cursor over the form and hides outside it.
    POINT cursor;
    GetCursorPos(&cursor);
    RECT form;
    GetWindowRect(ParentForm()->Handle(), &form);
    if (PtInRect(&form, cursor)) {
        ImageList_DragMove(cursor.x - form.left, cursor.y - form.top);
        ImageList_DragShowNolock(TRUE);
    } else {
        ImageList_DragShowNolock(FALSE);
    }
}

void TDirView::DDDrop(IDataObject* data, DWORD keys, POINT p, TDropEffects& effect) {
    ShowDragImage(false);
    if (effect == deNone) SetDDDropTarget(nullptr);
    if (OnDDDrop) OnDDDrop(*this, data, keys, p, effect);
    // What the posted step needs of the drag: the drag loop of this list may end before it runs.
    ddDropPending_ = effect != deNone;
    ddDropFromSelf_ = DragSourceList() == this;
}

void TDirView::DDProcessDropped(DWORD keys, POINT p, TDropEffects effect) {
    ddDropPending_ = false;
    struct Done {
        TDirView& list;
        ~Done() {
            list.DragDropFilesEx().FileList().Clear();
            list.SetDDDropTarget(nullptr);
        }
    } done{*this};
    if (!dirOK_ || loading_) return;
    TDropEffects e = effect & (deCopy | deMove | deLink);
    if (OnDDProcessDropped) OnDDProcessDropped(*this, keys, p, e);
    if (e != deNone) {
        TListItem* target = DropTarget();
        const TFileRec* rec = ItemData(target);
        if (!rec)
            // A copy of the list's own files beside themselves gets new names.
            PerformDragDropFileOperation(GetPathName(), e, ddDropFromSelf_ && e == deCopy);
        else if (rec->IsParentDir)
            PerformDragDropFileOperation(ParentFolder(), e, false);
        else
            PerformDragDropFileOperation(ItemFullFileName(target), e, false, rec->IsRecycleBin);
    }
    if (OnDDExecuted) OnDDExecuted(*this, e);
}

std::string TDirView::ParentFolder() const {
    const size_t cut = path_.rfind('\\');
    if (cut == std::string::npos) return GetPathName();
    const std::string parent = path_.substr(0, cut);
    return IsDriveRoot(parent) ? parent + "\\" : parent;
}

void TDirView::DDSpecifyDropTarget(bool handlers, POINT p, shell::UniquePidl& /*item*/, std::string& name) {
    if (handlers) {
        // The folder the drop menu's handlers work on.
        TListItem* target = DropTarget();
        const TFileRec* rec = ItemData(target);
        name = !rec ? GetPathName() : rec->IsParentDir ? ParentFolder() : ItemFullFileName(target);
        return;
    }
    if (recycleBinMode_) return;
    TListItem* under = GetItemAt(p.x, p.y);
    if (const TFileRec* rec = ItemData(under); rec && !rec->IsDirectory) name = ItemFullFileName(under);
}

void TDirView::HoverRefresh(bool hovering) {
    if (ChangeWatchActive()) return;
    if (!ddHoverTimer_) {
        ddHoverTimer_ = std::make_unique<kovalin::TTimer>();
        ddHoverTimer_->SetEnabled(false);
        ddHoverTimer_->SetOnTimer([this] {
            if (loading_) return;
            ddHoverTimer_->SetEnabled(false);
            RefreshDirectory();
        });
    }
    if (hovering) {
        // Each call starts the count again.
        ddHoverTimer_->SetInterval(std::min(3000u, 2 * changeInterval_));
        ddHoverTimer_->SetEnabled(true);
    } else {
        ddHoverTimer_->SetInterval(changeInterval_);
    }
}

} // namespace filelist
