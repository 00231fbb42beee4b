// The file list: the files and folders of one folder, loaded by mask and attribute, size and date
// filters, kept in line with the disk by an incremental refresh, and reloaded keeping the user's
// selection, focus and per-file icons. Also lists a drive's recycle-bin folder through the shell.
#pragma once

#include "dragdrop/DragDropFilesEx.h"
#include "drivetree/LinkedFileList.h"
#include "filelist/DirTypeCache.h"
#include "filelist/FileRec.h"
#include "filelist/IEListView.h"
#include "filelist/ItemOrder.h"
#include "kovalin/ComPtr.h"
#include "kovalin/Handles.h"
#include "kovalin/Menus.h"
#include "kovalin/Timer.h"
#include "shell/FileOperator.h"
#include "shell/IEDriveInfo.h"
#include "shell/NameCase.h"
#include "shell/PIDL.h"
#include "shell/SearchAnimation.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dragdrop {
class TFileDeleteThread;
}
namespace shell {
class TDiscMonitor;
class TSubDirScanner;
} // namespace shell

namespace filelist {

class TIconUpdateThread;

// What an attribute filter asks of a file.
enum TSelAttr { SelDontCare = 0, SelYes = 1, SelNo = 2 };

class TDirView : public TIEListView, public drivetree::TLinkedFileList {
public:
    // The drive information is the program's; it outlives the list.
    TDirView(kovalin::TWinControl& parent, const Params& params, shell::TDriveInfo& drives);
    ~TDirView() override;

    // Current folder without trailing backslash ("C:" for a drive root); setting it loads it.
    const std::string& Path() const override { return path_; }
    void SetPath(const std::string& value) override;
    const std::string& LastPath() const { return lastPath_; }
    // Path, with the backslash a drive root needs ("C:\").
    std::string GetPathName() const;

    void SetMask(const std::string& value) override;
    bool ShowDirectories() const { return showDirectories_; }
    virtual void SetShowDirectories(bool value);
    TSelAttr SelArchive() const { return selArchive_; }
    void SetSelArchive(TSelAttr value) { SetFilter(selArchive_, value); }
    TSelAttr SelHidden() const { return selHidden_; }
    void SetSelHidden(TSelAttr value) { SetFilter(selHidden_, value); }
    TSelAttr SelSysFile() const { return selSysFile_; }
    void SetSelSysFile(TSelAttr value) { SetFilter(selSysFile_, value); }
    TSelAttr SelReadOnly() const { return selReadOnly_; }
    void SetSelReadOnly(TSelAttr value) { SetFilter(selReadOnly_, value); }
    // Inclusive size range of listed files.
    int32_t SelFileSizeFrom() const { return selFileSizeFrom_; }
    void SetSelFileSizeFrom(int32_t value) { SetFilter(selFileSizeFrom_, value); }
    int32_t SelFileSizeTo() const { return selFileSizeTo_; }
    void SetSelFileSizeTo(int32_t value) { SetFilter(selFileSizeTo_, value); }
    // Inclusive date and time ranges in the file system's packed form (local time).
    WORD SelFileDateFrom() const { return selFileDateFrom_; }
    void SetSelFileDateFrom(WORD value) { SetFilter(selFileDateFrom_, value); }
    WORD SelFileDateTo() const { return selFileDateTo_; }
    void SetSelFileDateTo(WORD value) { SetFilter(selFileDateTo_, value); }
    WORD SelFileTimeFrom() const { return selFileTimeFrom_; }
    void SetSelFileTimeFrom(WORD value) { SetFilter(selFileTimeFrom_, value); }
    WORD SelFileTimeTo() const { return selFileTimeTo_; }
    void SetSelFileTimeTo(WORD value) { SetFilter(selFileTimeTo_, value); }
    // Sort again after a refresh changed the list.
    bool SortAfterUpdate() const { return sortAfterUpdate_; }
    void SetSortAfterUpdate(bool value) { sortAfterUpdate_ = value; }
    // Show a folder-search animation when a load takes longer than a second.
    bool ShowAnimation() const { return showAnimation_; }
    void SetShowAnimation(bool value) { showAnimation_ = value; }
    // Letter case of the names as shown.
    shell::TFileNameDisplay FileNameDisplay() const { return fileNameDisplay_; }
    virtual void SetFileNameDisplay(shell::TFileNameDisplay value);
    // The drive tree beside the list (SetDriveView), or none: it keeps the list on its selected
    // folder. The list asks it whether a folder is a recycle bin and tells it when a network
    // folder turned out to have no sub-folders.
    drivetree::TFileListTree* DriveView() const override { return driveView_; }
    void DriveViewChanged(drivetree::TFileListTree* tree) override { driveView_ = tree; }
    // Every item added from now on is selected.
    bool SelectNewItems() const { return selectNewItems_; }
    void SetSelectNewItems(bool value) { selectNewItems_ = value; }

