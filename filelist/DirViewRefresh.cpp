// Bringing a loaded file list in line with the disk, and reloading it keeping the user's choices.
#include "filelist/DirView.h"

#include "filelist/DirViewHelpers.h"
#include "shell/BaseUtils.h"
#include "shell/MaskSearch.h"
#include "shell/UpdateBracket.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

namespace {

// FNV-1a over the lower-cased bytes.
uint64_t FoldedHash(const char* name) {
    const auto& table = LowerTable();
    uint64_t h = 14695981039346656037ull;
    for (; *name; ++name)
        h = (h ^ table[static_cast<unsigned char>(*name)]) * 1099511628211ull;
    return h;
}

bool SameNoCase(const std::string& a, const char* b) {
    const auto& table = LowerTable();
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (table[static_cast<unsigned char>(a[i])] != table[static_cast<unsigned char>(b[i])]) return false;
    return i == a.size() && !b[i];
}

// Item indices by name without regard to case: sorted hashes of the folded names, the names
// themselves compared only on a matching hash. Nothing is copied per item, so indexing a list of
// 100 000 items stays a matter of milliseconds.
class NameIndex {
public:
    void Add(const std::string& name, int item) { entries_.emplace_back(FoldedHash(name.c_str()), item); }
    void Finish() { std::sort(entries_.begin(), entries_.end()); }
    // The item whose name `nameOf` gives as equal to `name`; -1 when none.
    template <typename NameOf> int Find(const char* name, NameOf&& nameOf) const {
        const uint64_t h = FoldedHash(name);
        auto it = std::lower_bound(entries_.begin(), entries_.end(), std::make_pair(h, INT_MIN));
        for (; it != entries_.end() && it->first == h; ++it)
            if (SameNoCase(nameOf(it->second), name)) return it->second;
        return -1;
    }
    void Reserve(size_t n) { entries_.reserve(n); }

private:
    std::vector<std::pair<uint64_t, int>> entries_;
};

} // namespace

// --- refresh and reload ------------------------------------------------------------------------

void TDirView::RefreshDirectory() {
    if (loading_) return;
    if (recycleBinMode_) {
        Reload(true);
        return;
    }
    if (!shell::DirExists(path_)) {
        {
            shell::TUpdateBracket update(*this);
            ClearItems();
        }
        dirOK_ = false;
        return;
    }
    WaitCursor cursor;
    StopChangeTimer();
    // Whether the list is still as its last sort left it: then only the items this refresh adds
    // or changes need new places.
    const bool wasInOrder = InKnownOrder();
    std::vector<TListItem*> moved;
    bool changed = false, bracket = false;
    auto openBracket = [&] {
        if (!bracket) BeginUpdate();
        bracket = changed = true;
    };
    try {
        const int count = ItemCount();
        NameIndex index;
        index.Reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            if (const TFileRec* rec = ItemData(i); rec && !rec->IsParentDir) index.Add(rec->FileName, i);
        index.Finish();
        auto nameOf = [this](int i) -> const std::string& { return ItemData(i)->FileName; };
        std::vector<char> seen(static_cast<size_t>(count), 0);
        std::vector<WIN32_FIND_DATAA> fresh;
        std::unordered_set<std::string> freshNames;
        auto remember = [&](const WIN32_FIND_DATAA& entry) {
            if (freshNames.insert(LowerName(entry.cFileName)).second && CallOnAddFile(entry))
                fresh.push_back(entry);
        };

        const Acceptance accept = BuildAcceptance();
        const std::string folder = shell::IncludeTrailingBackslash(path_);
        std::string masks = Mask();
        FolderEntries folders;
        while (!masks.empty()) {
            const std::string element = GetNextMask(masks);
            if (element.empty()) continue;
            folders.Begin(element);
            folders.End(ForEachEntry(folder + element, [&](const WIN32_FIND_DATAA& entry) {
                folders.Note(entry);
                const int known = index.Find(entry.cFileName, nameOf);
                TFileRec* rec = known < 0 ? nullptr : ItemData(known);
                // A name that changed between file and folder is a different entry: the old item
                // goes and the new one comes.
                if (rec && rec->IsDirectory == IsDir(entry)) seen[static_cast<size_t>(known)] = 1;
                if (!accept.Accepts(entry)) return true;
                if (rec && !rec->IsDirectory) {
                    const int64_t size = EntrySize(entry);
                    if (size == rec->Size && entry.dwFileAttributes == rec->Attr &&
                        CompareFileTime(&entry.ftLastWriteTime, &rec->FileTime) == 0)
                        return true;
                    const bool grew = size != rec->Size;
                    rec->Size = size;
                    rec->Attr = entry.dwFileAttributes;
                    rec->FileTime = entry.ftLastWriteTime;
                    openBracket();
                    moved.push_back(&Item(known));
                    if (grew && OnFileSizeChanged) OnFileSizeChanged(*this, Item(known));
                } else {
                    remember(entry);
                }
                return true;
            }));
        }
        if (showDirectories_) {
            folders.ForEach(folder, [&](const WIN32_FIND_DATAA& entry) {
                const int known = index.Find(entry.cFileName, nameOf);
                const TFileRec* rec = known < 0 ? nullptr : ItemData(known);
                if (rec && rec->IsDirectory)
                    seen[static_cast<size_t>(known)] = 1;
                else
                    remember(entry);
                return true;
            });
        }

        // The ".." item stands for the folder above, which no listing of this one returns.
        std::vector<int> gone;
        for (int i = 0; i < count; ++i) {
            const TFileRec* rec = ItemData(i);
            if (!seen[static_cast<size_t>(i)] && !(rec && rec->IsParentDir)) gone.push_back(i);
        }
        if (!gone.empty()) {
            openBracket();
            DeleteItems(std::move(gone));
        }
        for (const WIN32_FIND_DATAA& entry : fresh) {
            openBracket();
            TListItem& item = AddItem(entry);
            moved.push_back(&item);
            if (showSubDirSize_ && IsDir(entry)) StartSubDirScanner(item);
        }
        if (changed && sortAfterUpdate_) SortAfterRefresh(moved, wasInOrder);
    } catch (...) {
        if (bracket) EndUpdate();
        throw;
    }
    if (bracket) EndUpdate();
    dirOK_ = true;
    // The list is in line with the disk: a change that asked for a load has been taken up.
    if (loadEnabled_) loadPending_ = false;
    if (useIconUpdateThread_ && !recycleBinMode_) StartIconUpdateThread();
    StartWatchThread();
    MakeFocusedVisible();
    if (changed && OnDirUpdated) OnDirUpdated(*this);
}

