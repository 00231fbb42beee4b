// Colour reduction: ReduceToPalette turns a bitmap of any depth into a new 8-bit bitmap with a
// palette chosen by one of ten methods, mapping the pixels with one of seven ways of dithering.
#pragma once

#include "kovalin/Bitmap.h"
#include "plugins/logo/ColorLookup.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace kvlogo {

class TDIBReader;

enum class TReductionMethod : uint8_t {
    rmNone,            // a 24-bit copy, no palette
    rmWindows20,       // the system's default palette of 20 colours
    rmWindows256,      // the halftone palette of the screen
    rmWindowsGray,     // 4 greys
    rmMonochrome,      // black and white
    rmGrayScale,       // 256 greys
    rmNetscape,        // the 216-colour cube
    rmQuantize,        // an optimised palette of 2 to the power of the reduction bits colours
    rmQuantizeWindows, // 236 optimised colours between the 20 static system colours
    rmPalette          // the caller's palette
};

enum class TDitherMode : uint8_t {
    dmNearest,
    dmFloydSteinberg,
    dmStucki,
    dmSierra,
    dmJarvisJudiceNinke,
    dmStevensonArce,
    dmBurkes
};

// A new bitmap reduced from `source`, which is converted to 24 bits per pixel in place. With
// rmNone the result is a 24-bit copy; otherwise it is 8 bits per pixel with the method's palette.
// When the method gives no colours at all (an empty caller's palette) the result is empty.
// `reductionBits` (1..8) sizes the rmQuantize palette; `customPalette` is read for rmPalette.
std::unique_ptr<kovalin::TBitmap> ReduceToPalette(kovalin::TBitmap& source, TReductionMethod method,
                                                  TDitherMode dither, int reductionBits,
                                                  HPALETTE customPalette);

// The entries of a palette built from the image's colours by octree quantisation at `colorBits`
// bits. With system colours the palette has `colors` entries (256 in practice): the first ten and
// the last ten are the system's static colours, the octree colours fill the room between. Without
// them it has `colors` octree colours. Slots the octree leaves unfilled are black.
std::vector<PALETTEENTRY> BuildOctreePalette(TDIBReader& image, int colors, int colorBits, bool systemColors);

// The system's 20 static colours: its default palette.
std::vector<PALETTEENTRY> SystemPaletteEntries();

// A palette handle with the entries; the caller deletes it.
HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries);

} // namespace kvlogo
