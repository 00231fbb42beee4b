// Loading a folder into the file list: the filters, the items, and the ending of a load.
#include "filelist/DirView.h"

#include "filelist/DirViewHelpers.h"
#include "filelist/ListGlobals.h"
#include "kovalin/Application.h"
#include "shell/BaseUtils.h"
#include "shell/MaskSearch.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <unordered_set>
#include <utility>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

namespace {

// The parent folder item's type is this one text whatever the user's language.
constexpr char kParentDirTypeName[] = "\xDC"
                                      "bergeordneter Dateiordner";
constexpr DWORD kAnimationDelayMs = 1000;
constexpr int kPumpEvery = 100;

} // namespace

// --- acceptance --------------------------------------------------------------------------------

TDirView::Acceptance TDirView::BuildAcceptance() const {
    Acceptance a;
    const std::pair<TSelAttr, DWORD> filters[] = {{selArchive_, FILE_ATTRIBUTE_ARCHIVE},
                                                  {selHidden_, FILE_ATTRIBUTE_HIDDEN},
                                                  {selReadOnly_, FILE_ATTRIBUTE_READONLY},
                                                  {selSysFile_, FILE_ATTRIBUTE_SYSTEM}};
    for (const auto& [sel, bit] : filters) {
        if (sel == SelYes) a.include |= bit;
        if (sel == SelNo) a.exclude |= bit;
    }
    a.from = (static_cast<uint32_t>(selFileDateFrom_) << 16) | selFileTimeFrom_;
    a.to = (static_cast<uint32_t>(selFileDateTo_) << 16) | selFileTimeTo_;
    a.sizeFrom = selFileSizeFrom_;
    a.sizeTo = selFileSizeTo_;
    // The conversion to local time asks the system for the time zone at every call, which costs
    // more than listing the file does; the bias is the same for every file of one load.
    FILETIME utc, local;
    GetSystemTimeAsFileTime(&utc);
    if (FileTimeToLocalFileTime(&utc, &local)) a.localBias = FileTimeValue(local) - FileTimeValue(utc);
    return a;
}

