// The file-open dialog of the hex viewer: the system's common dialog with a title and filter.
#pragma once

#include <windows.h>

#include <string>

namespace kvhex {

class THexOpenDialog {
public:
    std::string Title;
    // Pairs of description and pattern separated by "|", as in "All files (*.*)|*.*".
    std::string Filter;
    std::string FileName;

    // Runs the dialog owned by `owner`; true when the user confirmed a file, which is then in FileName.
    bool Execute(HWND owner);
};

} // namespace kvhex