    // While off, loads are only remembered (LoadPending) and run when it is switched on again.
    bool LoadEnabled() const { return loadEnabled_; }
    virtual void SetLoadEnabled(bool value);
    void ResumeLoading(bool keepIcons);
    bool LoadPending() const { return loadPending_; }
    bool AbortLoad() const { return abortLoad_; }
    bool Loading() const override { return loading_; }
    // False while the list is being filled or sorted.
    bool LoadCompleted() const { return loadCompleted_; }
    // The last load found an existing folder on a valid drive.
    bool DirOK() const { return dirOK_; }
    bool RecycleBinMode() const { return recycleBinMode_; }
    int DriveType() const { return driveType_; }
    // The loaded folder's shell folder. A load only has the shell parse the path and binds on the
    // first call here: binding has the shell look the folder over once more (for its settings
    // file), which costs a large folder as much as listing it, and few loads ever need it.
    IShellFolder* ShellFolder() const;

    // Clears the list and fills it with the folder's files (by Mask and the filters), its
    // sub-folders and the ".." item. A call during a load makes that load end by reloading Path.
    void LoadDirectory(const std::string& path);
    // Brings the loaded list in line with the disk, touching only what changed.
    void RefreshDirectory();
    // Loads Path again, keeping selection and focus and, when asked, the icons of files that
    // have their own (programs, shortcuts, icons, cursors).
    void Reload(bool keepIcons) override;
    // Watching of the shown folder (with WatchForChanges): started after a load, stopped around
    // loads and commands; see DirViewWatch.
    void StartWatchThread() override;
    void StopWatchThread() override;
    // Nothing is marked as cut in the list yet.
    void ClipboardEmptied() override {}
    // A folder the tree made or failed to make: its error is the program's last-creation error.
    void LastIOErrorChanged(unsigned long error) override;
    // The shell folder of a path; none when the shell cannot parse or bind it.
    kovalin::ComPtr<IShellFolder> GetShellFolder(const std::string& path);
    // The shell's item id list of a path; none when the shell cannot parse it.
    shell::UniquePidl ParseShellPath(const std::string& path);

    // Empty for no item or an item without record.
    std::string ItemFullFileName(kovalin::TListItem* item) const;
    // The extension of the item's file name with its dot; empty when it has none.
    std::string ItemFileExt(kovalin::TListItem* item) const;
    TFileRec* ItemData(int index) const;
    static TFileRec* ItemData(const kovalin::TListItem* item);
    // The first item whose FileName is exactly `name`; none when there is none.
    kovalin::TListItem* FindFileItem(const std::string& name) const;

    // A file name in the letter case of FileNameDisplay.
    virtual std::string DisplayFileName(const std::string& name) const;

    // The double-click action on the selected item (or the focused ".." item): ".." goes up, a
    // folder or a shortcut to one is entered (through the linked tree when there is one), a
    // file or a shortcut to one is opened by the shell's default command.
    void Execute();
    // Creates the sub-folder `name` of Path and adds and focuses its item; none when an entry of
    // that name exists (LastIOError 183) or the folder could not be created (the system error).
    // The name is the macro-renamed CreateDirectoryA wherever <windows.h> is included, as it is
    // here, so callers and this declaration always agree.
    kovalin::TListItem* CreateDirectory(const std::string& name);
    // What creating a folder gave: its item (none on failure) and the system error (0 on success).
    struct TCreatedFolder {
        kovalin::TListItem* item = nullptr;
        DWORD error = ERROR_SUCCESS;
    };
    // CreateDirectory with the error returned to the caller; LastIOError stays as it was.
    TCreatedFolder CreateFolder(const std::string& name);
    // The system error of the last create command, 0 after success; one value for the program.
    static DWORD LastIOError();

