// The drive tree: one top-level node per shown drive, the folders below read from disk only when
// they are opened, with captions, icons and colours; and the path lookups the other views use.
// It keeps the linked file list and drive combo on its selected folder and watches the drives it
// has read for folder changes.
#pragma once

#include "dragdrop/DragDropFilesEx.h"
#include "drivetree/DriveWatcher.h"
#include "drivetree/LinkedDriveCombo.h"
#include "drivetree/LinkedFileList.h"
#include "kovalin/ComPtr.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Menus.h"
#include "kovalin/Timer.h"
#include "kovalin/TreeView.h"
#include "shell/DiscMon.h"
#include "shell/FileOperator.h"
#include "shell/IEDriveInfo.h"
#include "shell/NameCase.h"
#include "shell/PIDL.h"

#include <shlobj.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace drivetree {

using kovalin::TTreeNode;
using shell::TFileNameDisplay;
using shell::TVolumeDisplayStyle;
// How far IterateSubTree goes below a node: not at all, everywhere, into nodes that have child
// nodes, into expanded nodes.
enum TRecursiveScan { itNoRecursive, itRecursive, itLoaded, itExpanded };

// A node-taking operation was given no node; the message names the operation.
class ENodeNotAssigned : public kovalin::Exception {
public:
    explicit ENodeNotAssigned(const char* operation);
};

// A new folder name holds characters no file name may have.
class EInvalidDirName : public kovalin::Exception {
public:
    using kovalin::Exception::Exception;
};

// A drag-and-drop step failed; the message carries the number.
class EDragDrop : public kovalin::Exception {
public:
    explicit EDragDrop(int number);
};

// What the tree keeps of one drive letter.
struct TDriveState {
    bool Scanned = false;  // the root level (or the whole drive) has been read
    bool Verified = false; // the drive was read by a full drive scan
    TTreeNode* RootNode = nullptr;
    std::string DefaultDir; // last folder visited on the drive, with trailing backslash
};

// A look at one drive letter: what the tree keeps of it, and its change monitor (none until
// watching starts) and change timer, which belong to the tree's watcher.
struct TDriveStatus : TDriveState {
    const shell::TDiscMonitor* DiscMonitor = nullptr;
    const kovalin::TTimer* ChangeTimer = nullptr;
};

// A folder node's data, owned by its node.
class TNodeData : public kovalin::TTreeNodeData {
public:
    // One per folder node, made by the ten thousand for a large folder: from a pool.
    static void* operator new(size_t size);
    static void operator delete(void* block, size_t size) noexcept;

    DWORD Attr = 0;        // attributes of the directory entry
    std::string ShortName; // 8.3 alternate name, at most 12 characters; roots "X:\"
    std::string DirName;   // the name as found on disk; roots "X:\"
    bool Scanned = false;  // the direct subfolders have been read into the tree
    bool Bold = false;
    int64_t DirSize = -1; // bytes of the files directly in the folder; -1 = not computed
    bool IsRecycleBin = false;
    bool IconEmpty = true; // the icon has not been fetched yet
    // The shell's view of the folder. They are fetched on first need (when the node is drawn or
    // asked for its button), as that costs a parse per folder: ShellDataRead says whether.
    bool ShellDataRead = false;
    ULONG ShellAttr = 0;                       // SFGAO_* flags
    shell::UniquePidl PIDL;                    // relative to the parent's ShellFolder
    kovalin::ComPtr<IShellFolder> ShellFolder; // this folder, for its children

    // The entry changed on disk: the shell data and icons are read again when next needed.
    void ForgetShellData();
};

class TDriveView : public kovalin::TTreeView, public TFileListTree, public TComboDriveTree {
public:
    using Params = kovalin::TTreeView::Params;
    // The drive information is the program's; it outlives the view.
    TDriveView(kovalin::TWinControl& parent, const Params& params, shell::TDriveInfo& drives);
    ~TDriveView() override;

    // The hosting form has set the properties: builds the drive nodes and selects the stored
    // Directory when it exists.
    void Loaded();
    bool Loading() const { return loading_; }

