// Keeping the drive tree in line with the disk: walking a subtree, revalidating it, deleting nodes.
#include "drivetree/DriveView.h"

#include "shell/BaseUtils.h"
#include "shell/FolderEntries.h"
#include "shell/WaitCursor.h"

#include <cstring>
#include <unordered_map>
#include <utility>

namespace drivetree {

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
    shell::TWaitCursor wait(Focused());
    if (!node->Parent())
        if (char drive = GetDrive(node)) watcher_.CancelPending(drive);
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
        if (n->Parent() && n == start && !shell::FolderExists(GetDirPath(n))) {
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
    std::vector<shell::DirEntry> found =
        shell::ListSubDirs(shell::IncludeTrailingBackslash(GetDirPathName(node)));
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
        folded.emplace(shell::UpperCase(found[i].name), i);
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
            if (TNodeData* d = NodeData(children[c])) claim(folded, shell::UpperCase(d->DirName), c);

    for (size_t c = 0; c < children.size(); ++c) {
        TNodeData* d = NodeData(children[c]);
        if (matchOf[c] < 0) {
            children[c]->Delete();
            continue;
        }
        const shell::DirEntry& e = found[static_cast<size_t>(matchOf[c])];
        bool changed = false;
        if (d->Attr != e.attr) { // hidden or compressed now: drawn differently
            d->Attr = e.attr;
            RECT r = children[c]->DisplayRect(false);
            InvalidateRect(Handle(), &r, TRUE);
            changed = true;
        }
        if (d->DirName != e.name) {
            d->DirName = e.name;
            d->ShortName.assign(e.shortName, strnlen(e.shortName, 12));
            children[c]->SetText(GetDisplayName(children[c]));
            changed = true;
        }
        // The shell's view of the folder and its icon were taken from the old entry.
        if (changed) d->ForgetShellData();
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
    if (node == dragNode_) dragNode_ = nullptr;
    if (node == hoverNode_) hoverNode_ = nullptr;
    if (node == retryNode_) retryNode_ = nullptr;
    if (!node->Parent()) {
        for (TDriveState& st : drives_)
            if (st.RootNode == node) {
                st.RootNode = nullptr;
                st.Scanned = st.Verified = false;
            }
    }
    TTreeView::Delete(node);
}

} // namespace drivetree
