// Cut, copy and paste of files through the system clipboard (shared with other programs and the
// drive tree), duplicating the selection, and undoing the last copy or move.
#include "filelist/DirView.h"

#include "kovalin/ComPtr.h"
#include "shell/BaseUtils.h"
#include "shell/ClipboardMode.h"
#include "shell/WaitCursor.h"

#include <ole2.h>

#include <string>

namespace filelist {

using kovalin::TListItem;
using shell::TClipboardMode;

namespace {

std::string FolderOf(const std::string& path) {
    const size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

} // namespace

void TDirView::EmptyClipBoard() {
    if (OpenClipboard(Handle())) {
        EmptyClipboard();
        CloseClipboard();
    }
    if (shell::ClipboardMode() != TClipboardMode::None) MarkCut(true);
    shell::SetClipboardMode(TClipboardMode::None);
    if (DriveView()) DriveView()->ClipboardEmptied();
}

bool TDirView::CopyToClipBoard() {
    shell::TWaitCursor wait;
    EmptyClipBoard();
    const std::vector<std::string> files = CreateFileList();
    if (files.empty()) return false;
    dragdrop::TFileList& list = dragDropFiles_.FileList();
    list.Clear();
    for (const std::string& file : files)
        list.Add(file);
    // The same choice as for a drag: asking the shell for every item's id list costs too much for
    // many items (under Wine seconds per thousand, growing with the folder) and on floppies; the
    // file names alone are what a paste reads.
    dragDropFiles_.SetCompleteFileList(
        !(files.size() > 100 || recycleBinMode_ || driveType_ == DRIVE_REMOVABLE));
    const bool done = dragDropFiles_.CopyToClipboard();
    list.Clear();
    if (done) shell::SetClipboardMode(TClipboardMode::Copy);
    return done;
}

bool TDirView::CutToClipBoard() {
    if (!CopyToClipBoard()) return false;
    MarkCut(false);
    shell::SetClipboardMode(TClipboardMode::Cut);
    return true;
}

bool TDirView::CanPasteFromClipBoard() const {
    return dirOK_ && !path_.empty() && IsClipboardFormatAvailable(CF_HDROP);
}

bool TDirView::PasteFromClipBoard(const std::string& targetPath) {
    if (!CanPasteFromClipBoard()) return false;
    kovalin::ComPtr<IDataObject> data;
    if (FAILED(OleGetClipboard(data.put())) || !data) return false;
    dragDropFiles_.ReadData(data.get());
    dragdrop::TFileList& files = dragDropFiles_.FileList();
    if (files.Count() == 0) return false;
    struct Clear {
        dragdrop::TFileList& files;
        ~Clear() { files.Clear(); }
    } clear{files};

    const std::string target = targetPath.empty() ? GetPathName() : targetPath;
    switch (shell::ClipboardMode()) {
    case TClipboardMode::Cut: {
        const bool moved = PerformDragDropFileOperation(target, dragdrop::deMove, false);
        // The files are where the paste put them: what was cut is no longer on the clipboard.
        EmptyClipBoard();
        return moved;
    }
    case TClipboardMode::Copy: {
        const bool sameFolder =
            _stricmp(shell::ExcludeTrailingBackslash(FolderOf(files.Item(0).Name)).c_str(),
                     shell::ExcludeTrailingBackslash(target).c_str()) == 0;
        return PerformDragDropFileOperation(target, dragdrop::deCopy, sameFolder);
    }
    case TClipboardMode::None:
        break;
    }
    return PerformDragDropFileOperation(target, dragdrop::deCopy, false);
}

void TDirView::DuplicateSelectedFiles() {
    if (!Selected()) return;
    struct Empty {
        TDirView& list;
        ~Empty() { list.EmptyClipBoard(); }
    } empty{*this};
    if (!CopyToClipBoard()) return;
    SetSelectNewItems(true);
    struct Reset {
        TDirView& list;
        ~Reset() { list.SetSelectNewItems(false); }
    } reset{*this};
    ClearSelection();
    PasteFromClipBoard();
    SetSelectNewItems(false);
    if (TListItem* first = Selected()) {
        first->SetFocused(true);
        first->MakeVisible(false);
        if (SelCount() == 1) EditItemName(*first);
    }
}

bool TDirView::UndoCopyMove() {
    if (!fileOperator_.CanUndo()) return false;
    bool undone = false;
    {
        CommandHold hold(*this);
        const std::vector<std::string> from = fileOperator_.UndoFrom();
        const std::vector<std::string> to = fileOperator_.UndoTo();
        undone = fileOperator_.UndoExecute();
        RefreshDirectory();
        if (drivetree::TFileListTree* tree = DriveView()) {
            if (!from.empty()) tree->ValidateFolder(FolderOf(from.front()));
            if (!to.empty()) tree->ValidateFolder(shell::ExcludeTrailingBackslash(to.front()));
        }
    }
    return undone;
}

} // namespace filelist
