// What the drive tree reads from a folder: its subfolder entries in the locale's name order, whether
// it has a subfolder, the size of its files; all with the system's critical-error boxes off.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace drivetree {

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

} // namespace drivetree
