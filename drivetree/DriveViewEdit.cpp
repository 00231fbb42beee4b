// Folder work started in the drive tree: renaming a folder in place, making and deleting folders,
// the shell's context menu and properties, the clipboard with its cut mark, and undo.
#include "drivetree/DriveView.h"

#include "kovalin/Application.h"
#include "shell/BaseUtils.h"
#include "shell/ClipboardMode.h"
#include "shell/ShellDialogs.h"
#include "shell/WaitCursor.h"

#include <commctrl.h>

#include <utility>

namespace drivetree {

namespace {

const char kInvalidChars[] = "\\/:*?\"<>|";
const UINT kRetryMessage = WM_USER + 57;
const UINT kDragMessage = WM_USER + 58;
const UINT_PTR kEditSubclassId = 0x44564544;

DWORD g_lastCreateError = ERROR_SUCCESS;

// The texts of a failed rename in the user's language, as the file list has them.
struct RenameTexts {
    const char* invalid;
    const char* exists;
    const char* failed;
};

const RenameTexts& Texts() {
    static const RenameTexts english{"New name contains Invalid characters:", "File allready exists: ",
                                     "Can't rename file or directory: "};
    static const RenameTexts german{
        "Dateiname enth\xE4lt ung\xFCltige Zeichen:", "Datei oder Verzeichnis ist bereits vorhanden: ",
        "Datei oder Verzeichnis kann nicht umbenannt werden: "};
    static const RenameTexts french{"Le nom de fichier contient des caract\xE8res invalides:",
                                    "File allready exists: ", "Ne peux renommer le fichier: "};
    switch (PRIMARYLANGID(GetUserDefaultLangID())) {
    case LANG_GERMAN:
        return german;
    case LANG_FRENCH:
        return french;
    default:
        return english;
    }
}

bool HasInvalidChar(const std::string& text) {
    return text.find_first_of(kInvalidChars) != std::string::npos;
}

// The edit box of a caption: characters no file name may have are refused with a beep.
LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (msg == WM_CHAR && wParam < 128 &&
        std::string(kInvalidChars).find(static_cast<char>(wParam)) != std::string::npos) {
        MessageBeep(MB_OK);
        return 0;
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, EditProc, id);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// The error box of a failed rename: OK offers the edit again, Abort gives up.
HHOOK g_boxHook = nullptr;

LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        auto box = reinterpret_cast<HWND>(wParam);
        if (HWND cancel = GetDlgItem(box, IDCANCEL)) SetWindowTextA(cancel, "Abort");
    }
    return CallNextHookEx(g_boxHook, code, wParam, lParam);
}

bool AskOkAbort(HWND owner, const std::string& text) {
    g_boxHook = SetWindowsHookExA(WH_CBT, BoxHook, nullptr, GetCurrentThreadId());
    int answer = MessageBoxA(owner, text.c_str(), "Error", MB_OKCANCEL | MB_ICONERROR);
    if (g_boxHook) UnhookWindowsHookEx(std::exchange(g_boxHook, nullptr));
    return answer == IDOK;
}

HWND FormOf(HWND control) {
    HWND root = GetAncestor(control, GA_ROOT);
    return root ? root : control;
}

} // namespace

EDragDrop::EDragDrop(int number) : kovalin::Exception(kovalin::Format("DragDrop Error: %d", number)) {}

DWORD TDriveView::LastCreateError() {
    return g_lastCreateError;
}

void TDriveView::InitEditing() {
    fileOperator_ = std::make_unique<shell::TFileOperator>(this);
    dragDrop_ = std::make_unique<dragdrop::TDragDropFilesEx>();
    fileOperator_->SetProgressTitle("Filesystem Operation");
    fileOperator_->SetFlags(
        {shell::TFileOperationFlag::foAllowUndo, shell::TFileOperationFlag::foNoConfirmMkDir});
    SetWindowLongA(Handle(), GWL_STYLE, GetWindowLongA(Handle(), GWL_STYLE) | TVS_EDITLABELS);
    InitDragDrop();
}

void TDriveView::StopAllWatching() {
    StopAllWatchThreads();
    if (dirView_) dirView_->StopWatchThread();
}

void TDriveView::StartAllWatching() {
    StartAllWatchThreads();
    if (dirView_) dirView_->StartWatchThread();
}

