#include "dragdrop/FileList.h"

#include "kovalin/Exceptions.h"

#include <algorithm>

namespace dragdrop {

TFileListItem& TFileList::Item(int index) {
    if (index < 0 || index >= Count()) throw kovalin::ERangeError("Invalid item index");
    return items_[static_cast<size_t>(index)];
}

const TFileListItem& TFileList::Item(int index) const {
    return const_cast<TFileList*>(this)->Item(index);
}

void TFileList::Add(std::string name, shell::UniquePidl pidl, std::string mappedName) {
    items_.push_back(TFileListItem{std::move(pidl), std::move(name), std::move(mappedName)});
}

void TFileList::Delete(int index) {
    Item(index);
    items_.erase(items_.begin() + index);
}

bool TFileList::AllNames() const {
    return std::all_of(items_.begin(), items_.end(), [](const TFileListItem& i) { return !i.Name.empty(); });
}

bool TFileList::AllPidls() const {
    return std::all_of(items_.begin(), items_.end(), [](const TFileListItem& i) { return bool(i.Pidl); });
}

bool TFileList::AnyMappedName() const {
    return std::any_of(items_.begin(), items_.end(),
                       [](const TFileListItem& i) { return !i.MappedName.empty(); });
}

} // namespace dragdrop