    // The five report columns: Name, Size, Type, Changed, Attr, captions in the user's language.
    void CreateColumns();
    void InitColumns();
    // The name column's caption, with the mask in brackets when asked and the mask is not "*.*".
    void UpdateNameColumnCaption(bool showMask);
    // Takes the widths the user gave the columns into the width properties.
    void StoreColumnWidths();
    int ColWidthName() const { return colWidths_[0]; }
    void SetColWidthName(int value) { SetColWidth(0, value); }
    int ColWidthSize() const { return colWidths_[1]; }
    void SetColWidthSize(int value) { SetColWidth(1, value); }
    int ColWidthType() const { return colWidths_[2]; }
    void SetColWidthType(int value) { SetColWidth(2, value); }
    int ColWidthDate() const { return colWidths_[3]; }
    void SetColWidthDate(int value) { SetColWidth(3, value); }
    int ColWidthAttr() const { return colWidths_[4]; }
    void SetColWidthAttr(int value) { SetColWidth(4, value); }
    // Display order of the five columns.
    std::vector<int> GetColumnOrder() const { return ColumnOrder(); }
    void SetColumnOrder(const std::vector<int>& order);
    bool ShowMaskInHeader() const { return showMaskInHeader_; }
    void SetShowMaskInHeader(bool value);

    // A file time (UTC) as local time in DateTimeFormatStr.
    std::string FormatFileTime(const FILETIME& time) const;
    // The attribute letters c, a, s, h, r; with AttrSpace, at fixed places filled by it.
    std::string AttrStr(DWORD attr) const;
    const std::string& AttrSpace() const { return attrSpace_; }
    void SetAttrSpace(const std::string& value);
    COLORREF CompressedColor() const { return compressedColor_; }
    void SetCompressedColor(COLORREF value);
    // Hidden files in grey.
    bool DimmHiddenFiles() const { return dimmHiddenFiles_; }
    void SetDimmHiddenFiles(bool value);
    // Type names and icons asked of the shell once per extension.
    bool UseIconCache() const { return useIconCache_; }
    void SetUseIconCache(bool value) { useIconCache_ = value; }
    // Folder sizes in the size column, each summed by a scanner thread of its own.
    bool ShowSubDirSize() const { return showSubDirSize_; }
    virtual void SetShowSubDirSize(bool value);
    // Letters of drives whose changes are not watched, kept in upper case.
    const std::string& NoCheckDrives() const { return noCheckDrives_; }
    void SetNoCheckDrives(const std::string& value);
    void SetViewStyle(kovalin::TViewStyle value) override;
    void SetMultiSelect(bool value) override;

    // Fills the item's TypeName and, with withIcon, its ImageIndex: from the type cache or the shell.
    void FetchItemInfo(kovalin::TListItem& item, bool withIcon);
    // Extensions whose type name and icon have been asked of the shell (with UseIconCache).
    int TypeCacheCount() const { return typeCache_.Count(); }
    bool TypeCacheSorted() const { return typeCache_.Sorted(); }

    // May refuse an entry before it is added: clear `accept`.
    std::function<void(TDirView& sender, const WIN32_FIND_DATAA& entry, bool& accept)> OnAddFile;
    std::function<void(TDirView& sender)> OnStartLoading;
    // A load ended, also for a folder that could not be loaded.
    std::function<void(TDirView& sender)> OnLoaded;
    // The list's content changed.
    std::function<void(TDirView& sender)> OnDirUpdated;
    // A refresh found a new size for the item.
    std::function<void(TDirView& sender, kovalin::TListItem& item)> OnFileSizeChanged;
    // An item is about to be entered or opened: clear `allow` to prevent it.
    std::function<void(TDirView& sender, kovalin::TListItem& item, bool& allow)> OnExecFile;
    // The user selected or deselected an item (null when a change covered several at once);
    // raised after OnSelectItem.
    std::function<void(TDirView& sender, kovalin::TListItem* item, bool selected)> OnSelectItemNew;

protected:
    void SelectItem(kovalin::TListItem* item, bool selected) override;
    virtual void LoadRecycleBin();
    void DoGetDispInfo(kovalin::TListItem& item, kovalin::TListDispInfo& info) override;
    LRESULT CustomDraw(NMLVCUSTOMDRAW& draw) override;
    // Raises OnDblClick, then executes.
    void DblClick() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    kovalin::TListItem& AddItem(const WIN32_FIND_DATAA& entry);
    void AddParentDirItem();

private:
    // The attribute masks and the packed date-time bounds of one load or refresh.
    struct Acceptance {
        DWORD include = 0, exclude = 0;
        uint32_t from = 0, to = 0;
        int32_t sizeFrom = 0, sizeTo = 0;
        // Local time minus UTC, in file time units, as the system converts it now.
        int64_t localBias = 0;
        // Rules 1 to 5: the filters, without the OnAddFile handler.
        bool Accepts(const WIN32_FIND_DATAA& entry) const;
    };
    class LoadEnding;

