#include "drivetree/DriveView.h"

#include "drivetree/FolderEntries.h"
#include "drivetree/IEComboBox.h"
#include "drivetree/IEDriveInfo.h"
#include "kovalin/Application.h"
#include "kovalin/ErrorMode.h"
#include "shell/BaseUtils.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace drivetree {

using kovalin::ComPtr;
using kovalin::TTreeItemDraw;

namespace {

// The shell's attributes a folder node keeps: has-subfolder, share, link, read-only, hidden.
const ULONG kShellAttrMask = 0x800F0000;

class WaitCursor {
public:
    explicit WaitCursor(bool show = true) : shown_(show) {
        if (show) old_ = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() {
        if (shown_) SetCursor(old_);
    }

private:
    bool shown_;
    HCURSOR old_ = nullptr;
};

std::string Upper(std::string s) {
    if (!s.empty()) CharUpperBuffA(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

std::string Lower(std::string s) {
    if (!s.empty()) CharLowerBuffA(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

char UpperLetter(char c) {
    CharUpperBuffA(&c, 1);
    return c;
}

// The find-folder animation shown inside the tree during a full drive scan.
class ScanAnimation {
public:
    explicit ScanAnimation(HWND tree) {
        if (!tree) return;
        hwnd_ = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | ACS_TRANSPARENT, 0, 0, 0, 0, tree, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        if (!hwnd_) return;
        // The shell's own clip of a folder being searched.
        HMODULE shell = GetModuleHandleA("shell32.dll");
        if (!SendMessageA(hwnd_, ACM_OPENA, reinterpret_cast<WPARAM>(shell),
                          reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(150)))) {
            DestroyWindow(hwnd_);
            hwnd_ = nullptr;
            return;
        }
        RECT clip{}, client{};
        GetWindowRect(hwnd_, &clip);
        GetClientRect(tree, &client);
        int w = clip.right - clip.left, h = clip.bottom - clip.top;
        SetWindowPos(hwnd_, HWND_TOP, (client.right - w) * 2 / 3, (client.bottom - h) / 2, 0, 0,
                     SWP_NOSIZE | SWP_SHOWWINDOW);
        SendMessageA(hwnd_, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
    }
    ScanAnimation(const ScanAnimation&) = delete;
    ScanAnimation& operator=(const ScanAnimation&) = delete;
    ~ScanAnimation() { Stop(); }
    void Stop() {
        if (hwnd_) DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }

private:
    HWND hwnd_ = nullptr;
};

} // namespace

ENodeNotAssigned::ENodeNotAssigned(const char* operation)
    : kovalin::Exception(kovalin::Format("%s: Node not assigned", operation)) {}

std::string DirSizeText(int64_t bytes) {
    int64_t k = (bytes >= 1 && bytes <= 1023) ? 1 : bytes / 1024;
    if (k > 99999) return shell::FormatThousands(k / 1024) + "M";
    return shell::FormatThousands(k) + "K";
}

// --- construction --------------------------------------------------------------------------------

TDriveView::TDriveView(kovalin::TWinControl& parent, const Params& params) : TTreeView(parent, params) {
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

    ComPtr<IShellFolder> desktop = shell::DesktopFolder();
    LPITEMIDLIST drives = nullptr;
    if (desktop && SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives))) {
        desktop->BindToObject(drives, nullptr, IID_IShellFolder, myComputer_.put_void());
        shell::PidlFree(drives);
    }

    for (char d = 'A'; d <= 'Z'; ++d) {
        auto timer = std::make_unique<kovalin::TTimer>();
        timer->SetEnabled(false);
        timer->SetInterval(0);
        timer->SetOnTimer([this, d] { ChangeTimerFired(d); });
        Status(d).ChangeTimer = timer.get();
        changeTimers_[static_cast<size_t>(d - 'A')] = std::move(timer);
    }
}

TDriveView::~TDriveView() {
    // Nothing is announced any more, and the linked views forget this one.
    destroying_ = true;
    if (driveCombo_) driveCombo_->SetDriveView(nullptr);
    SetDirView(nullptr);
    for (char d = 'A'; d <= 'Z'; ++d)
        FreeMonitor(d);
    // The node data goes while this view can still see its deletion.
    Clear();
}

void TDriveView::Loaded() {
    RefreshDrives(false, dsNames | 8);
    loading_ = false;
    if (!storedDirectory_.empty() && shell::DirExists(storedDirectory_)) SetDirectory(storedDirectory_);
}

TDriveStatus& TDriveView::Status(char drive) {
    drive = UpperLetter(drive);
    if (drive < 'A' || drive > 'Z')
        throw kovalin::EConvertError(kovalin::Format("%c is a invalid drive letter.", drive));
    return drives_[static_cast<size_t>(drive - 'A')];
}

const TDriveStatus& TDriveView::Status(char drive) const {
    return const_cast<TDriveView*>(this)->Status(drive);
}

TDriveStatus TDriveView::GetDriveStatus(char drive) const {
    return Status(drive);
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
    WaitCursor wait;
    for (char d = 'C'; d <= 'Z'; ++d)
        if (TTreeNode* root = Status(d).RootNode) RecaptionSubTree(root);
}

void TDriveView::SetNoCheckDrives(const std::string& value) {
    noCheckDrives_ = Upper(value);
}

void TDriveView::RecaptionSubTree(TTreeNode* node) {
    BeginUpdate();
    IterateSubTree(node, itLoaded, true, [this](TTreeNode*& n) { return CallBackDisplayName(n); });
    EndUpdate();
}

bool TDriveView::CallBackDisplayName(TTreeNode*& node) {
    if (!node) throw ENodeNotAssigned("CallBackDisplayName");
    std::string caption = GetDisplayName(node);
    if (caption != node->Text()) node->SetText(caption);
    return true;
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
    return d && !d->DirName.empty() ? UpperLetter(d->DirName[0]) : '\0';
}

int TDriveView::GetDriveTypeToNode(TTreeNode* node) const {
    if (!node) throw ENodeNotAssigned("GetDriveTypeToNode");
    char drive = GetDrive(node);
    if (drive < 'A' || drive > 'Z') return DRIVE_UNKNOWN;
    return DriveInfo().GetDriveData(drive).DriveType;
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

// --- drive nodes ---------------------------------------------------------------------------------

TTreeNode* TDriveView::CreateRootNode(char drive) {
    auto data = std::make_unique<TNodeData>();
    data->DirName = data->ShortName = std::string(1, drive) + ":\\";
    data->ShellDataRead = true;
    // A: and B: are left to themselves: asking the shell would spin up a floppy drive.
    if (drive > 'B' && myComputer_) {
        kovalin::TErrorModeScope quiet;
        data->PIDL.reset(shell::PidlFromName(myComputer_.get(), data->DirName));
        if (data->PIDL) {
            ULONG attr = kShellAttrMask;
            LPCITEMIDLIST item = data->PIDL.get();
            data->ShellAttr =
                SUCCEEDED(myComputer_->GetAttributesOf(1, &item, &attr)) ? attr & kShellAttrMask : 0;
        }
    }
    TTreeNode* root;
    if (loading_) {
        root = AddChild(nullptr, std::string());
    } else {
        TTreeNode* next = nullptr;
        for (char d = static_cast<char>(drive + 1); d <= 'Z' && !next; ++d)
            next = Status(d).RootNode;
        root = next ? Insert(next, std::string()) : AddChild(nullptr, std::string());
    }
    bool shared = (data->ShellAttr & SFGAO_SHARE) != 0;
    root->SetData(std::move(data));
    if (shared) root->SetOverlayIndex(0);
    int image = DriveInfo().GetDriveData(drive).ImageIndex;
    root->SetImageIndex(image);
    root->SetSelectedIndex(image);
    root->SetHasChildren(true);
    return root;
}

void TDriveView::RefreshDrives(bool scanChangedDisks, int flags) {
    WaitCursor wait;
    for (char drive = (flags & 8) ? 'A' : 'C'; drive <= 'Z'; ++drive) {
        TDriveStatus& st = Status(drive);
        TDriveInfoRec before = DriveInfo().GetDriveData(drive);
        int readFlags = flags;
        if (!(flags & 0x10) && !before.DisplayName.empty()) readFlags &= ~dsNames;
        if (readDrives_) DriveInfo().ReadDriveStatus(drive, readFlags);
        TDriveInfoRec rec = DriveInfo().GetDriveData(drive);

        if (rec.Valid) {
            if (TTreeNode* root = st.RootNode) {
                if (rec.ImageIndex != root->ImageIndex()) {
                    root->SetImageIndex(rec.ImageIndex);
                    root->SetSelectedIndex(rec.ImageIndex);
                    // An index not read yet is fetched when the node is drawn next.
                    if (rec.ImageIndex == 0)
                        if (TNodeData* d = NodeData(root)) d->IconEmpty = true;
                }
            } else {
                st.RootNode = CreateRootNode(drive);
                st.Scanned = st.Verified = false;
            }
            if (scanChangedDisks && drive > 'B' && st.Scanned && rec.DriveSerial != before.DriveSerial)
                ScanDrive(drive);
            std::string caption = GetDisplayName(st.RootNode);
            if (caption != st.RootNode->Text()) st.RootNode->SetText(caption);
        } else if (st.RootNode) {
            std::string dir = Directory();
            if (!dir.empty() && UpperLetter(dir[0]) == drive) {
                TTreeNode* prev = st.RootNode->GetPrevSibling();
                if (prev) SetSelected(prev);
                if (!prev || !Selected()) {
                    TTreeNode* first = GetFirstNode();
                    SetSelected(first != st.RootNode ? first : st.RootNode->GetNextSibling());
                }
            }
            st.RootNode->Delete(); // clears the status through Delete
        }
    }
}

void TDriveView::ScanDrive(char drive) {
    drive = UpperLetter(drive);
    TDriveStatus& st = Status(drive);
    if (!fullDriveScan_) {
        ValidateDirectory(FindNodeToPath(std::string(1, drive) + ":\\"));
        st.Scanned = true;
        st.Verified = false;
        return;
    }

    WaitCursor wait;
    BeginUpdate();
    ScanAnimation animation(showAnimation_ ? Handle() : nullptr);
    if (OnStartScan) OnStartScan(*this);
    TTreeNode* root = st.RootNode;
    if (!root) {
        EndUpdate();
        return;
    }
    try {
        root->DeleteChildren();
        ReadDirTree(root, std::string(1, drive) + ":\\");
        if (TNodeData* d = NodeData(root)) d->Scanned = true;
        st.Scanned = st.Verified = true;
    } catch (...) {
        SortChildren(root, true);
        EndUpdate();
        throw;
    }
    SortChildren(root, true);
    EndUpdate();
    animation.Stop();
    // When the scan runs because the root is being opened, the control opens it next anyway.
    if (expandingNode_ != root) root->Expand(false);
    if (OnEndScan) OnEndScan(*this);
}

void TDriveView::ReadDirTree(TTreeNode* node, const std::string& path) {
    TNodeData* d = NodeData(node);
    if (!d) return;
    if (CanScanDir(node)) {
        for (const DirEntry& e : ListSubDirs(path)) {
            TTreeNode* child = AddFolderNode(node, e.attr, e.name, e.shortName);
            ReadDirTree(child, path + e.name + "\\");
            if (Count() % 10 == 0) kovalin::Application().ProcessMessages();
        }
    }
    // Every folder met here has been read completely; expanding it later must not read it again.
    d->Scanned = true;
    node->SetHasChildren(node->Count() > 0);
}

// --- reading folders -----------------------------------------------------------------------------

TTreeNode* TDriveView::AddChildNode(TTreeNode* parent, const WIN32_FIND_DATAA& entry) {
    return AddFolderNode(parent, entry.dwFileAttributes, entry.cFileName, entry.cAlternateFileName);
}

TTreeNode* TDriveView::AddFolderNode(TTreeNode* parent, DWORD attr, const std::string& name,
                                     const char* shortName) {
    auto data = std::make_unique<TNodeData>();
    data->Attr = attr;
    data->DirName = name;
    data->ShortName.assign(shortName, strnlen(shortName, 12));
    data->IsRecycleBin =
        (attr & FILE_ATTRIBUTE_SYSTEM) && parent && !parent->Parent() && Upper(data->DirName) == "RECYCLED";
    // The common case, the name as it is, without a copy: a large folder has many of them.
    bool captionIsName = fileNameDisplay_ == fndStored && !showDirSize_;
    std::string caption;
    if (!captionIsName) {
        caption = FolderCaption(*data);
        if (showDirSize_ && parent) {
            data->DirSize =
                FilesSize(shell::IncludeTrailingBackslash(GetDirPathName(parent)) + data->DirName + "\\");
            caption += " = " + DirSizeText(data->DirSize);
        }
    }
    TTreeNode* node = AddChild(parent, captionIsName ? data->DirName : caption);
    node->SetData(std::move(data));
    return node;
}

bool TDriveView::ReadSubDirs(TTreeNode* node, int /*driveType*/) {
    TNodeData* d = NodeData(node);
    if (!d) return false;
    // A fresh read replaces what is there; reading on top of it would list folders twice.
    if (node->Count() > 0) node->DeleteChildren();

    std::vector<DirEntry> dirs = ListSubDirs(shell::IncludeTrailingBackslash(GetDirPathName(node)));
    // Sorted before they go in: the control's own sort costs more than the reading.
    for (size_t i : InNameOrder(dirs)) {
        const DirEntry& e = dirs[i];
        TTreeNode* child = AddFolderNode(node, e.attr, e.name, e.shortName);
        if (CanScanDir(child)) {
            child->SetHasChildrenDeferred(); // settled by GetHasChildren when first needed
        } else {
            child->SetHasChildren(false);
            NodeData(child)->Scanned = true;
        }
    }
    d->Scanned = true;
    if (dirs.empty()) node->SetHasChildren(false);
    kovalin::Application().ProcessMessages();
    return !dirs.empty();
}

bool TDriveView::CanScanDir(TTreeNode* node) {
    TNodeData* d = NodeData(node);
    bool can = d && !d->IsRecycleBin && d->DirName != "RECYCLER";
    if (OnScanDir) OnScanDir(*this, node, can);
    return can;
}

bool TDriveView::CanExpand(TTreeNode* node) {
    bool allow = TTreeView::CanExpand(node);
    TNodeData* d = NodeData(node);
    if (!allow || !d || !node->HasChildren()) return allow;
    char drive = GetDrive(node);
    TTreeNode* outer = std::exchange(expandingNode_, node);
    struct Restore {
        TTreeNode*& slot;
        TTreeNode* value;
        ~Restore() { slot = value; }
    } restore{expandingNode_, outer};
    if (node->Parent() || Status(drive).Scanned || drive <= 'B') {
        if (!d->Scanned && CanScanDir(node)) {
            WaitCursor wait;
            ReadSubDirs(node, GetDriveTypeToNode(node));
        }
    } else if (node->Count() == 0) {
        ScanDrive(drive);
        bool any = node->Count() > 0;
        node->SetHasChildren(any);
        allow = any;
        if (watchDirectory_ && !Status(drive).DiscMonitor) StartWatchThread(drive);
    }
    return allow;
}

bool TDriveView::GetHasChildren(TTreeNode* node) {
    TNodeData* d = NodeData(node);
    if (!d) return TTreeView::GetHasChildren(node);
    ReadShellData(node, *d);
    bool has = (d->ShellAttr & SFGAO_HASSUBFOLDER) != 0;
    // The shell may say so of every folder it has not looked into. On a network drive looking is
    // too slow and its word is taken; elsewhere a folder with only files gets no button.
    if (has && GetDriveTypeToNode(node) != DRIVE_REMOTE)
        has = HasSubFolder(shell::IncludeTrailingBackslash(GetDirPathName(node)));
    d->Scanned = !has;
    return has;
}

TTreeNode* TDriveView::FindNodeToPath(const std::string& path) {
    if (path.size() < 3) return nullptr;
    char drive = UpperLetter(path[0]);
    if (drive < 'A' || drive > 'Z' || path[1] != ':' || path[2] != '\\') return nullptr;
    TDriveStatus& st = Status(drive);
    if (!st.RootNode) return nullptr;
    if (path.size() == 3) return st.RootNode;
    if (!st.Scanned) ScanDrive(drive);
    TTreeNode* node = st.RootNode;
    if (!node) return nullptr;

    size_t pos = 3;
    while (pos < path.size()) {
        size_t end = path.find('\\', pos);
        if (end == std::string::npos) end = path.size();
        std::string name = path.substr(pos, end - pos);
        pos = end + 1;
        if (name.empty() && pos >= path.size()) break; // a trailing backslash
        TNodeData* d = NodeData(node);
        if (!d) return nullptr;
        if (!d->Scanned) {
            ReadSubDirs(node, GetDriveTypeToNode(node));
        } else if (node->Count() == 0 && !Validate(node, itLoaded, true)) {
            return nullptr; // the folder vanished and validation removed it
        }
        // The exact name first: on a case-sensitive disk two folders may differ only in case.
        std::string upper = Upper(name);
        TTreeNode* match = nullptr;
        for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
            TNodeData* cd = NodeData(child);
            if (!cd) continue;
            if (cd->DirName == name) {
                match = child;
                break;
            }
            if (!match &&
                (Upper(cd->DirName) == upper || (!cd->ShortName.empty() && Upper(cd->ShortName) == upper)))
                match = child;
        }
        if (!match) return nullptr;
        node = match;
    }
    return node;
}

// --- validation ----------------------------------------------------------------------------------

bool TDriveView::IterateSubTree(TTreeNode*& startNode, TRecursiveScan mode, bool scanStartNode,
                                const TCallBack& callBack) {
    if (!startNode) return false;
    if (scanStartNode) {
        if (!callBack(startNode)) return false;
        if (!startNode) return true;
    }
    auto descend = [mode](TTreeNode* n) {
        switch (mode) {
        case itRecursive:
            return true;
        case itLoaded:
            return n->Count() > 0;
        case itExpanded:
            return n->Expanded();
        default:
            return false;
        }
    };
    std::function<bool(TTreeNode*)> walk = [&](TTreeNode* parent) {
        for (TTreeNode* child = parent->GetFirstChild(); child;) {
            TTreeNode* next = child->GetNextSibling(); // the callback may delete the child
            TTreeNode* current = child;
            if (!callBack(current)) return false;
            if (current && descend(current) && !walk(current)) return false;
            child = next;
        }
        return true;
    };
    return descend(startNode) ? walk(startNode) : true;
}

void TDriveView::ValidateVisibleDirectories(TTreeNode* node) {
    TNodeData* d = NodeData(node);
    if (!d || d->IconEmpty) return; // never shown: nothing of it is visible
    ValidateDirectoryEx(node, itExpanded, false);
}

void TDriveView::ValidateDirectoryEx(TTreeNode* node, TRecursiveScan mode, bool readNewDirs) {
    Validate(node, mode, readNewDirs);
}

bool TDriveView::Validate(TTreeNode* node, TRecursiveScan mode, bool readNewDirs) {
    if (!node || !NodeData(node) || validating_ || !CanScanDir(node)) return true;
    validating_ = true;
    struct Release {
        bool& flag;
        ~Release() { flag = false; }
    } release{validating_};
    std::string oldDirectory = Directory();
    WaitCursor wait(Focused());
    if (!node->Parent())
        if (char drive = GetDrive(node)) Status(drive).ChangeTimer->SetEnabled(false);
    // Its own reading must not come back as a change.
    bool watching = WatchThreadActive();
    if (watching) StopWatchThread();
    struct Rewatch {
        TDriveView& view;
        bool watching;
        ~Rewatch() {
            try {
                if (watching && view.watchDirectory_) view.StartWatchingSelection();
            } catch (const std::exception&) {
                // The drive goes unwatched, as when its monitor reports it cannot watch.
            }
        }
    } rewatch{*this, watching};

    TTreeNode* start = node;
    bool startKept = true;
    IterateSubTree(node, mode, true, [&](TTreeNode*& n) {
        TNodeData* d = NodeData(n);
        if (!d) return true;
        if (n->Parent() && n == start && !FolderExists(GetDirPath(n))) {
            if (n->Selected()) SetSelected(n->Parent());
            if (DropTarget() == n) SetDropTarget(nullptr);
            n->Delete();
            n = nullptr;
            startKept = false;
        } else if (d->Scanned && n->Count() > 0 && CanScanDir(n)) {
            MergeSubDirs(n);
        } else if ((readNewDirs || d->Scanned || n == start) && CanScanDir(n)) {
            ReadSubDirs(n, GetDriveTypeToNode(n));
        }
        return true;
    });

    if (!Selected() && oldDirectory.size() >= 3)
        if (TTreeNode* root = FindNodeToPath(oldDirectory.substr(0, 3))) SetSelected(root);
    if (Directory() != oldDirectory) Change(Selected());
    return startKept;
}

void TDriveView::MergeSubDirs(TTreeNode* node) {
    std::vector<DirEntry> found = ListSubDirs(shell::IncludeTrailingBackslash(GetDirPathName(node)));
    std::vector<TTreeNode*> children;
    for (TTreeNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
        children.push_back(c);

    // Exact names first, then names that differ in case only: two folders whose names differ only
    // in case (a case-sensitive disk) keep their own nodes, and a renamed case moves no node.
    std::vector<int> matchOf(children.size(), -1);
    std::vector<bool> taken(found.size(), false);
    std::unordered_multimap<std::string, size_t> exact, folded;
    for (size_t i = 0; i < found.size(); ++i) {
        exact.emplace(found[i].name, i);
        folded.emplace(Upper(found[i].name), i);
    }
    auto claim = [&](auto& index, const std::string& key, size_t child) {
        auto range = index.equal_range(key);
        for (auto it = range.first; it != range.second; ++it)
            if (!taken[it->second]) {
                taken[it->second] = true;
                matchOf[child] = static_cast<int>(it->second);
                return;
            }
    };
    for (size_t c = 0; c < children.size(); ++c)
        if (TNodeData* d = NodeData(children[c])) claim(exact, d->DirName, c);
    for (size_t c = 0; c < children.size(); ++c)
        if (matchOf[c] < 0)
            if (TNodeData* d = NodeData(children[c])) claim(folded, Upper(d->DirName), c);

    for (size_t c = 0; c < children.size(); ++c) {
        TNodeData* d = NodeData(children[c]);
        if (matchOf[c] < 0) {
            children[c]->Delete();
            continue;
        }
        const DirEntry& e = found[static_cast<size_t>(matchOf[c])];
        if (d->Attr != e.attr) { // hidden or compressed now: drawn differently
            d->Attr = e.attr;
            RECT r = children[c]->DisplayRect(false);
            InvalidateRect(Handle(), &r, TRUE);
        }
        if (d->DirName != e.name) {
            d->DirName = e.name;
            d->ShortName.assign(e.shortName, strnlen(e.shortName, 12));
            children[c]->SetText(GetDisplayName(children[c]));
        }
    }
    bool added = false;
    for (size_t i = 0; i < found.size(); ++i) {
        if (taken[i]) continue;
        TTreeNode* child = AddFolderNode(node, found[i].attr, found[i].name, found[i].shortName);
        if (CanScanDir(child)) {
            child->SetHasChildrenDeferred();
        } else {
            child->SetHasChildren(false);
            NodeData(child)->Scanned = true;
        }
        added = true;
    }
    if (added) node->AlphaSort(false);
}

void TDriveView::DeleteSubNodes(TTreeNode* node) {
    if (!node) return;
    node->DeleteChildren();
    node->SetHasChildren(false);
    if (!node->Parent())
        if (char drive = GetDrive(node)) Status(drive).Scanned = false;
}

void TDriveView::Delete(TTreeNode* node) {
    // The tree view has cleared the node as drop target already.
    if (node == announcing_) announcing_ = nullptr;
    if (node == pressTarget_) pressTarget_ = nullptr;
    if (!node->Parent()) {
        for (TDriveStatus& st : drives_)
            if (st.RootNode == node) {
                st.RootNode = nullptr;
                st.Scanned = st.Verified = false;
            }
    }
    TTreeView::Delete(node);
}

// --- shell data, icons, captions, colours --------------------------------------------------------

bool TDriveView::BindShellFolder(TTreeNode* node, TNodeData& data) {
    if (data.ShellFolder) return true;
    if (!myComputer_) return false;
    shell::UniquePidl pidl(shell::PidlFromName(myComputer_.get(), GetDirPathName(node)));
    if (!pidl) return false;
    if (FAILED(myComputer_->BindToObject(pidl.get(), nullptr, IID_IShellFolder, data.ShellFolder.put_void())))
        data.ShellFolder.reset();
    return static_cast<bool>(data.ShellFolder);
}

void TDriveView::ReadShellData(TTreeNode* node, TNodeData& data) {
    if (data.ShellDataRead) return;
    data.ShellDataRead = true;
    kovalin::TErrorModeScope quiet;
    TTreeNode* parent = node->Parent();
    TNodeData* parentData = NodeData(parent);
    if (!parentData || !BindShellFolder(parent, *parentData)) return;
    data.PIDL.reset(shell::PidlFromName(parentData->ShellFolder.get(), data.DirName));
    if (!data.PIDL) return;
    ULONG attr = kShellAttrMask;
    LPCITEMIDLIST item = data.PIDL.get();
    data.ShellAttr =
        SUCCEEDED(parentData->ShellFolder->GetAttributesOf(1, &item, &attr)) ? attr & kShellAttrMask : 0;
    if (data.ShellAttr & SFGAO_SHARE) node->SetOverlayIndex(0);
}

void TDriveView::StandardFolderImages(int& closed, int& open) {
    if (folderImage_ < 0) {
        SHFILEINFOA info{};
        UINT flags = SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
        folderImage_ =
            SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags) ? info.iIcon : 0;
        openFolderImage_ =
            SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags | SHGFI_OPENICON)
                ? info.iIcon
                : folderImage_;
    }
    closed = folderImage_;
    open = openFolderImage_;
}

void TDriveView::FetchIcons(TTreeNode* node, TNodeData& data) {
    kovalin::TErrorModeScope quiet;
    data.IconEmpty = false;
    char drive = GetDrive(node);
    if (!node->Parent()) {
        int image = (drive >= 'A' && drive <= 'Z') ? DriveInfo().GetImageIndex(drive) : 0;
        node->SetImageIndex(image);
        node->SetSelectedIndex(image);
        return;
    }
    ReadShellData(node, data);
    int closed, open;
    StandardFolderImages(closed, open);
    // A folder can have an icon of its own only through a desktop.ini, which the shell honours
    // for read-only and system folders; asking for any other folder's icon costs a lot on large
    // folders and gives the standard one.
    const DWORD kMayHaveOwnIcon =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT;
    if (GetDriveTypeToNode(node) != DRIVE_REMOTE && (data.Attr & kMayHaveOwnIcon)) {
        std::string path = GetDirPath(node);
        SHFILEINFOA info{};
        if (SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON) &&
            info.iIcon > 0 && info.iIcon < ImageList_GetImageCount(Images())) {
            closed = open = info.iIcon;
            if (SHGetFileInfoA(path.c_str(), 0, &info, sizeof info,
                               SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON) &&
                info.iIcon > 0 && info.iIcon < ImageList_GetImageCount(Images()))
                open = info.iIcon;
        }
    }
    node->SetImageIndex(closed);
    node->SetSelectedIndex(open);
}

void TDriveView::GetImageIndex(TTreeNode* node) {
    if (TNodeData* d = NodeData(node); d && d->IconEmpty) FetchIcons(node, *d);
    TTreeView::GetImageIndex(node);
}

void TDriveView::GetSelectedIndex(TTreeNode* node) {
    if (TNodeData* d = NodeData(node); d && d->IconEmpty) FetchIcons(node, *d);
    TTreeView::GetSelectedIndex(node);
}

std::string TDriveView::FolderCaption(const TNodeData& data) const {
    switch (fileNameDisplay_) {
    case fndCap:
        return Upper(data.DirName);
    case fndNoCap:
        return Lower(data.DirName);
    case fndNice:
        if (data.DirName.size() > 8) return data.DirName;
        {
            std::string nice = Lower(data.DirName);
            if (!nice.empty()) nice[0] = UpperLetter(nice[0]);
            return nice;
        }
    case fndStored:
    default:
        return data.DirName;
    }
}

std::string TDriveView::DriveCaption(char drive) const {
    TDriveInfoRec rec = DriveInfo().GetDriveData(drive);
    if (showVolLabel_ && !rec.PrettyName.empty()) {
        switch (volDisplayStyle_) {
        case doDisplayName:
            return rec.DisplayName;
        case doLongPrettyName:
            return rec.LongPrettyName;
        case doPrettyName:
        default:
            return rec.PrettyName;
        }
    }
    return std::string(1, drive) + ":";
}

std::string TDriveView::GetDisplayName(TTreeNode* node) {
    if (!node) throw ENodeNotAssigned("GetDisplayName");
    TNodeData* d = NodeData(node);
    if (!d) return node->Text();
    std::string caption = node->Parent() ? FolderCaption(*d) : DriveCaption(GetDrive(node));
    if (showDirSize_) caption += " = " + DirSizeText(GetDirSize(node));
    return caption;
}

void TDriveView::CustomDrawItem(TTreeNode* node, TTreeItemDraw& draw) {
    TNodeData* d = NodeData(node);
    if (d && node != DropTarget()) {
        bool focused = Focused();
        if (draw.state & CDIS_SELECTED) {
            if (!focused && HideSelection()) {
                draw.backColor = GetSysColor(COLOR_BTNFACE);
                draw.textColor = GetSysColor(COLOR_BTNTEXT);
            }
            // Otherwise the highlight keeps its own colours: a blue caption on a blue bar is gone.
            draw.bold = d->Bold && !(d->Attr & (FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_HIDDEN));
        } else if (d->Attr & FILE_ATTRIBUTE_COMPRESSED) {
            draw.textColor = compressedColor_;
        } else if (dimmHiddenDirs_ && (d->Attr & FILE_ATTRIBUTE_HIDDEN)) {
            draw.textColor = GetSysColor(COLOR_GRAYTEXT);
        } else if (d->Bold) {
            draw.textColor = colorBold_;
            draw.bold = true;
        }
    }
    TTreeView::CustomDrawItem(node, draw);
}

void TDriveView::SetBoldDraw(TTreeNode* node, bool bold) {
    if (!node) throw ENodeNotAssigned("SetBoldDraw");
    if (TNodeData* d = NodeData(node)) {
        d->Bold = bold;
        RECT r = node->DisplayRect(false);
        InvalidateRect(Handle(), &r, TRUE);
    }
}

bool TDriveView::SortChildren(TTreeNode* node, bool recurse) {
    if (!node) throw ENodeNotAssigned("SortChildren");
    bool ok = node->AlphaSort(false);
    if (recurse)
        for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling())
            if (child->Count() > 0) SortChildren(child, true);
    return ok;
}

