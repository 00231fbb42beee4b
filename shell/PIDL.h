// Shell item id lists: making, combining, comparing, splitting and freeing them with the shell's
// task allocator, binding them to shell folders and reading display names.
#pragma once

#include "kovalin/ComPtr.h"
#include "kovalin/Handles.h"

#include <shlobj.h>

#include <string>

namespace shell {

// The shell's task allocator, obtained on first use and kept for the life of the program.
IMalloc* ShellMalloc();

LPITEMIDLIST PidlNext(LPCITEMIDLIST list);
// Bytes including the terminating zero: 0 for no list, at least 2.
UINT PidlSize(LPCITEMIDLIST list);
LPITEMIDLIST PidlCopy(LPCITEMIDLIST list);
// first's items followed by second's; first may be none.
LPITEMIDLIST PidlConcat(LPCITEMIDLIST first, LPCITEMIDLIST second);
// True when both exist and are byte-identical.
bool PidlCompare(LPCITEMIDLIST a, LPCITEMIDLIST b);
void PidlFree(LPITEMIDLIST list);
// Zero-filled memory from the shell allocator.
LPITEMIDLIST PidlAlloc(UINT size);
// Copies of the list without its last item and of the last item alone; none and none for an
// empty or missing list.
void PidlSplit(LPCITEMIDLIST list, LPITEMIDLIST& parent, LPITEMIDLIST& item);

// The desktop-relative list of a path; none when the shell cannot parse it.
LPITEMIDLIST PidlFromPath(const std::string& path);
// The list of a name relative to a shell folder; none on failure.
LPITEMIDLIST PidlFromName(IShellFolder* folder, const std::string& name);
// The list of an entry of the folder as a listing of it gave it (name, 8.3 name, attributes),
// parsed without going back to the disk: the shell takes the entry's data from the bind context
// (STR_FILE_SYS_BIND_DATA) instead of looking the name up, which in a folder of many thousand
// entries costs a lookup each. The item carries no times or size. None on failure.
LPITEMIDLIST PidlFromListedEntry(IShellFolder* folder, const std::string& name, const std::string& shortName,
                                 DWORD attributes);

// The shell folder of a list; the empty list is the desktop itself.
bool BindFolder(LPCITEMIDLIST list, kovalin::ComPtr<IShellFolder>& folder);
kovalin::ComPtr<IShellFolder> DesktopFolder();

// The folder's display name of the item (SHGDN_* flags) copied into buffer (size bytes,
// always zero-terminated); false when the folder gives none.
bool StrRetToString(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags, char* buffer, UINT size);

struct PidlTraits {
    using type = LPITEMIDLIST;
    static constexpr LPITEMIDLIST invalid() { return nullptr; }
    static void close(LPITEMIDLIST p) { PidlFree(p); }
};
using UniquePidl = kovalin::UniqueHandle<PidlTraits>;

} // namespace shell
