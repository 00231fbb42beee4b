// Bringing the selection in line with the disk after shell commands, moves and deletes: items
// whose files are gone leave the list, everything else stays as it is.
#include "filelist/DirView.h"

#include "shell/BaseUtils.h"
#include "shell/UpdateBracket.h"

#include <optional>
#include <vector>

namespace filelist {

using kovalin::TListItem;

std::vector<int> TDirView::SelectedItemIndices() const {
    std::vector<int> indices;
    for (TListItem* item = GetNextItem(nullptr, LVNI_SELECTED); item; item = GetNextItem(item, LVNI_SELECTED))
        indices.push_back(item->Index());
    return indices;
}

bool TDirView::ItemFileGone(TListItem& item) const {
    const TFileRec* rec = ItemData(&item);
    if (!rec || rec->IsParentDir) return false;
    const std::string full = ItemFullFileName(&item);
    return rec->IsDirectory ? !shell::DirExists(full) : !shell::FileOrDirExists(full);
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
    std::vector<int> gone;
    for (int index : selected)
        if (ItemFileGone(Item(index))) gone.push_back(index);
    DeleteItems(std::move(gone));
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