    Acceptance BuildAcceptance() const;
    bool CallOnAddFile(const WIN32_FIND_DATAA& entry);
    void FileAdded();
    void ShowBusyAnimation();
    void FinishLoad();
    void FocusFolderCameFrom();
    void MakeFocusedVisible();
    template <typename T> void SetFilter(T& field, T value) {
        if (field == value) return;
        field = value;
        ReloadIfLoaded();
    }
    void ReloadIfLoaded();
    void SetColWidth(int column, int value);
    std::string SizeText(int64_t size) const;
    void DrawParentOverlay(NMLVCUSTOMDRAW& draw);
    void GoUp();
    // Shows an existing folder: through the linked tree, or by loading it here.
    void EnterFolder(const std::string& folder);
    // Runs the default command of the file's context menu with the shown folder as current directory.
    void OpenFile(const std::string& fullName);
    bool EnterKey();

    std::string path_, lastPath_;
    bool showDirectories_ = true;
    TSelAttr selArchive_ = SelDontCare, selHidden_ = SelDontCare, selSysFile_ = SelDontCare,
             selReadOnly_ = SelDontCare;
    int32_t selFileSizeFrom_ = 0, selFileSizeTo_ = 2147483647;
    WORD selFileDateFrom_ = 33, selFileDateTo_ = 61343;
    WORD selFileTimeFrom_ = 0, selFileTimeTo_ = 49152;
    bool sortAfterUpdate_ = true;
    bool showAnimation_ = false;
    bool selectNewItems_ = false;
    shell::TFileNameDisplay fileNameDisplay_ = shell::fndStored;

    bool loadEnabled_ = true, loadPending_ = false, abortLoad_ = false, loading_ = false;
    bool loadCompleted_ = true;
    bool dirOK_ = false;
    bool recycleBinMode_ = false;
    bool hasParentDir_ = false;
    int driveType_ = 0;
    shell::TDriveInfo& driveInfo_;
    drivetree::TFileListTree* driveView_ = nullptr;

    // Presentation.
    int colWidths_[5] = {110, 80, 110, 130, 35};
    bool showMaskInHeader_ = false;
    std::string attrSpace_;
    COLORREF compressedColor_ = 0xFF0000;
    bool dimmHiddenFiles_ = false;
    bool useIconCache_ = false;
    bool showSubDirSize_ = false;
    std::string noCheckDrives_;
    std::string thousandSeparator_;
    TDirTypeCache typeCache_;

    kovalin::ComPtr<IShellFolder> desktopFolder_, recycleFolder_;
    mutable kovalin::ComPtr<IShellFolder> shellFolder_;
    // The loaded folder's id list while its shell folder is not bound yet (see ShellFolder).
    mutable shell::UniquePidl unboundFolder_;
    shell::UniquePidl recycleFolderPIDL_;

    // The running load's progress, for the message pump and the busy animation.
    int addedFiles_ = 0;
    DWORD loadStartTick_ = 0;
    std::unique_ptr<shell::TSearchAnimation> animation_;

    // --- sorting ---
public:
    // Column 2 orders by extension rather than by type name.
    bool SortByExtension() const { return sortByExtension_; }
    virtual void SetSortByExtension(bool value);
    // Folders stay above the files in both directions.
    bool DirsOnTop() const { return dirsOnTop_; }
    virtual void SetDirsOnTop(bool value);
    // Orders the items by SortColumn in the SortAscending direction; see ItemOrder.
    void SortItems() override;
    // What SortItems orders by now.
    SortSettings CurrentSortSettings() const;

protected:
    // Sorts, then scrolls the selected item back into view.
    void ColClick(int column) override;

private:
    class SortBracket;
    // The list is in the order its last sort gave it, for the present sort settings.
    bool InKnownOrder() const;
    // After a refresh: the items that may stand in the wrong place (new ones, changed ones) go
    // where a full sort would put them when the others are known to be in order; otherwise, or
    // for many of them, the whole list is sorted again.
    void SortAfterRefresh(const std::vector<kovalin::TListItem*>& moved, bool wasInOrder);

    bool sortByExtension_ = false;
    bool dirsOnTop_ = false;
    // What the last sort ordered by, and the list's OrderChanges() right after it.
    struct KnownOrder {
        bool known = false;
        uint64_t changes = 0;
        SortSettings settings;
    } knownOrder_;

