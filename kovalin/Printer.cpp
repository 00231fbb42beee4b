#include "kovalin/Printer.h"

#include "kovalin/Exceptions.h"

#include <cstring>

namespace kovalin {

namespace {

std::string DefaultPrinterName() {
    char name[512];
    DWORD size = sizeof name;
    if (GetDefaultPrinterA(name, &size)) return name;
    return {};
}

// A fresh copy of the printer's own default device mode, or null.
HGLOBAL DefaultDevMode(const std::string& device) {
    UniquePrinterHandle printer;
    if (!OpenPrinterA(const_cast<char*>(device.c_str()), printer.put(), nullptr)) return nullptr;
    LONG size =
        DocumentPropertiesA(nullptr, printer.get(), const_cast<char*>(device.c_str()), nullptr, nullptr, 0);
    if (size <= 0) return nullptr;
    UniqueHGlobal mem(GlobalAlloc(GHND, static_cast<SIZE_T>(size)));
    if (!mem) return nullptr;
    auto* dm = static_cast<DEVMODEA*>(GlobalLock(mem.get()));
    LONG r = DocumentPropertiesA(nullptr, printer.get(), const_cast<char*>(device.c_str()), dm, nullptr,
                                 DM_OUT_BUFFER);
    GlobalUnlock(mem.get());
    return r == IDOK ? mem.release() : nullptr;
}

} // namespace

TPrinter& Printer() {
    static TPrinter printer;
    return printer;
}

TPrinter::~TPrinter() {
    if (printing_) AbortDoc(dc_.get());
}

std::vector<std::string> TPrinter::Printers() const {
    std::vector<std::string> names;
    DWORD needed = 0, count = 0;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    EnumPrintersA(flags, nullptr, 4, nullptr, 0, &needed, &count);
    if (needed == 0) return names;
    std::vector<BYTE> buf(needed);
    if (!EnumPrintersA(flags, nullptr, 4, buf.data(), needed, &needed, &count)) return names;
    auto* info = reinterpret_cast<PRINTER_INFO_4A*>(buf.data());
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pPrinterName) names.emplace_back(info[i].pPrinterName);
    return names;
}

void TPrinter::Refresh() {
    if (index_ == -2) Select(-1);
}

int TPrinter::PrinterIndex() {
    Refresh();
    if (index_ == -1) {
        // The default printer stands at its place in the list.
        std::vector<std::string> list = Printers();
        for (size_t i = 0; i < list.size(); ++i)
            if (!device_.empty() && _stricmp(list[i].c_str(), device_.c_str()) == 0)
                return static_cast<int>(i);
    }
    return index_;
}

void TPrinter::SetPrinterIndex(int index) {
    if (printing_) throw Exception("Printing in progress");
    Select(index);
}

void TPrinter::Select(int index) {
    std::vector<std::string> list = Printers();
    std::string name;
    if (index >= 0 && index < static_cast<int>(list.size()))
        name = list[static_cast<size_t>(index)];
    else if (index == -1)
        name = DefaultPrinterName();
    else
        throw ERangeError("Printer index out of range");
    if (name.empty() && !list.empty()) name = list.front();
    FreeDC();
    index_ = index;
    device_ = name;
    driver_.clear();
    port_.clear();
    devMode_.reset(name.empty() ? nullptr : DefaultDevMode(name));
    if (!name.empty()) {
        UniquePrinterHandle printer;
        if (OpenPrinterA(const_cast<char*>(name.c_str()), printer.put(), nullptr)) {
            DWORD needed = 0;
            ::GetPrinterA(printer.get(), 2, nullptr, 0, &needed);
            std::vector<BYTE> buf(needed ? needed : 1);
            if (needed && ::GetPrinterA(printer.get(), 2, buf.data(), needed, &needed)) {
                auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buf.data());
                if (info->pDriverName) driver_ = info->pDriverName;
                if (info->pPortName) port_ = info->pPortName;
            }
        }
    }
}

void TPrinter::GetPrinter(std::string& device, std::string& driver, std::string& port, HGLOBAL& devMode) {
    Refresh();
    device = device_;
    driver = driver_;
    port = port_;
    devMode = devMode_.get();
}