bool TDriveView::EditMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == kRetryMessage) {
        RetryRename();
        result = 0;
        return true;
    }
    if (msg == kDragMessage) {
        // The component's detection saw the mouse move: the tree runs its own drag.
        RunDrag();
        result = 0;
        return true;
    }
    switch (msg) {
    case WM_KEYDOWN:
        if (OnKeyDown && !SendMessageA(Handle(), TVM_GETEDITCONTROL, 0, 0) &&
            OnKeyDown(*this, static_cast<WORD>(wParam), (GetKeyState(VK_CONTROL) & 0x8000) != 0)) {
            result = 0;
            return true;
        }
        break;
    case WM_LBUTTONDOWN:
        pressPoint_ = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        break;
    case WM_RBUTTONDOWN:
        pressPoint_ = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        GetCursorPos(&rightPress_);
        contextMenuArmed_ = !dragNode_ && !dragDrop_->Dragging();
        break;
    case WM_CONTEXTMENU:
        if (contextMenuArmed_) {
            contextMenuArmed_ = false;
            RightClick();
            result = 0;
            return true;
        }
        break;
    }
    return false;
}

LRESULT TDriveView::NotifyHandler(NMHDR& header) {
    switch (header.code) {
    case NM_RCLICK:
        // The control's answer to a right click; some controls follow it with the context-menu
        // message only when it is not answered, others never do.
        if (contextMenuArmed_) {
            contextMenuArmed_ = false;
            RightClick();
            return TRUE;
        }
        break;
    case TVN_BEGINLABELEDITA:
    case TVN_BEGINLABELEDITW: {
        auto* di = reinterpret_cast<NMTVDISPINFOA*>(&header);
        return BeginLabelEdit(NodeFromItem(di->item.hItem)) ? FALSE : TRUE;
    }
    case TVN_ENDLABELEDITA:
    case TVN_ENDLABELEDITW: {
        auto* di = reinterpret_cast<NMTVDISPINFOA*>(&header);
        TTreeNode* node = NodeFromItem(di->item.hItem);
        // The error box of a failed rename takes the focus from the edit box, which ends the
        // edit once more.
        if (renaming_) return FALSE;
        if (!di->item.pszText || !node) {
            return FALSE;
        }
        std::string text;
        if (header.code == TVN_ENDLABELEDITA) {
            text = di->item.pszText;
        } else {
            auto* wide = reinterpret_cast<const wchar_t*>(di->item.pszText);
            char buffer[MAX_PATH * 2] = {};
            WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
            text = buffer;
        }
        renaming_ = true;
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{renaming_};
        RenameNode(node, text);
        // The caption is set by the rename itself.
        return FALSE;
    }
    case TVN_BEGINRDRAGA:
    case TVN_BEGINRDRAGW:
        ReportDragStart(2);
        return 0;
    }
    return TTreeView::NotifyHandler(header);
}

// --- renaming ------------------------------------------------------------------------------------

bool TDriveView::CanEditNode(TTreeNode* node) {
    TNodeData* data = NodeData(node);
    if (!data || !node->Parent() || data->IsRecycleBin || readOnly_ || dragNode_ || dragDrop_->Dragging())
        return false;
    DWORD attr = GetFileAttributesA(GetDirPath(node).c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) attr = data->Attr;
    if (attr & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM)) return false;
    return lstrcmpiA(node->Text().c_str(), data->DirName.c_str()) == 0;
}

bool TDriveView::EditNode(TTreeNode* node) {
    if (!CanEditNode(node)) return false;
    if (!Focused()) SetFocus();
    return SendMessageA(Handle(), TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(node->ItemId())) != 0;
}

bool TDriveView::BeginLabelEdit(TTreeNode* node) {
    if (!CanEditNode(node)) {
        retryNode_ = nullptr;
        return false;
    }
    if (auto edit = reinterpret_cast<HWND>(SendMessageA(Handle(), TVM_GETEDITCONTROL, 0, 0))) {
        SetWindowSubclass(edit, EditProc, kEditSubclassId, 0);
        if (retryNode_ == node) {
            SetWindowTextA(edit, retryText_.c_str());
            SendMessageA(edit, EM_SETSEL, 0, -1);
        }
    }
    retryNode_ = nullptr;
    return true;
}

