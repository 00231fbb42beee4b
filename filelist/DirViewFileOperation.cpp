// The file operation into a folder that a paste and a drop end in: copy, move (or delete into the
// recycle bin) through the list's file operator, or shortcuts to the files; then the views are
// brought in line with the disk.
#include "filelist/DirView.h"

#include "dragdrop/DragDropError.h"
#include "shell/BaseUtils.h"
#include "shell/ShellLink.h"
#include "shell/WaitCursor.h"

#include <cctype>
#include <string>
#include <vector>

namespace filelist {

using dragdrop::deCopy;
using dragdrop::deLink;
using dragdrop::deMove;
using shell::TFileOperation;
using shell::TFileOperationFlag;

namespace {

TDirView*& DragSourceSlot() {
    static TDirView* list = nullptr;
    return list;
}

std::string FolderPart(const std::string& path) {
    const size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string NamePart(const std::string& path) {
    return path.substr(path.find_last_of('\\') + 1);
}

bool IsDriveRootPath(const std::string& path) {
    return path.size() == 3 && path[1] == ':' && path[2] == '\\';
}

std::string UpperCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Whether `folder` is `path` itself or lies below it: a copy or move of `path` into it would
// never end.
bool InsideOf(const std::string& folder, const std::string& path) {
    const std::string f = UpperCase(shell::IncludeTrailingBackslash(folder));
    const std::string p = UpperCase(shell::IncludeTrailingBackslash(path));
    return f.compare(0, p.size(), p) == 0;
}

// A name in the folder that nothing has yet: "Copy of NAME", then "Copy (2) of NAME" and so on.
std::string FreeCopyName(const std::string& folder, const std::string& name) {
    std::string candidate = "Copy of " + name;
    for (int n = 2; shell::FileOrDirExists(folder + "\\" + candidate); ++n)
        candidate = "Copy (" + std::to_string(n) + ") of " + name;
    return candidate;
}

} // namespace

TDirView* TDirView::DragSourceList() {
    return DragSourceSlot();
}

void TDirView::SetDragSourceList(TDirView* list) {
    DragSourceSlot() = list;
}

void TDirView::InitCommands() {
    fileOperator_.SetProgressTitle("Filesystem Operation");
    fileOperator_.SetFlags({TFileOperationFlag::foAllowUndo, TFileOperationFlag::foNoConfirmMkDir});
}

TDirView::CommandHold::CommandHold(TDirView& list, bool holdTree, bool holdScanners)
    : list_(list), tree_(holdTree ? list.DriveView() : nullptr), scanners_(holdScanners) {
    // The icon thread first: the one stop that can fail, before anything needs resuming.
    list_.StopIconUpdateThread();
    if (scanners_) list_.StopSubDirScanners();
    list_.StopWatchThread();
    if (tree_) tree_->StopWatching();
}

TDirView::CommandHold::~CommandHold() {
    if (tree_) tree_->StartWatching();
    try {
        if (list_.UseIconUpdateThread() && !list_.RecycleBinMode()) list_.StartIconUpdateThread();
        if (scanners_) list_.StartSubDirScanners();
        list_.StartWatchThread();
    } catch (...) {
        // What failed to start again leaves the list as it is after a command without background
        // work; the command itself has run.
    }
}

bool TDirView::PerformDragDropFileOperation(const std::string& targetPath, dragdrop::TDropEffects effect,
                                            bool renameOnCollision, bool ontoRecycleBin) {
    dragdrop::TFileList& files = dragDropFiles_.FileList();
    if (files.Count() == 0) return false;
    if (!shell::DirExists(targetPath)) {
        Reload(true);
        throw dragdrop::EDragDrop(1);
    }
    const bool deleteMode = recycleBinMode_ || ontoRecycleBin;
    const std::string target = shell::ExcludeTrailingBackslash(targetPath);
    TDirView* sourceList = DragSourceList() != this ? DragSourceList() : nullptr;
    drivetree::TFileListTree* tree = DriveView();

    std::vector<std::string> sources;
    for (int i = 0; i < files.Count(); ++i)
        if (!files.Item(i).Name.empty()) sources.push_back(files.Item(i).Name);
    std::string sourceFolder;
    if (!sources.empty())
        sourceFolder = shell::DirExists(sources.front()) ? sources.front() : FolderPart(sources.front());

    // The list the files come from changes too: its watching is held as well.
    class SourceHold {
    public:
        explicit SourceHold(TDirView* list) : list_(list) {
            if (list_) list_->StopWatchThread();
        }
        SourceHold(const SourceHold&) = delete;
        SourceHold& operator=(const SourceHold&) = delete;
        ~SourceHold() {
            if (list_) list_->StartWatchThread();
        }

    private:
        TDirView* list_;
    };

    bool succeeded = false;
    {
        CommandHold hold(*this);
        SourceHold sourceHold(sourceList);
        shell::TWaitCursor wait;
        if (effect & (deCopy | deMove)) {
            const bool move = (effect & deMove) != 0;
            // A folder copied or moved into itself or below itself would be copied for ever or
            // lost: the shell refuses that on Windows but not everywhere, so it is refused here.
            if (!deleteMode)
                for (const std::string& source : sources)
                    if (InsideOf(target, source) && shell::DirExists(source))
                        throw kovalin::Exception("The destination folder is inside the folder itself: " +
                                                 source);
            shell::TFileOperationFlags flags{TFileOperationFlag::foAllowUndo,
                                             TFileOperationFlag::foNoConfirmMkDir};
            if (renameOnCollision)
                flags += shell::TFileOperationFlags{TFileOperationFlag::foRenameOnCollision};
            if ((deleteMode && !confirmDelete_) || (!deleteMode && !confirmOverwrite_))
                flags += shell::TFileOperationFlags{TFileOperationFlag::foNoConfirmation};
            // The list finds the new names itself: not every shell renames on collision, and one
            // that does not would copy a file onto itself.
            const bool renaming = renameOnCollision && !move && !deleteMode;
            const bool mapped = !deleteMode && (files.AnyMappedName() || renaming);
            if (mapped) flags += shell::TFileOperationFlags{TFileOperationFlag::foMultiDestFiles};
            fileOperator_.SetFlags(flags);
            fileOperator_.SetWantMappingHandle(renameOnCollision);
            fileOperator_.SetOperation(deleteMode ? TFileOperation::foDelete
                                                  : (move ? TFileOperation::foMove : TFileOperation::foCopy));
            fileOperator_.OperandFrom() = sources;
            fileOperator_.OperandTo().clear();
            if (!deleteMode) {
                if (mapped) {
                    for (int i = 0; i < files.Count(); ++i) {
                        const dragdrop::TFileListItem& file = files.Item(i);
                        if (file.Name.empty()) continue;
                        std::string name = file.MappedName.empty() ? NamePart(file.Name) : file.MappedName;
                        if (renaming && shell::FileOrDirExists(target + "\\" + name))
                            name = FreeCopyName(target, name);
                        fileOperator_.OperandTo().push_back(target + "\\" + name);
                    }
                } else {
                    fileOperator_.OperandTo().push_back(target);
                }
            }
            bool allow = true;
            if (OnDDFileOperation) OnDDFileOperation(*this, effect, allow, target, sourceFolder);
            if (allow && !sources.empty()) {
                succeeded = fileOperator_.Execute() && !fileOperator_.AnyOperationsAborted();
                // Names the shell invented from a map are not what an undo would look for.
                if (mapped) fileOperator_.ClearUndo();
                RefreshDirectory();
                if (OnDDFileOperationExecuted) OnDDFileOperationExecuted(*this, effect, target, sourceFolder);
            }
            fileOperator_.OperandFrom().clear();
            fileOperator_.OperandTo().clear();
        } else if (effect & deLink) {
            succeeded = LinkFilesInto(target);
            RefreshDirectory();
        }

        if (sourceList && (effect & deMove)) sourceList->ValidateSelectedFiles();
        if (tree) {
            tree->ValidateFolder(target);
            if ((effect & deMove) || deleteMode) {
                const std::string parent = FolderPart(sourceFolder);
                if (!parent.empty()) tree->ValidateFolder(parent);
            }
        }
    }
    if ((effect & deLink) && !(effect & (deCopy | deMove)) && !succeeded) throw dragdrop::EDragDrop(0);
    return succeeded;
}

std::string TDirView::ShortcutName(const std::string& source) {
    if (IsDriveRootPath(source)) {
        // "Local Disk (C)" rather than a name the file system refuses.
        std::string name = driveInfo_.GetPrettyName(source[0]);
        if (name.size() >= 3 && name[1] == ':' && name[2] == ' ') name.erase(0, 3);
        if (name.empty()) name = "Drive";
        return name + " (" + std::string(1, source[0]) + ").lnk";
    }
    return NamePart(shell::ExcludeTrailingBackslash(source)) + ".lnk";
}

bool TDirView::LinkFilesInto(const std::string& targetPath) {
    dragdrop::TFileList& files = dragDropFiles_.FileList();
    bool all = true;
    for (int i = 0; i < files.Count(); ++i) {
        const std::string& source = files.Item(i).Name;
        if (source.empty()) {
            all = false;
            continue;
        }
        const std::string link = targetPath + "\\" + ShortcutName(source);
        const std::string folder = IsDriveRootPath(source) ? source : FolderPart(source);
        if (!shell::CreateShortcut(link, source, folder, shell::FileNameWithoutExt(source))) all = false;
    }
    return all;
}

} // namespace filelist