void TPrinter::SetPrinter(const std::string& device, const std::string& driver, const std::string& port,
                          HGLOBAL devMode) {
    if (printing_) throw Exception("Printing in progress");
    Refresh();
    FreeDC();
    if (devMode != devMode_.get()) devMode_.reset(devMode);
    if (_stricmp(device.c_str(), device_.c_str()) != 0) {
        std::vector<std::string> list = Printers();
        index_ = -1;
        for (size_t i = 0; i < list.size(); ++i)
            if (_stricmp(list[i].c_str(), device.c_str()) == 0) index_ = static_cast<int>(i);
    }
    device_ = device;
    driver_ = driver;
    port_ = port;
}

void TPrinter::FreeDC() {
    canvas_.SetHandle(nullptr);
    dc_.reset();
}

HDC TPrinter::Handle() {
    Refresh();
    if (!dc_) {
        if (device_.empty()) throw Exception("There is no default printer currently selected");
        DEVMODEA* dm = devMode_ ? static_cast<DEVMODEA*>(GlobalLock(devMode_.get())) : nullptr;
        dc_.reset(CreateDCA(nullptr, device_.c_str(), nullptr, dm));
        if (dm) GlobalUnlock(devMode_.get());
        if (!dc_) RaiseLastOSError("CreateDC");
        canvas_.SetHandle(dc_.get());
    }
    return dc_.get();
}

TCanvas& TPrinter::Canvas() {
    Handle();
    return canvas_;
}

int TPrinter::PageWidth() {
    return GetDeviceCaps(Handle(), HORZRES);
}

int TPrinter::PageHeight() {
    return GetDeviceCaps(Handle(), VERTRES);
}

TPrinterOrientation TPrinter::Orientation() {
    Refresh();
    TPrinterOrientation o = TPrinterOrientation::poPortrait;
    if (devMode_) {
        auto* dm = static_cast<DEVMODEA*>(GlobalLock(devMode_.get()));
        if (dm && dm->dmOrientation == DMORIENT_LANDSCAPE) o = TPrinterOrientation::poLandscape;
        GlobalUnlock(devMode_.get());
    }
    return o;
}

void TPrinter::SetOrientation(TPrinterOrientation value) {
    Refresh();
    if (!devMode_) return;
    if (printing_) throw Exception("Printing in progress");
    auto* dm = static_cast<DEVMODEA*>(GlobalLock(devMode_.get()));
    if (!dm) return;
    dm->dmFields |= DM_ORIENTATION;
    dm->dmOrientation = value == TPrinterOrientation::poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    GlobalUnlock(devMode_.get());
    FreeDC();
}

void TPrinter::BeginDoc() {
    if (printing_) throw Exception("Printing in progress");
    // A fresh context, so that the device mode as it stands now goes with the job.
    FreeDC();
    HDC dc = Handle();
    DOCINFOA info{};
    info.cbSize = sizeof info;
    info.lpszDocName = title_.c_str();
    aborted_ = false;
    if (StartDocA(dc, &info) <= 0) RaiseLastOSError("StartDoc");
    printing_ = true;
    if (StartPage(dc) <= 0) {
        AbortDoc(dc);
        printing_ = false;
        RaiseLastOSError("StartPage");
    }
}

void TPrinter::NewPage() {
    if (!printing_) throw Exception("Printer is not currently printing");
    EndPage(dc_.get());
    if (StartPage(dc_.get()) <= 0) RaiseLastOSError("StartPage");
}

void TPrinter::EndDoc() {
    if (!printing_) throw Exception("Printer is not currently printing");
    printing_ = false;
    if (!aborted_) {
        EndPage(dc_.get());
        ::EndDoc(dc_.get());
    }
    FreeDC();
}

void TPrinter::Abort() {
    if (!printing_) throw Exception("Printer is not currently printing");
    AbortDoc(dc_.get());
    aborted_ = true;
    printing_ = false;
    FreeDC();
}

} // namespace kovalin