void TDriveView::RenameNode(TTreeNode* node, const std::string& newText) {
    TNodeData* data = NodeData(node);
    std::string text = newText;
    if (!data || text.empty() || text == data->DirName) return;
    if (HasInvalidChar(text)) {
        if (OnEdited) OnEdited(*this, node, text);
        if (text.empty()) return;
        // A handler that put the name right lets it through; one that did not gets the error.
        if (HasInvalidChar(text)) {
            std::string message = std::string(Texts().invalid) + " ";
            for (const char* c = kInvalidChars; *c; ++c)
                message += std::string(" ") + *c;
            throw EInvalidDirName(message);
        }
    }
    const std::string oldPath = GetDirPath(node);
    const std::string newPath = shell::IncludeTrailingBackslash(GetDirPath(node->Parent())) + text;
    StopAllWatchThreads();
    if (dirView_) dirView_->StopWatchThread();
    fileOperator_->SetFlags(
        {shell::TFileOperationFlag::foAllowUndo, shell::TFileOperationFlag::foNoConfirmation});
    fileOperator_->SetOperation(shell::TFileOperation::foRename);
    fileOperator_->OperandFrom() = {oldPath};
    fileOperator_->OperandTo() = {newPath};
    const bool ok = fileOperator_->Execute() && shell::DirExists(newPath);
    if (ok) {
        data->DirName = text;
        node->SetText(GetDisplayName(node));
        WIN32_FIND_DATAA entry{};
        HANDLE find = FindFirstFileA(newPath.c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            data->ShortName = std::string(entry.cAlternateFileName).substr(0, 12);
            data->Attr = entry.dwFileAttributes;
        }
        SortChildren(node->Parent(), false);
        if (node->Selected()) {
            lastPath_ = GetDirPath(node);
            if (dirView_) dirView_->SetPath(lastPath_);
        }
    }
    StartAllWatchThreads();
    if (dirView_) {
        if (!dirView_->Loading()) dirView_->Reload(true);
        dirView_->StartWatchThread();
    }
    if (ok) return;
    std::string message =
        std::string(shell::FileOrDirExists(newPath) ? Texts().exists : Texts().failed) + text;
    MessageBeep(MB_ICONHAND);
    if (AskOkAbort(FormOf(Handle()), message)) {
        retryNode_ = node;
        retryText_ = text;
        PostMessageA(Handle(), kRetryMessage, 0, 0);
    }
}

void TDriveView::RetryRename() {
    TTreeNode* node = retryNode_;
    if (!node || !NodeData(node)) return;
    if (!Focused()) SetFocus();
    SendMessageA(Handle(), TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(node->ItemId()));
}

void TDriveView::RescanSelected() {
    if (TTreeNode* node = Selected()) ValidateDirectoryEx(node, itLoaded, true);
    if (dirView_ && !dirView_->Loading()) dirView_->Reload(true);
}

// --- creating and deleting -----------------------------------------------------------------------

TTreeNode* TDriveView::CreateDirectory(TTreeNode* node, const std::string& name) {
    if (!node) throw ENodeNotAssigned("CreateDirectory");
    TNodeData* data = NodeData(node);
    if (data && !data->Scanned) ValidateDirectory(node);
    StopAllWatching();
    const std::string path = shell::IncludeTrailingBackslash(GetDirPath(node)) + name;
    TTreeNode* created = nullptr;
    if (::CreateDirectoryA(path.c_str(), nullptr)) {
        g_lastCreateError = ERROR_SUCCESS;
        WIN32_FIND_DATAA entry{};
        HANDLE find = FindFirstFileA(path.c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            created = AddChildNode(node, entry);
            if (TNodeData* d = NodeData(created)) d->IconEmpty = true;
            SortChildren(node, false);
            node->Expand(false);
        }
    } else {
        g_lastCreateError = GetLastError();
    }
    if (dirView_) dirView_->LastIOErrorChanged(g_lastCreateError);
    StartAllWatching();
    if (dirView_ && !dirView_->Loading()) dirView_->Reload(true);
    return created;
}

