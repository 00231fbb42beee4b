// The system's printer set-up dialog on the printer object: it starts with the printer in use and
// its device mode, and OK makes the choice the printer object's.
#pragma once

#include <windows.h>

namespace kovalin {

class TPrinter;

class TPrinterSetupDialog {
public:
    explicit TPrinterSetupDialog(TPrinter& printer) : printer_(printer) {}
    // Modal to `owner` (the application window when null); true on OK.
    bool Execute(HWND owner = nullptr);

private:
    TPrinter& printer_;
};

} // namespace kovalin
