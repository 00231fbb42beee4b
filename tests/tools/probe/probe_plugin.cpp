// A plug-in for the editor's tests that serves every entry point and writes each call, with what
// it was given, as one line to the file named by PROBE_LOG.
//
// A ".prb" file is three bytes: the colour of the 4 x 4 picture it opens to. The filter inverts,
// LoadFile writes a blue ".prb" document and says it is "image/prb".
#include "plugin_api/KPlug.h"

#include <cstdio>
#include <string>

namespace {

void Log(const std::string& line) {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("PROBE_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    if (FILE* f = std::fopen(path, "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

std::string Text(LPCSTR s) {
    return s ? s : "(null)";
}

const char* Valid(HBITMAP h) {
    return GetObjectType(h) == OBJ_BITMAP ? "1" : "0";
}

HBITMAP SolidBitmap(COLORREF colour) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 4;
    bi.bmiHeader.biHeight = 4;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP h = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!h) return nullptr;
    auto* px = static_cast<DWORD*>(bits);
    for (int i = 0; i < 16; ++i)
        px[i] = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    return h;
}

COLORREF FirstPixel(HBITMAP h) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, h);
    COLORREF c = GetPixel(dc, 0, 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
}

std::string Colour(COLORREF c) {
    char text[16];
    std::snprintf(text, sizeof text, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

} // namespace

extern "C" {

HBITMAP WINAPI KPLUGopen(LPCSTR fileName, LPCSTR extension, HWND) {
    Log("open " + Text(fileName) + " " + Text(extension));
    unsigned char rgb[3];
    FILE* f = std::fopen(fileName, "rb");
    if (!f) return nullptr;
    size_t n = std::fread(rgb, 1, 3, f);
    std::fclose(f);
    return n == 3 ? SolidBitmap(RGB(rgb[0], rgb[1], rgb[2])) : nullptr;
}

BOOL WINAPI KPLUGinfo(LPCSTR fileName, KPlugUnused, KPlugUnused, HWND) {
    Log("info " + Text(fileName));
    return TRUE;
}

BOOL WINAPI KPLUGsave(LPCSTR fileName, KPlugUnused, KPlugUnused, HBITMAP image) {
    Log("save " + Text(fileName) + " " + Valid(image) + " " + Colour(FirstPixel(image)));
    DeleteObject(image);
    return TRUE;
}

BOOL WINAPI KPLUGexport(KPlugUnused, HWND, HBITMAP image) {
    Log(std::string("export ") + Valid(image) + " " + Colour(FirstPixel(image)));
    DeleteObject(image);
    return TRUE;
}

BOOL WINAPI KPLUGconfig(KPlugUnused) {
    Log("config");
    return TRUE;
}

BOOL WINAPI KPLUGtool(KPlugUnused, LPCSTR fileName, HWND, HBITMAP image) {
    Log("tool " + Text(fileName) + " " + Valid(image));
    return FALSE;
}

HBITMAP __cdecl KPLUGfilter(KPlugUnused, KPlugUnused, HBITMAP image) {
    COLORREF c = FirstPixel(image);
    Log("filter " + Colour(c));
    return SolidBitmap(RGB(255 - GetRValue(c), 255 - GetGValue(c), 255 - GetBValue(c)));
}

LPCSTR WINAPI LoadFile(HWND, LPCSTR url, LPCSTR localFile, LPCSTR userAgent, LPCSTR referrer) {
    Log("load " + Text(url) + " " + Text(userAgent) + " [" + Text(referrer) + "]");
    if (FILE* f = std::fopen(localFile, "wb")) {
        std::fwrite("\x00\x00\xff", 1, 3, f);
        std::fclose(f);
    }
    return "image/prb";
}

BOOL WINAPI DoPrint(HWND, HBITMAP image, LPCSTR fileName, BYTE printAtOnce) {
    Log("print " + Text(fileName) + " " + std::to_string(printAtOnce) + " " + Valid(image));
    return TRUE;
}

} // extern "C"
