#include "kovalin/PrinterSetupDialog.h"

#include "kovalin/Application.h"
#include "kovalin/Printer.h"

#include <commdlg.h>

#include <cstring>
#include <string>

namespace kovalin {

namespace {

// A copy of a movable memory block, for the dialog to replace as it likes.
HGLOBAL CopyGlobal(HGLOBAL source) {
    if (!source) return nullptr;
    SIZE_T size = GlobalSize(source);
    HGLOBAL copy = GlobalAlloc(GHND, size);
    if (!copy) return nullptr;
    void* from = GlobalLock(source);
    void* to = GlobalLock(copy);
    if (from && to) std::memcpy(to, from, size);
    GlobalUnlock(copy);
    GlobalUnlock(source);
    return copy;
}

HGLOBAL MakeDevNames(const std::string& driver, const std::string& device, const std::string& port) {
    size_t size = sizeof(DEVNAMES) + driver.size() + device.size() + port.size() + 3;
    HGLOBAL mem = GlobalAlloc(GHND, size);
    if (!mem) return nullptr;
    auto* names = static_cast<DEVNAMES*>(GlobalLock(mem));
    char* text = reinterpret_cast<char*>(names);
    WORD at = sizeof(DEVNAMES);
    auto put = [&](const std::string& s) {
        WORD where = at;
        std::memcpy(text + at, s.c_str(), s.size() + 1);
        at = static_cast<WORD>(at + s.size() + 1);
        return where;
    };
    names->wDriverOffset = put(driver);
    names->wDeviceOffset = put(device);
    names->wOutputOffset = put(port);
    GlobalUnlock(mem);
    return mem;
}

} // namespace

bool TPrinterSetupDialog::Execute(HWND owner) {
    std::string device, driver, port;
    HGLOBAL devMode = nullptr;
    printer_.GetPrinter(device, driver, port, devMode);
    UniqueHGlobal modeCopy(CopyGlobal(devMode));
    UniqueHGlobal namesMem(device.empty() ? nullptr : MakeDevNames(driver, device, port));
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = owner ? owner : Application().Handle();
    pd.hDevMode = modeCopy.release();
    pd.hDevNames = namesMem.release();
    pd.Flags = PD_PRINTSETUP;
    BOOL ok = PrintDlgA(&pd);
    UniqueHGlobal newMode(pd.hDevMode), newNames(pd.hDevNames);
    if (!ok) return false;
    if (newNames) {
        auto* names = static_cast<DEVNAMES*>(GlobalLock(newNames.get()));
        const char* text = reinterpret_cast<const char*>(names);
        std::string drv = text + names->wDriverOffset, dev = text + names->wDeviceOffset,
                    out = text + names->wOutputOffset;
        GlobalUnlock(newNames.get());
        printer_.SetPrinter(dev, drv, out, newMode.release());
    }
    return true;
}

} // namespace kovalin