void TDriveView::ExpandLevel(TTreeNode* node, int level) {
    if (!node) throw ENodeNotAssigned("ExpandLevel");
    BeginUpdate();
    struct End {
        TDriveView& view;
        ~End() { view.EndUpdate(); }
    } end{*this};
    IterateSubTree(node, itLoaded, true,
                   [this, level](TTreeNode*& n) { return CallBackExpandLevel(n, level); });
}

bool TDriveView::CallBackExpandLevel(TTreeNode*& node, int level) {
    if (!node) throw ENodeNotAssigned("CallBackExpandLevel");
    if (node->Level() <= level)
        node->Expand(false);
    else
        node->Collapse(false);
    return true;
}

// --- folder sizes --------------------------------------------------------------------------------

int64_t TDriveView::SetDirSize(TTreeNode* node) {
    if (!node) throw ENodeNotAssigned("SetDirSize");
    TNodeData* d = NodeData(node);
    if (!d) return 0;
    d->DirSize = FilesSize(shell::IncludeTrailingBackslash(GetDirPathName(node)));
    return d->DirSize;
}

int64_t TDriveView::GetDirSize(TTreeNode* node) {
    if (!node) throw ENodeNotAssigned("GetDirSize");
    TNodeData* d = NodeData(node);
    if (!d) return 0;
    if (d->DirSize == -1) SetDirSize(node);
    return d->DirSize;
}