    // The selected folder, "X:\" for a drive root; empty without selection.
    std::string Directory() const;
    // Selects the folder, or its nearest ancestor that the tree can find.
    void SetDirectory(const std::string& path);
    // Selects the node and announces the change once.
    void SetSelected(TTreeNode* node);
    // Moves to the folder last visited on the drive (its root when none).
    void ChangeDrive(char drive) override;
    // Scrolls the node into the middle half of the view, and fully left when it sits near the
    // left edge.
    void CenterNode(TTreeNode* node);

    // The path of the last selection announced, without trailing backslash.
    const std::string& LastPath() const { return lastPath_; }
    bool SelectionAnnounced() const { return selectionAnnounced_; }
    // False while the left mouse button is held down in the tree.
    bool ButtonUp() const { return buttonUp_; }

    // The file list kept on the selected folder. Linking is both ways: see TLinkedFileList.
    TLinkedFileList* DirView() const { return dirView_; }
    void SetDirView(TLinkedFileList* list) override;
    // The drive combo that shows the selected drive; linked both ways, usually by the combo.
    TLinkedDriveCombo* DriveCombo() const { return driveCombo_; }
    void SetDriveCombo(TLinkedDriveCombo* combo) override;

    // What the file list asks of the tree (TFileListTree).
    std::optional<bool> IsRecycleBin(const std::string& path) override;
    void NoSubFolders(const std::string& path) override;
    void ValidateSelection() override;
    void RescanDrive(char drive) override { ScanDrive(drive); }
    bool SelectFolder(const std::string& path) override;
    bool SelectParentFolder() override;
    void StopWatching() override { StopAllWatchThreads(); }
    void StartWatching() override { StartAllWatchThreads(); }
    void ValidateFolder(const std::string& path) override;

    // Watch the drives for folder changes and revalidate what changed.
    bool WatchDirectory() const { return watchDirectory_; }
    void SetWatchDirectory(bool value);
    // Milliseconds from the last change report of a drive to its revalidation; 0 is ignored.
    UINT ChangeInterval() const { return watcher_.Interval(); }
    void SetChangeInterval(UINT value);
    // Creates and starts the drive's monitor unless it has one, is a network drive or is listed
    // in NoCheckDrives.
    void StartWatchThread(char drive);
    // Stops the monitor of the selected drive.
    void StopWatchThread();
    void StartAllWatchThreads();
    void StopAllWatchThreads();
    // The selected drive is being watched.
    bool WatchThreadActive() const;

    bool FullDriveScan() const { return fullDriveScan_; }
    void SetFullDriveScan(bool value) { fullDriveScan_ = value; }
    bool DimmHiddenDirs() const { return dimmHiddenDirs_; }
    void SetDimmHiddenDirs(bool value);
    COLORREF ColorBold() const { return colorBold_; }
    void SetColorBold(COLORREF value);
    COLORREF CompressedColor() const { return compressedColor_; }
    void SetCompressedColor(COLORREF value);
    bool ShowDirSize() const { return showDirSize_; }
    void SetShowDirSize(bool value);
    bool ShowVolLabel() const { return showVolLabel_; }
    void SetShowVolLabel(bool value);
    TVolumeDisplayStyle VolDisplayStyle() const { return volDisplayStyle_; }
    void SetVolDisplayStyle(TVolumeDisplayStyle value);
    TFileNameDisplay FileNameDisplay() const { return fileNameDisplay_; }
    void SetFileNameDisplay(TFileNameDisplay value);
    bool ShowAnimation() const { return showAnimation_; }
    void SetShowAnimation(bool value) { showAnimation_ = value; }
    // Letters of drives that are never watched, kept in upper case.
    const std::string& NoCheckDrives() const { return noCheckDrives_; }
    void SetNoCheckDrives(const std::string& value);
    bool ReadDrives() const { return readDrives_; }
    void SetReadDrives(bool value) { readDrives_ = value; }

