#include "tests/plugins/print/PrintFixtures.h"

#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace printtest {

namespace {

std::string WindowsPath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

std::vector<std::string> FilesLike(const std::string& unixFolder, const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((WindowsPath(unixFolder) + "\\" + pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

// Starts a Linux program (Wine starts those too). Wine does not follow such a process, so callers
// wait for what it writes.
bool StartUnix(const std::string& commandLine) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

bool ReadPpm(const std::string& path, Raster& out) {
    std::string bytes = testsupport::ReadFileBytes(path);
    size_t pos = 0;
    auto token = [&]() {
        while (pos < bytes.size()) {
            if (bytes[pos] == '#') {
                while (pos < bytes.size() && bytes[pos] != '\n')
                    ++pos;
            } else if (isspace(static_cast<unsigned char>(bytes[pos]))) {
                ++pos;
            } else {
                break;
            }
        }
        size_t start = pos;
        while (pos < bytes.size() && !isspace(static_cast<unsigned char>(bytes[pos])))
            ++pos;
        return bytes.substr(start, pos - start);
    };
    if (token() != "P6") return false;
    out.width = std::atoi(token().c_str());
    out.height = std::atoi(token().c_str());
    if (std::atoi(token().c_str()) != 255) return false;
    ++pos; // the one blank before the pixels
    size_t n = static_cast<size_t>(out.width) * out.height * 3;
    if (bytes.size() < pos + n) return false;
    out.rgb.assign(bytes.begin() + static_cast<long>(pos), bytes.begin() + static_cast<long>(pos + n));
    return true;
}

} // namespace

std::string PdfFolder() {
    const char* v = std::getenv("KOVALIN_PDF_OUT");
    return v ? v : "";
}

std::set<std::string> PdfFiles() {
    std::vector<std::string> v = FilesLike(PdfFolder(), "*.pdf");
    return {v.begin(), v.end()};
}

bool PrinterListed() {
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
    return needed > 0;
}

std::string WaitForNewPdf(const std::set<std::string>& before, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        for (const std::string& name : PdfFiles()) {
            if (before.count(name)) continue;
            std::string path = WindowsPath(PdfFolder()) + "\\" + name;
            std::string bytes = testsupport::ReadFileBytes(path);
            // Complete once the trailer is there.
            if (bytes.size() > 16 && bytes.find("%%EOF", bytes.size() - 16) != std::string::npos)
                return PdfFolder() + "/" + name;
        }
        testsupport::PumpMessages(100);
    }
    return {};
}

std::vector<Raster> RenderPdf(const std::string& pdf, int dpi) {
    std::vector<Raster> pages;
    std::string prefix = pdf + "-render";
    std::string done = WindowsPath(prefix + ".done");
    DeleteFileA(done.c_str());
    // The shell leaves a mark once the renderer has finished (whether it succeeded or not).
    if (!StartUnix("/bin/sh -c \"/usr/bin/pdftoppm -r " + std::to_string(dpi) + " '" + pdf + "' '" + prefix +
                   "'; touch '" + prefix + ".done'\""))
        return pages;
    testsupport::PumpUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; },
                           60000);
    DeleteFileA(done.c_str());
    std::string folder = pdf.substr(0, pdf.rfind('/'));
    std::string base = prefix.substr(prefix.rfind('/') + 1);
    for (const std::string& name : FilesLike(folder, base + "-*.ppm")) {
        Raster r;
        std::string path = WindowsPath(folder) + "\\" + name;
        if (ReadPpm(path, r)) pages.push_back(std::move(r));
        DeleteFileA(path.c_str());
    }
    return pages;
}

RECT FindColour(const Raster& page, COLORREF c, int tol) {
    RECT box{page.width, page.height, -1, -1};
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x) {
            COLORREF p = page.At(x, y);
            if (std::abs(GetRValue(p) - GetRValue(c)) <= tol &&
                std::abs(GetGValue(p) - GetGValue(c)) <= tol &&
                std::abs(GetBValue(p) - GetBValue(c)) <= tol) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
        }
    if (box.right < 0) return RECT{};
    return box;
}

HBITMAP SolidBitmap(int width, int height, COLORREF colour) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP h = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* p = static_cast<uint8_t*>(bits);
    int pitch = (width * 3 + 3) & ~3;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* px = p + static_cast<size_t>(y) * pitch + 3 * x;
            px[0] = GetBValue(colour);
            px[1] = GetGValue(colour);
            px[2] = GetRValue(colour);
        }
    return h;
}

} // namespace printtest