int64_t TDriveView::RefreshDirSize(TTreeNode* node) {
    if (!node) throw ENodeNotAssigned("RefreshDirSize");
    int64_t size = SetDirSize(node);
    if (showDirSize_) node->SetText(GetDisplayName(node));
    return size;
}

int64_t TDriveView::GetSubTreeSize(TTreeNode* node) {
    if (!node) throw ENodeNotAssigned("GetSubTreeSize");
    WaitCursor wait;
    int64_t total = 0;
    IterateSubTree(node, itRecursive, true, [&](TTreeNode*& n) {
        total += RefreshDirSize(n);
        kovalin::Application().ProcessMessages();
        return true;
    });
    return total;
}

// --- the link to the file list -------------------------------------------------------------------

TLinkedFileList::~TLinkedFileList() {
    SetDriveView(nullptr);
}

void TLinkedFileList::SetDriveView(TDriveView* value) {
    if (value)
        value->SetDirView(this);
    else if (driveView_)
        driveView_->SetDirView(nullptr);
}

void TDriveView::SetDirView(TLinkedFileList* list) {
    if (list == dirView_) return;
    if (dirView_) dirView_->driveView_ = nullptr;
    dirView_ = list;
    if (list) {
        if (list->driveView_) list->driveView_->dirView_ = nullptr;
        list->driveView_ = this;
    }
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
    char oldDrive = lastPath_.empty() ? '\0' : UpperLetter(lastPath_[0]);
    lastPath_ = path;
    char drive = UpperLetter(path[0]);
    DWORD oldSerial = DriveInfo().GetDriveData(drive).DriveSerial;
    {
        kovalin::TErrorModeScope quiet;
        DriveInfo().ReadDriveStatus(drive, dsImageIndex | dsSize);
    }
    TDriveInfoRec rec = DriveInfo().GetDriveData(drive);

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

    TDriveStatus& st = Status(drive);
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
            if (oldDrive && DriveInfo().GetDriveData(oldDrive).DriveType == DRIVE_REMOVABLE)
                FreeMonitor(oldDrive);
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
    drive = UpperLetter(drive);
    if (drive < 'A' || drive > 'Z') return;
    if (TTreeNode* selected = Selected(); selected && GetDrive(selected) == drive) return;
    TDriveStatus& st = Status(drive);
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

// --- the mouse and the keyboard ------------------------------------------------------------------

LRESULT TDriveView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_LBUTTONDOWN:
        return LeftButtonDown(msg, wParam, lParam);
    case WM_MOUSEMOVE:
        if (followingMouse_) FollowMouse(lParam);
        break;
    case WM_LBUTTONUP: {
        if (followingMouse_) FollowMouse(lParam);
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        if (!buttonUp_) ButtonReleased();
        return r;
    }
    case WM_CAPTURECHANGED:
        // Someone else took the mouse: the press ends without a choice.
        if (followingMouse_ && reinterpret_cast<HWND>(lParam) != Handle()) EndPress();
        break;
    case WM_KEYDOWN:
        swallowChar_ = 0;
        if (KeyDown(wParam)) return 0;
        break;
    case WM_CHAR:
        if (KeyChar(wParam)) return 0;
        break;
    }
    return TTreeView::WndProc(msg, wParam, lParam);
}

