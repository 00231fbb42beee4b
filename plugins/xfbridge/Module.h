// Where the bridge's own code lives: its module, file name and folder.
#pragma once

#include <windows.h>

#include <string>

namespace xfbridge {

// The module this code is linked into (the bridge library, or a test program linking it).
HMODULE ThisModule();
// Full path of a module's file.
std::string ModuleFileName(HMODULE module);
// Drive and directory of the path, with the trailing separator ("" when it has none).
std::string FolderOf(const std::string& path);
// The file name without folder and extension, as message boxes are captioned.
std::string BaseNameOf(const std::string& path);

} // namespace xfbridge
