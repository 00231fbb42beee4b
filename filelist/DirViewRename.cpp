// Renaming an item in place: which edits may start, the characters a name cannot hold, the rename
// through the file operator, and the error box that offers to edit the rejected name again.
#include "filelist/DirView.h"

#include "filelist/DirViewHelpers.h"
#include "filelist/ListTexts.h"
#include "kovalin/Exceptions.h"
#include "shell/BaseUtils.h"

#include <commctrl.h>

#include <string>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

namespace {

// The characters no file name may hold.
constexpr char kInvalidNameChars[] = "\\/:*?\"<>|";
constexpr UINT_PTR kNameFilterId = 0x4B46;

// The edit field of a rename refuses what a name cannot hold, with a beep.
LRESULT CALLBACK NameFilterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (msg == WM_CHAR && wParam < 256 && wParam != 0 &&
        std::string(kInvalidNameChars).find(static_cast<char>(wParam)) != std::string::npos) {
        MessageBeep(0);
        return 0;
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, NameFilterProc, id);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// The Cancel button of the error box says "Abort": named when the box is activated, before it is
// drawn for the first time.
const char kBoxCaption[] = "Error";
HHOOK abortHook = nullptr;

LRESULT CALLBACK AbortCaptionHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && abortHook) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char className[16] = "";
        GetClassNameA(box, className, sizeof className);
        if (std::string(className) == "#32770" && GetDlgItem(box, IDCANCEL)) {
            SetDlgItemTextA(box, IDCANCEL, "Abort");
            UnhookWindowsHookEx(abortHook);
            abortHook = nullptr;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// An error box with OK and Abort; true for OK.
bool ErrorBoxOkAbort(HWND owner, const std::string& text) {
    abortHook = SetWindowsHookExA(WH_CBT, AbortCaptionHook, nullptr, GetCurrentThreadId());
    const int answer = MessageBoxA(owner, text.c_str(), kBoxCaption, MB_OKCANCEL | MB_ICONERROR);
    if (abortHook) UnhookWindowsHookEx(abortHook);
    abortHook = nullptr;
    return answer == IDOK;
}

} // namespace

LRESULT TDirView::NotifyHandler(NMHDR& header) {
    switch (header.code) {
    case LVN_BEGINLABELEDITA: {
        auto& edit = reinterpret_cast<NMLVDISPINFOA&>(header);
        TListItem* item =
            edit.item.iItem >= 0 && edit.item.iItem < ItemCount() ? &Item(edit.item.iItem) : nullptr;
        return item && BeginLabelEdit(*item) ? FALSE : TRUE;
    }
    case LVN_ENDLABELEDITA: {
        auto& edit = reinterpret_cast<NMLVDISPINFOA&>(header);
        TListItem* item =
            edit.item.iItem >= 0 && edit.item.iItem < ItemCount() ? &Item(edit.item.iItem) : nullptr;
        if (!item) return FALSE;
        return EndLabelEdit(*item, edit.item.pszText) ? TRUE : FALSE;
    }
    }
    return TIEListView::NotifyHandler(header);
}

bool TDirView::BeginLabelEdit(TListItem& item) {
    bool allow = !ReadOnly();
    if (allow && OnEditing) OnEditing(item, allow);
    allow = allow || reEditing_;
    const TFileRec* rec = ItemData(&item);
    allow = allow && rec && !ReadOnly() && !recycleBinMode_ && !rec->IsParentDir;
    const bool reEdit = reEditing_;
    reEditing_ = false;
    if (!allow) return false;
    SetLoadEnabled(false);
    if (HWND edit = reinterpret_cast<HWND>(SendMessageA(Handle(), LVM_GETEDITCONTROL, 0, 0))) {
        SetWindowSubclass(edit, NameFilterProc, kNameFilterId, 0);
        if (reEdit) {
            SetWindowTextA(edit, reEditName_.c_str());
            SendMessageA(edit, EM_SETSEL, 0, -1);
        }
    }
    return true;
}

