// New folders and files in the list's folder, and deleting the selection (into the recycle bin or
// for good), each followed by exactly what changed on disk.
#include "filelist/DirView.h"

#include "filelist/DirViewHelpers.h"
#include "filelist/LastIOError.h"
#include "shell/BaseUtils.h"
#include "shell/UpdateBracket.h"

#include <optional>
#include <string>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

DWORD TDirView::LastIOError() {
    return TLastIOError::Program().Value();
}

TListItem* TDirView::CreateDirectory(const std::string& name) {
    const TCreatedFolder created = CreateFolder(name);
    TLastIOError::Program().Set(created.error);
    return created.item;
}

TDirView::TCreatedFolder TDirView::CreateFolder(const std::string& name) {
    // Without a folder the name would land in the root of the current drive; a name with a
    // separator would make a folder somewhere else than the item added here.
    if (path_.empty()) return {nullptr, ERROR_PATH_NOT_FOUND};
    if (name.find_first_of("\\/") != std::string::npos) return {nullptr, ERROR_INVALID_NAME};
    const std::string full = path_ + "\\" + name;
    if (shell::FileOrDirExists(full)) return {nullptr, ERROR_ALREADY_EXISTS};
    TCreatedFolder created;
    {
        CommandHold hold(*this);
        if (!::CreateDirectoryA(full.c_str(), nullptr))
            created.error = GetLastError();
        else
            created.item = AddCreatedEntry(full);
    }
    if (DriveView()) DriveView()->ValidateSelection();
    return created;
}

TListItem* TDirView::AddCreatedEntry(const std::string& full) {
    // The name as the file system stored it (trailing dots and blanks are dropped).
    WIN32_FIND_DATAA entry{};
    bool found = false;
    ForEachEntry(full, [&](const WIN32_FIND_DATAA& e) {
        entry = e;
        found = true;
        return false;
    });
    if (!found) return nullptr;
    AddItem(entry);
    TListItem* item = FindFileItem(entry.cFileName);
    if (item) {
        item->SetFocused(true);
        item->MakeVisible(false);
    }
    if (OnDirUpdated) OnDirUpdated(*this);
    return item;
}

TListItem* TDirView::CreateFile(const std::string& name) {
    DWORD error = ERROR_SUCCESS;
    TListItem* item = nullptr;
    const std::string full = path_ + "\\" + name;
    if (path_.empty()) {
        error = ERROR_PATH_NOT_FOUND;
    } else if (name.empty() || name.find_first_of("\\/") != std::string::npos) {
        error = ERROR_INVALID_NAME;
    } else if (shell::FileOrDirExists(full) && !shell::DirExists(full)) {
        error = ERROR_ALREADY_EXISTS;
    } else {
        CommandHold hold(*this, false);
        // CREATE_NEW never opens what is there: a folder of that name fails here too.
        HANDLE file = ::CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_ARCHIVE, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = GetLastError();
        } else {
            CloseHandle(file);
            item = AddCreatedEntry(full);
        }
    }
    TLastIOError::Program().Set(error);
    return item;
}

std::vector<std::string> TDirView::CreateFileList() const {
    return FileListOf(SelectedItemIndices());
}

std::vector<std::string> TDirView::FileListOf(const std::vector<int>& indices) const {
    std::vector<std::string> list;
    for (int index : indices) {
        const TFileRec* rec = ItemData(index);
        if (rec && !rec->IsParentDir) list.push_back(ItemFullFileName(&Item(index)));
    }
    return list;
}

bool TDirView::DeleteSelectedFiles(bool toRecycleBin) {
    const std::vector<int> selected = SelectedItemIndices();
    if (selected.empty()) return false;
    if (recycleBinMode_) toRecycleBin = false;
    const int firstIndex = selected.front();
    bool folderRemoved = false;
    bool result = false;
    {
        CommandHold hold(*this, true, true);
        std::optional<shell::TUpdateBracket<TDirView>> bracket;
        if (selected.size() >= 10) bracket.emplace(*this);

        shell::TFileOperator op(this);
        op.SetOperation(shell::TFileOperation::foDelete);
        op.SetProgressTitle("Filesystem Operation");
        shell::TFileOperationFlags flags{shell::TFileOperationFlag::foNoConfirmMkDir};
        if (!confirmDelete_) flags += shell::TFileOperationFlags{shell::TFileOperationFlag::foNoConfirmation};
        if (toRecycleBin) flags += shell::TFileOperationFlags{shell::TFileOperationFlag::foAllowUndo};
        op.SetFlags(flags);
        // The selection as read above: asking the control for it again costs as much once more.
        op.OperandFrom() = FileListOf(selected);
        if (op.OperandFrom().empty()) return false;
        result = op.Execute() && !op.AnyOperationsAborted();

        Sleep(0);
        // What is gone leaves the list; what is still there (a file another program holds open)
        // stays. Existence is the test: a file held open for writing cannot be opened for reading
        // and is still the user's file.
        std::optional<shell::TUpdateBracket<TDirView>> removal;
        if (selected.size() > 3) removal.emplace(*this);
        std::vector<int> gone = GoneItems(*this, selected);
        for (int index : gone)
            if (ItemData(index)->IsDirectory) folderRemoved = true;
        DeleteItems(std::move(gone));
    }
    if (OnDirUpdated) OnDirUpdated(*this);
    if (folderRemoved && DriveView()) DriveView()->ValidateSelection();
    if (!Selected() && ItemCount() > 0) {
        TListItem& next = Item(firstIndex < ItemCount() ? firstIndex : ItemCount() - 1);
        next.SetSelected(true);
        next.SetFocused(true);
    }
    return result;
}

} // namespace filelist