void TDirView::Reload(bool keepIcons) {
    if (path_.empty()) return;
    if (!loadEnabled_) {
        loadPending_ = true;
        return;
    }
    // Files with icons of their own: worth keeping over a reload.
    BeginUpdate();
    try {
        std::vector<std::string> selected;
        std::vector<std::pair<std::string, int>> icons;
        for (TListItem* item = GetNextItem(nullptr, LVNI_SELECTED); item;
             item = GetNextItem(item, LVNI_SELECTED))
            if (const TFileRec* rec = ItemData(item)) selected.push_back(LowerName(rec->FileName));
        if (keepIcons) {
            for (int i = 0; i < ItemCount(); ++i) {
                const TFileRec* rec = ItemData(i);
                if (!rec || rec->IconPending) continue;
                if (HasPerFileIcon(rec->FileExt)) icons.emplace_back(rec->FileName, rec->ImageIndex);
            }
        }
        const TFileRec* focusedRec = ItemData(ItemFocused());
        const std::string focused = focusedRec ? focusedRec->FileName : std::string();

        LoadDirectory(path_);

        std::sort(selected.begin(), selected.end());
        std::sort(icons.begin(), icons.end());
        for (int i = 0; i < ItemCount(); ++i) {
            TFileRec* rec = ItemData(i);
            if (!rec) continue;
            TListItem& item = Item(i);
            if (!focused.empty() && rec->FileName == focused) item.SetFocused(true);
            if (!selected.empty() &&
                std::binary_search(selected.begin(), selected.end(), LowerName(rec->FileName)))
                item.SetSelected(true);
            if (keepIcons && rec->IconPending && !icons.empty()) {
                const auto it =
                    std::lower_bound(icons.begin(), icons.end(), std::make_pair(rec->FileName, INT_MIN));
                if (it != icons.end() && it->first == rec->FileName) {
                    rec->ImageIndex = it->second;
                    rec->IconPending = false;
                }
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    if (!ItemFocused())
        if (TListItem* sel = Selected()) sel->SetFocused(true);
    MakeFocusedVisible();
}

} // namespace filelist
