#include "plugins/print/ErrorDisplay.h"

#include "kovalin/Application.h"

#include <windows.h>

namespace kvprint {

void ShowError(const std::exception& error) {
    HWND owner = GetActiveWindow();
    if (!owner) owner = kovalin::Application().Handle();
    const std::string& title = kovalin::Application().Title();
    MessageBoxA(owner, error.what(), title.empty() ? "Error" : title.c_str(), MB_OK | MB_ICONERROR);
}

} // namespace kvprint
