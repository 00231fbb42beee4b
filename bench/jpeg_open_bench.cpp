// KPLUGopen of a 6000 x 4000 baseline JPEG against the codec decoding the same file straight into
// a buffer, in the same process and run. Prints both medians and their ratio.
//
//   jpeg_open_bench.exe [rounds]
#include "bench/BenchTiming.h"
#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "plugins/jpeg/JpegLib.h"
#include "tests/support/JpegFixtures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::Seconds;

// The baseline: read the file, decode to BGR rows in one buffer.
size_t DirectDecode(const std::string& path) {
    std::ifstream f(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<size_t>(f.tellg()), '\0');
    f.seekg(0);
    f.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&d);
    size_t stride = (size_t(d.output_width) * 3 + 3) & ~size_t(3);
    std::vector<unsigned char> pixels(stride * d.output_height);
    std::vector<JSAMPROW> rows(static_cast<size_t>(d.rec_outbuf_height));
    while (d.output_scanline < d.output_height) {
        JDIMENSION n =
            std::min<JDIMENSION>(static_cast<JDIMENSION>(rows.size()), d.output_height - d.output_scanline);
        for (JDIMENSION i = 0; i < n; ++i)
            rows[i] = &pixels[(d.output_scanline + i) * stride];
        jpeg_read_scanlines(&d, rows.data(), n);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return pixels[pixels.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string path = std::string(tmp) + "kv_bench_6000x4000.jpg";
    {
        std::string jpeg = testsupport::MakeJpeg({.width = 6000, .height = 4000, .quality = 90});
        std::ofstream(path, std::ios::binary).write(jpeg.data(), static_cast<std::streamsize>(jpeg.size()));
        std::printf("file: 6000 x 4000 baseline, %zu bytes\n", jpeg.size());
    }
    kplug::TPluginLibrary lib("kv_jpeg.dll");
    auto open = lib.Entry<TKPLUGopen>(kKPLUGopen);
    if (!open) {
        std::printf("kv_jpeg.dll not found in %s\n", kplug::PluginFolder().c_str());
        return 1;
    }
    std::vector<double> plugin, direct;
    DirectDecode(path); // warm the file cache and the code
    for (int i = 0; i < rounds; ++i) {
        double t0 = Seconds();
        HBITMAP h = open(path.c_str(), "jpg", nullptr);
        double t1 = Seconds();
        if (!h) {
            std::printf("KPLUGopen failed\n");
            return 1;
        }
        DeleteObject(h);
        double t2 = Seconds();
        DirectDecode(path);
        double t3 = Seconds();
        plugin.push_back(t1 - t0);
        direct.push_back(t3 - t2);
    }
    DeleteFileA(path.c_str());
    double p = Median(plugin), d = Median(direct);
    std::printf("KPLUGopen      %8.1f ms (median of %d)\n", p * 1000, rounds);
    std::printf("direct decode  %8.1f ms\n", d * 1000);
    std::printf("ratio          %8.3f (target 1.10 or less)\n", p / d);
    return 0;
}