    // --- commands on the disk: the file operation into a folder, delete, clipboard, undo ---
public:
    // The list's drag-and-drop component: the files of a drag, of a drop and of the clipboard.
    dragdrop::TDragDropFilesEx& DragDropFilesEx() { return dragDropFiles_; }
    // Copies, moves, deletes and renames for the list's commands; keeps the last one for undo.
    shell::TFileOperator& FileOperator() { return fileOperator_; }
    // Ask before deleting, and before a copy or move replaces a file.
    bool ConfirmDelete() const { return confirmDelete_; }
    void SetConfirmDelete(bool value) { confirmDelete_ = value; }
    bool ConfirmOverwrite() const { return confirmOverwrite_; }
    void SetConfirmOverwrite(bool value) { confirmOverwrite_ = value; }
    // The file list whose files are being dragged now, program-wide (none: no list drags).
    static TDirView* DragSourceList();
    static void SetDragSourceList(TDirView* list);

    // Copies (deCopy), moves (deMove) or links (deLink) the files of DragDropFilesEx' file list
    // into `targetPath`: what a paste and a drop do. In recycle-bin mode, or onto a recycle-bin
    // folder (`ontoRecycleBin`), copy and move delete the files to the recycle bin instead. With
    // `renameOnCollision` a copy onto an existing name gets a new name. A target folder that is
    // gone reloads the list and raises EDragDrop 1; a shortcut that cannot be made raises
    // EDragDrop 0 after the others are made. True when the operation ran and succeeded.
    bool PerformDragDropFileOperation(const std::string& targetPath, dragdrop::TDropEffects effect,
                                      bool renameOnCollision, bool ontoRecycleBin = false);
    // Removes the selected items whose files or folders are gone (with more than 50 selected,
    // refreshes the whole list instead).
    void ValidateSelectedFiles();
    // Removes the item of the file when the file is gone.
    void ValidateFile(const std::string& fileName);

    // Starts the item's file through the shell's default command, with the shown folder as the
    // current directory; raises the open-failure text with the path when the shell fails.
    void ExecuteFile(kovalin::TListItem& item);
    // The shell's properties: of the current folder without a selection, of the selected item, or
    // of all selected items of the folder.
    void DisplayPropertiesMenu();
    // The shell's context menu of the selection at the screen point, and what its verb asks of the
    // list afterwards (rename, cut, copy, paste, or a look at the disk).
    void DisplayContextMenu(POINT screenPoint);
    // Creates an empty file `name` in Path, adds and focuses its item; none when a file of that
    // name exists (LastIOError 183) or it could not be made (the system error).
    kovalin::TListItem* CreateFile(const std::string& name);
    // Deletes the selection (into the recycle bin when asked); true when the shell carried it out
    // and the user did not stop it. Items whose files are gone afterwards leave the list.
    bool DeleteSelectedFiles(bool toRecycleBin);
    // The full paths of the selected items, in list order.
    std::vector<std::string> CreateFileList() const;

    // The clipboard: the selection's paths as a file list, cut (moved by a paste) or copied.
    void EmptyClipBoard();
    bool CopyToClipBoard();
    bool CutToClipBoard();
    bool CanPasteFromClipBoard() const;
    // Copies or moves the clipboard's files into the folder (empty: the current one); true when a
    // paste took place.
    bool PasteFromClipBoard(const std::string& targetPath = std::string());
    // Copies the selection into its own folder under new names, selects the copies and starts
    // editing the name when it is one.
    void DuplicateSelectedFiles();
    // Takes back the file operator's last copy or move; false when there is none or it failed.
    bool UndoCopyMove();

    // A single click executes an item; a double click then does nothing more.
    bool SingleClickToExec() const { return singleClickToExec_; }
    void SetSingleClickToExec(bool value) { singleClickToExec_ = value; }
    // A right click shows the shell's context menu of the selection (else PopupMenu).
    bool UseSystemContextMenu() const { return useSystemContextMenu_; }
    void SetUseSystemContextMenu(bool value) { useSystemContextMenu_ = value; }
    // The list's own menu, for a right click without selection; none: no menu.
    kovalin::TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(kovalin::TPopupMenu* menu) { popupMenu_ = menu; }
    // A mouse button went down inside the list and has not been released.
    bool LeftButtonDown() const { return leftButtonDown_; }
    bool RightButtonDown() const { return rightButtonDown_; }
    // The name a failed rename offers again.
    const std::string& ReEditName() const { return reEditName_; }
    // Starts renaming the item in place as the user would (F2).
    bool EditItemName(kovalin::TListItem& item);

