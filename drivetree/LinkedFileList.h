// The seam between the file list and the drive tree, as each side sees the other. The tree keeps
// the list on its selected folder and asks it to hold its change watching while the tree works on
// the disk; the list asks the tree about folders and moves it. Neither side sees the other's data.
#pragma once

#include <optional>
#include <string>

namespace drivetree {

class TFileListTree;

// The file list beside a drive tree, as the tree sees it.
class TLinkedFileList {
public:
    // The list's folder without trailing backslash ("C:" for a drive root); setting it loads it.
    virtual const std::string& Path() const = 0;
    virtual void SetPath(const std::string& value) = 0;
    // The list's own change watching, held while the tree changes the disk.
    virtual void StartWatchThread() = 0;
    virtual void StopWatchThread() = 0;
    virtual void Reload(bool keepIcons) = 0;
    // A load is running.
    virtual bool Loading() const = 0;
    // The tree emptied the clipboard: the list drops its cut marks.
    virtual void ClipboardEmptied() = 0;
    // The tree made a folder (error 0) or failed to (the system error): the program has one
    // last-creation error, which the list keeps.
    virtual void LastIOErrorChanged(unsigned long /*error*/) {}
    // A drag of the list's files runs now (the tree's drop stops the list's watching and does
    // not reload it for a move), and such a drag ended as a move into the tree.
    virtual bool DraggingFiles() const { return false; }
    virtual void DraggedFilesMoved() {}

    // The tree this list belongs to, or none.
    virtual TFileListTree* DriveView() const = 0;
    // The tree telling the list that it is now linked to `tree` (none: unlinked); only a tree
    // calls it, from its SetDirView.
    virtual void DriveViewChanged(TFileListTree* tree) = 0;
    // Links the list to a tree (none: unlinks it); moves the list away from its previous tree and
    // the tree away from its previous list. A list unlinks itself before it goes.
    void SetDriveView(TFileListTree* tree);

protected:
    TLinkedFileList() = default;
    TLinkedFileList(const TLinkedFileList&) = delete;
    TLinkedFileList& operator=(const TLinkedFileList&) = delete;
    virtual ~TLinkedFileList() = default;
};

// The drive tree beside a file list, as the list sees it. Paths are full folder paths, with or
// without trailing backslash, in any letter case.
class TFileListTree {
public:
    // Links a list (none: unlinks the present one); see TLinkedFileList::SetDriveView.
    virtual void SetDirView(TLinkedFileList* list) = 0;

    // Whether the folder is a drive's recycle folder, as the tree knows it; none when the tree
    // has no folder of that path.
    virtual std::optional<bool> IsRecycleBin(const std::string& path) = 0;
    // The list found no subfolders in the folder: a folder the tree has not read yet loses its
    // button and counts as read.
    virtual void NoSubFolders(const std::string& path) = 0;
    // Brings the selected folder's subtree in line with the disk.
    virtual void ValidateSelection() = 0;
    // Reads the drive's folders again.
    virtual void RescanDrive(char drive) = 0;
    // Selects the folder when the tree has it; false when it has not.
    virtual bool SelectFolder(const std::string& path) = 0;
    // Selects the parent of the selected folder; false when nothing is selected.
    virtual bool SelectParentFolder() = 0;
    // The tree's change watching, held while the list changes the disk.
    virtual void StopWatching() = 0;
    virtual void StartWatching() = 0;
    // Brings the folder's subtree in line with the disk; nothing when the tree has no such folder.
    virtual void ValidateFolder(const std::string& path) = 0;
    // The list emptied the clipboard: the tree drops the cut mark of its folder, when it has one.
    virtual void ClipboardEmptied() {}

protected:
    TFileListTree() = default;
    TFileListTree(const TFileListTree&) = delete;
    TFileListTree& operator=(const TFileListTree&) = delete;
    virtual ~TFileListTree() = default;
};

inline void TLinkedFileList::SetDriveView(TFileListTree* tree) {
    if (tree)
        tree->SetDirView(this);
    else if (TFileListTree* present = DriveView())
        present->SetDirView(nullptr);
}

} // namespace drivetree