bool TDirView::EndLabelEdit(TListItem& item, const char* text) {
    if (!text || !*text) {
        SetLoadEnabled(true);
        return false;
    }
    const std::string newName = text;
    if (newName.find_first_of(kInvalidNameChars) != std::string::npos) {
        SetLoadEnabled(true);
        std::string message = ListText(DVT_INVALID_NAME) + " ";
        for (const char* c = kInvalidNameChars; *c; ++c)
            message += std::string(" ") + *c;
        throw kovalin::Exception(message);
    }
    return RenameItem(item, newName);
}

bool TDirView::RenameItem(TListItem& item, const std::string& newName) {
    TFileRec* rec = ItemData(&item);
    const std::string oldName = rec->FileName;
    if (newName == oldName) {
        SetLoadEnabled(true);
        return false;
    }
    const std::string from = ItemFullFileName(&item);
    const std::string to = path_ + "\\" + newName;
    const bool isFolder = rec->IsDirectory && shell::DirExists(from);
    // A change of letter case only names the same entry: that is a rename, not a collision.
    const bool onlyCase = _stricmp(oldName.c_str(), newName.c_str()) == 0;
    const bool exists = !onlyCase && shell::FileOrDirExists(to);

    bool renamed = false;
    {
        CommandHold hold(*this, isFolder);
        // An existing entry of the new name is never handed to the shell: without confirmation
        // some shells would replace it.
        if (!exists) {
            shell::TFileOperator& op = fileOperator_;
            op.SetFlags(
                {shell::TFileOperationFlag::foAllowUndo, shell::TFileOperationFlag::foNoConfirmation});
            op.SetOperation(shell::TFileOperation::foRename);
            op.OperandFrom() = {from};
            op.OperandTo() = {to};
            if (OnBeginRename) OnBeginRename(*this, item, newName);
            renamed =
                op.Execute() && shell::FileOrDirExists(to) && (onlyCase || !shell::FileOrDirExists(from));
            op.OperandFrom().clear();
            op.OperandTo().clear();
            op.SetFlags(
                {shell::TFileOperationFlag::foAllowUndo, shell::TFileOperationFlag::foNoConfirmMkDir});
        }
        if (renamed) {
            if (isFolder && DriveView()) DriveView()->ValidateSelection();
            rec->FileName = newName;
            rec->DisplayName = newName;
            rec->FileExt = ExtOf(newName);
            rec->TypeName.clear();
            rec->PIDL.reset();
            rec->InfoPending = rec->IconPending = true;
            FetchItemInfo(item, true);
            item.SetImageIndex(rec->ImageIndex);
            item.SetCaption(newName);
            item.Update();
            if (OnEndRename) OnEndRename(*this, item, newName);
        }
    }
    SetLoadEnabled(true);
    if (renamed) return true;

    // The box waits until the control has closed its edit field and kept the old caption.
    renameFailure_ =
        ListText(shell::FileOrDirExists(to) && !onlyCase ? DVT_NAME_EXISTS : DVT_RENAME_FAILURE) + newName;
    reEditName_ = newName;
    PostMessageA(Handle(), ReEditMessage(), static_cast<WPARAM>(item.Index()), 1);
    return false;
}

void TDirView::RenameFailed(int index) {
    const std::string message = std::move(renameFailure_);
    renameFailure_.clear();
    MessageBeep(MB_ICONHAND);
    if (ErrorBoxOkAbort(OwnerWindow(), message))
        PostMessageA(Handle(), ReEditMessage(), static_cast<WPARAM>(index), 0);
}

UINT TDirView::ReEditMessage() {
    static const UINT message = RegisterWindowMessageA("KovalinDirViewReEdit");
    return message;
}

void TDirView::StartReEdit(int index) {
    if (index < 0 || index >= ItemCount()) return;
    TListItem& item = Item(index);
    item.SetFocused(true);
    ::SetFocus(Handle());
    reEditing_ = true;
    if (!item.EditCaption()) reEditing_ = false;
}

bool TDirView::EditItemName(TListItem& item) {
    ::SetFocus(Handle());
    item.SetFocused(true);
    return item.EditCaption();
}

} // namespace filelist