    // Shows the folder above Path (as the ".." item does).
    void GoToParentFolder() { GoUp(); }

    // A key went down in the list, before the list acts on it: set `handled` to take it.
    std::function<void(TDirView& sender, WPARAM key, bool& handled)> OnKeyDown;
    // Around a rename in place, with the new name.
    std::function<void(TDirView& sender, kovalin::TListItem& item, const std::string& newName)> OnBeginRename;
    std::function<void(TDirView& sender, kovalin::TListItem& item, const std::string& newName)> OnEndRename;
    // Before the list's own popup menu shows; clear `handled` to keep it from showing.
    std::function<void(TDirView& sender, POINT screenPoint, bool& handled)> OnDisplayContextMenu;

    // Before a paste or drop runs its file operation: clear `allow` to prevent it.
    std::function<void(TDirView& sender, dragdrop::TDropEffects effect, bool& allow,
                       const std::string& target, const std::string& source)>
        OnDDFileOperation;
    std::function<void(TDirView& sender, dragdrop::TDropEffects effect, const std::string& target,
                       const std::string& source)>
        OnDDFileOperationExecuted;

protected:
    // Holds what the list runs in the background (its change watching, and the tree's) while a
    // command works on the disk, and resumes it afterwards. Every command that touches the disk
    // takes one: this is where background work is stopped and restarted around commands.
    // The icon thread pauses too; with `holdScanners` the folder-size scanners stop and, when
    // folder sizes are shown, start again afterwards.
    class CommandHold {
    public:
        explicit CommandHold(TDirView& list, bool holdTree = true, bool holdScanners = false);
        CommandHold(const CommandHold&) = delete;
        CommandHold& operator=(const CommandHold&) = delete;
        ~CommandHold();

    private:
        TDirView& list_;
        drivetree::TFileListTree* tree_;
        bool scanners_;
    };

    LRESULT NotifyHandler(NMHDR& header) override;

private:
    // Label editing: whether it may start, and the rename at its end (true: caption accepted).
    bool BeginLabelEdit(kovalin::TListItem& item);
    bool EndLabelEdit(kovalin::TListItem& item, const char* text);
    bool RenameItem(kovalin::TListItem& item, const std::string& newName);
    // The message that carries the offer to edit a rejected name again.
    static UINT ReEditMessage();
    void StartReEdit(int index);
    // Shows the rename failure noted by the last rename and offers to edit again.
    void RenameFailed(int index);
    // Mouse and keys of the list; true when the message was used.
    bool ListMouse(UINT msg, WPARAM wParam, LPARAM lParam);
    bool ContextMenuKey();
    void ShowContextMenuAt(POINT screenPoint);
    // The cut marks on exactly the selected items (none with `none`).
    void MarkCut(bool none);
    // The selected items' id lists relative to the recycle folder.
    std::vector<shell::UniquePidl> SelectedRecycleItems() const;
    HWND OwnerWindow() const;
    // Adds the entry just made on disk, focuses it and reports the change.
    kovalin::TListItem* AddCreatedEntry(const std::string& full);
    // The indices of the selected items, in list order.
    std::vector<int> SelectedItemIndices() const;
    // The full paths of the items at the indices (not ".."), in that order.
    std::vector<std::string> FileListOf(const std::vector<int>& indices) const;
    // The item's file (or folder) no longer exists.
    bool ItemFileGone(kovalin::TListItem& item) const;
    // Makes one shortcut per file in the folder; false when any could not be made.
    bool LinkFilesInto(const std::string& targetPath);
    // The name of the shortcut to `source` in a folder: the file's name, or for a drive root the
    // drive's name with its letter in brackets, plus ".lnk".
    std::string ShortcutName(const std::string& source);
    void InitCommands();

    dragdrop::TDragDropFilesEx dragDropFiles_;
    shell::TFileOperator fileOperator_{this};
    bool confirmDelete_ = true, confirmOverwrite_ = true;
    bool singleClickToExec_ = false, useSystemContextMenu_ = true;
    kovalin::TPopupMenu* popupMenu_ = nullptr;
    bool popupShown_ = false;
    bool leftButtonDown_ = false, rightButtonDown_ = false;
    std::string reEditName_, renameFailure_;
    bool reEditing_ = false;

