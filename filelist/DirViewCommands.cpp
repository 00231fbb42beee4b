// What the user does with the file list's items: entering, opening, going up, new folders.
#include "filelist/DirView.h"

#include "filelist/DirViewHelpers.h"
#include "filelist/LastIOError.h"
#include "kovalin/Form.h"
#include "shell/BaseUtils.h"
#include "shell/ShellDialogs.h"
#include "shell/ShellLink.h"

#include <cctype>
#include <string>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

// --- commands ----------------------------------------------------------------------------------

void TDirView::SelectItem(TListItem* item, bool selected) {
    TIEListView::SelectItem(item, selected);
    if (OnSelectItemNew) OnSelectItemNew(*this, item, selected);
}

void TDirView::DblClick() {
    TIEListView::DblClick();
    Execute();
}

LRESULT TDirView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_KEYDOWN && wParam == VK_RETURN && EnterKey()) return 0;
    return TIEListView::WndProc(msg, wParam, lParam);
}

// True when the key was used.
bool TDirView::EnterKey() {
    // A folder that only has the focus (as after arriving in a list) is entered all the same.
    if (!Selected())
        if (TListItem* focused = ItemFocused();
            focused && ItemData(focused) && ItemData(focused)->IsDirectory)
            focused->SetSelected(true);
    if (!ItemFocused()) return false;
    if (GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    DblClick();
    return true;
}

void TDirView::Execute() {
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
    // An item of the recycle bin is not opened: it shows its properties, which come with the
    // context menu.
    if (recycleBinMode_) return;

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
        target = shell::ResolveShortcut(ParentForm() ? ParentForm()->Handle() : Handle(), full);
    }
    if (!target.empty() && shell::DirExists(target)) {
        EnterFolder(target);
        return;
    }
    if (isShortcut && !shell::FileOrDirExists(target)) return; // a shortcut to nothing
    OpenFile(full);
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
    // Programs started from here find their files relative to the folder shown.
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
        ~CurrentDirectory() {
            if (!previous_.empty()) SetCurrentDirectoryA(previous_.c_str());
        }

    private:
        std::string previous_;
    };
    CurrentDirectory current(GetPathName());
    shell::ShellExecuteVerb(ParentForm() ? ParentForm()->Handle() : Handle(), std::string(), fullName);
}

DWORD TDirView::LastIOError() {
    return TLastIOError::Program().Value();
}

TListItem* TDirView::CreateDirectory(const std::string& name) {
    const TCreatedFolder created = CreateFolder(name);
    TLastIOError::Program().Set(created.error);
    return created.item;
}

TDirView::TCreatedFolder TDirView::CreateFolder(const std::string& name) {
    // Without a folder the name would land in the root of the current drive; a name with a
    // separator would make a folder somewhere else than the item added here.
    if (path_.empty()) {
        return {nullptr, ERROR_PATH_NOT_FOUND};
    }
    if (name.find_first_of("\\/") != std::string::npos) {
        return {nullptr, ERROR_INVALID_NAME};
    }
    const std::string full = path_ + "\\" + name;
    if (shell::FileOrDirExists(full)) {
        return {nullptr, ERROR_ALREADY_EXISTS};
    }
    TCreatedFolder created;
    if (!::CreateDirectoryA(full.c_str(), nullptr)) {
        created.error = GetLastError();
    } else {
        // The name as the file system stored it (trailing dots and blanks are dropped).
        WIN32_FIND_DATAA entry{};
        bool found = false;
        ForEachEntry(full, [&](const WIN32_FIND_DATAA& e) {
            entry = e;
            found = true;
            return false;
        });
        if (found) {
            AddItem(entry);
            created.item = FindFileItem(entry.cFileName);
            if (created.item) {
                created.item->SetFocused(true);
                created.item->MakeVisible(false);
            }
            if (OnDirUpdated) OnDirUpdated(*this);
        }
    }
    if (DriveView()) DriveView()->ValidateSelection();
    return created;
}

} // namespace filelist