// The control follows a press itself until the button goes up or a drag begins, and then chooses
// the clicked node; it keeps the button-up to itself. So the release is seen either here, when
// the control has let go of the mouse, or as WM_LBUTTONUP when the tree still holds it.
LRESULT TDriveView::LeftButtonDown(UINT msg, WPARAM wParam, LPARAM lParam) {
    buttonUp_ = false;
    pressTarget_ = nullptr;
    LRESULT r = DefaultHandler(msg, wParam, lParam);
    if (!buttonUp_ && !followingMouse_ && GetCapture() != Handle()) ButtonReleased();
    return r;
}

bool TDriveView::CanChange(TTreeNode* node) {
    if (!buttonUp_ && node && NodeData(node) && NodeData(Selected())) {
        // Chosen with the mouse: shown now, selected when the button goes up.
        pressTarget_ = node;
        SetDropTarget(node);
        return false;
    }
    return TTreeView::CanChange(node);
}

// Until dragging folders is built, dragging with the left button points at the folder to select:
// the highlight follows the mouse and the release selects what it shows.
void TDriveView::BeginDrag(TTreeNode* node) {
    if (buttonUp_) return;
    followingMouse_ = true;
    SetCapture(Handle());
    if (node && !pressTarget_) {
        pressTarget_ = node;
        SetDropTarget(node);
    }
}

