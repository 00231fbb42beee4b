#include "filelist/DirView.h"

#include "drivetree/IEDriveInfo.h"
#include "filelist/DirViewHelpers.h"
#include "kovalin/Form.h"
#include "shell/PIDL.h"

#include <vector>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

TDirView::TDirView(kovalin::TWinControl& parent, const Params& params) : TIEListView(parent, params) {
    drivetree::InitDriveInfo();
    // The records belong to their items; nothing of this object is touched, as the list's own
    // destructor still deletes items after this one has gone.
    OnDeletion = [](TListItem& item) {
        delete static_cast<TFileRec*>(item.Data());
        item.SetData(nullptr);
    };
    char separator[8] = ",";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof separator);
    thousandSeparator_ = separator;
    CreateColumns();
}

TDirView::~TDirView() {
    abortLoad_ = true;
    animation_.reset();
    BeginUpdate();
    ClearItems();
    EndUpdate();
    drivetree::DoneDriveInfo();
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

void TDirView::SetFileNameDisplay(drivetree::TFileNameDisplay value) {
    if (fileNameDisplay_ == value) return;
    fileNameDisplay_ = value;
    ReloadIfLoaded();
}

std::string TDirView::DisplayFileName(const std::string& name) const {
    std::string shown = name;
    switch (fileNameDisplay_) {
    case drivetree::fndCap:
        CharUpperBuffA(shown.data(), static_cast<DWORD>(shown.size()));
        break;
    case drivetree::fndNoCap:
        CharLowerBuffA(shown.data(), static_cast<DWORD>(shown.size()));
        break;
    case drivetree::fndNice:
        // Long names and names with blanks were given their case on purpose.
        if (shown.size() > 12 || shown.find(' ') != std::string::npos) break;
        CharLowerBuffA(shown.data(), static_cast<DWORD>(shown.size()));
        if (!shown.empty()) CharUpperBuffA(shown.data(), 1);
        break;
    case drivetree::fndStored:
        break;
    }
    return shown;
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

kovalin::ComPtr<IShellFolder> TDirView::GetShellFolder(const std::string& path) {
    if (!desktopFolder_) desktopFolder_ = shell::DesktopFolder();
    kovalin::ComPtr<IShellFolder> folder;
    if (!desktopFolder_) return folder;
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0) return folder;
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
    HWND owner = ParentForm() ? ParentForm()->Handle() : nullptr;
    LPITEMIDLIST list = nullptr;
    if (FAILED(desktopFolder_->ParseDisplayName(owner, nullptr, wide.data(), nullptr, &list, nullptr)))
        return folder;
    shell::UniquePidl owned(list);
    shell::BindFolder(owned.get(), folder);
    return folder;
}

} // namespace filelist
