#include "tests/plugins/xfbridge/FilterTestSupport.h"

#include "tests/support/TestFiles.h"

#include <fstream>

namespace xftest {

std::string TestFilterPath() {
    return testsupport::ExeFolder() + "testfilter.8bf";
}
std::string NoEntryLibraryPath() {
    return testsupport::ExeFolder() + "xf_noentry.dll";
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
    char buffer[4096];
    DWORD n = GetEnvironmentVariableA(name_.c_str(), buffer, sizeof buffer);
    had_ = n > 0 && n < sizeof buffer;
    if (had_) old_.assign(buffer, n);
    SetEnvironmentVariableA(name_.c_str(), value.c_str());
}

ScopedEnv::~ScopedEnv() {
    SetEnvironmentVariableA(name_.c_str(), had_ ? old_.c_str() : nullptr);
}

FilterLog::FilterLog(const std::string& path) : path_(path), env_("XFTEST_FILTER_LOG", path) {
    Clear();
}

std::vector<std::string> FilterLog::Lines() const {
    std::vector<std::string> lines;
    std::ifstream f(path_);
    for (std::string line; std::getline(f, line);)
        lines.push_back(line);
    return lines;
}

std::string FilterLog::Find(const std::string& prefix) const {
    for (const std::string& line : Lines())
        if (line.compare(0, prefix.size(), prefix) == 0) return line;
    return std::string();
}

void FilterLog::Clear() const {
    DeleteFileA(path_.c_str());
}

void PatternAt(int x, int y, uint8_t bgr[3]) {
    bgr[0] = static_cast<uint8_t>(x * 37 + y * 11);
    bgr[1] = static_cast<uint8_t>(200 - x * 5 + y * 3);
    bgr[2] = static_cast<uint8_t>(y * 29 + 7);
}

HBITMAP MakePatternBitmap(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* p = static_cast<uint8_t*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, p += 4) {
            PatternAt(x, y, p);
            p[3] = 0;
        }
    return bmp;
}

HBITMAP MakePaletteBitmap(int width, int height) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } bi{};
    bi.header.biSize = sizeof bi.header;
    bi.header.biWidth = width;
    bi.header.biHeight = height;
    bi.header.biPlanes = 1;
    bi.header.biBitCount = 8;
    bi.header.biClrUsed = 256;
    for (int i = 0; i < 256; ++i)
        bi.colours[i] =
            RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), 0};
    void* bits = nullptr;
    return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
}

HGLOBAL MakePatternDib(int width, int height) {
    const LONG stride = (width * 3 + 3) / 4 * 4;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                sizeof(BITMAPINFOHEADER) + static_cast<size_t>(stride) * height);
    auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
    h->biSize = sizeof *h;
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = 24;
    h->biSizeImage = static_cast<DWORD>(stride * height);
    auto* pixels = reinterpret_cast<uint8_t*>(h + 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            PatternAt(x, y, pixels + static_cast<size_t>(height - 1 - y) * stride + x * 3);
    GlobalUnlock(block);
    return block;
}

int HeapBlockCount() {
    HANDLE heap = GetProcessHeap();
    PROCESS_HEAP_ENTRY entry{};
    int busy = 0;
    HeapLock(heap);
    while (HeapWalk(heap, &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++busy;
    HeapUnlock(heap);
    return busy;
}

std::string MessageText(HWND box) {
    char text[1024] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

} // namespace xftest
