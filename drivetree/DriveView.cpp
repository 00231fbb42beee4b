// The drive tree's construction and settings, node paths, its links to the file list and the drive
// combo, the announcing of a new selection, and which drives its watcher watches.
#include "drivetree/DriveView.h"

#include "kovalin/Application.h"
#include "kovalin/BlockPool.h"
#include "kovalin/ErrorMode.h"
#include "shell/BaseUtils.h"
#include "shell/WaitCursor.h"

#include <utility>

namespace drivetree {

ENodeNotAssigned::ENodeNotAssigned(const char* operation)
    : kovalin::Exception(kovalin::Format("%s: Node not assigned", operation)) {}

// --- construction --------------------------------------------------------------------------------

TDriveView::TDriveView(kovalin::TWinControl& parent, const Params& params, shell::TDriveInfo& driveInfo)
    : TTreeView(parent, params), driveInfo_(driveInfo),
      watcher_([this](char d) { Revalidate(d); }, [this](char d) { ChangeInvalid(d); }) {
    // The system's image lists are shared by every program: attached, never destroyed.
    SHFILEINFOA info{};
    auto small = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    SetImages(small);
    auto open = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON));
    SetStateImages(open);

    kovalin::ComPtr<IShellFolder> desktop = shell::DesktopFolder();
    LPITEMIDLIST drives = nullptr;
    if (desktop && SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives))) {
        desktop->BindToObject(drives, nullptr, IID_IShellFolder, myComputer_.put_void());
        shell::PidlFree(drives);
    }
    InitEditing();
}

TDriveView::~TDriveView() {
    // Nothing is announced any more, and the linked views forget this one.
    destroying_ = true;
    SetDriveCombo(nullptr);
    SetDirView(nullptr);
    for (char d = 'A'; d <= 'Z'; ++d)
        watcher_.Free(d);
    // The node data goes while this view can still see its deletion.
    Clear();
}

void TDriveView::Loaded() {
    RefreshDrives(false, shell::dsNames | 8);
    loading_ = false;
    if (!storedDirectory_.empty() && shell::DirExists(storedDirectory_)) SetDirectory(storedDirectory_);
}

TDriveState& TDriveView::Status(char drive) {
    drive = shell::UpperLetter(drive);
    if (drive < 'A' || drive > 'Z') shell::InvalidDriveLetter(drive);
    return drives_[static_cast<size_t>(drive - 'A')];
}

const TDriveState& TDriveView::Status(char drive) const {
    return const_cast<TDriveView*>(this)->Status(drive);
}

TDriveStatus TDriveView::GetDriveStatus(char drive) const {
    TDriveStatus status;
    static_cast<TDriveState&>(status) = Status(drive);
    drive = shell::UpperLetter(drive);
    status.DiscMonitor = watcher_.Monitor(drive);
    status.ChangeTimer = &watcher_.Timer(drive);
    return status;
}

void* TNodeData::operator new(size_t size) {
    return kovalin::TPoolOf<TNodeData>::Allocate(size);
}

void TNodeData::operator delete(void* block, size_t size) noexcept {
    kovalin::TPoolOf<TNodeData>::Free(block, size);
}

void TNodeData::ForgetShellData() {
    ShellDataRead = false;
    ShellAttr = 0;
    PIDL.reset();
    ShellFolder.reset();
    IconEmpty = true;
}

TNodeData* TDriveView::NodeData(TTreeNode* node) {
    return node ? dynamic_cast<TNodeData*>(node->Data()) : nullptr;
}

// --- settings ------------------------------------------------------------------------------------

void TDriveView::SetDimmHiddenDirs(bool value) {
    if (value == dimmHiddenDirs_) return;
    dimmHiddenDirs_ = value;
    Invalidate();
}

void TDriveView::SetColorBold(COLORREF value) {
    colorBold_ = value;
    Invalidate();
}

void TDriveView::SetCompressedColor(COLORREF value) {
    compressedColor_ = value;
    Invalidate();
}

void TDriveView::SetShowVolLabel(bool value) {
    if (value == showVolLabel_) return;
    showVolLabel_ = value;
    if (!loading_) RefreshDrives(false, 8);
}

void TDriveView::SetVolDisplayStyle(TVolumeDisplayStyle value) {
    if (value == volDisplayStyle_) return;
    volDisplayStyle_ = value;
    if (loading_) return;
    for (char d = 'A'; d <= 'Z'; ++d)
        if (TTreeNode* root = Status(d).RootNode) root->SetText(GetDisplayName(root));
}

