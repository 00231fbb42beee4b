// The record behind every item of the file list.
#pragma once

#include "kovalin/ListItem.h"
#include "shell/PIDL.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace filelist {

// The record behind every item of the list; the item owns it. A large folder holds 100 000 of
// them: the small fields sit together, where they fill the gaps between the large ones.
struct TFileRec : kovalin::TListItemData {
    // Made and freed by the ten thousand with the list's items: their memory comes from a pool.
    static void* operator new(size_t size);
    static void operator delete(void* block, size_t size) noexcept;

    bool InfoPending = true; // type name (and for folders the icon) not fetched yet
    bool IconPending = true; // icon index not fetched yet
    bool IsDirectory = false;
    bool IsRecycleBin = false; // the drive's RECYCLED folder in a drive root
    bool IsParentDir = false;  // the ".." item
    int ImageIndex = 0;
    DWORD Attr = 0;
    std::string FileName; // as found on disk; the full physical path in recycle-bin mode
    std::string DisplayName;
    std::string FileExt; // upper case, without dot, at most three characters
    std::string TypeName;
    // Bytes, -1 for folders. Wide enough for files beyond 2 GB, which the size filter compares
    // in full rather than wrapped.
    int64_t Size = 0;
    FILETIME FileTime{}; // last write, UTC
    shell::UniquePidl PIDL;
};

} // namespace filelist
