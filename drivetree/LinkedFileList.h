// The file list beside a drive tree, as the tree sees it: the tree keeps the list on its selected
// folder and asks it to hold its change watching while the tree works on the disk. The file list
// implements it; the link between the two is kept here, on both sides at once.
#pragma once

#include <string>

namespace drivetree {

class TDriveView;

class TLinkedFileList {
public:
    TLinkedFileList(const TLinkedFileList&) = delete;
    TLinkedFileList& operator=(const TLinkedFileList&) = delete;

    // The tree this list belongs to. Linking moves the list away from its previous tree and the
    // tree away from its previous list; destroying either side unlinks it.
    TDriveView* DriveView() const { return driveView_; }
    void SetDriveView(TDriveView* value);

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

protected:
    TLinkedFileList() = default;
    virtual ~TLinkedFileList();

private:
    friend class TDriveView;
    TDriveView* driveView_ = nullptr;
};

} // namespace drivetree