    // Fired before and after a full drive scan.
    std::function<void(TDriveView& sender)> OnStartScan;
    std::function<void(TDriveView& sender)> OnEndScan;
    // May forbid reading a folder.
    std::function<void(TDriveView& sender, TTreeNode* node, bool& doScanDir)> OnScanDir;
    using TDriveViewDiskChangeEvent = std::function<void(TDriveView& sender, char drive)>;
    // The selection moved to another drive.
    TDriveViewDiskChangeEvent OnDiskChange;
    // The selection moved to another drive whose medium is missing or was changed.
    TDriveViewDiskChangeEvent OnInsertedDiskChange;
    // A watched drive changed and has been revalidated.
    TDriveViewDiskChangeEvent OnChangeDetected;
    // A drive's monitor could not watch and was stopped.
    TDriveViewDiskChangeEvent OnChangeInvalid;

    // Builds or refreshes the drive nodes. Flags: 8 = from A: (else from C:), 4 = read the drive
    // names, 0x10 = read them even when known; dsImageIndex and dsSize are passed on.
    void RefreshDrives(bool scanChangedDisks, int flags);
    // Reads a drive: its root level, or with FullDriveScan every folder on it.
    void ScanDrive(char drive);
    // Reads the direct subfolders of a node; true when it has any.
    bool ReadSubDirs(TTreeNode* node, int driveType);
    // The node of a folder path ("X:\..." in any letter case, long or 8.3 names), reading folders
    // on the way; nullptr when the path does not lead to a folder in the tree.
    TTreeNode* FindNodeToPath(const std::string& path);

    // Brings the subtree of a node in line with the disk: vanished folders go, new ones come.
    void ValidateDirectoryEx(TTreeNode* node, TRecursiveScan mode, bool readNewDirs);
    void ValidateDirectory(TTreeNode* node) { ValidateDirectoryEx(node, itLoaded, false); }
    void ValidateVisibleDirectories(TTreeNode* node);
    void ValidateAllDirectories(TTreeNode* node) { ValidateDirectoryEx(node, itRecursive, true); }

    // Calls back for the start node (when scanStartNode) and the nodes below it that the mode
    // reaches, parents before children. A callback that deletes its node sets the pointer to
    // nullptr; returning false ends the walk.
    using TCallBack = std::function<bool(TTreeNode*& node)>;
    bool IterateSubTree(TTreeNode*& startNode, TRecursiveScan mode, bool scanStartNode,
                        const TCallBack& callBack);

    TTreeNode* AddChildNode(TTreeNode* parent, const WIN32_FIND_DATAA& entry);
    bool CanScanDir(TTreeNode* node);
    std::string GetDisplayName(TTreeNode* node);
    bool SortChildren(TTreeNode* node, bool recurse);
    // Expands the subtree's nodes down to an absolute level and collapses the deeper ones.
    void ExpandLevel(TTreeNode* node, int level);
    void SetBoldDraw(TTreeNode* node, bool bold);

    // Bytes of the files directly in the folder: computed on first use / again now / again now
    // with the caption updated; GetSubTreeSize adds up the folders of the loaded subtree.
    int64_t GetDirSize(TTreeNode* node);
    int64_t SetDirSize(TTreeNode* node);
    int64_t RefreshDirSize(TTreeNode* node);
    int64_t GetSubTreeSize(TTreeNode* node);

    // The path without trailing backslash ("X:" for a root) and with one for a root ("X:\").
    std::string GetDirPath(TTreeNode* node) const;
    std::string GetDirPathName(TTreeNode* node) const;
    char GetDrive(TTreeNode* node) const;
    TTreeNode* RootNode(TTreeNode* node) const;
    int GetDriveTypeToNode(TTreeNode* node) const;
    TDriveStatus GetDriveStatus(char drive) const;
    // Deletes the node's children and clears its button; a root's drive counts as unread again.
    void DeleteSubNodes(TTreeNode* node);

