// Dither engines: each walks the rows of an image in serpentine order (even rows left to right,
// odd rows right to left), maps every pixel through a colour lookup and, except the nearest-colour
// engine, spreads the difference between the pixel and the chosen colour over pixels to come.
#pragma once

#include "plugins/logo/ColorLookup.h"

#include <array>
#include <vector>

namespace kvlogo {

class TDitherEngine {
public:
    // The nearest-colour engine: no error is carried.
    TDitherEngine(int width, TColorLookup& lookup);
    TDitherEngine(const TDitherEngine&) = delete;
    TDitherEngine& operator=(const TDitherEngine&) = delete;
    virtual ~TDitherEngine() = default;

    int Width() const { return width_; }
    // The pixel the next Dither call maps, and the way along the row it goes (+1 or -1).
    int Column() const { return column_; }
    int Direction() const { return direction_; }

    // Maps the pixel at Column() and moves on to the next one; gives its palette index.
    virtual BYTE Dither(BYTE red, BYTE green, BYTE blue);
    // The row is done: the next one goes the other way.
    virtual void NextLine();

protected:
    void Advance() { column_ += direction_; }

    TColorLookup& lookup_;

private:
    int width_;
    int column_ = 0;
    int direction_ = 1;
};

// Floyd-Steinberg: 7/16 of the error to the pixel ahead, 3/16, 5/16 and 1/16 to the pixels below
// behind, below and below ahead. Errors are kept at 16 times their value.
class TFloydSteinbergDitherer : public TDitherEngine {
public:
    TFloydSteinbergDitherer(int width, TColorLookup& lookup);
    BYTE Dither(BYTE red, BYTE green, BYTE blue) override;
    void NextLine() override;

private:
    struct Component {
        std::vector<int32_t> row; // width + 2 entries
        int32_t current = 0, below = 0, belowPrevious = 0;
    };
    std::array<Component, 3> components_; // red, green, blue
    int pointer_ = 0;                     // the entry of the error rows for this pixel
};

// The error-diffusion kernels of several rows, given for a walk to the right.
struct TDitherKernel {
    struct Weight {
        int row, offset, weight; // row 0 is the current one; offset along the direction of travel
    };
    std::vector<Weight> weights;
    int divisor;
};
const TDitherKernel& StuckiKernel();
const TDitherKernel& SierraKernel();
const TDitherKernel& JarvisJudiceNinkeKernel();
const TDitherKernel& StevensonArceKernel();
const TDitherKernel& BurkesKernel();

// Error diffusion by a kernel: one error row per kernel row, each pixel's correction the
// accumulated error divided by the kernel's divisor, rounded.
class TKernelDitherer : public TDitherEngine {
public:
    TKernelDitherer(int width, TColorLookup& lookup, const TDitherKernel& kernel);
    BYTE Dither(BYTE red, BYTE green, BYTE blue) override;
    void NextLine() override;

private:
    const TDitherKernel& kernel_;
    int margin_; // spare entries at each end of a row, as far as the kernel reaches sideways
    std::vector<std::vector<int32_t>> rows_; // (width + 2 margin) x 3 entries, red green blue per pixel
};

} // namespace kvlogo
