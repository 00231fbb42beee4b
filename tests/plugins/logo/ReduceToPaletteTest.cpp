#include "kovalin/Exceptions.h"
#include "kovalin/Handles.h"
#include "plugins/logo/DIBAccess.h"
#include "plugins/logo/GIFImage.h"
#include "tests/plugins/logo/LogoImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

using namespace kovalin;
using namespace kvlogo;
using namespace logotest;

namespace {

bool SameColour(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}
Rgb ColourOf(const PALETTEENTRY& e) {
    return {e.peRed, e.peGreen, e.peBlue};
}

// The octree's walk order: the bits of red, green and blue interleaved from the top bit down.
unsigned OctreeKey(Rgb c) {
    unsigned key = 0;
    for (int bit = 7; bit >= 0; --bit)
        key = key << 3 | ((c.r >> bit) & 1) << 2 | ((c.g >> bit) & 1) << 1 | ((c.b >> bit) & 1);
    return key;
}

std::unique_ptr<TBitmap> Reduce(TBitmap& src, TReductionMethod m,
                                TDitherMode d = TDitherMode::dmFloydSteinberg, int bits = 8,
                                HPALETTE custom = nullptr) {
    return ReduceToPalette(src, m, d, bits, custom);
}

void ExpectStaticColoursAtTheEnds(const std::vector<PALETTEENTRY>& pal) {
    std::vector<PALETTEENTRY> stock = StockPalette();
    ASSERT_EQ(stock.size(), 20u);
    ASSERT_EQ(pal.size(), 256u);
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_TRUE(SameColour(pal[i], stock[i])) << i;
        EXPECT_TRUE(SameColour(pal[246 + i], stock[10 + i])) << 246 + i;
    }
}

TEST(ReduceToPaletteTest, FewColoursAreKeptExactlyBetweenTheStaticOnes) {
    // 120 colours, each in a 15-bit cell of its own, so none takes another's lookup slot.
    std::vector<Rgb> colours;
    for (int i = 0; i < 120; ++i)
        colours.push_back({BYTE(8 * (i % 32)), BYTE(8 * ((i * 7) % 32)), BYTE(8 * (i / 32) + 64)});
    auto src =
        MakeImage(40, 30, [&](int x, int y) { return colours[static_cast<size_t>((y * 40 + x) % 120)]; });
    auto out = Reduce(*src, TReductionMethod::rmQuantizeWindows);
    std::vector<PALETTEENTRY> pal = PaletteOf(*out);
    ExpectStaticColoursAtTheEnds(pal);

    std::set<unsigned> wanted, got;
    for (Rgb c : colours)
        wanted.insert(OctreeKey(c));
    for (size_t i = 10; i < 130; ++i) {
        got.insert(OctreeKey(ColourOf(pal[i])));
        if (i > 10) {
            EXPECT_LT(OctreeKey(ColourOf(pal[i - 1])), OctreeKey(ColourOf(pal[i]))) << "walk order at " << i;
        }
    }
    EXPECT_EQ(got, wanted);
    for (size_t i = 130; i < 246; ++i)
        EXPECT_TRUE(SameColour(pal[i], {0, 0, 0, 0})) << i;
    // Every pixel finds its own colour, so nothing is dithered.
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(ColourOf(pal[IndexOf(*out, x, y)]), colours[static_cast<size_t>((y * 40 + x) % 120)]);
}

TEST(ReduceToPaletteTest, AUniformImageHasOneColourAndNoDitherError) {
    for (TDitherMode mode :
         {TDitherMode::dmFloydSteinberg, TDitherMode::dmStucki, TDitherMode::dmStevensonArce}) {
        auto src = MakeImage(33, 17, [](int, int) { return Rgb{123, 45, 67}; });
        auto out = Reduce(*src, TReductionMethod::rmQuantizeWindows, mode);
        std::vector<PALETTEENTRY> pal = PaletteOf(*out);
        ASSERT_EQ(pal.size(), 256u);
        EXPECT_EQ(ColourOf(pal[10]), (Rgb{123, 45, 67}));
        for (size_t i = 11; i < 246; ++i)
            EXPECT_TRUE(SameColour(pal[i], {0, 0, 0, 0})) << i;
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 33; ++x)
                ASSERT_EQ(IndexOf(*out, x, y), 10) << x << "," << y;
    }
}

