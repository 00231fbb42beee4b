// Folders dragged out of the drive tree, and files and folders dropped onto its nodes: the drop
// target follows the cursor, opens the node hovered over and scrolls at the edges; the drop
// copies, moves or links through the tree's file operator.
#include "drivetree/DriveView.h"

#include "dragdrop/FileDeleteThread.h"
#include "shell/BaseUtils.h"

#include <commctrl.h>
#include <shlobj.h>

#include <memory>
#include <utility>

namespace drivetree {

namespace {

const DWORD kHoverExpandMs = 2500;
const DWORD kFirstScrollStepsMs = 200; // the first three vertical steps, and every sideways step
const DWORD kScrollStepMs = 50;
const int kHorzZone = 50;
const DWORD kEarliestDropMs = 50;

std::string FolderOf(const std::string& path) {
    std::string p = shell::ExcludeTrailingBackslash(path);
    size_t cut = p.find_last_of('\\');
    if (cut == std::string::npos) return p;
    return p.substr(0, cut);
}

std::string NameOf(const std::string& path) {
    std::string p = shell::ExcludeTrailingBackslash(path);
    size_t cut = p.find_last_of('\\');
    return cut == std::string::npos ? p : p.substr(cut + 1);
}

bool IsDriveRoot(const std::string& path) {
    return path.size() <= 3 && path.size() >= 2 && path[1] == ':';
}

bool EndsWithProgramExt(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ext = shell::UpperCase(path.substr(path.size() - 4));
    return ext == ".EXE" || ext == ".COM";
}

// A shell link at `linkFile` to `target`, described by `description`.
bool CreateShellLink(const std::string& target, const std::string& linkFile, const std::string& description) {
    kovalin::ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.put_void())))
        return false;
    link->SetPath(target.c_str());
    link->SetDescription(description.c_str());
    kovalin::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return false;
    wchar_t wide[MAX_PATH * 2] = {};
    if (!MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide, MAX_PATH * 2 - 1)) return false;
    return SUCCEEDED(file->Save(wide, TRUE));
}

bool SamePath(const std::string& a, const std::string& b) {
    return lstrcmpiA(shell::ExcludeTrailingBackslash(a).c_str(),
                     shell::ExcludeTrailingBackslash(b).c_str()) == 0;
}

// The node on the line under the point, wherever on the line it is.
HTREEITEM ItemOnLine(HWND tree, POINT point) {
    TVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    const UINT onLine = TVHT_ONITEM | TVHT_ONITEMRIGHT | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON;
    return (hit.flags & onLine) ? hit.hItem : nullptr;
}

HWND FormOf(HWND control) {
    HWND root = GetAncestor(control, GA_ROOT);
    return root ? root : control;
}

} // namespace

void TDriveView::InitDragDrop() {
    dragdrop::TDragDropFilesEx& dd = *dragDrop_;
    dd.SetAcceptOwnDnD(true);
    dd.SetAutoDetectDnD(false);
    dd.SetBringToFront(true);
    dd.SetCompleteFileList(true);
    dd.SetNeedValid(dragdrop::nvFilename);
    dd.SetRenderDataOn(dragdrop::TRenderDataOn::rdoEnterAndDropSync);
    dd.SetTargetPopupMenu(true);
    dd.SetShellExtensions({.DragDropHandler = true, .DropHandler = false});
    dd.SetSourceEffects(dragdrop::deCopy | dragdrop::deMove | dragdrop::deLink);
    dd.SetTargetEffects(dragdrop::deCopy | dragdrop::deMove | dragdrop::deLink);
    dd.SetDragDropControl(this);
    useDragImages_ = dragdrop::SystemDrawsDragImages();

    dd.OnDragDetect = [this](DWORD keys, POINT start, POINT current, dragdrop::TDragDetectStatus status) {
        if (OnDDDragDetect) OnDDDragDetect(*this, keys, start, current, static_cast<int>(status));
        if (status == dragdrop::TDragDetectStatus::ddsDrag) DragDetected(start, static_cast<int>(status));
    };
    dd.OnDragEnter = [this](IDataObject* data, DWORD keys, POINT p, dragdrop::TDropEffects& e, bool& accept) {
        DragEnter(data, keys, p, e, accept);
    };
    dd.OnDragOver = [this](DWORD keys, POINT p, dragdrop::TDropEffects& e) { DragOver(keys, p, e); };
    dd.OnDragLeave = [this] { DragLeave(); };
    dd.OnDrop = [this](IDataObject*, DWORD keys, POINT p, dragdrop::TDropEffects& e) {
        // The list's drag has ended by the time the posted drop step runs: ask now.
        dropFromList_ = dirView_ && dirView_->DraggingFiles();
        if (OnDDDrop) OnDDDrop(*this, keys, p, e);
    };
    dd.OnQueryContinueDrag = [this](bool escape, DWORD keys, HRESULT& result) {
        QueryContinueDrag(escape, keys, result);
    };
    dd.OnGiveFeedback = [this](dragdrop::TDropEffects e, HRESULT& result) {
        if (OnDDGiveFeedback) OnDDGiveFeedback(*this, e, result);
    };
    dd.OnProcessDropped = [this](DWORD keys, POINT p, dragdrop::TDropEffects e) {
        ProcessDropped(keys, p, e);
    };
}

