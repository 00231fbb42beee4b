// The printer object: the list of installed printers, the one selected for printing with its device
// mode, a device context on it as a canvas, and the print job (title, pages, abort).
#pragma once

#include "kovalin/Canvas.h"
#include "kovalin/Handles.h"

#include <windows.h>

#include <winspool.h>
// The printer object's own GetPrinter and SetPrinter, not the spooler's ANSI/wide macros.
#undef GetPrinter
#undef SetPrinter

#include <string>
#include <vector>

namespace kovalin {

using UniqueHGlobal = UniqueHandle<detail::NullTraits<HGLOBAL, ::GlobalFree>>;
// An open printer of the spooler.
using UniquePrinterHandle = UniqueHandle<detail::NullTraits<HANDLE, ::ClosePrinter>>;

enum class TPrinterOrientation { poPortrait, poLandscape };

class TPrinter {
public:
    TPrinter() = default;
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;
    ~TPrinter();

    // Names of the installed printers, read again from the system on every call.
    std::vector<std::string> Printers() const;
    // Index into Printers() of the printer in use; -1 selects the system's default printer.
    int PrinterIndex();
    void SetPrinterIndex(int index);

    // The selected printer's device name, driver and port, and its device mode (which stays the
    // printer object's: change it between GlobalLock and GlobalUnlock, then hand it back through
    // SetPrinter). The device mode is null when there is no printer.
    void GetPrinter(std::string& device, std::string& driver, std::string& port, HGLOBAL& devMode);
    // Selects the printer by name and takes the device mode over (it may be the one GetPrinter gave).
    void SetPrinter(const std::string& device, const std::string& driver, const std::string& port,
                    HGLOBAL devMode);

    // A device context on the selected printer with its device mode; made on first use.
    HDC Handle();
    TCanvas& Canvas();
    int PageWidth();
    int PageHeight();

    TPrinterOrientation Orientation();
    void SetOrientation(TPrinterOrientation value);

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& value) { title_ = value; }

    // A job: BeginDoc starts it with the first page, NewPage ends a page and starts the next,
    // EndDoc ends the last page and the job, Abort drops the job.
    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();
    bool Printing() const { return printing_; }
    bool Aborted() const { return aborted_; }

private:
    void Select(int index);
    void Refresh();
    void FreeDC();

    int index_ = -2; // -2: nothing selected yet
    std::string device_, driver_, port_;
    UniqueHGlobal devMode_;
    UniqueMemoryDC dc_;
    TCanvas canvas_;
    std::string title_;
    bool printing_ = false;
    bool aborted_ = false;
};

// The printer object of this module.
TPrinter& Printer();

} // namespace kovalin