TEST(ReduceToPaletteTest, OptimisedForWindowsAlwaysHasTheStaticColours) {
    // A 32-bit source of many colours: converted to 24 bits in place, the result 8 bits, same size.
    auto src = MakeImage(
        64, 48, [](int x, int y) { return PhotoLike(x, y, 64, 48); }, TPixelFormat::pf32bit);
    auto out = Reduce(*src, TReductionMethod::rmQuantizeWindows);
    EXPECT_EQ(src->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(out->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(out->Width(), 64);
    EXPECT_EQ(out->Height(), 48);
    ExpectStaticColoursAtTheEnds(PaletteOf(*out));
    // A black image too: its one colour goes between the static ones.
    auto black = MakeImage(5, 5, [](int, int) { return Rgb{0, 0, 0}; });
    ExpectStaticColoursAtTheEnds(PaletteOf(*Reduce(*black, TReductionMethod::rmQuantizeWindows)));
}

// Floyd-Steinberg written out plainly: the error rows of width + 2 at 16 times the error, the
// three carried values, rows turning at each end, and the lookup's first-entry-wins cells.
std::vector<BYTE> ReferenceFloydSteinberg(TBitmap& src, const std::vector<PALETTEENTRY>& pal) {
    const int w = src.Width(), h = src.Height();
    std::vector<int> cell(32768, -1);
    auto cellOf = [](int r, int g, int b) { return (b / 8) * 1024 + (g / 8) * 32 + r / 8; };
    for (int i = 0; i < static_cast<int>(pal.size()); ++i) {
        int c = cellOf(pal[size_t(i)].peRed, pal[size_t(i)].peGreen, pal[size_t(i)].peBlue);
        if (cell[size_t(c)] < 0) cell[size_t(c)] = i;
    }
    auto nearest = [&](int r, int g, int b) {
        int& c = cell[size_t(cellOf(r, g, b))];
        if (c < 0) {
            int best = 196608;
            for (int i = 0; i < static_cast<int>(pal.size()); ++i) {
                const PALETTEENTRY& e = pal[size_t(i)];
                int d = std::abs(e.peRed - r) + std::abs(e.peGreen - g) + std::abs(e.peBlue - b);
                if (d < best) {
                    best = d;
                    c = i;
                }
            }
        }
        return c;
    };
    std::vector<int> rows[3];
    for (auto& r : rows)
        r.assign(size_t(w) + 2, 0);
    std::vector<BYTE> out(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const bool right = y % 2 == 0;
        int at = right ? 0 : w + 1;
        int cur[3] = {}, below[3] = {}, belowPrev[3] = {};
        for (int k = 0; k < w; ++k) {
            int x = right ? k : w - 1 - k;
            Rgb in = PixelOf(src, x, y);
            int comp[3] = {in.r, in.g, in.b}, v[3];
            for (int c = 0; c < 3; ++c)
                v[c] = std::clamp(comp[c] + (rows[c][size_t(at)] + cur[c] + 8) / 16, 0, 255);
            int idx = nearest(v[0], v[1], v[2]);
            out[size_t(y) * size_t(w) + size_t(x)] = BYTE(idx);
            int got[3] = {pal[size_t(idx)].peRed, pal[size_t(idx)].peGreen, pal[size_t(idx)].peBlue};
            for (int c = 0; c < 3; ++c) {
                int e = v[c] - got[c];
                if (e == 0) {
                    cur[c] = 0;
                    continue;
                }
                rows[c][size_t(at)] = belowPrev[c] + 3 * e;
                belowPrev[c] = below[c] + 5 * e;
                below[c] = e;
                cur[c] = 7 * e;
            }
            at += right ? 1 : -1;
        }
        for (int c = 0; c < 3; ++c)
            rows[c][size_t(at)] = belowPrev[c];
    }
    return out;
}

TEST(ReduceToPaletteTest, FloydSteinbergMatchesAPlainImplementation) {
    struct Case {
        int w, h;
        TReductionMethod method;
    };
    for (Case c :
         {Case{37, 23, TReductionMethod::rmQuantizeWindows}, Case{1, 19, TReductionMethod::rmQuantizeWindows},
          Case{29, 1, TReductionMethod::rmWindows20}, Case{16, 9, TReductionMethod::rmWindowsGray},
          Case{320, 40, TReductionMethod::rmQuantizeWindows}}) {
        auto src = MakeImage(c.w, c.h, [&](int x, int y) { return PhotoLike(x, y, c.w, c.h); });
        auto out = Reduce(*src, c.method);
        std::vector<BYTE> want = ReferenceFloydSteinberg(*src, PaletteOf(*out));
        int differ = 0;
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                differ += IndexOf(*out, x, y) != want[size_t(y) * size_t(c.w) + size_t(x)];
        EXPECT_EQ(differ, 0) << c.w << " x " << c.h;
    }
}

double MeanLuminance(TBitmap& out, const std::vector<PALETTEENTRY>& pal) {
    double sum = 0;
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) {
            const PALETTEENTRY& e = pal[IndexOf(out, x, y)];
            sum += 0.299 * e.peRed + 0.587 * e.peGreen + 0.114 * e.peBlue;
        }
    return sum / (out.Width() * out.Height());
}

TEST(ReduceToPaletteTest, EveryMethodAndDitherModeGivesAValidImage) {
    const int w = 48, h = 32;
    // A custom palette of 3 colours for the last method.
    UniqueHPalette custom(MakePalette({{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}}));
    ScreenDC screen;
    UniqueHPalette halftone(CreateHalftonePalette(screen.get()));
    const size_t halftoneCount = GetPaletteEntries(halftone.get(), 0, 0, nullptr);
    struct Method {
        TReductionMethod m;
        size_t colours;
    };
    const Method methods[] = {
        {TReductionMethod::rmWindows20, 20},  {TReductionMethod::rmWindows256, halftoneCount},
        {TReductionMethod::rmWindowsGray, 4}, {TReductionMethod::rmMonochrome, 2},
        {TReductionMethod::rmGrayScale, 256}, {TReductionMethod::rmNetscape, 216},
        {TReductionMethod::rmQuantize, 16},   {TReductionMethod::rmQuantizeWindows, 256},
        {TReductionMethod::rmPalette, 3}};
    for (const Method& m : methods) {
        for (int mode = 0; mode <= 6; ++mode) {
            SCOPED_TRACE(testing::Message() << "method " << int(m.m) << " dither " << mode);
            auto src = MakeImage(w, h, [&](int x, int y) { return PhotoLike(x, y, w, h); });
            auto out = Reduce(*src, m.m, TDitherMode(mode), 4, custom.get());
            ASSERT_EQ(out->PixelFormat(), TPixelFormat::pf8bit);
            ASSERT_EQ(out->Width(), w);
            ASSERT_EQ(out->Height(), h);
            std::vector<PALETTEENTRY> pal = PaletteOf(*out);
            ASSERT_EQ(pal.size(), m.colours);
            double srcMean = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    ASSERT_LT(IndexOf(*out, x, y), pal.size());
                    Rgb c = PixelOf(*src, x, y);
                    srcMean += 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
                }
            srcMean /= w * h;
            // Diffusing the error keeps the picture's brightness; with few colours that is what
            // tells dithering from a plain mapping.
            if (mode != 0 && m.colours <= 4 && m.m != TReductionMethod::rmPalette) {
                EXPECT_NEAR(MeanLuminance(*out, pal), srcMean, 8.0);
            }
        }
    }
}

