// Shell shortcuts (.lnk files): reading where one points, and making one.
#pragma once

#include <windows.h>

#include <string>

namespace shell {

// The file-system path the shortcut points to, resolved without any user interface (a moved
// target is looked for quietly); empty when the file is no readable shortcut or points to no
// file-system object. The target need not exist.
std::string ResolveShortcut(HWND owner, const std::string& linkFile);

// Writes the shortcut `linkFile` to `target`, started in `workingFolder`; false when it could not
// be written.
bool CreateShortcut(const std::string& linkFile, const std::string& target, const std::string& workingFolder,
                    const std::string& description);

} // namespace shell
