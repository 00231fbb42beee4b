#include "plugins/logo/ColorLookup.h"

#include <cstdlib>

namespace kvlogo {

TFastColorLookup::TFastColorLookup(HPALETTE palette) : TColorLookup(0), inverse_(32768, -1) {
    PALETTEENTRY pe[256];
    UINT n = palette ? GetPaletteEntries(palette, 0, 256, pe) : 0;
    entries_.resize(n);
    for (UINT i = 0; i < n; ++i) {
        entries_[i] = {pe[i].peRed, pe[i].peGreen, pe[i].peBlue};
        // Of several entries that share a slot, the first one keeps it.
        int16_t& slot = inverse_[static_cast<size_t>(Slot(entries_[i]))];
        if (slot == -1) slot = static_cast<int16_t>(i);
    }
    SetColors(static_cast<int>(n));
}

BYTE TFastColorLookup::Lookup(TRGB color, TRGB& chosen) {
    int16_t& slot = inverse_[static_cast<size_t>(Slot(color))];
    if (slot == -1) {
        int best = 0;
        int bestDistance = 3 * 65536;
        for (size_t i = 0; i < entries_.size(); ++i) {
            const TRGB& e = entries_[i];
            int d =
                std::abs(e.red - color.red) + std::abs(e.green - color.green) + std::abs(e.blue - color.blue);
            if (d < bestDistance) { // equal distances keep the lower index
                bestDistance = d;
                best = static_cast<int>(i);
            }
        }
        slot = static_cast<int16_t>(best);
    }
    chosen = entries_[static_cast<size_t>(slot)];
    return static_cast<BYTE>(slot);
}

BYTE TGrayScaleLookup::Lookup(TRGB c, TRGB& chosen) {
    BYTE v = static_cast<BYTE>((29 * c.blue + 150 * c.green + 77 * c.red) >> 8);
    chosen = {v, v, v};
    return v;
}

BYTE TMonochromeLookup::Lookup(TRGB c, TRGB& chosen) {
    if (29 * c.blue + 150 * c.green + 77 * c.red < 32513) {
        chosen = {0, 0, 0};
        return 0;
    }
    chosen = {255, 255, 255};
    return 1;
}

BYTE TNetscapeColorLookup::Lookup(TRGB c, TRGB& chosen) {
    int r = (c.red + 3) / 51, g = (c.green + 3) / 51, b = (c.blue + 3) / 51;
    chosen = {static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 51), static_cast<BYTE>(b * 51)};
    return static_cast<BYTE>(36 * r + 6 * g + b);
}

} // namespace kvlogo