TEST(ReduceToPaletteTest, NearestColourMapsEachPixelWithoutSpreadingIt) {
    // Four greys: without dithering a smooth ramp becomes four bands, each pixel its nearest grey.
    auto src = MakeImage(256, 2, [](int x, int) { return Rgb{BYTE(x), BYTE(x), BYTE(x)}; });
    auto out = Reduce(*src, TReductionMethod::rmWindowsGray, TDitherMode::dmNearest);
    std::vector<PALETTEENTRY> pal = PaletteOf(*out);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 256; ++x) {
            int best = 1000;
            for (const PALETTEENTRY& e : pal)
                best = std::min(best, 3 * std::abs(e.peRed - x));
            const PALETTEENTRY& got = pal[IndexOf(*out, x, y)];
            // The lookup remembers one answer per 8 grey levels, so the band edges may sit up to twice that
            // off.
            EXPECT_LE(3 * std::abs(got.peRed - x), best + 3 * 16) << x;
        }
    EXPECT_EQ(IndexOf(*out, 0, 0), 0);
    EXPECT_EQ(IndexOf(*out, 255, 1), 3);
}

TEST(ReduceToPaletteTest, PaletteKindsAndQuantisedSizes) {
    auto src = MakeImage(20, 20, [](int x, int y) { return PhotoLike(x, y, 20, 20); });
    // 216 colours: red, green and blue in steps of 51, index 36 r + 6 g + b.
    std::vector<PALETTEENTRY> cube = PaletteOf(*Reduce(*src, TReductionMethod::rmNetscape));
    ASSERT_EQ(cube.size(), 216u);
    EXPECT_EQ(ColourOf(cube[36 * 1 + 6 * 2 + 3]), (Rgb{51, 102, 153}));
    EXPECT_EQ(cube[7].peFlags, PC_NOCOLLAPSE);
    std::vector<PALETTEENTRY> greys = PaletteOf(*Reduce(*src, TReductionMethod::rmWindowsGray));
    ASSERT_EQ(greys.size(), 4u);
    EXPECT_EQ(ColourOf(greys[1]), (Rgb{0x80, 0x80, 0x80}));
    EXPECT_EQ(ColourOf(greys[2]), (Rgb{0xC0, 0xC0, 0xC0}));
    // The optimised palette has 2 to the power of the bits entries, unfilled ones black.
    for (int bits : {1, 3, 8})
        EXPECT_EQ(PaletteOf(*Reduce(*src, TReductionMethod::rmQuantize, TDitherMode::dmNearest, bits)).size(),
                  size_t(1) << bits);
    auto two = MakeImage(4, 4, [](int x, int) { return x < 2 ? Rgb{10, 20, 30} : Rgb{200, 100, 50}; });
    std::vector<PALETTEENTRY> quant =
        PaletteOf(*Reduce(*two, TReductionMethod::rmQuantize, TDitherMode::dmNearest, 2));
    ASSERT_EQ(quant.size(), 4u);
    EXPECT_EQ(ColourOf(quant[0]), (Rgb{10, 20, 30}));
    EXPECT_EQ(ColourOf(quant[1]), (Rgb{200, 100, 50}));
    EXPECT_EQ(ColourOf(quant[3]), (Rgb{0, 0, 0}));
    EXPECT_EQ(quant[0].peFlags, 0);
}

