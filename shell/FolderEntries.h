// Reading folders for the views: every entry of a pattern; and what the drive tree reads of a
// folder: its subfolder entries in the locale's name order, whether it has a subfolder, the size
// of its files, all with the system's critical-error boxes off.
#pragma once

#include "kovalin/Handles.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace shell {

inline bool IsDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Runs `visit` for every entry matching the pattern until it answers false; true when it went
// through all of them. Without shortNames the 8.3 names are left out, which file systems that
// have none make up for every entry, and the system fetches the entries in larger steps.
template <typename Visit>
bool ForEachEntry(const std::string& pattern, Visit&& visit, bool shortNames = true) {
    WIN32_FIND_DATAA entry;
    kovalin::UniqueFindHandle find;
    if (!shortNames) {
        find.reset(FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                    FIND_FIRST_EX_LARGE_FETCH));
        // Systems before Windows 7 do not know the basic form.
        if (!find && GetLastError() != ERROR_INVALID_PARAMETER) return true;
    }
    if (!find) find.reset(FindFirstFileA(pattern.c_str(), &entry));
    if (!find) return true;
    do {
        if (!visit(entry)) return false;
    } while (FindNextFileA(find.get(), &entry));
    return true;
}

// A subfolder's directory entry, as much of it as the tree keeps.
struct DirEntry {
    DWORD attr;
    char shortName[14]; // the 8.3 alternate name, empty when the name is one already
    std::string name;
};

// The subfolders of a folder (`folder` ends in a backslash), "." and ".." left out, in the order
// the disk gives them; none when the folder cannot be read.
std::vector<DirEntry> ListSubDirs(const std::string& folder);
// Indexes of the entries in the locale's case-insensitive order of their names (the order the
// tree control sorts in); names equal but for case in a fixed order.
std::vector<size_t> InNameOrder(const std::vector<DirEntry>& dirs);

bool HasSubFolder(const std::string& folder);
bool FolderExists(const std::string& path);
// Bytes of the files directly in the folder.
int64_t FilesSize(const std::string& folder);

} // namespace shell