    static TNodeData* NodeData(TTreeNode* node);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool CanChange(TTreeNode* node) override;
    // Announces a new selection to the combo, the file list and the drive's status.
    void Change(TTreeNode* node) override;
    void BeginDrag(TTreeNode* node) override;
    bool CanExpand(TTreeNode* node) override;
    void GetImageIndex(TTreeNode* node) override;
    void GetSelectedIndex(TTreeNode* node) override;
    bool GetHasChildren(TTreeNode* node) override;
    void CustomDrawItem(TTreeNode* node, kovalin::TTreeItemDraw& draw) override;
    void Delete(TTreeNode* node) override;

private:
    TDriveState& Status(char drive);
    void FireDiskEvent(const TDriveViewDiskChangeEvent& event, char drive);
    void StartWatchingSelection();
    void Revalidate(char drive);
    void ChangeInvalid(char drive);
    LRESULT LeftButtonDown(UINT msg, WPARAM wParam, LPARAM lParam);
    void FollowMouse(LPARAM lParam);
    void ButtonReleased();
    void EndPress();
    bool Editing() const;
    bool KeyDown(WPARAM key);
    bool KeyChar(WPARAM key);
    const TDriveState& Status(char drive) const;
    TTreeNode* CreateRootNode(char drive);
    TTreeNode* AddFolderNode(TTreeNode* parent, DWORD attr, std::string name, const char* shortName);
    void ReadShellData(TTreeNode* node, TNodeData& data);
    bool BindShellFolder(TTreeNode* node, TNodeData& data);
    void FetchIcons(TTreeNode* node, TNodeData& data);
    std::string FolderCaption(const TNodeData& data) const;
    std::string DriveCaption(char drive) const;
    void ReadDirTree(TTreeNode* node, const std::string& path);
    void MergeSubDirs(TTreeNode* node);
    // ValidateDirectoryEx; false when the node itself vanished and was deleted.
    bool Validate(TTreeNode* node, TRecursiveScan mode, bool readNewDirs);
    void RecaptionSubTree(TTreeNode* node);
    bool CallBackDisplayName(TTreeNode*& node);
    bool CallBackExpandLevel(TTreeNode*& node, int level);
    void StandardFolderImages(int& closed, int& open);

    shell::TDriveInfo& driveInfo_;
    std::array<TDriveState, 26> drives_;
    TDriveWatcher watcher_;
    kovalin::ComPtr<IShellFolder> myComputer_;
    TLinkedFileList* dirView_ = nullptr;
    TLinkedDriveCombo* driveCombo_ = nullptr;
    bool destroying_ = false;
    bool loading_ = true;

    std::string lastPath_;
    bool selectionAnnounced_ = false;
    unsigned changeCalls_ = 0;        // Change calls so far
    TTreeNode* announcing_ = nullptr; // the node being announced; cleared when it is deleted
    bool buttonUp_ = true;
    bool followingMouse_ = false;      // a press turned into a drag: the tree holds the mouse
    TTreeNode* pressTarget_ = nullptr; // the node the press will select on release
    WPARAM swallowChar_ = 0;           // the character of a key consumed on its way down

    bool watchDirectory_ = false;
    bool validating_ = false;
    TTreeNode* expandingNode_ = nullptr;
    std::string storedDirectory_;
    int folderImage_ = -1, openFolderImage_ = -1;

    bool fullDriveScan_ = false;
    bool dimmHiddenDirs_ = false;
    COLORREF colorBold_ = 0xFF0000;
    COLORREF compressedColor_ = 0xFF0000;
    bool showDirSize_ = false;
    bool showVolLabel_ = true;
    TVolumeDisplayStyle volDisplayStyle_ = shell::doPrettyName;
    TFileNameDisplay fileNameDisplay_ = shell::fndStored;
    bool showAnimation_ = false;
    std::string noCheckDrives_;
    bool readDrives_ = true;

    // --- editing, menus and clipboard (DriveViewEdit.cpp) ----------------------------------------
public:
    bool ConfirmDelete() const { return confirmDelete_; }
    void SetConfirmDelete(bool value) { confirmDelete_ = value; }
    bool ConfirmOverwrite() const { return confirmOverwrite_; }
    void SetConfirmOverwrite(bool value) { confirmOverwrite_ = value; }
    bool UseSystemContextMenu() const { return useSystemContextMenu_; }
    void SetUseSystemContextMenu(bool value) { useSystemContextMenu_ = value; }
    // No caption may be edited.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    // The tree's own menu, shown on a right click when the shell's is not wanted; not owned.
    kovalin::TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(kovalin::TPopupMenu* menu) { popupMenu_ = menu; }

