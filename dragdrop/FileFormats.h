// The data formats that carry files: the file-drop list, the shell's id list array and the
// file-name map; built as byte blocks and read back with every offset checked.
#pragma once

#include "shell/PIDL.h"

#include <cstddef>
#include <shlobj.h>

#include <string>
#include <vector>

namespace dragdrop {

// The file-drop list's header: the same 20 bytes on every platform.
static_assert(sizeof(DROPFILES) == 20);
static_assert(offsetof(DROPFILES, pFiles) == 0 && offsetof(DROPFILES, pt) == 4 &&
              offsetof(DROPFILES, fNC) == 12 && offsetof(DROPFILES, fWide) == 16);

// The header (names at offset 20, point 0,0, client area, ANSI), each name and its zero byte,
// and one more zero byte.
std::string BuildFileDropList(const std::vector<std::string>& names);
// The names of a file-drop list, ANSI or wide by its flag; false for a malformed block.
bool ParseFileDropList(const std::string& block, std::vector<std::string>& names);

// A count n, n + 1 offsets and the lists: a parent before the first item and again wherever an
// item's parent differs from the one before; each item's offset points at its last id.
std::string BuildIdListArray(const std::vector<LPCITEMIDLIST>& absolute);
// The absolute lists of the items, each item joined to the parent written last before it;
// false for a malformed block.
bool ParseIdListArray(const std::string& block, std::vector<shell::UniquePidl>& absolute);

// Each name and its terminator, then one more; wide names are cut to 1025 characters with
// their terminator.
std::string BuildNameMap(const std::vector<std::string>& names, bool wide);
bool ParseNameMap(const std::string& block, bool wide, std::vector<std::string>& names);

} // namespace dragdrop
