#include "plugins/logo/GIFImage.h"

#include "kovalin/Handles.h"
#include "plugins/logo/ColorQuantizer.h"
#include "plugins/logo/DIBAccess.h"
#include "plugins/logo/DitherEngine.h"

#include <algorithm>

namespace kvlogo {

using namespace kovalin;

std::vector<PALETTEENTRY> SystemPaletteEntries() {
    std::vector<PALETTEENTRY> entries(20);
    UINT n = GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 20, entries.data());
    entries.resize(n);
    return entries;
}

HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries) {
    std::vector<BYTE> buf(sizeof(LOGPALETTE) + std::max<size_t>(entries.size(), 1) * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(entries.size());
    std::copy(entries.begin(), entries.end(), lp->palPalEntry);
    HPALETTE palette = CreatePalette(lp);
    if (!palette) RaiseLastOSError("CreatePalette");
    return palette;
}

std::vector<PALETTEENTRY> BuildOctreePalette(TDIBReader& image, int colors, int colorBits,
                                             bool systemColors) {
    // The static colours take ten entries at each end.
    const size_t reserved = systemColors ? 10 : 0;
    const size_t count = std::max<size_t>(static_cast<size_t>(std::max(colors, 1)), 2 * reserved + 1);
    TColorQuantizer quantizer(static_cast<int>(count - 2 * reserved), colorBits);
    quantizer.ProcessImage(image);
    std::vector<TRGB> table = quantizer.ColorTable();

    std::vector<PALETTEENTRY> entries(count, PALETTEENTRY{0, 0, 0, 0});
    for (size_t i = 0; i < table.size() && reserved + i < count - reserved; ++i)
        entries[reserved + i] = {table[i].red, table[i].green, table[i].blue, 0};
    if (systemColors) {
        std::vector<PALETTEENTRY> system = SystemPaletteEntries();
        for (size_t i = 0; i < system.size() && i < 2 * reserved; ++i) {
            size_t at = i < reserved ? i : count - 2 * reserved + i;
            entries[at] = {system[i].peRed, system[i].peGreen, system[i].peBlue, 0};
        }
    }
    return entries;
}

namespace {

std::vector<PALETTEENTRY> Greys(std::initializer_list<BYTE> levels) {
    std::vector<PALETTEENTRY> entries;
    for (BYTE v : levels)
        entries.push_back({v, v, v, PC_NOCOLLAPSE});
    return entries;
}

std::vector<PALETTEENTRY> GreyRamp() {
    std::vector<PALETTEENTRY> entries(256);
    for (int i = 0; i < 256; ++i)
        entries[static_cast<size_t>(i)] = {BYTE(i), BYTE(i), BYTE(i), PC_NOCOLLAPSE};
    return entries;
}

std::vector<PALETTEENTRY> ColourCube() {
    std::vector<PALETTEENTRY> entries;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                entries.push_back({BYTE(r * 51), BYTE(g * 51), BYTE(b * 51), PC_NOCOLLAPSE});
    return entries;
}

std::vector<PALETTEENTRY> EntriesOf(HPALETTE palette) {
    std::vector<PALETTEENTRY> entries(256);
    UINT n = palette ? GetPaletteEntries(palette, 0, 256, entries.data()) : 0;
    entries.resize(n);
    return entries;
}

struct PaletteAndLookup {
    UniqueHPalette palette;
    std::unique_ptr<TColorLookup> lookup;
};

PaletteAndLookup MakePaletteAndLookup(TDIBReader& reader, TReductionMethod method, int bits,
                                      HPALETTE custom) {
    std::vector<PALETTEENTRY> entries;
    enum { fast, grey, mono, cube } kind = fast;
    switch (method) {
    case TReductionMethod::rmWindows20:
        entries = SystemPaletteEntries();
        break;
    case TReductionMethod::rmWindows256: {
        ScreenDC screen;
        UniqueHPalette halftone(CreateHalftonePalette(screen.get()));
        entries = EntriesOf(halftone.get());
        break;
    }
    case TReductionMethod::rmWindowsGray:
        entries = Greys({0x00, 0x80, 0xC0, 0xFF});
        break;
    case TReductionMethod::rmMonochrome:
        entries = Greys({0x00, 0xFF});
        kind = mono;
        break;
    case TReductionMethod::rmGrayScale:
        entries = GreyRamp();
        kind = grey;
        break;
    case TReductionMethod::rmNetscape:
        entries = ColourCube();
        kind = cube;
        break;
    case TReductionMethod::rmQuantize: {
        int b = std::clamp(bits, 1, 8);
        entries = BuildOctreePalette(reader, 1 << b, 8, false);
        break;
    }
    case TReductionMethod::rmQuantizeWindows:
        entries = BuildOctreePalette(reader, 256, 8, true);
        break;
    case TReductionMethod::rmPalette:
    default:
        entries = EntriesOf(custom);
        break;
    }
    PaletteAndLookup result;
    if (entries.empty()) {
        result.lookup = std::make_unique<TFastColorLookup>(nullptr); // no colours: nothing to map to
        return result;
    }
    result.palette.reset(MakePalette(entries));
    switch (kind) {
    case mono:
        result.lookup = std::make_unique<TMonochromeLookup>();
        break;
    case grey:
        result.lookup = std::make_unique<TGrayScaleLookup>();
        break;
    case cube:
        result.lookup = std::make_unique<TNetscapeColorLookup>();
        break;
    default:
        result.lookup = std::make_unique<TFastColorLookup>(result.palette.get());
        break;
    }
    return result;
}

std::unique_ptr<TDitherEngine> MakeEngine(TDitherMode mode, int width, TColorLookup& lookup) {
    switch (mode) {
    case TDitherMode::dmFloydSteinberg:
        return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case TDitherMode::dmStucki:
        return std::make_unique<TKernelDitherer>(width, lookup, StuckiKernel());
    case TDitherMode::dmSierra:
        return std::make_unique<TKernelDitherer>(width, lookup, SierraKernel());
    case TDitherMode::dmJarvisJudiceNinke:
        return std::make_unique<TKernelDitherer>(width, lookup, JarvisJudiceNinkeKernel());
    case TDitherMode::dmStevensonArce:
        return std::make_unique<TKernelDitherer>(width, lookup, StevensonArceKernel());
    case TDitherMode::dmBurkes:
        return std::make_unique<TKernelDitherer>(width, lookup, BurkesKernel());
    case TDitherMode::dmNearest:
    default:
        return std::make_unique<TDitherEngine>(width, lookup);
    }
}

} // namespace

std::unique_ptr<TBitmap> ReduceToPalette(TBitmap& source, TReductionMethod method, TDitherMode dither,
                                         int reductionBits, HPALETTE customPalette) {
    auto result = std::make_unique<TBitmap>();
    if (method == TReductionMethod::rmNone) {
        result->Assign(source);
        result->SetPixelFormat(TPixelFormat::pf24bit);
        return result;
    }
    TDIBReader reader(source);
    PaletteAndLookup pl = MakePaletteAndLookup(reader, method, reductionBits, customPalette);
    if (pl.lookup->Colors() == 0) return result;
    std::unique_ptr<TDitherEngine> engine = MakeEngine(dither, reader.Width(), *pl.lookup);
    TDIBWriter writer(*result, pl.palette.get(), reader.Height(), reader.Width(), TPixelFormat::pf8bit);
    const int width = reader.Width();
    for (int y = 0; y < reader.Height(); ++y) {
        const BYTE* src = reader.ScanLine(y);
        BYTE* dst = writer.ScanLine(y);
        for (int x = engine->Column(); x >= 0 && x < width; x = engine->Column()) {
            const BYTE* p = src + static_cast<size_t>(x) * 3;
            dst[x] = engine->Dither(p[2], p[1], p[0]);
        }
        engine->NextLine();
    }
    return result;
}

} // namespace kvlogo
