// The module (executable or library) that this copy of the framework is linked into.
#pragma once

#include <windows.h>

#include <string>

namespace kovalin {

HINSTANCE ThisModule();

// Folder of a module's file with a trailing backslash.
std::string ModuleFolder(HMODULE module);

// A string-table entry of a module, in the ANSI code page. Reads the resource directly rather
// than through user32, so it is safe while a library is being loaded.
std::string ResourceString(HMODULE module, UINT id);

} // namespace kovalin