    // Whether the node's caption may be edited into a new folder name now.
    bool CanEditNode(TTreeNode* node);
    // Starts editing the node's caption; false when it may not be edited.
    bool EditNode(TTreeNode* node);
    // The selected node's folder read again from the disk, its children included.
    void RescanSelected();
    // The subfolder `name` of the node's folder; none when it could not be made (see
    // LastCreateError).
    TTreeNode* CreateDirectory(TTreeNode* node, const std::string& name);
    // The system error of the last folder creation, 0 after success; the file list sees it too.
    static DWORD LastCreateError();
    // Deletes the node's folder (to the recycle bin with allowUndo); true when it is gone.
    bool DeleteDirectory(TTreeNode* node, bool allowUndo);
    void DisplayContextMenu(TTreeNode* node, POINT screenPoint);
    void DisplayPropertiesMenu(TTreeNode* node);
    bool CopyToClipBoard();
    bool CutToClipBoard(TTreeNode* node);
    bool CanPasteFromClipBoard();
    // Pastes into the folder (the selected one when empty); true when the clipboard was read.
    bool PasteFromClipBoard(const std::string& target = {});
    void EmptyClipboard();
    bool UndoCopyMove();
    // The folder shown with the cut mark; empty for none.
    const std::string& CutPath() const { return cutPath_; }
    // Whether the node carries the cut mark.
    bool NodeCut(TTreeNode* node) const;
    shell::TFileOperator& FileOperator() { return *fileOperator_; }
    dragdrop::TDragDropFilesEx& DragDropFilesEx() { return *dragDrop_; }

    // A new name with characters no file name may have: the handler may put it right.
    std::function<void(TDriveView& sender, TTreeNode* node, std::string& text)> OnEdited;
    std::function<void(TDriveView& sender)> OnDisplayContextMenu;
    // Before the shell's menu of a right click; setting handled keeps it away.
    std::function<void(TDriveView& sender, POINT point, bool& handled)> OnContextPopup;
    // A key pressed in the tree outside caption editing; true when the handler used it.
    std::function<bool(TDriveView& sender, WORD key, bool ctrl)> OnKeyDown;

protected:
    LRESULT NotifyHandler(NMHDR& header) override;

private:
    void InitEditing();
    // The tree's own share of its messages; true when it answered one (in result).
    bool EditMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool BeginLabelEdit(TTreeNode* node);
    void RenameNode(TTreeNode* node, const std::string& text);
    void RetryRename();
    void RightClick();
    void SetCutMark(const std::string& path);
    void MarkCut(TTreeNode* node, bool cut);
    // Sets or clears state bits of how the control draws a node (cut, selected highlight).
    void SetNodeState(TTreeNode* node, UINT mask, bool on);
    void StopAllWatching();
    void StartAllWatching();

    bool confirmDelete_ = true;
    bool confirmOverwrite_ = true;
    bool useSystemContextMenu_ = true;
    bool readOnly_ = false;
    kovalin::TPopupMenu* popupMenu_ = nullptr;
    std::unique_ptr<shell::TFileOperator> fileOperator_;
    std::unique_ptr<dragdrop::TDragDropFilesEx> dragDrop_;
    std::string cutPath_;
    TTreeNode* retryNode_ = nullptr; // the node whose rename is offered again, and its text
    std::string retryText_;
    bool renaming_ = false;
    bool contextMenuArmed_ = false;
    POINT rightPress_{};
    POINT pressPoint_{}; // client point of the last button press