bool TDirView::Acceptance::Accepts(const WIN32_FIND_DATAA& entry) const {
    const DWORD attr = entry.dwFileAttributes;
    if (include && (attr & include) != include) return false;
    if (exclude && (attr & exclude)) return false;
    if (attr & FILE_ATTRIBUTE_DIRECTORY) return false;
    const int64_t size = EntrySize(entry);
    if (size < sizeFrom || size > sizeTo) return false;
    // Local time through the bias of this load: what converting each file's time would give.
    const int64_t utc = FileTimeValue(entry.ftLastWriteTime);
    if (utc < 0 || (localBias > 0 && utc > INT64_MAX - localBias) || utc + localBias < 0) return false;
    const uint64_t value = static_cast<uint64_t>(utc + localBias);
    const FILETIME local{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
    WORD date = 0, time = 0;
    if (!FileTimeToDosDateTime(&local, &date, &time))
        return false; // outside what the packed form can hold: before 1980 or after 2107
    const uint32_t packed = (static_cast<uint32_t>(date) << 16) | time;
    return packed >= from && packed <= to;
}

bool TDirView::CallOnAddFile(const WIN32_FIND_DATAA& entry) {
    bool accept = true;
    if (OnAddFile) OnAddFile(*this, entry, accept);
    return accept;
}

// --- loading -----------------------------------------------------------------------------------

TListItem& TDirView::AddItem(const WIN32_FIND_DATAA& entry) {
    auto rec = std::make_unique<TFileRec>();
    rec->FileName = entry.cFileName;
    rec->FileExt = ExtOf(rec->FileName);
    rec->DisplayName = DisplayFileName(rec->FileName);
    rec->Attr = entry.dwFileAttributes;
    rec->IsDirectory = IsDir(entry);
    rec->IsRecycleBin = rec->IsDirectory && IsDriveRoot(path_) && (rec->Attr & FILE_ATTRIBUTE_SYSTEM) &&
                        LowerName(rec->FileName) == "recycled";
    rec->Size = rec->IsDirectory ? -1 : EntrySize(entry);
    rec->FileTime = entry.ftLastWriteTime;
    const bool shortcut = rec->FileExt == "LNK";
    // The caption is copied once, from the record, which stays where it is when the item takes it.
    static const std::string noCaption;
    const TFileRec& added = *rec;
    TListItem& item = TListView::AddItem(recycleBinMode_ ? noCaption : added.FileName, std::move(rec));
    if (shortcut) item.SetOverlayIndex(1);
    if (selectNewItems_) item.SetSelected(true);
    return item;
}

void TDirView::AddParentDirItem() {
    hasParentDir_ = true;
    auto rec = std::make_unique<TFileRec>();
    rec->FileName = rec->DisplayName = "..";
    ForEachEntry(path_, [&rec](const WIN32_FIND_DATAA& self) {
        rec->Attr = self.dwFileAttributes;
        rec->FileTime = self.ftLastWriteTime;
        return false;
    });
    rec->IsDirectory = true;
    rec->IsParentDir = true;
    rec->Size = -1;
    rec->IconPending = false;
    rec->InfoPending = false;
    rec->ImageIndex = Globals().commonControls470 ? Globals().folderIcon : Globals().openFolderIcon;
    rec->TypeName = kParentDirTypeName;
    TListView::AddItem("..", std::move(rec));
}

// Every hundredth file lets waiting messages run (a click, a new folder to show) and, after a
// second, shows the busy animation.
void TDirView::FileAdded() {
    if (++addedFiles_ % kPumpEvery != 0) return;
    kovalin::Application().ProcessMessages();
    if (showAnimation_ && !animation_ && GetTickCount() - loadStartTick_ > kAnimationDelayMs)
        ShowBusyAnimation();
}

void TDirView::ShowBusyAnimation() {
    // In the middle of the list; a missing clip or control leaves the load without animation.
    auto anim = std::make_unique<shell::TSearchAnimation>(Handle(), 1, 2);
    if (*anim) animation_ = std::move(anim);
}

// Whatever leaves the load, the list gets its drawing, cursor and Loading flag back.
class TDirView::LoadEnding {
public:
    explicit LoadEnding(TDirView& view) : view_(view) {}
    LoadEnding(const LoadEnding&) = delete;
    LoadEnding& operator=(const LoadEnding&) = delete;
    ~LoadEnding() {
        if (done_) return;
        view_.animation_.reset();
        view_.typeCache_.Sort();
        view_.loading_ = false;
        view_.abortLoad_ = false;
        view_.EndUpdate();
        view_.loadCompleted_ = true;
    }
    void Done() { done_ = true; }

private:
    TDirView& view_;
    bool done_ = false;
};

void TDirView::LoadDirectory(const std::string& path) {
    if (!loadEnabled_ || loading_) {
        // The path is kept, so that the ending reloads the newest folder even when it was asked
        // for here rather than through SetPath.
        if (path != path_) {
            lastPath_ = path_;
            path_ = path;
        }
        loadPending_ = true;
        if (loading_) abortLoad_ = true;
        return;
    }
    loading_ = true;
    {
        // Set before anything can throw, so that an exception cannot leave Loading on.
        LoadEnding ending(*this);
        BeginUpdate();
        WaitCursor cursor;
        path_ = path;
        hasParentDir_ = false;
        if (OnStartLoading) OnStartLoading(*this);
        StopBackgroundWork();

        if (ItemCount() > 0) {
            SetDropTarget(nullptr);
            ClearItems();
        }
        loadStartTick_ = GetTickCount();
        addedFiles_ = 0;
        const Acceptance accept = BuildAcceptance();
        loadCompleted_ = false;

        bool driveValid = false;
        driveType_ = 0;
        const char letter = path.empty() ? '\0' : path[0];
        if ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) {
            // A linked tree keeps the drive information current itself.
            if (!DriveView()) driveInfo_.ReadDriveStatus(letter, shell::dsSize);
            const shell::TDriveInfoRec drive = driveInfo_.GetDriveData(
                letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter);
            driveType_ = drive.DriveType;
            driveValid = drive.Valid;
        }
        dirOK_ = driveValid && shell::DirExists(path);
        // Nothing of the folder before may answer for this one.
        shellFolder_.reset();
        unboundFolder_.reset();

        if (dirOK_) {
            const std::optional<bool> treeSays =
                DriveView() ? DriveView()->IsRecycleBin(GetPathName()) : std::nullopt;
            if (treeSays) {
                recycleBinMode_ = *treeSays;
            } else {
                std::string tail = path.size() > 1 ? path.substr(1, 10) : std::string();
                CharUpperBuffA(tail.data(), static_cast<DWORD>(tail.size()));
                recycleBinMode_ = tail == ":\\RECYCLED";
            }
            if (!desktopFolder_) desktopFolder_ = shell::DesktopFolder();
            if (recycleBinMode_) {
                LoadRecycleBin();
            } else {
                unboundFolder_ = ParseShellPath(GetPathName());
                dirOK_ = static_cast<bool>(unboundFolder_);
            }
            if (dirOK_ && !recycleBinMode_) {
                const std::string folder = shell::IncludeTrailingBackslash(path);
                std::string masks = Mask();
                // Only overlapping mask elements can find a file twice.
                const bool several = masks.find(';') != std::string::npos;
                std::unordered_set<std::string> added;
                FolderEntries folders;
                while (!masks.empty() && !abortLoad_) {
                    const std::string element = GetNextMask(masks);
                    if (element.empty()) continue;
                    folders.Begin(element);
                    folders.End(ForEachEntry(folder + element, [&](const WIN32_FIND_DATAA& entry) {
                        folders.Note(entry);
                        if (!accept.Accepts(entry)) return true;
                        std::string key = several ? LowerName(entry.cFileName) : std::string();
                        if (several && added.count(key)) return true;
                        if (!CallOnAddFile(entry)) return !abortLoad_;
                        if (several) added.insert(std::move(key));
                        AddItem(entry);
                        FileAdded();
                        return !abortLoad_;
                    }));
                }
                if (path_.size() > 2 && !abortLoad_) AddParentDirItem();
                if (showDirectories_ && !abortLoad_) {
                    int found = 0;
                    folders.ForEach(folder, [&](const WIN32_FIND_DATAA& entry) {
                        ++found;
                        if (CallOnAddFile(entry)) AddItem(entry);
                        return !abortLoad_;
                    });
                    // The tree does not read network folders ahead; what the list just found
                    // spares it a slow read and takes away the button of a folder without any.
                    if (DriveView() && driveType_ == DRIVE_REMOTE && found == 0 && !abortLoad_)
                        DriveView()->NoSubFolders(GetPathName());
                }
            }
        }
        if (!dirOK_) recycleBinMode_ = false;
        ending.Done();
    }
    FinishLoad();
}

