// Printing the preview's pages: the paper goes to the printer's device mode, then every page of the
// range is played onto the whole sheet.
#include "plugins/print/Preview.h"

#include "kovalin/Application.h"
#include "kovalin/Bitmap.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Printer.h"
#include "plugins/print/Dib.h"
#include "plugins/print/ErrorDisplay.h"

#include <algorithm>
#include <vector>

namespace kvprint {

using namespace kovalin;

namespace {

// The driver's file name, as the spooler reports it; empty when it cannot tell.
std::string DriverFileName(const std::string& device) {
    UniquePrinterHandle printer;
    if (!OpenPrinterA(const_cast<char*>(device.c_str()), printer.put(), nullptr)) return {};
    DWORD needed = 0;
    GetPrinterDriverA(printer.get(), nullptr, 2, nullptr, 0, &needed);
    // The information is read into a buffer of the size the spooler asks for: a fixed one that
    // is too small would leave the driver path unset.
    std::vector<BYTE> buf(std::max<DWORD>(needed, 255));
    if (!GetPrinterDriverA(printer.get(), nullptr, 2, buf.data(), static_cast<DWORD>(buf.size()), &needed))
        return {};
    auto* info = reinterpret_cast<DRIVER_INFO_2A*>(buf.data());
    return info->pDriverPath ? FileNamePart(info->pDriverPath) : std::string();
}

} // namespace

void TPrintPreview::ApplyPaperToPrinter() {
    TPrinter& printer = Printer();
    int count = static_cast<int>(printer.Printers().size());
    int index = printer.PrinterIndex();
    if (index < 0 || index >= count || index > 255) printer.SetPrinterIndex(-1);
    std::string device, driver, port;
    HGLOBAL devMode = nullptr;
    printer.GetPrinter(device, driver, port, devMode);
    std::string driverName = DriverFileName(device);
    if (driverName.empty()) driverName = driver;
    if (!devMode) return;
    auto* dm = static_cast<DEVMODEA*>(GlobalLock(devMode));
    if (!dm) return;
    dm->dmFields |= DM_PAPERSIZE;
    if (paperType_ == pCustom) {
        int w = ConvertUnits(paperWidth_, deviceDpiX_, units_, mmLoMetric);
        int h = ConvertUnits(paperHeight_, deviceDpiY_, units_, mmLoMetric);
        if (orientation_ == poLandscape) std::swap(w, h);
        dm->dmPaperSize = DMPAPER_USER;
        dm->dmPaperWidth = static_cast<short>(w);
        dm->dmPaperLength = static_cast<short>(h);
        dm->dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    } else {
        dm->dmPaperSize = PaperSize(paperType_).ID;
    }
    dm->dmFields |= DM_ORIENTATION;
    dm->dmOrientation = orientation_ == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    GlobalUnlock(devMode);
    printer.SetPrinter(device, driverName, port, devMode);
}

RECT TPrintPreview::PhysicalPageRect() {
    HDC dc = Printer().Handle();
    POINT offset{0, 0};
    if (Escape(dc, GETPRINTINGOFFSET, 0, nullptr, &offset) <= 0) {
        offset.x = GetDeviceCaps(dc, PHYSICALOFFSETX);
        offset.y = GetDeviceCaps(dc, PHYSICALOFFSETY);
    }
    int w = GetDeviceCaps(dc, PHYSICALWIDTH), h = GetDeviceCaps(dc, PHYSICALHEIGHT);
    return {-offset.x, -offset.y, w - offset.x, h - offset.y};
}

void TPrintPreview::DrawPageOnPrinter(int index, const RECT& sheet) {
    HDC dc = Printer().Handle();
    int saved = SaveDC(dc);
    try {
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, devicePageWidth_, devicePageHeight_, nullptr);
        SetViewportExtEx(dc, sheet.right - sheet.left, sheet.bottom - sheet.top, nullptr);
        // The sheet is in printer pixels; the page lands on it through the mapping above.
        RECT r = sheet;
        DPtoLP(dc, reinterpret_cast<POINT*>(&r), 2);
        TMetafile& page = pages_.Items(index);
        if (fastPrint_) {
            PlayEnhMetaFile(dc, page.Handle(), &r);
        } else {
            TBitmap bmp;
            bmp.SetPixelFormat(TPixelFormat::pf24bit);
            bmp.SetSize(std::max(1, page.Width()), std::max(1, page.Height()));
            TCanvas& c = bmp.Canvas();
            c.FillRect({0, 0, bmp.Width(), bmp.Height()}, RGB(255, 255, 255));
            c.StretchDraw({0, 0, bmp.Width(), bmp.Height()}, page);
            GdiFlush();
            BITMAPINFO info = DibInfo24(bmp.Width(), bmp.Height());
            StretchDIBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, bmp.Width(),
                          bmp.Height(), bmp.ScanLine(0), &info, DIB_RGB_COLORS, SRCCOPY);
        }
    } catch (...) {
        RestoreDC(dc, saved);
        throw;
    }
    RestoreDC(dc, saved);
}

void TPrintPreview::Print() {
    PrintRange(1, PageCount());
}

void TPrintPreview::PrintRange(int first, int last) {
    int count = PageCount();
    first = std::clamp(first, 1, std::max(1, count));
    last = std::clamp(last, 1, std::max(1, count));
    if (state_ != psIdle || last < first || count == 0 || !printerInstalled_) return;
    TPrinter& printer = Printer();
    state_ = psPrinting;
    aborted_ = false;
    int printed = 0, total = last - first + 1;
    bool abortIt = false;
    try {
        Fire(OnBeforePrint);
        ApplyPaperToPrinter();
        RECT sheet = PhysicalPageRect();
        printer.SetTitle(printJobTitle_);
        printer.BeginDoc();
        for (int i = first; i <= last; ++i) {
            if (OnPrintProgress) OnPrintProgress(*this, i, MulDivRound(100, printed, total), abortIt);
            if (printer.Aborted() || abortIt) throw EAbort();
            DrawPageOnPrinter(i - 1, sheet);
            ++printed;
            Application().ProcessMessages();
            if (OnPrintProgress) OnPrintProgress(*this, i, MulDivRound(100, printed, total), abortIt);
            if (abortIt) throw EAbort();
            if (!printer.Aborted() && i != last) {
                if (fastPrint_) {
                    printer.NewPage();
                } else {
                    // Each page becomes a job of its own.
                    printer.EndDoc();
                    printer.BeginDoc();
                }
            }
        }
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        ShowError(e);
        abortIt = true;
    }
    try {
        if (abortIt) {
            aborted_ = true;
            if (printer.Printing()) printer.Abort();
            Fire(OnAbort);
        }
        if (printer.Printing()) printer.EndDoc();
        if (!abortIt) Fire(OnAfterPrint);
    } catch (const std::exception& e) {
        ShowError(e);
    }
    printer.SetTitle({});
    state_ = psIdle;
}

} // namespace kvprint
