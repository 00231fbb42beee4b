// The attributes of many paths at once, for the checks before and after a file operation on a
// whole selection. Asking for a name a folder does not hold can cost a reading of the whole
// folder (Wine reads it to find the name in another letter case), so thousands of missing names
// in one large folder would cost thousands of readings; one listing answers them all.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace shell {

// What GetFileAttributes answers for each path (INVALID_FILE_ATTRIBUTES where nothing is), asked
// one by one until a folder has shown several missing names; its remaining names are then looked
// up in one listing of it, where the listing can answer exactly as the file system would.
std::vector<DWORD> PathAttributes(const std::vector<std::string>& paths);

} // namespace shell