bool TDriveView::DeleteDirectory(TTreeNode* node, bool allowUndo) {
    if (!node) throw ENodeNotAssigned("DeleteDirectory");
    if (!node->Parent()) return false;
    shell::TWaitCursor wait;
    const std::string path = GetDirPathName(node);
    bool gone = false;
    if (!shell::DirExists(path)) {
        node->Delete();
        gone = true;
    } else {
        StopAllWatching();
        shell::TFileOperator op(this);
        op.SetProgressTitle("Filesystem Operation");
        shell::TFileOperationFlags flags{shell::TFileOperationFlag::foNoConfirmMkDir};
        if (allowUndo) flags += shell::TFileOperationFlags{shell::TFileOperationFlag::foAllowUndo};
        if (!confirmDelete_) flags += shell::TFileOperationFlags{shell::TFileOperationFlag::foNoConfirmation};
        op.SetFlags(flags);
        op.SetOperation(shell::TFileOperation::foDelete);
        op.OperandFrom() = {path};
        const bool ok = op.Execute();
        if (ok && !op.AnyOperationsAborted() && !shell::DirExists(path)) {
            node->Delete();
            gone = true;
        } else if (!allowUndo && dragdrop::IsNtFamily()) {
            // What the shell reported aside, a folder that cannot be entered any more is gone.
            char previous[MAX_PATH] = {};
            GetCurrentDirectoryA(sizeof previous, previous);
            if (SetCurrentDirectoryA(path.c_str())) {
                SetCurrentDirectoryA(previous);
            } else {
                node->Delete();
                gone = true;
            }
        }
    }
    StartAllWatching();
    if (dirView_) {
        if (TTreeNode* selected = Selected()) {
            const std::string selectedPath = GetDirPath(selected);
            if (dirView_->Path() != selectedPath)
                dirView_->SetPath(selectedPath);
            else if (!dirView_->Loading())
                dirView_->Reload(true);
        }
    }
    return gone;
}

// --- menus ---------------------------------------------------------------------------------------

void TDriveView::DisplayContextMenu(TTreeNode* node, POINT screenPoint) {
    if (!node) throw ENodeNotAssigned("DisplayContextMenu");
    if (node != Selected()) SetDropTarget(node);
    struct ClearTarget {
        TDriveView& view;
        ~ClearTarget() { view.SetDropTarget(nullptr); }
    } clear{*this};
    if (OnDisplayContextMenu) OnDisplayContextMenu(*this);
    const std::string path = GetDirPathName(node);
    const bool canRename = CanEditNode(node);
    const std::string verb =
        shell::ShellDisplayContextMenu(FormOf(Handle()), screenPoint, path, false, canRename);
    SetDropTarget(nullptr);
    if (verb == "rename") {
        EditNode(node);
    } else if (verb == "cut") {
        shell::SetClipboardMode(shell::TClipboardMode::Cut);
        SetCutMark(GetDirPath(node));
    } else if (verb == "copy") {
        shell::SetClipboardMode(shell::TClipboardMode::Copy);
        SetCutMark({});
    } else if (verb == "paste") {
        PasteFromClipBoard(path);
    }
}

void TDriveView::DisplayPropertiesMenu(TTreeNode* node) {
    if (!node) throw ENodeNotAssigned("DisplayPropertiesMenu");
    shell::ShellExecuteVerb(FormOf(Handle()), "properties", GetDirPathName(node));
}

void TDriveView::RightClick() {
    POINT client = rightPress_;
    ScreenToClient(Handle(), &client);
    TTreeNode* node = GetNodeAt(client.x, client.y);
    if (node && useSystemContextMenu_) {
        bool handled = false;
        if (OnContextPopup) OnContextPopup(*this, client, handled);
        if (!handled) {
            const bool watched = watcher_.Active(GetDrive(node));
            DisplayContextMenu(node, rightPress_);
            // The menu's command may have changed the folder behind the tree's back.
            if (!watched && NodeData(node)) ValidateDirectory(node);
        }
    } else if (popupMenu_) {
        popupMenu_->Popup(FormOf(Handle()), rightPress_.x, rightPress_.y);
    }
    SetDropTarget(nullptr);
}

// --- clipboard -----------------------------------------------------------------------------------

bool TDriveView::NodeCut(TTreeNode* node) const {
    if (!node) return false;
    return (SendMessageA(Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node->ItemId()), TVIS_CUT) &
            TVIS_CUT) != 0;
}

