// The files of a drag: each with its item id list, its full path and a mapped name, any of which
// may be empty.
#pragma once

#include "shell/PIDL.h"

#include <string>
#include <vector>

namespace dragdrop {

struct TFileListItem {
    shell::UniquePidl Pidl; // absolute
    std::string Name;       // full path
    std::string MappedName;
};

class TFileList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TFileListItem& Item(int index);
    const TFileListItem& Item(int index) const;
    // Takes over the id list.
    void Add(std::string name, shell::UniquePidl pidl = shell::UniquePidl(), std::string mappedName = {});
    void Delete(int index);
    void Clear() { items_.clear(); }

    // Whether every item has a path, an id list, a mapped name.
    bool AllNames() const;
    bool AllPidls() const;
    bool AnyMappedName() const;

private:
    std::vector<TFileListItem> items_;
};

} // namespace dragdrop
