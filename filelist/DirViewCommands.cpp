// What the user does with the file list's items: entering, opening, going up, properties, the
// shell's context menu, and the keys and mouse clicks that lead there.
#include "filelist/DirView.h"

#include "dragdrop/DropEffects.h"
#include "dragdrop/FileDeleteThread.h"
#include "filelist/DirViewHelpers.h"
#include "filelist/ListTexts.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Form.h"
#include "shell/BaseUtils.h"
#include "shell/ClipboardMode.h"
#include "shell/ShellDialogs.h"
#include "shell/ShellLink.h"

#include <windowsx.h>

#include <cctype>
#include <string>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

namespace {

bool KeyDown(int key) {
    return GetKeyState(key) < 0;
}

// The process's current directory for as long as the object lives: programs started from the
// list and shell commands find their files relative to the folder shown.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& folder) {
        const DWORD size = GetCurrentDirectoryA(0, nullptr);
        if (size > 0) {
            previous_.resize(size);
            const DWORD got = GetCurrentDirectoryA(size, previous_.data());
            previous_.resize(got < size ? got : 0);
        }
        SetCurrentDirectoryA(folder.c_str());
    }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;
    ~CurrentDirectory() { Restore(); }
    void Restore() {
        if (!previous_.empty()) SetCurrentDirectoryA(previous_.c_str());
        previous_.clear();
    }

private:
    std::string previous_;
};

} // namespace

// --- commands ----------------------------------------------------------------------------------

void TDirView::SelectItem(TListItem* item, bool selected) {
    TIEListView::SelectItem(item, selected);
    if (OnSelectItemNew) OnSelectItemNew(*this, item, selected);
}

void TDirView::DblClick() {
    TIEListView::DblClick();
    if (!singleClickToExec_) Execute();
}

HWND TDirView::OwnerWindow() const {
    return ParentForm() ? ParentForm()->Handle() : Handle();
}

LRESULT TDirView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    // Threads that report to the list end with its window.
    if (msg == WM_DESTROY) StopBackgroundWork();
    if (msg == WM_KEYDOWN && OnKeyDown) {
        bool handled = false;
        OnKeyDown(*this, wParam, handled);
        if (handled) return 0;
    }
    if ((msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) && wParam == VK_RETURN && EnterKey()) return 0;
    if ((msg == WM_KEYDOWN && wParam == VK_APPS) || (msg == WM_CONTEXTMENU && lParam == -1)) {
        if (ContextMenuKey()) return 0;
    }
    if (msg == ReEditMessage()) {
        if (lParam)
            RenameFailed(static_cast<int>(wParam));
        else
            StartReEdit(static_cast<int>(wParam));
        return 0;
    }
    if (ListMouse(msg, wParam, lParam)) return 0;
    return TIEListView::WndProc(msg, wParam, lParam);
}

bool TDirView::ListMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        leftButtonDown_ = true;
        return false;
    case WM_RBUTTONDOWN:
        rightButtonDown_ = true;
        return false;
    case WM_LBUTTONUP: {
        const bool wasDown = leftButtonDown_;
        leftButtonDown_ = false;
        if (singleClickToExec_ && wasDown && !(wParam & (MK_SHIFT | MK_CONTROL))) {
            const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (GetItemAt(at.x, at.y)) Execute();
        }
        return false;
    }
    case WM_CONTEXTMENU: {
        if (!rightButtonDown_) return false;
        rightButtonDown_ = false;
        ShowContextMenuAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return true;
    }
    case WM_RBUTTONUP:
        // The control sends the context-menu message itself once the button is up.
        return false;
    }
    return false;
}

void TDirView::ShowContextMenuAt(POINT screenPoint) {
    if (useSystemContextMenu_ && Selected()) {
        DisplayContextMenu(screenPoint);
        return;
    }
    if (!popupMenu_ || popupShown_) return;
    bool handled = false;
    if (OnDisplayContextMenu) OnDisplayContextMenu(*this, screenPoint, handled);
    if (handled) return;
    popupShown_ = true;
    struct Shown {
        bool& flag;
        ~Shown() { flag = false; }
    } shown{popupShown_};
    popupMenu_->Popup(OwnerWindow(), screenPoint.x, screenPoint.y);
}