TEST(ReduceToPaletteTest, NoneCopiesAt24BitsAndAnEmptyPaletteGivesNothing) {
    auto src = MakeImage(
        7, 5,
        [](int x, int y) {
            return Rgb{BYTE(x * 30), BYTE(y * 40), 9};
        },
        TPixelFormat::pf32bit);
    auto copy = Reduce(*src, TReductionMethod::rmNone);
    ASSERT_EQ(copy->PixelFormat(), TPixelFormat::pf24bit);
    ASSERT_EQ(copy->Width(), 7);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(PixelOf(*copy, x, y), (Rgb{BYTE(x * 30), BYTE(y * 40), 9}));
    auto none = Reduce(*src, TReductionMethod::rmPalette, TDitherMode::dmFloydSteinberg, 8, nullptr);
    EXPECT_TRUE(none->Empty());
}

TEST(ReduceToPaletteTest, WriterAndReaderRefuseWhatTheyCannotHold) {
    TBitmap result;
    auto message = [](auto&& f) {
        try {
            f();
        } catch (const kovalin::Exception& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { TDIBWriter w(result, nullptr, 4, 4, TPixelFormat::pf32bit); }),
              "Unsupported PixelFormat");
    EXPECT_EQ(message([&] { TDIBWriter w(result, nullptr, 0, 4, TPixelFormat::pf8bit); }),
              "Invalid image dimensions");
    EXPECT_EQ(message([&] { TDIBWriter w(result, nullptr, 4, -1, TPixelFormat::pf8bit); }),
              "Invalid image dimensions");
    TDIBWriter writer(result, nullptr, 3, 2, TPixelFormat::pf24bit);
    EXPECT_EQ(result.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_NE(writer.ScanLine(2), nullptr);
    EXPECT_EQ(message([&] { writer.ScanLine(3); }), "Scan line index out of range");
    result.Clear();
    EXPECT_EQ(message([&] { writer.ScanLine(0); }), "Image has no DIB");
    // An empty source has nothing to reduce; the error reaches the caller and no result is left.
    TBitmap empty;
    EXPECT_EQ(message([&] { Reduce(empty, TReductionMethod::rmQuantizeWindows); }),
              "Invalid image dimensions");
}

} // namespace