void TDriveView::DDError(int number) {
    if (OnDDError) {
        OnDDError(*this, number);
        return;
    }
    throw EDragDrop(number);
}

// --- dragging out --------------------------------------------------------------------------------

void TDriveView::ReportDragStart(int button) {
    POINT p;
    GetCursorPos(&p);
    dragDrop_->StartDetection(button, p);
}

void TDriveView::DragDetected(POINT, int) {
    // The press, not where the mouse has got to, chooses the node: its caption or its icon.
    POINT press = pressPoint_;
    TTreeNode* node = GetNodeAt(press.x, press.y);
    dragNode_ = nullptr;
    // The component starts its own drag of what its list holds after this: it must hold nothing.
    dragDrop_->FileList().Clear();
    if (!node || !NodeData(node)) return;
    RECT r = node->DisplayRect(true);
    r.left -= 16;
    if (!PtInRect(&r, press)) return;
    dragNode_ = node;
    // Runs before the component's start request, which then finds this drag running.
    PostMessageA(Handle(), WM_USER + 58, 0, 0);
    // The drag replaces the press: nothing is chosen when the button goes up.
    EndPress();
    if (GetCapture() == Handle()) ReleaseCapture();
}

void TDriveView::RunDrag() {
    TTreeNode* node = dragNode_;
    if (!node) return;
    dragdrop::TDragDropFilesEx& dd = *dragDrop_;
    const std::string path = GetDirPathName(node);
    const std::string parentFolder = node->Parent() ? GetDirPathName(node->Parent()) : std::string();
    const char drive = GetDrive(node);
    dd.FileList().Clear();
    dd.FileList().Add(path);
    dd.SetCompleteFileList(GetDriveTypeToNode(node) != DRIVE_REMOVABLE);
    // A drive cannot be moved or copied as a folder, only linked.
    dd.SetSourceEffects(node->Parent() ? dragdrop::deCopy | dragdrop::deMove | dragdrop::deLink
                                       : dragdrop::deLink);

    HWND form = FormOf(Handle());
    if (useDragImages_) {
        // The image shows the node as it looks unselected; its drawn state comes back at once,
        // and the tree's selection itself never changes.
        const bool selected = node->Selected();
        if (selected) SetNodeState(node, TVIS_SELECTED, false);
        dragImage_ = reinterpret_cast<HIMAGELIST>(
            SendMessageA(Handle(), TVM_CREATEDRAGIMAGE, 0, reinterpret_cast<LPARAM>(node->ItemId())));
        if (selected) SetNodeState(node, TVIS_SELECTED, true);
        if (dragImage_) {
            RECT item = node->DisplayRect(true);
            int iconWidth = 0, iconHeight = 0;
            ImageList_GetIconSize(dragImage_, &iconWidth, &iconHeight);
            POINT cursor;
            GetCursorPos(&cursor);
            POINT client = cursor;
            ScreenToClient(Handle(), &client);
            // The image starts at the node's icon, left of its caption.
            int hotX = client.x - (item.left - 19), hotY = client.y - item.top;
            ImageList_BeginDrag(dragImage_, 0, hotX < 0 ? 0 : hotX, hotY < 0 ? 0 : hotY);
            RECT frame;
            GetWindowRect(form, &frame);
            ImageList_DragEnter(form, cursor.x - frame.left, cursor.y - frame.top);
            dragImageShown_ = true;
        }
    }
    dragWatched_ = watcher_.Active(drive);
    dragStartTime_ = GetTickCount();
    const dragdrop::TDragResult result = dd.Execute();

    if (dragImage_) {
        ImageList_DragLeave(form);
        ImageList_EndDrag();
        ImageList_Destroy(std::exchange(dragImage_, nullptr));
        dragImageShown_ = false;
    }
    // The list stays: a drop onto this tree reads it when its posted processing comes.
    dd.SetSourceEffects(dragdrop::deCopy | dragdrop::deMove | dragdrop::deLink);
    dragNode_ = nullptr;
    if (result == dragdrop::TDragResult::drCancelled) SetDropTarget(nullptr);
    if (result == dragdrop::TDragResult::drMove && !dragWatched_) {
        std::weak_ptr<int> alive = lifeToken_;
        dragdrop::TFileDeleteThread::Start(
            {path}, [this, alive, parentFolder](const std::vector<std::string>&) {
                if (alive.expired()) return;
                if (TTreeNode* parent = parentFolder.empty() ? nullptr : FindNodeToPath(parentFolder))
                    ValidateDirectory(parent);
            });
    }
}