void TDriveView::SetFileNameDisplay(TFileNameDisplay value) {
    if (value == fileNameDisplay_) return;
    fileNameDisplay_ = value;
    if (loading_) return;
    for (char d = 'A'; d <= 'Z'; ++d)
        if (Status(d).Scanned && Status(d).RootNode) RecaptionSubTree(Status(d).RootNode);
}

void TDriveView::SetShowDirSize(bool value) {
    if (value == showDirSize_) return;
    showDirSize_ = value;
    if (loading_) return;
    shell::TWaitCursor wait;
    for (char d = 'C'; d <= 'Z'; ++d)
        if (TTreeNode* root = Status(d).RootNode) RecaptionSubTree(root);
}

void TDriveView::SetNoCheckDrives(const std::string& value) {
    noCheckDrives_ = shell::UpperCase(value);
}

// --- paths ---------------------------------------------------------------------------------------

std::string TDriveView::GetDirPath(TTreeNode* node) const {
    if (!node) throw ENodeNotAssigned("GetDirPath");
    std::vector<const std::string*> names;
    for (TTreeNode* n = node; n; n = n->Parent()) {
        TNodeData* d = NodeData(n);
        if (!d) return std::string();
        names.push_back(&d->DirName);
    }
    std::string path = shell::ExcludeTrailingBackslash(*names.back());
    for (size_t i = names.size() - 1; i-- > 0;)
        path += "\\" + *names[i];
    return path;
}

std::string TDriveView::GetDirPathName(TTreeNode* node) const {
    if (!node) throw ENodeNotAssigned("GetDirPath");
    std::string path = GetDirPath(node);
    return path.size() == 2 ? path + "\\" : path;
}

TTreeNode* TDriveView::RootNode(TTreeNode* node) const {
    if (!node) throw ENodeNotAssigned("RootNode");
    while (node->Parent())
        node = node->Parent();
    return node;
}

char TDriveView::GetDrive(TTreeNode* node) const {
    if (!node) throw ENodeNotAssigned("GetDrive");
    TNodeData* d = NodeData(RootNode(node));
    return d && !d->DirName.empty() ? shell::UpperLetter(d->DirName[0]) : '\0';
}

int TDriveView::GetDriveTypeToNode(TTreeNode* node) const {
    if (!node) throw ENodeNotAssigned("GetDriveTypeToNode");
    char drive = GetDrive(node);
    if (drive < 'A' || drive > 'Z') return DRIVE_UNKNOWN;
    return driveInfo_.GetDriveData(drive).DriveType;
}

std::string TDriveView::Directory() const {
    TTreeNode* node = Selected();
    return node ? GetDirPathName(node) : std::string();
}

void TDriveView::SetDirectory(const std::string& path) {
    storedDirectory_ = path;
    if (loading_) return;
    std::string p = path;
    TTreeNode* node = FindNodeToPath(p);
    while (!node && p.size() > 2) {
        p = shell::ExcludeTrailingBackslash(p);
        size_t cut = p.find_last_of('\\');
        if (cut == std::string::npos) break;
        p = p.substr(0, cut + 1);
        node = FindNodeToPath(p);
    }
    if (!node) return;
    buttonUp_ = true;
    node->MakeVisible();
    SetSelected(node);
    if (TTreeNode* selected = Selected(); selected && !selected->Parent()) {
        char drive = GetDrive(selected);
        if (!Status(drive).Scanned) ScanDrive(drive);
    }
}

// --- the links to the file list and the drive combo ----------------------------------------------

void TDriveView::SetDirView(TLinkedFileList* list) {
    if (list == dirView_) return;
    if (TLinkedFileList* old = std::exchange(dirView_, nullptr)) old->DriveViewChanged(nullptr);
    if (!list) return;
    if (TFileListTree* other = list->DriveView()) other->SetDirView(nullptr);
    dirView_ = list;
    list->DriveViewChanged(this);
}

void TDriveView::SetDriveCombo(TLinkedDriveCombo* combo) {
    if (combo == driveCombo_) return;
    if (TLinkedDriveCombo* old = std::exchange(driveCombo_, nullptr)) old->DriveViewChanged(nullptr);
    if (!combo) return;
    if (TComboDriveTree* other = combo->DriveView()) other->SetDriveCombo(nullptr);
    driveCombo_ = combo;
    combo->DriveViewChanged(this);
}

