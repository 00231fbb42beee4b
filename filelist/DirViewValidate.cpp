// Bringing the selection in line with the disk after shell commands, moves and deletes: items
// whose files are gone leave the list, everything else stays as it is.
#include "filelist/DirView.h"

#include "filelist/DirViewHelpers.h"
#include "kovalin/SelectionRuns.h"
#include "shell/BaseUtils.h"
#include "shell/PathAttributes.h"
#include "shell/UpdateBracket.h"

#include <optional>
#include <vector>

namespace filelist {

using kovalin::TListItem;

std::vector<int> TDirView::SelectedItemIndices() const {
    return kovalin::SelectedPositions(SelCount(), ItemCount(), [this](int after) {
        TListItem* next = GetNextItem(after < 0 ? nullptr : &Item(after), LVNI_SELECTED);
        return next ? next->Index() : -1;
    });
}

bool TDirView::ItemFileGone(TListItem& item) const {
    const TFileRec* rec = ItemData(&item);
    if (!rec || rec->IsParentDir) return false;
    const std::string full = ItemFullFileName(&item);
    return rec->IsDirectory ? !shell::DirExists(full) : !shell::FileOrDirExists(full);
}

std::vector<int> detail::GoneItems(const TDirView& list, const std::vector<int>& indices) {
    std::vector<int> asked;
    std::vector<std::string> paths;
    for (int index : indices) {
        const TFileRec* rec = list.ItemData(index);
        if (!rec || rec->IsParentDir) continue;
        asked.push_back(index);
        paths.push_back(list.ItemFullFileName(&list.Item(index)));
    }
    const std::vector<DWORD> attributes = shell::PathAttributes(paths);
    std::vector<int> gone;
    for (size_t k = 0; k < asked.size(); ++k) {
        const std::string& full = paths[k];
        const DWORD attr = attributes[k];
        // What ItemFileGone answers: a folder must still be one (a drive always is), a file only be there.
        const bool there = list.ItemData(asked[k])->IsDirectory
                               ? ((full.size() == 2 || full.size() == 3) && full[1] == ':') ||
                                     (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY))
                               : !full.empty() && attr != INVALID_FILE_ATTRIBUTES;
        if (!there) gone.push_back(asked[k]);
    }
    return gone;
}

void TDirView::ValidateSelectedFiles() {
    const std::vector<int> selected = SelectedItemIndices();
    if (selected.size() > 50) {
        RefreshDirectory();
        return;
    }
    const int before = ItemCount();
    std::optional<shell::TUpdateBracket<TDirView>> update;
    if (selected.size() > 10) update.emplace(*this);
    DeleteItems(detail::GoneItems(*this, selected));
    update.reset();
    if (ItemCount() != before && OnDirUpdated) OnDirUpdated(*this);
}

void TDirView::ValidateFile(const std::string& fileName) {
    TListItem* item = nullptr;
    if (recycleBinMode_) {
        for (int i = 0; i < ItemCount() && !item; ++i)
            if (ItemData(i) && _stricmp(ItemData(i)->FileName.c_str(), fileName.c_str()) == 0)
                item = &Item(i);
    } else {
        const size_t cut = fileName.find_last_of('\\');
        if (cut == std::string::npos || _stricmp(fileName.substr(0, cut).c_str(), path_.c_str()) != 0) return;
        item = FindFileItem(fileName.substr(cut + 1));
    }
    if (item && ItemFileGone(*item)) {
        item->Delete();
        if (OnDirUpdated) OnDirUpdated(*this);
    }
}

} // namespace filelist