// The ending of a load that did not throw.
void TDirView::FinishLoad() {
    animation_.reset();
    // Types met while drawing were appended; sorted now, the next lookups go by halving.
    typeCache_.Sort();
    loading_ = false;
    if (abortLoad_) {
        abortLoad_ = false;
        EndUpdate();
        loadCompleted_ = true;
        Reload(false);
    } else {
        if (dirOK_) SortItems();
        abortLoad_ = false;
        loadPending_ = false;
        FocusFolderCameFrom();
        MakeFocusedVisible();
        EndUpdate();
        loadCompleted_ = true;
        if (dirOK_) {
            // Scanners start once the listing is over: one that finished during the load could
            // not hand its size to a list that is still loading.
            StartSubDirScanners();
            if (useIconUpdateThread_ && !recycleBinMode_) StartIconUpdateThread();
            StartWatchThread();
            if (OnDirUpdated) OnDirUpdated(*this);
        }
    }
    if (OnLoaded) OnLoaded(*this);
}

// Going up from C:\a\b\c to C:\a focuses b, the folder on the way down.
void TDirView::FocusFolderCameFrom() {
    if (lastPath_.size() <= path_.size() || ItemCount() == 0) return;
    if (lastPath_.compare(0, path_.size(), path_) != 0 || lastPath_[path_.size()] != '\\') return;
    const size_t start = path_.size() + 1;
    const size_t end = lastPath_.find('\\', start);
    if (TListItem* item = FindFileItem(lastPath_.substr(start, end == std::string::npos ? end : end - start)))
        item->SetFocused(true);
}

void TDirView::MakeFocusedVisible() {
    if (TListItem* focused = ItemFocused()) focused->MakeVisible(false);
}

} // namespace filelist
