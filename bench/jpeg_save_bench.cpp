// KPLUGsave of a 6000 x 4000 image against the codec compressing the same pixels straight into
// memory at the same quality, in the same process and run. Prints both medians and their ratio.
//
//   jpeg_save_bench.exe [rounds]
#include "bench/BenchTiming.h"
#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "plugins/jpeg/JpegLib.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::Seconds;

constexpr int kWidth = 6000, kHeight = 4000, kQuality = 80;

// A photograph-like picture, rows top-down, three bytes a pixel in blue-green-red order.
std::vector<unsigned char> Picture() {
    std::vector<unsigned char> p(size_t(kWidth) * kHeight * 3);
    unsigned seed = 1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1103515245u + 12345u;
            int noise = int((seed >> 16) % 17) - 8;
            unsigned char* px = &p[(size_t(y) * kWidth + x) * 3];
            px[0] = static_cast<unsigned char>(std::clamp(200 - y / 30 + noise, 0, 255));
            px[1] = static_cast<unsigned char>(
                std::clamp(60 + x / 40 + ((x / 50 + y / 70) % 3) * 20 + noise, 0, 255));
            px[2] = static_cast<unsigned char>(std::clamp((x + y) / 50 + noise, 0, 255));
        }
    return p;
}

size_t DirectEncode(const std::vector<unsigned char>& pixels) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = kWidth;
    c.image_height = kHeight;
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, kQuality, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPROW> rows(kHeight);
    for (int y = 0; y < kHeight; ++y)
        rows[size_t(y)] = const_cast<JSAMPROW>(&pixels[size_t(y) * kWidth * 3]);
    while (c.next_scanline < c.image_height)
        jpeg_write_scanlines(&c, rows.data() + c.next_scanline, c.image_height - c.next_scanline);
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    free(out);
    return size;
}

// The host's copy of its image, as a bottom-up 24-bit DIB section.
HBITMAP HostCopy(const std::vector<unsigned char>& pixels) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP h = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!h) return nullptr;
    size_t stride = size_t(kWidth) * 3; // 18000: already a multiple of 4
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(static_cast<unsigned char*>(bits) + size_t(kHeight - 1 - y) * stride,
                    &pixels[size_t(y) * stride], stride);
    return h;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // The plug-in reads its quality from the registry: make it the baseline's.
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER,
                    "Software\\Kovalin\\Vodedi\\Plug-ins\\0FF6F740-2F20-11D5-B653-8D6A009BCE3A", 0, nullptr,
                    0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExA(key, "Quality", 0, REG_SZ, reinterpret_cast<const BYTE*>("80"), 3);
    RegCloseKey(key);

    kplug::TPluginLibrary lib("kv_jpeg.dll");
    auto save = lib.Entry<TKPLUGsave>(kKPLUGsave);
    if (!save) {
        std::printf("kv_jpeg.dll not found in %s\n", kplug::PluginFolder().c_str());
        return 1;
    }
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string path = std::string(tmp) + "kv_save_bench.jpg";
    std::vector<unsigned char> pixels = Picture();
    std::printf("image: %d x %d, quality %d, compressed %zu bytes\n", kWidth, kHeight, kQuality,
                DirectEncode(pixels));
    std::vector<double> plugin, direct;
    for (int i = 0; i < rounds; ++i) {
        HBITMAP h = HostCopy(pixels); // made outside the timing: the host's copy of its image
        double t0 = Seconds();
        BOOL ok = save(path.c_str(), 0, 0, h);
        double t1 = Seconds();
        if (!ok) {
            std::printf("KPLUGsave failed\n");
            return 1;
        }
        double t2 = Seconds();
        DirectEncode(pixels);
        double t3 = Seconds();
        plugin.push_back(t1 - t0);
        direct.push_back(t3 - t2);
    }
    // Two parts of the plug-in's work that the baseline does not do: writing the file and
    // deleting the handed-over bitmap.
    std::vector<double> write, free;
    std::vector<char> bytes(DirectEncode(pixels));
    for (int i = 0; i < rounds; ++i) {
        HBITMAP h = HostCopy(pixels);
        double t0 = Seconds();
        HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD done = 0;
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        CloseHandle(f);
        double t1 = Seconds();
        DeleteObject(h);
        double t2 = Seconds();
        write.push_back(t1 - t0);
        free.push_back(t2 - t1);
    }
    DeleteFileA(path.c_str());
    std::printf("of which: file write %.1f ms, bitmap delete %.1f ms\n", Median(write) * 1000,
                Median(free) * 1000);
    double p = Median(plugin), d = Median(direct);
    std::printf("KPLUGsave      %8.1f ms (median of %d)\n", p * 1000, rounds);
    std::printf("direct encode  %8.1f ms\n", d * 1000);
    std::printf("ratio          %8.3f (target <= 1.10)\n", p / d);
    std::printf("ratio without the file write and the bitmap delete %.3f\n",
                (p - Median(write) - Median(free)) / d);
    return 0;
}
