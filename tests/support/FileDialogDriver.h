// Answering the system's file dialogs from tests, as a user types into them.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

// The box the file name is typed into.
HWND FileDialogNameBox(HWND dialog);
// Types the name and confirms it (posted: the dialog acts on it once the caller has returned).
void ConfirmFileDialog(HWND dialog, const std::string& name);
void CancelFileDialog(HWND dialog);

} // namespace testsupport