void TDriveView::QueryContinueDrag(bool escapePressed, DWORD keyState, HRESULT& result) {
    if (OnDDQueryContinueDrag) OnDDQueryContinueDrag(*this, escapePressed, keyState, result);
    if (result == DRAGDROP_S_CANCEL) {
        SetDropTarget(nullptr);
        return;
    }
    if (result == DRAGDROP_S_DROP && GetTickCount() - dragStartTime_ < kEarliestDropMs) {
        // Released at once: a click that the mouse smeared, not a drop.
        result = DRAGDROP_S_CANCEL;
        SetDropTarget(nullptr);
        return;
    }
    if (!dragImage_) return;
    HWND form = FormOf(Handle());
    POINT cursor;
    GetCursorPos(&cursor);
    RECT frame;
    GetWindowRect(form, &frame);
    const bool inside = PtInRect(&frame, cursor) != FALSE;
    if (inside != dragImageShown_) {
        ImageList_DragShowNolock(inside);
        dragImageShown_ = inside;
    }
    if (inside) ImageList_DragMove(cursor.x - frame.left, cursor.y - frame.top);
}

// --- dropping in ---------------------------------------------------------------------------------

void TDriveView::DragEnter(IDataObject*, DWORD keyState, POINT point, DWORD& effect, bool& accept) {
    dragdrop::TFileList& files = dragDrop_->FileList();
    sourceDrive_ =
        files.Count() > 0 && !files.Item(0).Name.empty() ? shell::UpperLetter(files.Item(0).Name[0]) : 0;
    linkExeDrag_ =
        ddLinkOnExeDrag_ && (dragDrop_->DragSourceEffects() & dragdrop::deLink) && files.Count() > 0;
    for (int i = 0; linkExeDrag_ && i < files.Count(); ++i)
        linkExeDrag_ = EndsWithProgramExt(files.Item(i).Name);
    hoverNode_ = nullptr;
    dropFromList_ = false;
    hoverSince_ = lastVScroll_ = lastHScroll_ = 0;
    scrollSteps_ = 0;
    // A Space held when the drag came in does not count as a press.
    BYTE keys[256];
    if (GetKeyboardState(keys)) {
        keys[VK_SPACE] = 0;
        SetKeyboardState(keys);
    }
    spaceDown_ = (GetAsyncKeyState(VK_SPACE) & 0x8000) != 0;
    if (OnDDDragEnter) OnDDDragEnter(*this, keyState, point, effect, accept);
}

void TDriveView::DropTargetChanged(TTreeNode* node) {
    if (node == DropTarget()) return;
    if (dragImageShown_) ImageList_DragShowNolock(FALSE);
    SetDropTarget(node);
    UpdateWindow(Handle());
    if (dragImageShown_) ImageList_DragShowNolock(TRUE);
}

void TDriveView::ToggleExpansion(TTreeNode* node) {
    TTreeNode* top = TopItem();
    if (node->Expanded()) {
        // The selection stays visible: a node above it is not closed.
        for (TTreeNode* n = Selected(); n; n = n->Parent())
            if (n->Parent() == node) return;
        node->Collapse(false);
    } else {
        node->Expand(false);
    }
    if (top && NodeData(top)) SetTopItem(top);
}