    // --- background work: the icon thread, folder sizes, change watching ---
public:
    // Icons of the rows in view asked of the shell by a worker thread rather than while drawing.
    bool UseIconUpdateThread() const { return useIconUpdateThread_; }
    void SetUseIconUpdateThread(bool value);
    // Starts the thread for a loaded folder, or points the running one at the first item.
    void StartIconUpdateThread();
    // Raises "Can't terminate icon update thread." when the thread has not ended after 200 waits
    // of 10 ms (a shell call that does not return); the thread is then left to end by itself.
    void StopIconUpdateThread();
    TIconUpdateThread* IconThread() const { return iconThread_.get(); }
    // Set when the thread was told to end.
    bool IconThreadDone() const { return iconThreadDone_; }
    // Runs on the icon thread before it asks the shell for the icon of the item at `index`. Taken
    // when the thread starts; for watching what the thread does.
    std::function<void(int index)> OnIconQuery;

    // One scanner per folder item (not ".."), when the folder is loaded, folders are shown and
    // ShowSubDirSize is on.
    void StartSubDirScanners();
    // Tells every scanner to stop and waits for them; none reports afterwards.
    void StopSubDirScanners();
    // Scanners that have not ended yet.
    int SubDirScannerCount() const;

    bool WatchForChanges() const { return watchForChanges_; }
    virtual void SetWatchForChanges(bool value);
    // Milliseconds from the last change on disk to the refresh; 0 is refused.
    UINT ChangeInterval() const { return changeInterval_; }
    virtual void SetChangeInterval(UINT value);
    bool WatchThreadActive() const;
    shell::TDiscMonitor* ChangeMonitor() const { return changeMonitor_.get(); }

    // Before the refresh that a change on disk brings.
    std::function<void(TDirView& sender)> OnChangeDetected;
    // The folder can no longer be watched (it was removed, say); watching has stopped.
    std::function<void(TDirView& sender)> OnChangeInvalid;

private:
    friend class TIconUpdateThread;
    void IconRequested(kovalin::TListItem& item);
    void StartSubDirScanner(kovalin::TListItem& item);
    // StopSubDirScanners without letting messages run.
    void EndSubDirScanners();
    void SubDirSizeFound(shell::TSubDirScanner& scanner);
    void SubDirScannerEnded(shell::TSubDirScanner* scanner);
    kovalin::TTimer& ChangeTimer();
    void StopChangeTimer();
    void ChangeDetected();
    void ChangeTimerElapsed();
    void ChangeInvalid();
    // Everything in the background stops: before a load, and when the window goes.
    void StopBackgroundWork();

    bool useIconUpdateThread_ = false;
    std::unique_ptr<TIconUpdateThread> iconThread_;
    bool iconThreadDone_ = false;
    int iconTop_ = -1; // the top row the thread was last pointed at
    std::vector<std::unique_ptr<shell::TSubDirScanner>> subDirScanners_;
    // Scanners that have ended, freed once their threads have finished.
    std::vector<std::unique_ptr<shell::TSubDirScanner>> endedScanners_;
    bool watchForChanges_ = false;
    UINT changeInterval_ = 1000;
    std::unique_ptr<shell::TDiscMonitor> changeMonitor_;
    std::unique_ptr<kovalin::TTimer> changeTimer_;

    // --- drag and drop: the list as drag source and as drop target ---
public:
    // The list's own drag image (one item) or the multi-file picture while its files are dragged.
    bool UseDragImages() const { return useDragImages_; }
    void SetUseDragImages(bool value) { useDragImages_ = value; }
    // Programs (EXE, COM) dragged in are linked rather than copied or moved by default.
    bool DDLinkOnExeDrag() const { return ddLinkOnExeDrag_; }
    void SetDDLinkOnExeDrag(bool value) { ddLinkOnExeDrag_ = value; }
    // After a drag with the right button, ask with the drop menu.
    bool TargetPopUpMenu() const { return targetPopUpMenu_; }
    void SetTargetPopUpMenu(bool value);
    // The item highlighted as the target of the drop over the list, none for the folder itself.
    kovalin::TListItem* DDDropTarget() const { return DropTarget(); }
    // The drag of this list's files ended as a move: sources still on disk are watched until they
    // are gone (see ValidateFile).
    bool WatchingMovedFiles() const;
    // The linked tree asks whether a drag of this list's files runs, and tells the list when it
    // has moved them: the moved items leave the list at once.
    bool DraggingFiles() const override;
    void DraggedFilesMoved() override;