// True when the key was used.
bool TDirView::ContextMenuKey() {
    if (TListItem* item = Selected()) {
        const RECT icon = item->DisplayRect(LVIR_ICON);
        POINT at{icon.left + 20, icon.top + 20};
        ClientToScreen(Handle(), &at);
        DisplayContextMenu(at);
        return true;
    }
    POINT at{0, 0};
    ClientToScreen(Handle(), &at);
    if (popupMenu_ && !popupShown_) {
        popupShown_ = true;
        struct Shown {
            bool& flag;
            ~Shown() { flag = false; }
        } shown{popupShown_};
        popupMenu_->Popup(OwnerWindow(), at.x, at.y);
    }
    return true;
}

// True when the key was used.
bool TDirView::EnterKey() {
    // A folder that only has the focus (as after arriving in a list) is entered all the same.
    if (!Selected())
        if (TListItem* focused = ItemFocused();
            focused && ItemData(focused) && ItemData(focused)->IsDirectory)
            focused->SetSelected(true);
    if (!ItemFocused()) return false;
    if (KeyDown(VK_SHIFT) || KeyDown(VK_CONTROL)) return false;
    if (KeyDown(VK_MENU)) {
        DisplayPropertiesMenu();
        return true;
    }
    TIEListView::DblClick();
    Execute();
    return true;
}

void TDirView::Execute() {
    if (KeyDown(VK_MENU)) {
        DisplayPropertiesMenu();
        return;
    }
    TListItem* item = Selected();
    if (!item)
        if (TListItem* focused = ItemFocused(); ItemData(focused) && ItemData(focused)->IsParentDir)
            item = focused;
    const TFileRec* rec = ItemData(item);
    if (!rec) return;
    if (rec->IsParentDir) {
        if (!loading_) GoUp();
        return;
    }
    if (recycleBinMode_) {
        DisplayPropertiesMenu();
        return;
    }

    // The handler may change the list: what is needed of the item is taken first.
    const bool isFolder = rec->IsDirectory;
    const bool isShortcut = !isFolder && rec->FileExt == "LNK";
    const std::string full = ItemFullFileName(item);
    bool allow = true;
    if (OnExecFile) OnExecFile(*this, *item, allow);
    if (!allow) return;

    std::string target;
    if (isFolder) {
        if (!shell::DirExists(full)) {
            // Gone behind the list's back: show what is there now instead.
            RefreshDirectory();
            if (DriveView()) DriveView()->ValidateSelection();
            return;
        }
        target = full;
    } else if (isShortcut) {
        target = shell::ResolveShortcut(OwnerWindow(), full);
    }
    if (!target.empty() && shell::DirExists(target)) {
        EnterFolder(target);
        return;
    }
    if (isShortcut && !shell::FileOrDirExists(target)) return; // a shortcut to nothing
    OpenFile(full);
}

void TDirView::ExecuteFile(TListItem& item) {
    OpenFile(ItemFullFileName(&item));
}

void TDirView::GoUp() {
    if (DriveView() && DriveView()->SelectParentFolder()) return;
    const size_t cut = path_.rfind('\\');
    if (cut != std::string::npos) SetPath(path_.substr(0, cut));
}

void TDirView::EnterFolder(const std::string& folder) {
    drivetree::TFileListTree* tree = DriveView();
    if (!tree) {
        SetPath(folder);
        return;
    }
    // A folder made since the tree read the drive is found once the drive has been read again.
    if (!tree->SelectFolder(folder) && folder.size() >= 3 && folder[1] == ':' &&
        std::isalpha(static_cast<unsigned char>(folder[0]))) {
        tree->RescanDrive(folder[0]);
        tree->SelectFolder(folder);
    }
}

void TDirView::OpenFile(const std::string& fullName) {
    CurrentDirectory current(GetPathName());
    if (!shell::ShellExecuteVerb(OwnerWindow(), std::string(), fullName))
        throw kovalin::Exception(ListText(DVT_OPEN_FAILURE) + fullName);
}

// --- the shell's menus -------------------------------------------------------------------------

std::vector<shell::UniquePidl> TDirView::SelectedRecycleItems() const {
    std::vector<shell::UniquePidl> items;
    for (int index : SelectedItemIndices()) {
        const TFileRec* rec = ItemData(index);
        if (!rec || !rec->PIDL) continue;
        LPITEMIDLIST parent = nullptr, child = nullptr;
        shell::PidlSplit(rec->PIDL.get(), parent, child);
        shell::UniquePidl parentOwner(parent);
        if (child) items.emplace_back(child);
    }
    return items;
}

