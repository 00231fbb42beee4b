#include "filelist/DirView.h"

#include "filelist/DirViewHelpers.h"
#include "filelist/IconUpdateThread.h"
#include "kovalin/Form.h"
#include "shell/DiscMon.h"
#include "shell/PIDL.h"
#include "shell/SubDirScanner.h"
#include "shell/UpdateBracket.h"

#include <vector>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

TDirView::TDirView(kovalin::TWinControl& parent, const Params& params, shell::TDriveInfo& drives)
    : TIEListView(parent, params), driveInfo_(drives) {
    char separator[8] = ",";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof separator);
    thousandSeparator_ = separator;
    CreateColumns();
    InitCommands();
    InitDragDrop();
}

TDirView::~TDirView() {
    StopBackgroundWork();
    abortLoad_ = true;
    animation_.reset();
    {
        shell::TUpdateBracket update(*this);
        ClearItems();
    }
    SetDriveView(nullptr);
}
void TDirView::StopBackgroundWork() {
    // No messages run here: this is also the end of the window.
    EndSubDirScanners();
    try {
        StopIconUpdateThread();
    } catch (...) {
        // A thread that does not end has been let go; the list goes on without it.
    }
    StopWatchThread();
    StopChangeTimer();
}

// --- paths and items ---------------------------------------------------------------------------

void TDirView::SetPath(const std::string& value) {
    std::string path = value;
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    if (path == path_) return;
    lastPath_ = path_;
    path_ = path;
    LoadDirectory(path_);
}

std::string TDirView::GetPathName() const {
    return IsDriveRoot(path_) ? path_ + "\\" : path_;
}

TFileRec* TDirView::ItemData(const TListItem* item) {
    // Every item of the list is added with its record (AddItem, AddParentDirItem).
    return item ? static_cast<TFileRec*>(item->Data()) : nullptr;
}

TFileRec* TDirView::ItemData(int index) const {
    return index >= 0 && index < ItemCount() ? ItemData(&Item(index)) : nullptr;
}

std::string TDirView::ItemFullFileName(TListItem* item) const {
    const TFileRec* rec = ItemData(item);
    if (!rec) return std::string();
    if (recycleBinMode_) return rec->FileName;
    return path_ + "\\" + rec->FileName;
}

std::string TDirView::ItemFileExt(TListItem* item) const {
    const TFileRec* rec = ItemData(item);
    if (!rec) return std::string();
    const size_t cut = rec->FileName.find_last_of("\\:.");
    if (cut == std::string::npos || rec->FileName[cut] != '.') return std::string();
    return rec->FileName.substr(cut);
}

TListItem* TDirView::FindFileItem(const std::string& name) const {
    for (int i = 0; i < ItemCount(); ++i) {
        const TFileRec* rec = ItemData(i);
        if (rec && rec->FileName == name) return &Item(i);
    }
    return nullptr;
}

// --- properties --------------------------------------------------------------------------------

void TDirView::SetMask(const std::string& value) {
    const std::string old = Mask();
    TIEListView::SetMask(value);
    if (Mask() == old) return;
    UpdateNameColumnCaption(showMaskInHeader_);
    ReloadIfLoaded();
}

void TDirView::SetShowDirectories(bool value) {
    if (showDirectories_ == value) return;
    showDirectories_ = value;
    ReloadIfLoaded();
}

void TDirView::SetFileNameDisplay(shell::TFileNameDisplay value) {
    if (fileNameDisplay_ == value) return;
    fileNameDisplay_ = value;
    ReloadIfLoaded();
}

std::string TDirView::DisplayFileName(const std::string& name) const {
    // Names of up to 8.3 characters are the ones worth recasing; long names and names with blanks
    // were given their case on purpose.
    return shell::DisplayedName(name, fileNameDisplay_, {.maxLength = 12, .keepBlankNames = true});
}

void TDirView::ReloadIfLoaded() {
    if (dirOK_ && !loading_) Reload(true);
}

void TDirView::SetLoadEnabled(bool value) {
    if (loadEnabled_ == value) return;
    loadEnabled_ = value;
    if (loadEnabled_ && loadPending_) {
        if (ItemCount() <= 100)
            Reload(true);
        else
            RefreshDirectory();
    }
}

void TDirView::ResumeLoading(bool keepIcons) {
    loadEnabled_ = true;
    loadPending_ = false;
    Reload(keepIcons);
}

shell::UniquePidl TDirView::ParseShellPath(const std::string& path) {
    if (!desktopFolder_) desktopFolder_ = shell::DesktopFolder();
    if (!desktopFolder_) return shell::UniquePidl();
    return ParsePath(*desktopFolder_.get(), ParentForm() ? ParentForm()->Handle() : nullptr, path);
}

kovalin::ComPtr<IShellFolder> TDirView::GetShellFolder(const std::string& path) {
    kovalin::ComPtr<IShellFolder> folder;
    if (const shell::UniquePidl list = ParseShellPath(path)) shell::BindFolder(list.get(), folder);
    return folder;
}

IShellFolder* TDirView::ShellFolder() const {
    if (!shellFolder_ && unboundFolder_) {
        // Once: a folder the shell will not bind stays without.
        const shell::UniquePidl list = std::move(unboundFolder_);
        shell::BindFolder(list.get(), shellFolder_);
    }
    return shellFolder_.get();
}

} // namespace filelist