    // The component's events, raised with what it gives.
    std::function<void(TDirView& sender, DWORD keyState, POINT start, POINT current,
                       dragdrop::TDragDetectStatus status)>
        OnDDDragDetect;
    std::function<void(TDirView& sender, IDataObject* data, DWORD keyState, POINT point,
                       dragdrop::TDropEffects& effect, bool& accept)>
        OnDDDragEnter;
    std::function<void(TDirView& sender, DWORD keyState, POINT point, dragdrop::TDropEffects& effect)>
        OnDDDragOver;
    std::function<void(TDirView& sender)> OnDDDragLeave;
    std::function<void(TDirView& sender, IDataObject* data, DWORD keyState, POINT point,
                       dragdrop::TDropEffects& effect)>
        OnDDDrop;
    std::function<void(TDirView& sender, bool escapePressed, DWORD keyState, HRESULT& result)>
        OnDDQueryContinueDrag;
    std::function<void(TDirView& sender, dragdrop::TDropEffects effect, HRESULT& result)> OnDDGiveFeedback;
    // May change the effect of the drop before the files are copied, moved or linked.
    std::function<void(TDirView& sender, DWORD keyState, POINT point, dragdrop::TDropEffects& effect)>
        OnDDProcessDropped;
    std::function<void(TDirView& sender, dragdrop::TDropEffects effect)> OnDDExecuted;

protected:
    void BeginDrag(kovalin::TListItem* item, bool rightButton, POINT start) override;

private:
    void InitDragDrop();
    // Source side (DirViewDragStart.cpp).
    // `start`: where the button went down, in client coordinates.
    void StartDraggingFiles(POINT start);
    void BeginItemDragImage(kovalin::TListItem& item, POINT start);
    void BeginFilesDragImage(unsigned files, unsigned folders);
    // Whether the list's change watching runs now.
    bool ChangeWatchActive() const;
    void WatchMovedFiles(const std::vector<std::string>& paths);
    // Target side (DirViewDragDrop.cpp).
    void DDDragEnter(IDataObject* data, DWORD keyState, POINT point, dragdrop::TDropEffects& effect,
                     bool& accept);
    void DDDragOver(DWORD keyState, POINT point, dragdrop::TDropEffects& effect);
    void DDDragLeave();
    void DDQueryContinueDrag(bool escapePressed, DWORD keyState, HRESULT& result);
    void DDDrop(IDataObject* data, DWORD keyState, POINT point, dragdrop::TDropEffects& effect);
    void DDProcessDropped(DWORD keyState, POINT point, dragdrop::TDropEffects effect);
    void DDSpecifyDropTarget(bool handlers, POINT point, shell::UniquePidl& item, std::string& name);
    // The drop target under the point: a folder item or a file that takes drops itself.
    kovalin::TListItem* DropTargetAt(POINT point, bool& targetFile, dragdrop::TDropEffects& effect);
    void AutoScroll(kovalin::TListItem* under, POINT point);
    void SetDDDropTarget(kovalin::TListItem* item);
    // The folder above Path, with the backslash a drive root needs.
    std::string ParentFolder() const;
    // Files from elsewhere hover: a refresh comes soon after they are dropped.
    void HoverRefresh(bool hovering);

    bool useDragImages_ = true;
    bool ddLinkOnExeDrag_ = true;
    bool targetPopUpMenu_ = true;
    char ddSourceDrive_ = 0; // upper-case letter of the first dragged path
    bool ddLinkExeDrag_ = false;
    DWORD ddDragStartTick_ = 0;
    bool ddDragImageShown_ = false; // the drag image list shows the picture of this list's drag
    DWORD ddLastScrollTick_ = 0;
    int ddScrollCount_ = 0;
    bool ddDropPending_ = false;  // a drop onto this list waits for its posted step
    bool ddDropFromSelf_ = false; // and its files came from this list
    // Is the file under the cursor a drop target itself? Asked once per item the cursor enters.
    kovalin::TListItem* ddProbedItem_ = nullptr;
    bool ddProbedIsTarget_ = false;
    std::unique_ptr<kovalin::TTimer> ddHoverTimer_;
    // Shared with the deletion watcher's callback, which may come after the list is gone.
    std::shared_ptr<TDirView*> ddAlive_;
    dragdrop::TFileDeleteThread* ddDeleteWatch_ = nullptr;
};

} // namespace filelist
