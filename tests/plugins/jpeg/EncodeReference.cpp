#include "tests/plugins/jpeg/EncodeReference.h"

#include "plugins/jpeg/JpegLib.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace testsupport {

namespace {

const char kKey[] = "Software\\Kovalin\\Vodedi\\Plug-ins\\0FF6F740-2F20-11D5-B653-8D6A009BCE3A";

void Fail(j_common_ptr cinfo) {
    char msg[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, msg);
    throw std::runtime_error(msg);
}

} // namespace

Pixels PhotoPixels(int width, int height) {
    Pixels p;
    p.width = width;
    p.height = height;
    p.bgr.resize(static_cast<size_t>(width) * height * 3);
    unsigned seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            int noise = static_cast<int>((seed >> 16) % 21) - 10;
            double fx = static_cast<double>(x) / width, fy = static_cast<double>(y) / height;
            // A sky above a horizon, a round sun and a few hard edges.
            bool sky = fy < 0.55 + 0.05 * std::sin(fx * 12);
            double sun = std::hypot(fx - 0.7, fy - 0.25);
            int r = sky ? static_cast<int>(90 + 120 * fy) : static_cast<int>(60 + 80 * fx);
            int g = sky ? static_cast<int>(140 + 80 * fy) : static_cast<int>(110 + 60 * std::sin(fx * 30));
            int b = sky ? 230 : static_cast<int>(40 + 40 * fy);
            if (sun < 0.08) r = 255, g = 230, b = 120;
            if (!sky && (x / 16 + y / 16) % 7 == 0) r /= 2, g /= 2, b /= 2;
            uint8_t* px = &p.bgr[(static_cast<size_t>(y) * width + x) * 3];
            auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
            px[0] = clamp(b + noise);
            px[1] = clamp(g + noise);
            px[2] = clamp(r + noise);
        }
    return p;
}

std::string ReferenceEncode(const Pixels& pixels, int quality, bool grayscale, bool progressive) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    err.error_exit = Fail;
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(pixels.width);
    c.image_height = static_cast<JDIMENSION>(pixels.height);
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (grayscale) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.At(0, static_cast<int>(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    std::string bytes(reinterpret_cast<char*>(out), size);
    jpeg_destroy_compress(&c);
    free(out);
    return bytes;
}

HBITMAP MakeHostBitmap(const Pixels& p, HostBitmapKind kind) {
    int bits = kind == HostBitmapKind::TopDownDib32 || kind == HostBitmapKind::BottomUpDib32 ? 32 : 24;
    bool topDown = kind == HostBitmapKind::TopDownDib32 || kind == HostBitmapKind::TopDownDib24;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = p.width;
    bi.bmiHeader.biHeight = topDown ? -p.height : p.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = static_cast<WORD>(bits);
    bi.bmiHeader.biCompression = BI_RGB;
    size_t stride = ((static_cast<size_t>(p.width) * bits + 31) / 32) * 4;
    std::vector<uint8_t> raw(stride * p.height);
    for (int y = 0; y < p.height; ++y) {
        // Bottom-up storage keeps the last row first.
        int row = topDown ? y : p.height - 1 - y;
        for (int x = 0; x < p.width; ++x)
            std::memcpy(&raw[stride * row + static_cast<size_t>(x) * (bits / 8)], p.At(x, y), 3);
    }
    HDC screen = GetDC(nullptr);
    HBITMAP h = nullptr;
    if (kind == HostBitmapKind::DeviceDependent) {
        h = CreateCompatibleBitmap(screen, p.width, p.height);
        SetDIBits(screen, h, 0, static_cast<UINT>(p.height), raw.data(), &bi, DIB_RGB_COLORS);
    } else {
        void* bitsPtr = nullptr;
        h = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bitsPtr, nullptr, 0);
        if (h) std::memcpy(bitsPtr, raw.data(), raw.size());
    }
    ReleaseDC(nullptr, screen);
    return h;
}

StoredQuality::StoredQuality() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char buf[256]{};
        DWORD size = sizeof buf - 1, type = 0;
        if (RegQueryValueExA(key, "Quality", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) ==
            ERROR_SUCCESS) {
            had_ = true;
            old_.assign(buf, strnlen(buf, size));
        }
        RegCloseKey(key);
    }
    Remove();
}

StoredQuality::~StoredQuality() {
    if (had_)
        Set(old_);
    else
        Remove();
}

void StoredQuality::Set(const std::string& text) const {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExA(key, "Quality", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

void StoredQuality::Remove() const {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "Quality");
        RegCloseKey(key);
    }
}

std::string StoredQuality::Get() const {
    HKEY key;
    std::string result = "<missing>";
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char buf[256]{};
        DWORD size = sizeof buf - 1, type = 0;
        if (RegQueryValueExA(key, "Quality", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) ==
            ERROR_SUCCESS)
            result.assign(buf, strnlen(buf, size));
        RegCloseKey(key);
    }
    return result;
}

} // namespace testsupport