std::optional<bool> TDriveView::IsRecycleBin(const std::string& path) {
    const TNodeData* data = NodeData(FindNodeToPath(path));
    if (!data) return std::nullopt;
    return data->IsRecycleBin;
}

void TDriveView::NoSubFolders(const std::string& path) {
    TTreeNode* node = FindNodeToPath(path);
    TNodeData* data = NodeData(node);
    if (data && !data->Scanned) {
        node->SetHasChildren(false);
        data->Scanned = true;
    }
}

void TDriveView::ValidateSelection() {
    if (TTreeNode* node = Selected()) ValidateDirectory(node);
}

void TDriveView::ValidateFolder(const std::string& path) {
    if (TTreeNode* node = FindNodeToPath(path)) ValidateDirectory(node);
}

bool TDriveView::SelectFolder(const std::string& path) {
    if (!FindNodeToPath(path)) return false;
    SetDirectory(path);
    return true;
}

bool TDriveView::SelectParentFolder() {
    TTreeNode* selected = Selected();
    if (!selected) return false;
    if (TTreeNode* parent = selected->Parent()) SetSelected(parent);
    return true;
}

// --- selection -----------------------------------------------------------------------------------

void TDriveView::SetSelected(TTreeNode* node) {
    if (node == Selected()) return;
    selectionAnnounced_ = false;
    buttonUp_ = true;
    unsigned before = changeCalls_;
    TTreeView::SetSelected(node);
    if (changeCalls_ == before) Change(Selected());
}

void TDriveView::FireDiskEvent(const TDriveViewDiskChangeEvent& event, char drive) {
    if (event) event(*this, drive);
}

void TDriveView::Change(TTreeNode* node) {
    if (destroying_) return;
    ++changeCalls_;
    std::string path = node ? GetDirPath(node) : std::string();
    if (path.size() < 2 || path == lastPath_) {
        TTreeView::Change(node);
        return;
    }
    selectionAnnounced_ = true;
    char oldDrive = lastPath_.empty() ? '\0' : shell::UpperLetter(lastPath_[0]);
    lastPath_ = path;
    char drive = shell::UpperLetter(path[0]);
    DWORD oldSerial = driveInfo_.GetDriveData(drive).DriveSerial;
    {
        kovalin::TErrorModeScope quiet;
        driveInfo_.ReadDriveStatus(drive, shell::dsImageIndex | shell::dsSize);
    }
    shell::TDriveInfoRec rec = driveInfo_.GetDriveData(drive);

    // What follows may delete the node (a drive without medium loses its folders, a rescan its
    // vanished ones); the announcement of the selection that replaced it has then been made.
    TTreeNode* outer = std::exchange(announcing_, node);
    struct Restore {
        TTreeNode*& slot;
        TTreeNode* value;
        ~Restore() { slot = value; }
    } restore{announcing_, outer};

    if (driveCombo_) driveCombo_->SetDrive(drive);
    if (dirView_ && dirView_->Path() != path) dirView_->SetPath(path);

    TDriveState& st = Status(drive);
    bool driveChanged = drive != oldDrive;
    bool exists = false;
    if (rec.Valid && rec.DriveReady) {
        kovalin::TErrorModeScope quiet;
        exists = shell::DirExists(path);
    }
    if (!rec.Valid || !rec.DriveReady) {
        if (st.RootNode) DeleteSubNodes(st.RootNode);
        st.DefaultDir.clear();
        if (driveChanged) {
            FireDiskEvent(OnInsertedDiskChange, drive);
            FireDiskEvent(OnDiskChange, drive);
        }
    } else if (exists) {
        st.DefaultDir = shell::IncludeTrailingBackslash(path);
        if (driveChanged) {
            if (oldDrive && driveInfo_.GetDriveData(oldDrive).DriveType == DRIVE_REMOVABLE)
                watcher_.Free(oldDrive);
            if (rec.DriveSerial != oldSerial || rec.DriveSerial == 0) {
                if (st.Scanned) ScanDrive(drive);
                FireDiskEvent(OnInsertedDiskChange, drive);
            }
            FireDiskEvent(OnDiskChange, drive);
        }
        StartWatchingSelection();
    } else {
        // The folder went away since it was read: revalidation removes it and moves the
        // selection, which is announced in its turn.
        ValidateDirectory(st.RootNode);
        return;
    }
    if (announcing_) TTreeView::Change(announcing_);
}