void TDriveView::FollowMouse(LPARAM lParam) {
    TTreeNode* node = GetNodeAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    if (!node || !NodeData(node) || node == pressTarget_) return;
    pressTarget_ = node;
    SetDropTarget(node);
}

void TDriveView::ButtonReleased() {
    buttonUp_ = true;
    if (followingMouse_) {
        followingMouse_ = false;
        if (GetCapture() == Handle()) ReleaseCapture();
    }
    TTreeNode* target = std::exchange(pressTarget_, nullptr);
    if (target) SetSelected(target);
    if (DropTarget()) SetDropTarget(nullptr);
}

void TDriveView::EndPress() {
    buttonUp_ = true;
    followingMouse_ = false;
    if (std::exchange(pressTarget_, nullptr) && DropTarget()) SetDropTarget(nullptr);
}

bool TDriveView::Editing() const {
    return SendMessageA(Handle(), TVM_GETEDITCONTROL, 0, 0) != 0;
}

bool TDriveView::KeyDown(WPARAM key) {
    if (Editing() || (key != VK_RETURN && key != VK_SPACE)) return false;
    if (TTreeNode* node = Selected()) {
        if (node->Expanded())
            node->Collapse(false);
        else
            node->Expand(false);
    }
    // Its character follows; it must not search the captions for a blank.
    swallowChar_ = key == VK_RETURN ? '\r' : ' ';
    return true;
}

