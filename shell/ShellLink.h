// Shell shortcuts (.lnk files): reading where one points.
#pragma once

#include <windows.h>

#include <string>

namespace shell {

// The file-system path the shortcut points to, resolved without any user interface (a moved
// target is looked for quietly); empty when the file is no readable shortcut or points to no
// file-system object. The target need not exist.
std::string ResolveShortcut(HWND owner, const std::string& linkFile);

} // namespace shell
