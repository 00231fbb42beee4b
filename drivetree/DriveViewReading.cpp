// Reading drives and folders into the drive tree: the drive nodes, drive scans, a folder's
// subfolders, path lookups, a node's shell data and folder sizes.
#include "drivetree/DriveView.h"

#include "kovalin/Application.h"
#include "kovalin/ErrorMode.h"
#include "shell/BaseUtils.h"
#include "shell/FolderEntries.h"
#include "shell/SearchAnimation.h"
#include "shell/UpdateBracket.h"
#include "shell/WaitCursor.h"

#include <cstring>
#include <utility>

namespace drivetree {

namespace {

// The shell's attributes a folder node keeps: has-subfolder, share, link, read-only, hidden.
const ULONG kShellAttrMask = 0x800F0000;

} // namespace

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
    int image = driveInfo_.GetDriveData(drive).ImageIndex;
    root->SetImageIndex(image);
    root->SetSelectedIndex(image);
    root->SetHasChildren(true);
    return root;
}

void TDriveView::RefreshDrives(bool scanChangedDisks, int flags) {
    shell::TWaitCursor wait;
    for (char drive = (flags & 8) ? 'A' : 'C'; drive <= 'Z'; ++drive) {
        TDriveState& st = Status(drive);
        shell::TDriveInfoRec before = driveInfo_.GetDriveData(drive);
        int readFlags = flags;
        if (!(flags & 0x10) && !before.DisplayName.empty()) readFlags &= ~shell::dsNames;
        if (readDrives_) driveInfo_.ReadDriveStatus(drive, readFlags);
        shell::TDriveInfoRec rec = driveInfo_.GetDriveData(drive);

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
            if (!dir.empty() && shell::UpperLetter(dir[0]) == drive) {
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
    drive = shell::UpperLetter(drive);
    TDriveState& st = Status(drive);
    if (!fullDriveScan_) {
        ValidateDirectory(FindNodeToPath(std::string(1, drive) + ":\\"));
        st.Scanned = true;
        st.Verified = false;
        return;
    }

    shell::TWaitCursor wait;
    shell::TUpdateBracket update(*this);
    shell::TSearchAnimation animation(showAnimation_ ? Handle() : nullptr, 2, 3);
    if (OnStartScan) OnStartScan(*this);
    TTreeNode* root = st.RootNode;
    if (!root) return;
    try {
        root->DeleteChildren();
        ReadDirTree(root, std::string(1, drive) + ":\\");
        if (TNodeData* d = NodeData(root)) d->Scanned = true;
        st.Scanned = st.Verified = true;
    } catch (...) {
        SortChildren(root, true);
        throw;
    }
    SortChildren(root, true);
    update.End();
    animation.Stop();
    // When the scan runs because the root is being opened, the control opens it next anyway.
    if (expandingNode_ != root) root->Expand(false);
    if (OnEndScan) OnEndScan(*this);
}

void TDriveView::ReadDirTree(TTreeNode* node, const std::string& path) {
    TNodeData* d = NodeData(node);
    if (!d) return;
    if (CanScanDir(node)) {
        for (shell::DirEntry& e : shell::ListSubDirs(path)) {
            std::string subPath = path + e.name + "\\";
            TTreeNode* child = AddFolderNode(node, e.attr, std::move(e.name), e.shortName);
            ReadDirTree(child, subPath);
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

TTreeNode* TDriveView::AddFolderNode(TTreeNode* parent, DWORD attr, std::string name, const char* shortName) {
    auto data = std::make_unique<TNodeData>();
    data->Attr = attr;
    data->DirName = std::move(name);
    data->ShortName.assign(shortName, strnlen(shortName, 12));
    data->IsRecycleBin = (attr & FILE_ATTRIBUTE_SYSTEM) && parent && !parent->Parent() &&
                         shell::UpperCase(data->DirName) == "RECYCLED";
    // The common case, the name as it is, without a copy: a large folder has many of them.
    bool captionIsName = fileNameDisplay_ == shell::fndStored && !showDirSize_;
    std::string caption;
    if (!captionIsName) {
        caption = FolderCaption(*data);
        if (showDirSize_ && parent) {
            data->DirSize = shell::FilesSize(shell::IncludeTrailingBackslash(GetDirPathName(parent)) +
                                             data->DirName + "\\");
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

    std::vector<shell::DirEntry> dirs =
        shell::ListSubDirs(shell::IncludeTrailingBackslash(GetDirPathName(node)));
    // Sorted before they go in: the control's own sort costs more than the reading.
    for (size_t i : shell::InNameOrder(dirs)) {
        shell::DirEntry& e = dirs[i];
        TTreeNode* child = AddFolderNode(node, e.attr, std::move(e.name), e.shortName);
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
            shell::TWaitCursor wait;
            ReadSubDirs(node, GetDriveTypeToNode(node));
        }
    } else if (node->Count() == 0) {
        ScanDrive(drive);
        bool any = node->Count() > 0;
        node->SetHasChildren(any);
        allow = any;
        if (watchDirectory_ && !watcher_.Monitor(drive)) StartWatchThread(drive);
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
        has = shell::HasSubFolder(shell::IncludeTrailingBackslash(GetDirPathName(node)));
    d->Scanned = !has;
    return has;
}

TTreeNode* TDriveView::FindNodeToPath(const std::string& path) {
    if (path.size() < 3) return nullptr;
    char drive = shell::UpperLetter(path[0]);
    if (drive < 'A' || drive > 'Z' || path[1] != ':' || path[2] != '\\') return nullptr;
    TDriveState& st = Status(drive);
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
        std::string upper = shell::UpperCase(name);
        TTreeNode* match = nullptr;
        for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
            TNodeData* cd = NodeData(child);
            if (!cd) continue;
            if (cd->DirName == name) {
                match = child;
                break;
            }
            if (!match && (shell::UpperCase(cd->DirName) == upper ||
                           (!cd->ShortName.empty() && shell::UpperCase(cd->ShortName) == upper)))
                match = child;
        }
        if (!match) return nullptr;
        node = match;
    }
    return node;
}

// --- shell data ----------------------------------------------------------------------------------

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
    // From what the parent's listing gave: looking the name up again in a folder of thousands costs
    // more than the rest of the row.
    data.PIDL.reset(
        shell::PidlFromListedEntry(parentData->ShellFolder.get(), data.DirName, data.ShortName, data.Attr));
    if (!data.PIDL) return;
    ULONG attr = kShellAttrMask;
    LPCITEMIDLIST item = data.PIDL.get();
    data.ShellAttr =
        SUCCEEDED(parentData->ShellFolder->GetAttributesOf(1, &item, &attr)) ? attr & kShellAttrMask : 0;
    int overlay = (data.ShellAttr & SFGAO_SHARE) ? 0 : -1; // read again, a share may have ended
    if (node->OverlayIndex() != overlay) node->SetOverlayIndex(overlay);
}

// --- folder sizes --------------------------------------------------------------------------------

int64_t TDriveView::SetDirSize(TTreeNode* node) {
    if (!node) throw ENodeNotAssigned("SetDirSize");
    TNodeData* d = NodeData(node);
    if (!d) return 0;
    d->DirSize = shell::FilesSize(shell::IncludeTrailingBackslash(GetDirPathName(node)));
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
    shell::TWaitCursor wait;
    int64_t total = 0;
    IterateSubTree(node, itRecursive, true, [&](TTreeNode*& n) {
        total += RefreshDirSize(n);
        kovalin::Application().ProcessMessages();
        return true;
    });
    return total;
}

} // namespace drivetree