void TDriveView::MarkCut(TTreeNode* node, bool cut) {
    if (node) SetNodeState(node, TVIS_CUT, cut);
}

void TDriveView::SetNodeState(TTreeNode* node, UINT mask, bool on) {
    TVITEMA item{};
    item.mask = TVIF_STATE | TVIF_HANDLE;
    item.hItem = node->ItemId();
    item.stateMask = mask;
    item.state = on ? mask : 0;
    SendMessageA(Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void TDriveView::SetCutMark(const std::string& path) {
    if (!cutPath_.empty()) MarkCut(FindNodeToPath(cutPath_), false);
    cutPath_ = path;
    if (!cutPath_.empty()) MarkCut(FindNodeToPath(cutPath_), true);
}

bool TDriveView::CopyToClipBoard() {
    TTreeNode* node = Selected();
    if (!node) return false;
    EmptyClipboard();
    dragDrop_->FileList().Clear();
    dragDrop_->FileList().Add(GetDirPathName(node));
    const bool ok = dragDrop_->CopyToClipboard();
    dragDrop_->FileList().Clear();
    if (ok) shell::SetClipboardMode(shell::TClipboardMode::Copy);
    return ok;
}

bool TDriveView::CutToClipBoard(TTreeNode* node) {
    if (!node || !node->Parent()) return false;
    if (node != Selected()) SetSelected(node);
    if (!CopyToClipBoard()) return false;
    SetCutMark(GetDirPath(node));
    shell::SetClipboardMode(shell::TClipboardMode::Cut);
    return true;
}

bool TDriveView::CanPasteFromClipBoard() {
    return Selected() && IsClipboardFormatAvailable(CF_HDROP);
}

bool TDriveView::PasteFromClipBoard(const std::string& target) {
    if (!CanPasteFromClipBoard()) return false;
    kovalin::ComPtr<IDataObject> data;
    if (FAILED(OleGetClipboard(data.put())) || !data) return false;
    dragDrop_->ReadData(data.get());
    if (dragDrop_->FileList().Count() == 0) return false;
    const std::string folder = target.empty() ? GetDirPathName(Selected()) : target;
    if (shell::ClipboardMode() == shell::TClipboardMode::Cut) {
        ProcessFiles(folder, DROPEFFECT_MOVE, false);
        EmptyClipboard();
    } else {
        ProcessFiles(folder, DROPEFFECT_COPY, false);
    }
    dragDrop_->FileList().Clear();
    return true;
}

void TDriveView::EmptyClipboard() {
    if (OpenClipboard(Handle())) {
        ::EmptyClipboard();
        CloseClipboard();
    }
    SetCutMark({});
    shell::SetClipboardMode(shell::TClipboardMode::None);
    if (dirView_) dirView_->ClipboardEmptied();
}

bool TDriveView::UndoCopyMove() {
    if (!fileOperator_->CanUndo()) return false;
    StopAllWatching();
    const std::string from = fileOperator_->UndoFrom().empty() ? std::string() : fileOperator_->UndoFrom()[0];
    const std::string to = fileOperator_->UndoTo().empty() ? std::string() : fileOperator_->UndoTo()[0];
    const bool ok = fileOperator_->UndoExecute();
    auto folderOf = [](const std::string& path) {
        size_t cut = path.find_last_of('\\');
        return cut == std::string::npos ? path : path.substr(0, cut);
    };
    std::vector<std::string> folders;
    if (!from.empty()) folders.push_back(folderOf(from));
    if (!to.empty()) folders.push_back(shell::DirExists(to) && to != from ? to : folderOf(to));
    for (const std::string& folder : folders) {
        std::string p = folder.size() == 2 ? folder + "\\" : folder;
        if (TTreeNode* n = FindNodeToPath(p)) ValidateDirectory(n);
    }
    StartAllWatching();
    if (dirView_ && !dirView_->Loading())
        for (const std::string& folder : folders)
            if (lstrcmpiA(shell::ExcludeTrailingBackslash(folder).c_str(), dirView_->Path().c_str()) == 0) {
                dirView_->Reload(true);
                break;
            }
    return ok;
}

} // namespace drivetree