bool TDriveView::KeyChar(WPARAM key) {
    if (std::exchange(swallowChar_, 0) == key && key != 0) return true;
    if (Editing()) return false;
    TTreeNode* node = Selected();
    if (key == '*') {
        if (node) node->MakeVisible();
        return false;
    }
    if (key == '/') {
        if (node) {
            node->Collapse(true);
            node->MakeVisible();
        }
        return true;
    }
    return false;
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
    if (value == 0) return;
    changeInterval_ = value;
    for (auto& timer : changeTimers_)
        timer->SetInterval(value);
}

void TDriveView::StartWatchThread(char drive) {
    drive = UpperLetter(drive);
    if (!watchDirectory_ || drive < 'A' || drive > 'Z') return;
    TDriveStatus& st = Status(drive);
    if (st.DiscMonitor || DriveInfo().GetDriveData(drive).DriveType == DRIVE_REMOTE ||
        noCheckDrives_.find(drive) != std::string::npos)
        return;
    auto monitor = std::make_unique<shell::TDiscMonitor>();
    monitor->SetChangeDelay(50);
    monitor->SetSubTree(true);
    monitor->SetFilters(shell::TMonitorFilters{shell::TMonitorFilter::moDirName});
    monitor->SetDirectory(std::string(1, drive) + ":\\");
    monitor->OnChange = [this, drive](shell::TDiscMonitor&) { ChangeDetected(drive); };
    monitor->OnInvalid = [this, drive](shell::TDiscMonitor&) { ChangeInvalid(drive); };
    st.DiscMonitor = monitor.get();
    monitors_[static_cast<size_t>(drive - 'A')] = std::move(monitor);
    st.DiscMonitor->Open();
}

