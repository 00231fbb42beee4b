// Colour lookups: each maps a colour to the index of a palette entry and gives that entry's colour.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace kvlogo {

struct TRGB {
    BYTE red, green, blue;
};

class TColorLookup {
public:
    explicit TColorLookup(int colors) : colors_(colors) {}
    TColorLookup(const TColorLookup&) = delete;
    TColorLookup& operator=(const TColorLookup&) = delete;
    virtual ~TColorLookup() = default;

    int Colors() const { return colors_; }
    // The index for the colour; `chosen` gets the colour of that index.
    virtual BYTE Lookup(TRGB color, TRGB& chosen) = 0;

protected:
    void SetColors(int colors) { colors_ = colors; }

private:
    int colors_;
};

// Any palette: nearest colours by the sum of the absolute component differences, remembered per
// 15-bit colour so that each is searched for once.
class TFastColorLookup : public TColorLookup {
public:
    // Uses up to 256 entries of the palette.
    explicit TFastColorLookup(HPALETTE palette);
    BYTE Lookup(TRGB color, TRGB& chosen) override;

    static int Slot(TRGB c) { return (c.blue >> 3) << 10 | (c.green >> 3) << 5 | (c.red >> 3); }

private:
    std::vector<TRGB> entries_;
    std::vector<int16_t> inverse_; // 32768 slots, -1 while not known
};

// 256 grey levels, weighted by how bright each component looks.
class TGrayScaleLookup : public TColorLookup {
public:
    TGrayScaleLookup() : TColorLookup(256) {}
    BYTE Lookup(TRGB color, TRGB& chosen) override;
};

// Black (index 0) and white (index 1).
class TMonochromeLookup : public TColorLookup {
public:
    TMonochromeLookup() : TColorLookup(2) {}
    BYTE Lookup(TRGB color, TRGB& chosen) override;
};

// The 216-colour cube with six levels per component, index 36 red + 6 green + blue.
class TNetscapeColorLookup : public TColorLookup {
public:
    TNetscapeColorLookup() : TColorLookup(216) {}
    BYTE Lookup(TRGB color, TRGB& chosen) override;
};

} // namespace kvlogo
