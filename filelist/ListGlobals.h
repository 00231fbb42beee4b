// What every file list of the program asks the system once: the common controls' version, the
// Windows and temporary folders, and the shell's icons and type name for the usual kinds of entry.
#pragma once

#include <string>

namespace filelist::detail {

// What every file list of the program asks the system once.
struct ListGlobals {
    bool commonControls470 = false; // item post-paint stages for the parent-folder overlay
    std::string windowsFolder, tempFolder;
    int unknownFileIcon = 0, executableIcon = 0;
    std::string folderTypeName;
    int folderIcon = 0, openFolderIcon = 0;
};

const ListGlobals& Globals();

} // namespace filelist::detail