void TDriveView::AutoScroll(TTreeNode* node, POINT point) {
    const DWORD now = GetTickCount();
    RECT client = ClientRect();
    const int lineHeight = static_cast<int>(SendMessageA(Handle(), TVM_GETITEMHEIGHT, 0, 0));
    int step = 0;
    if (node == TopItem())
        step = SB_LINEUP;
    else if (point.y > client.bottom - 3 * lineHeight)
        step = SB_LINEDOWN;
    else
        scrollSteps_ = 0;
    if (step == SB_LINEUP && node == TopItem() && !node->GetPrevSibling() && !node->Parent()) step = 0;
    if (step) {
        const DWORD wait = scrollSteps_ < 3 ? kFirstScrollStepsMs : kScrollStepMs;
        if (now - lastVScroll_ >= wait) {
            if (dragImageShown_) ImageList_DragShowNolock(FALSE);
            SendMessageA(Handle(), WM_VSCROLL, MAKEWPARAM(step, 0), 0);
            UpdateWindow(Handle());
            if (dragImageShown_) ImageList_DragShowNolock(TRUE);
            lastVScroll_ = now;
            ++scrollSteps_;
        }
    }
    if (!(GetWindowLongA(Handle(), GWL_STYLE) & WS_HSCROLL) || now - lastHScroll_ < kFirstScrollStepsMs)
        return;
    const RECT text = node->DisplayRect(true);
    int hstep = -1;
    if (point.x < kHorzZone && text.right < client.right - kHorzZone)
        hstep = SB_LINELEFT;
    else if (point.x > client.right - kHorzZone && text.left > kHorzZone)
        hstep = SB_LINERIGHT;
    if (hstep < 0) return;
    if (dragImageShown_) ImageList_DragShowNolock(FALSE);
    SendMessageA(Handle(), WM_HSCROLL, MAKEWPARAM(hstep, 0), 0);
    UpdateWindow(Handle());
    if (dragImageShown_) ImageList_DragShowNolock(TRUE);
    lastHScroll_ = now;
}

void TDriveView::DragOver(DWORD keyState, POINT point, DWORD& effect) {
    TTreeNode* node = NodeFromItem(ItemOnLine(Handle(), point));
    if (!node || !NodeData(node)) {
        effect = dragdrop::deNone;
        if (OnDDDragOver) OnDDDragOver(*this, keyState, point, effect);
        return;
    }
    DropTargetChanged(node);
    const DWORD allowed = dragDrop_->DragSourceEffects();

    const bool space = (GetAsyncKeyState(VK_SPACE) & 0x8000) != 0;
    if (space && !spaceDown_) ToggleExpansion(node);
    spaceDown_ = space;

    const DWORD now = GetTickCount();
    if (node != hoverNode_) {
        hoverNode_ = node;
        hoverSince_ = now;
    } else if (now - hoverSince_ >= kHoverExpandMs) {
        if (!node->Expanded()) node->Expand(false);
        hoverSince_ = now;
    }
    if (node && NodeData(node)) AutoScroll(node, point);
    node = NodeFromItem(ItemOnLine(Handle(), point));
    if (!node || !NodeData(node)) {
        effect = dragdrop::deNone;
        return;
    }
    DropTargetChanged(node);

    TNodeData* data = NodeData(node);
    if (data->IsRecycleBin) {
        effect = (allowed & dragdrop::deMove) ? dragdrop::deMove : dragdrop::deNone;
    } else if (!(keyState & (MK_SHIFT | MK_CONTROL))) {
        const char target = GetDrive(node);
        if (linkExeDrag_ && target >= 'C' && sourceDrive_ >= 'C')
            effect = dragdrop::deLink;
        else if (effect == dragdrop::deCopy && target == sourceDrive_ && (allowed & dragdrop::deMove))
            effect = dragdrop::deMove;
    }
    // A folder does not go into itself, below itself or where it already is.
    if (dragNode_ && effect != dragdrop::deLink) {
        for (TTreeNode* n = node; n; n = n->Parent())
            if (n == dragNode_) effect = dragdrop::deNone;
        if (node == dragNode_->Parent()) effect = dragdrop::deNone;
    }
    if (OnDDDragOver) OnDDDragOver(*this, keyState, point, effect);
}

void TDriveView::DragLeave() {
    if (dragImageShown_) ImageList_DragShowNolock(FALSE);
    SetDropTarget(nullptr);
    if (dragImageShown_) ImageList_DragShowNolock(TRUE);
    hoverNode_ = nullptr;
    if (OnDDDragLeave) OnDDDragLeave(*this);
}

void TDriveView::ProcessDropped(DWORD keyState, POINT point, DWORD effect) {
    const bool fromList = std::exchange(dropFromList_, false);
    TTreeNode* node = DropTarget();
    if (!node) node = NodeFromItem(ItemOnLine(Handle(), point));
    SetDropTarget(nullptr);
    if (!node || !NodeData(node)) return;
    const std::string target = GetDirPathName(node);
    if (!shell::DirExists(target)) {
        ValidateDirectory(node->Parent() ? node->Parent() : node);
        DDError(1);
        return;
    }
    if (OnDDProcessDropped) OnDDProcessDropped(*this, keyState, point, effect);
    ProcessFiles(target, effect, fromList);
    dragDrop_->FileList().Clear();
    if (OnDDExecuted) OnDDExecuted(*this, effect);
}