void TDriveView::StartWatchingSelection() {
    TTreeNode* selected = Selected();
    if (!watchDirectory_ || !selected) return;
    char drive = GetDrive(selected);
    if (drive < 'A' || drive > 'Z') return;
    shell::TDiscMonitor* monitor = Status(drive).DiscMonitor;
    if (!monitor)
        StartWatchThread(drive);
    else if (!monitor->Active())
        monitor->Open();
}

void TDriveView::StopWatchThread() {
    TTreeNode* selected = Selected();
    char drive = selected ? GetDrive(selected) : '\0';
    if (drive < 'A' || drive > 'Z') return;
    if (shell::TDiscMonitor* monitor = Status(drive).DiscMonitor) monitor->Close();
}

void TDriveView::StartAllWatchThreads() {
    if (!watchDirectory_) return;
    for (char d = 'C'; d <= 'Z'; ++d) {
        TDriveStatus& st = Status(d);
        if (!st.Scanned) continue;
        if (!st.DiscMonitor)
            StartWatchThread(d);
        else if (!st.DiscMonitor->Active())
            st.DiscMonitor->Open();
    }
    TTreeNode* selected = Selected();
    char drive = selected ? GetDrive(selected) : '\0';
    if (drive == 'A' || drive == 'B') StartWatchingSelection();
}

