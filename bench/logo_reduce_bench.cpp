// ReduceToPalette as the logo changer calls it (optimised for Windows, Floyd-Steinberg) on a
// 320 x 400 and a 6000 x 4000 photograph-like image. Writes each image as a PPM file into OUTDIR
// for logo_reduce_bench.sh to give ImageMagick the same pixels, and prints the medians.
//
//   logo_reduce_bench.exe OUTDIR [rounds]
#include "bench/BenchTiming.h"
#include "plugins/logo/GIFImage.h"
#include "tests/plugins/logo/LogoImages.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

void WritePpm(kovalin::TBitmap& bmp, const std::string& path) {
    std::ofstream f(path, std::ios::binary);
    f << "P6\n" << bmp.Width() << " " << bmp.Height() << "\n255\n";
    std::string row(static_cast<size_t>(bmp.Width()) * 3, '\0');
    for (int y = 0; y < bmp.Height(); ++y) {
        const auto* p = static_cast<const unsigned char*>(bmp.ScanLine(y));
        for (int x = 0; x < bmp.Width(); ++x) {
            row[size_t(3 * x)] = static_cast<char>(p[3 * x + 2]);
            row[size_t(3 * x + 1)] = static_cast<char>(p[3 * x + 1]);
            row[size_t(3 * x + 2)] = static_cast<char>(p[3 * x]);
        }
        f.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: logo_reduce_bench OUTDIR [rounds]\n");
        return 2;
    }
    std::string out = argv[1];
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    for (auto [w, h] : {std::pair{320, 400}, std::pair{6000, 4000}}) {
        auto src = logotest::MakeImage(w, h, [&](int x, int y) { return logotest::PhotoLike(x, y, w, h); });
        std::string name = out + "\\photo_" + std::to_string(w) + "x" + std::to_string(h) + ".ppm";
        WritePpm(*src, name);
        std::vector<double> times;
        for (int i = 0; i < (w < 1000 ? rounds * 10 : rounds); ++i) {
            double t0 = bench::Seconds();
            auto reduced = kvlogo::ReduceToPalette(*src, kvlogo::TReductionMethod::rmQuantizeWindows,
                                                   kvlogo::TDitherMode::dmFloydSteinberg, 1, nullptr);
            times.push_back(bench::Seconds() - t0);
        }
        double t = bench::Median(times);
        std::printf("reduce %dx%d %.1f ms (%.1f ms per megapixel)\n", w, h, t * 1000,
                    t * 1000 / (w * h / 1e6));
    }
    return 0;
}