void TDriveView::ProcessFiles(const std::string& target, DWORD effect, bool listIsSource) {
    dragdrop::TFileList& files = dragDrop_->FileList();
    if (files.Count() == 0) return;
    TTreeNode* targetNode = FindNodeToPath(target);
    const bool recycle = targetNode && NodeData(targetNode)->IsRecycleBin;
    const std::string sourceFolder = FolderOf(files.Item(0).Name);
    StopAllWatching();
    bool linkFailed = false;

    if (effect == dragdrop::deCopy || effect == dragdrop::deMove) {
        using F = shell::TFileOperationFlag;
        shell::TFileOperator& op = *fileOperator_;
        shell::TFileOperationFlags flags{F::foAllowUndo, F::foNoConfirmMkDir};
        const bool mapped = dragDrop_->MappedNames() && files.AnyMappedName();
        if (mapped) flags += shell::TFileOperationFlags{F::foMultiDestFiles};
        if (recycle ? !confirmDelete_ : !confirmOverwrite_)
            flags += shell::TFileOperationFlags{F::foNoConfirmation};
        op.SetFlags(flags);
        op.SetOperation(recycle                      ? shell::TFileOperation::foDelete
                        : effect == dragdrop::deMove ? shell::TFileOperation::foMove
                                                     : shell::TFileOperation::foCopy);
        op.OperandFrom().clear();
        op.OperandTo().clear();
        for (int i = 0; i < files.Count(); ++i) {
            const dragdrop::TFileListItem& item = files.Item(i);
            if (item.Name.empty()) continue;
            op.OperandFrom().push_back(item.Name);
            if (mapped)
                op.OperandTo().push_back(shell::IncludeTrailingBackslash(target) +
                                         (item.MappedName.empty() ? NameOf(item.Name) : item.MappedName));
        }
        if (!mapped && !recycle) op.OperandTo().push_back(target);
        bool doOperation = true;
        if (OnDDFileOperation) OnDDFileOperation(*this, effect, sourceFolder, target, doOperation);
        if (doOperation && !op.OperandFrom().empty()) {
            op.Execute();
            if (OnDDFileOperationExecuted) OnDDFileOperationExecuted(*this, effect, sourceFolder, target);
            if (mapped) op.ClearUndo();
        }
        op.OperandFrom().clear();
        op.OperandTo().clear();
    } else if (effect == dragdrop::deLink) {
        for (int i = 0; i < files.Count(); ++i) {
            const std::string& name = files.Item(i).Name;
            if (name.empty()) continue;
            std::string linkName;
            if (IsDriveRoot(name)) {
                const char letter = shell::UpperLetter(name[0]);
                std::string pretty = driveInfo_.GetPrettyName(letter);
                // "C: System" becomes "System(C)".
                if (pretty.size() >= 2 && pretty[1] == ':') pretty.erase(0, 2);
                if (!pretty.empty() && pretty[0] == ' ') pretty.erase(0, 1);
                linkName = pretty + "(" + std::string(1, letter) + ")";
            } else {
                linkName = NameOf(name);
            }
            const std::string linkFile = shell::IncludeTrailingBackslash(target) + linkName + ".lnk";
            if (!CreateShellLink(name, linkFile, shell::FileNameWithoutExt(NameOf(name)))) linkFailed = true;
        }
    }

    // The tree and the list show what the operation left.
    const bool moved = effect == dragdrop::deMove;
    if (moved) BeginUpdate();
    if (moved || recycle)
        if (TTreeNode* source = FindNodeToPath(shell::IncludeTrailingBackslash(sourceFolder)))
            ValidateDirectory(source);
    if (TTreeNode* t = FindNodeToPath(target))
        ValidateDirectory(t);
    else if (TTreeNode* root = FindNodeToPath(target.substr(0, 3)))
        ValidateDirectory(root);
    if (moved) EndUpdate();
    if (dirView_ && !dirView_->Loading()) {
        const std::string& shown = dirView_->Path();
        const bool showsTarget = SamePath(shown, target);
        const bool showsSource = SamePath(shown, sourceFolder);
        if (moved ? (!listIsSource && (showsTarget || showsSource)) : showsTarget) dirView_->Reload(true);
    }
    if (moved && listIsSource && dirView_) dirView_->DraggedFilesMoved();
    StartAllWatching();
    if (linkFailed) DDError(0);
}

} // namespace drivetree