void TDriveView::ChangeDrive(char drive) {
    drive = shell::UpperLetter(drive);
    if (drive < 'A' || drive > 'Z') return;
    if (TTreeNode* selected = Selected(); selected && GetDrive(selected) == drive) return;
    TDriveState& st = Status(drive);
    if (!st.RootNode) return;
    if (st.DefaultDir.empty()) st.DefaultDir = std::string(1, drive) + ":\\";
    if (!st.Scanned) st.RootNode->Expand(false);
    if (!st.RootNode) return; // the drive went away while it was read
    SetTopItem(st.RootNode);
    SetDirectory(shell::IncludeTrailingBackslash(st.DefaultDir));
}

void TDriveView::CenterNode(TTreeNode* node) {
    if (!node || Count() == 0) return;
    node->MakeVisible();
    RECT client = ClientRect();
    int height = client.bottom - client.top;
    auto scrollInfo = [this] {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_POS | SIF_RANGE | SIF_PAGE;
        if (!GetScrollInfo(Handle(), SB_VERT, &si)) si = SCROLLINFO{};
        return si;
    };
    if (GetWindowLongA(Handle(), GWL_STYLE) & WS_VSCROLL) {
        // Each step moves one line; a step that moves nothing ends the walk.
        for (int guard = 0; guard < 10000; ++guard) {
            int top = node->DisplayRect(false).top;
            SCROLLINFO si = scrollInfo();
            bool atTop = si.nPos <= si.nMin;
            bool atBottom = si.nPos + static_cast<int>(si.nPage) > si.nMax;
            WPARAM step;
            if (top < height / 4 && !atTop)
                step = SB_LINEUP;
            else if (top > height * 3 / 4 && !atBottom)
                step = SB_LINEDOWN;
            else
                break;
            SendMessageA(Handle(), WM_VSCROLL, step, 0);
            if (node->DisplayRect(false).top == top) break;
        }
    }
    if (node->DisplayRect(true).left - client.left < 50) SendMessageA(Handle(), WM_HSCROLL, SB_LEFT, 0);
}

// --- watching ------------------------------------------------------------------------------------

void TDriveView::SetWatchDirectory(bool value) {
    if (value == watchDirectory_) return;
    watchDirectory_ = value;
    if (value)
        StartAllWatchThreads();
    else
        StopAllWatchThreads();
}

void TDriveView::SetChangeInterval(UINT value) {
    watcher_.SetInterval(value);
}

void TDriveView::StartWatchThread(char drive) {
    drive = shell::UpperLetter(drive);
    if (!watchDirectory_ || drive < 'A' || drive > 'Z') return;
    if (watcher_.Monitor(drive) || driveInfo_.GetDriveData(drive).DriveType == DRIVE_REMOTE ||
        noCheckDrives_.find(drive) != std::string::npos)
        return;
    watcher_.Watch(drive);
}

void TDriveView::StartWatchingSelection() {
    TTreeNode* selected = Selected();
    if (!watchDirectory_ || !selected) return;
    char drive = GetDrive(selected);
    if (drive < 'A' || drive > 'Z') return;
    if (watcher_.Monitor(drive))
        watcher_.Watch(drive);
    else
        StartWatchThread(drive);
}

void TDriveView::StopWatchThread() {
    TTreeNode* selected = Selected();
    char drive = selected ? GetDrive(selected) : '\0';
    if (drive < 'A' || drive > 'Z') return;
    watcher_.Stop(drive);
}

void TDriveView::StartAllWatchThreads() {
    if (!watchDirectory_) return;
    for (char d = 'C'; d <= 'Z'; ++d) {
        if (!Status(d).Scanned) continue;
        if (watcher_.Monitor(d))
            watcher_.Watch(d);
        else
            StartWatchThread(d);
    }
    TTreeNode* selected = Selected();
    char drive = selected ? GetDrive(selected) : '\0';
    if (drive == 'A' || drive == 'B') StartWatchingSelection();
}

void TDriveView::StopAllWatchThreads() {
    watcher_.StopAll();
}

bool TDriveView::WatchThreadActive() const {
    TTreeNode* selected = Selected();
    if (!watchDirectory_ || !selected) return false;
    char drive = GetDrive(selected);
    if (drive < 'A' || drive > 'Z') return false;
    return watcher_.Active(drive);
}

void TDriveView::Revalidate(char drive) {
    if (TTreeNode* root = FindNodeToPath(std::string(1, drive) + ":\\")) {
        ValidateDirectory(root);
        FireDiskEvent(OnChangeDetected, drive);
    }
}

void TDriveView::ChangeInvalid(char drive) {
    FireDiskEvent(OnChangeInvalid, drive);
}

} // namespace drivetree