void TDirView::DisplayPropertiesMenu() {
    const std::vector<int> selected = SelectedItemIndices();
    if (selected.empty()) {
        shell::ShellExecuteVerb(OwnerWindow(), "properties", GetPathName());
    } else if (recycleBinMode_) {
        // One item's properties are what the shell shows for a recycled file.
        std::vector<shell::UniquePidl> owned = SelectedRecycleItems();
        if (!owned.empty())
            shell::ShellExecuteVerbItems(OwnerWindow(), "properties", recycleFolder_.get(),
                                         {owned.front().get()});
    } else if (selected.size() == 1) {
        shell::ShellExecuteVerb(OwnerWindow(), "properties", ItemFullFileName(&Item(selected[0])));
    } else {
        std::vector<std::string> names;
        for (int index : selected)
            names.push_back(ItemData(index)->FileName);
        shell::ShellExecuteVerbMulti(OwnerWindow(), "properties", GetPathName(), names);
    }
}

void TDirView::MarkCut(bool none) {
    // The selection read at once: asking each item for its own costs a message per item.
    std::vector<char> selected(static_cast<size_t>(ItemCount()), 0);
    if (!none)
        for (int index : SelectedItemIndices())
            if (index < ItemCount()) selected[static_cast<size_t>(index)] = 1;
    for (int i = 0; i < ItemCount(); ++i) {
        TListItem& item = Item(i);
        const bool cut = selected[static_cast<size_t>(i)] != 0;
        if (item.Cut() != cut) item.SetCut(cut);
    }
}

void TDirView::DisplayContextMenu(POINT screenPoint) {
    const std::vector<int> selected = SelectedItemIndices();
    if (selected.empty()) return;
    CurrentDirectory current(GetPathName());
    std::string verb;
    {
        CommandHold hold(*this, false);
        if (selected.size() == 1 && !recycleBinMode_) {
            TListItem& item = Item(selected[0]);
            const bool wasEnabled = loadEnabled_;
            // No load may take the item away while its menu is open.
            SetLoadEnabled(false);
            struct Enable {
                TDirView& list;
                bool enable;
                ~Enable() {
                    if (enable) list.SetLoadEnabled(true);
                }
            } enable{*this, wasEnabled};
            verb = shell::ShellDisplayContextMenu(OwnerWindow(), screenPoint, ItemFullFileName(&item), false,
                                                  !ReadOnly());
        } else if (recycleBinMode_) {
            std::vector<shell::UniquePidl> owned = SelectedRecycleItems();
            std::vector<LPCITEMIDLIST> items;
            for (const auto& p : owned)
                items.push_back(p.get());
            verb = shell::ShellDisplayContextMenuItems(OwnerWindow(), screenPoint, recycleFolder_.get(),
                                                       items, false, false);
        } else {
            std::vector<std::string> names;
            for (int index : selected)
                names.push_back(ItemData(index)->FileName);
            verb = shell::ShellDisplayContextMenuMulti(OwnerWindow(), screenPoint, GetPathName(), names,
                                                       false, false);
        }

        if (verb == "rename") {
            if (TListItem* item = Selected()) EditItemName(*item);
        } else if (verb == "cut") {
            shell::SetClipboardMode(shell::TClipboardMode::Cut);
            MarkCut(false);
        } else if (verb == "copy") {
            shell::SetClipboardMode(shell::TClipboardMode::Copy);
            MarkCut(true);
        } else if (verb == "paste") {
            const TFileRec* rec = ItemData(Selected());
            if (selected.size() == 1 && rec && rec->IsDirectory && !rec->IsParentDir)
                PasteFromClipBoard(ItemFullFileName(Selected()));
            else
                PasteFromClipBoard();
        } else if (!recycleBinMode_ && !verb.empty()) {
            RefreshDirectory();
        }
    }
    current.Restore();

    if (recycleBinMode_ && !verb.empty() && verb != "cut" && verb != "properties") {
        // Restoring or deleting a recycled file takes the shell a moment: the items go when
        // their files have gone.
        std::vector<std::string> paths;
        bool outside = false;
        for (int index : SelectedItemIndices()) {
            const std::string full = ItemFullFileName(&Item(index));
            paths.push_back(full);
            if (_strnicmp(full.c_str(), (path_ + "\\").c_str(), path_.size() + 1) != 0) outside = true;
        }
        if (outside) {
            dragdrop::TFileDeleteThread::Start(paths, [this](const std::vector<std::string>& gone) {
                for (const std::string& path : gone)
                    ValidateFile(path);
            });
            return;
        }
    }
    if (dragdrop::IsNtFamily()) Sleep(250);
    ValidateSelectedFiles();
}

} // namespace filelist