void TDriveView::StopAllWatchThreads() {
    for (TDriveStatus& st : drives_)
        if (st.DiscMonitor) st.DiscMonitor->Close();
}

bool TDriveView::WatchThreadActive() const {
    TTreeNode* selected = Selected();
    if (!watchDirectory_ || !selected) return false;
    char drive = GetDrive(selected);
    if (drive < 'A' || drive > 'Z') return false;
    const shell::TDiscMonitor* monitor = Status(drive).DiscMonitor;
    return monitor && monitor->Active();
}

void TDriveView::FreeMonitor(char drive) {
    Status(drive).DiscMonitor = nullptr;
    monitors_[static_cast<size_t>(UpperLetter(drive) - 'A')].reset();
}

void TDriveView::ChangeDetected(char drive) {
    // Every report within the interval pushes the revalidation back.
    kovalin::TTimer* timer = Status(drive).ChangeTimer;
    timer->SetInterval(0);
    timer->SetInterval(changeInterval_);
    timer->SetEnabled(true);
}

void TDriveView::ChangeTimerFired(char drive) {
    kovalin::TTimer* timer = Status(drive).ChangeTimer;
    timer->SetEnabled(false);
    timer->SetInterval(0);
    if (TTreeNode* root = FindNodeToPath(std::string(1, drive) + ":\\")) {
        ValidateDirectory(root);
        FireDiskEvent(OnChangeDetected, drive);
    }
}

void TDriveView::ChangeInvalid(char drive) {
    if (shell::TDiscMonitor* monitor = Status(drive).DiscMonitor) monitor->Close();
    FireDiskEvent(OnChangeInvalid, drive);
}

} // namespace drivetree