    // --- dragging out and dropping in (DriveViewDragDrop.cpp) -------------------------------------
public:
    // A drag of programs (.exe, .com) between drives from C: on links them.
    bool DDLinkOnExeDrag() const { return ddLinkOnExeDrag_; }
    void SetDDLinkOnExeDrag(bool value) { ddLinkOnExeDrag_ = value; }
    bool UseDragImages() const { return useDragImages_; }
    void SetUseDragImages(bool value) { useDragImages_ = value; }
    bool TargetPopUpMenu() const { return dragDrop_->TargetPopupMenu(); }
    void SetTargetPopUpMenu(bool value) { dragDrop_->SetTargetPopupMenu(value); }
    // The node being dragged out of the tree, none otherwise.
    TTreeNode* DragNode() const { return dragNode_; }
    char SourceDrive() const { return sourceDrive_; }

    std::function<void(TDriveView& sender, DWORD keyState, POINT point, DWORD& effect, bool& accept)>
        OnDDDragEnter;
    std::function<void(TDriveView& sender)> OnDDDragLeave;
    std::function<void(TDriveView& sender, DWORD keyState, POINT point, DWORD& effect)> OnDDDragOver;
    std::function<void(TDriveView& sender, DWORD keyState, POINT point, DWORD& effect)> OnDDDrop;
    std::function<void(TDriveView& sender, bool escapePressed, DWORD keyState, HRESULT& result)>
        OnDDQueryContinueDrag;
    std::function<void(TDriveView& sender, DWORD effect, HRESULT& result)> OnDDGiveFeedback;
    std::function<void(TDriveView& sender, DWORD keyState, POINT start, POINT current, int status)>
        OnDDDragDetect;
    std::function<void(TDriveView& sender, DWORD keyState, POINT point, DWORD effect)> OnDDProcessDropped;
    std::function<void(TDriveView& sender, int number)> OnDDError;
    std::function<void(TDriveView& sender, DWORD effect)> OnDDExecuted;
    std::function<void(TDriveView& sender, DWORD effect, const std::string& sourcePath,
                       const std::string& targetPath, bool& doOperation)>
        OnDDFileOperation;
    std::function<void(TDriveView& sender, DWORD effect, const std::string& sourcePath,
                       const std::string& targetPath)>
        OnDDFileOperationExecuted;

private:
    void InitDragDrop();
    void ReportDragStart(int button);
    void DragDetected(POINT start, int status);
    void RunDrag();
    void DragEnter(IDataObject* data, DWORD keyState, POINT point, DWORD& effect, bool& accept);
    void DragOver(DWORD keyState, POINT point, DWORD& effect);
    void DragLeave();
    void QueryContinueDrag(bool escapePressed, DWORD keyState, HRESULT& result);
    void ProcessDropped(DWORD keyState, POINT point, DWORD effect);
    // Copies, moves or links the component's files into the folder; rules as for a drop.
    // `listIsSource`: the files were dragged out of the linked file list.
    void ProcessFiles(const std::string& target, DWORD effect, bool listIsSource);
    void DDError(int number);
    void DropTargetChanged(TTreeNode* node);
    void AutoScroll(TTreeNode* node, POINT point);
    void ToggleExpansion(TTreeNode* node);

    bool ddLinkOnExeDrag_ = true;
    bool useDragImages_ = true;
    TTreeNode* dragNode_ = nullptr;
    DWORD dragStartTime_ = 0;
    char sourceDrive_ = 0;
    bool linkExeDrag_ = false;
    bool dragWatched_ = false;
    bool dropFromList_ = false; // the drop waiting for its posted step came from the file list
    TTreeNode* hoverNode_ = nullptr;
    DWORD hoverSince_ = 0;
    DWORD lastVScroll_ = 0, lastHScroll_ = 0;
    int scrollSteps_ = 0;
    bool spaceDown_ = false;
    HIMAGELIST dragImage_ = nullptr;
    bool dragImageShown_ = false;
    // Gone with the view: a watcher that reports later finds it expired.
    std::shared_ptr<int> lifeToken_ = std::make_shared<int>(0);
};

// The text a folder size is shown as: 1 to 1023 bytes count as 1 K; above 99,999 K it is in M.
std::string DirSizeText(int64_t bytes);

} // namespace drivetree
