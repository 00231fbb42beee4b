#include "plugins/logo/DitherEngine.h"

#include <algorithm>
#include <cstdlib>

namespace kvlogo {

namespace {
inline int Clamp(int v) {
    return v < 0 ? 0 : v > 255 ? 255 : v;
}
} // namespace

TDitherEngine::TDitherEngine(int width, TColorLookup& lookup) : lookup_(lookup), width_(width) {}

BYTE TDitherEngine::Dither(BYTE red, BYTE green, BYTE blue) {
    TRGB chosen;
    BYTE index = lookup_.Lookup({red, green, blue}, chosen);
    Advance();
    return index;
}

void TDitherEngine::NextLine() {
    direction_ = -direction_;
    column_ = direction_ > 0 ? 0 : width_ - 1;
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup& lookup)
    : TDitherEngine(width, lookup) {
    for (Component& c : components_)
        c.row.assign(static_cast<size_t>(width) + 2, 0);
}

BYTE TFloydSteinbergDitherer::Dither(BYTE red, BYTE green, BYTE blue) {
    const BYTE in[3] = {red, green, blue};
    int v[3];
    for (int i = 0; i < 3; ++i) {
        Component& c = components_[static_cast<size_t>(i)];
        // Division truncates toward zero, as the rounding of the carried error expects.
        v[i] = Clamp(in[i] + (c.row[static_cast<size_t>(pointer_)] + c.current + 8) / 16);
    }
    TRGB chosen;
    BYTE index = lookup_.Lookup({BYTE(v[0]), BYTE(v[1]), BYTE(v[2])}, chosen);
    const BYTE got[3] = {chosen.red, chosen.green, chosen.blue};
    for (int i = 0; i < 3; ++i) {
        Component& c = components_[static_cast<size_t>(i)];
        int32_t e = v[i] - got[i];
        if (e != 0) {
            c.row[static_cast<size_t>(pointer_)] = c.belowPrevious + 3 * e;
            c.belowPrevious = c.below + 5 * e;
            c.below = e;
            c.current = 7 * e;
        } else {
            // An exact match leaves the row and what is carried below as they are.
            c.current = 0;
        }
    }
    pointer_ += Direction();
    Advance();
    return index;
}

void TFloydSteinbergDitherer::NextLine() {
    for (Component& c : components_) {
        c.row[static_cast<size_t>(pointer_)] = c.belowPrevious;
        c.current = c.below = c.belowPrevious = 0;
    }
    TDitherEngine::NextLine();
    pointer_ = Direction() > 0 ? 0 : Width() + 1;
}

const TDitherKernel& StuckiKernel() {
    static const TDitherKernel k{{{0, 1, 8},
                                  {0, 2, 4},
                                  {1, -2, 2},
                                  {1, -1, 4},
                                  {1, 0, 8},
                                  {1, 1, 4},
                                  {1, 2, 2},
                                  {2, -2, 1},
                                  {2, -1, 2},
                                  {2, 0, 4},
                                  {2, 1, 2},
                                  {2, 2, 1}},
                                 42};
    return k;
}

const TDitherKernel& SierraKernel() {
    static const TDitherKernel k{{{0, 1, 5},
                                  {0, 2, 3},
                                  {1, -2, 2},
                                  {1, -1, 4},
                                  {1, 0, 5},
                                  {1, 1, 4},
                                  {1, 2, 2},
                                  {2, -1, 2},
                                  {2, 0, 3},
                                  {2, 1, 2}},
                                 32};
    return k;
}

const TDitherKernel& JarvisJudiceNinkeKernel() {
    static const TDitherKernel k{{{0, 1, 7},
                                  {0, 2, 5},
                                  {1, -2, 3},
                                  {1, -1, 5},
                                  {1, 0, 7},
                                  {1, 1, 5},
                                  {1, 2, 3},
                                  {2, -2, 1},
                                  {2, -1, 3},
                                  {2, 0, 5},
                                  {2, 1, 3},
                                  {2, 2, 1}},
                                 48};
    return k;
}

// The kernel Stevenson and Arce published for hexagonal grids, spread over four rows.
const TDitherKernel& StevensonArceKernel() {
    static const TDitherKernel k{{{0, 2, 32},
                                  {1, -3, 12},
                                  {1, -1, 26},
                                  {1, 1, 30},
                                  {1, 3, 16},
                                  {2, -2, 12},
                                  {2, 0, 26},
                                  {2, 2, 12},
                                  {3, -3, 5},
                                  {3, -1, 12},
                                  {3, 1, 12},
                                  {3, 3, 5}},
                                 200};
    return k;
}

const TDitherKernel& BurkesKernel() {
    static const TDitherKernel k{
        {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}}, 32};
    return k;
}

TKernelDitherer::TKernelDitherer(int width, TColorLookup& lookup, const TDitherKernel& kernel)
    : TDitherEngine(width, lookup), kernel_(kernel), margin_(0) {
    int rows = 0;
    for (const auto& w : kernel.weights) {
        margin_ = std::max(margin_, std::abs(w.offset));
        rows = std::max(rows, w.row + 1);
    }
    rows_.assign(static_cast<size_t>(rows),
                 std::vector<int32_t>((static_cast<size_t>(width) + 2 * margin_) * 3, 0));
}

BYTE TKernelDitherer::Dither(BYTE red, BYTE green, BYTE blue) {
    const int x = Column() + margin_;
    const BYTE in[3] = {red, green, blue};
    const int half = kernel_.divisor / 2;
    int32_t* current = rows_[0].data() + static_cast<size_t>(x) * 3;
    int v[3];
    for (int i = 0; i < 3; ++i)
        v[i] = Clamp(in[i] + (current[i] + half) / kernel_.divisor);
    TRGB chosen;
    BYTE index = lookup_.Lookup({BYTE(v[0]), BYTE(v[1]), BYTE(v[2])}, chosen);
    const int e[3] = {v[0] - chosen.red, v[1] - chosen.green, v[2] - chosen.blue};
    if (e[0] != 0 || e[1] != 0 || e[2] != 0) {
        const int dir = Direction();
        for (const auto& w : kernel_.weights) {
            int32_t* target =
                rows_[static_cast<size_t>(w.row)].data() + static_cast<size_t>(x + dir * w.offset) * 3;
            for (int i = 0; i < 3; ++i)
                target[i] += w.weight * e[i];
        }
    }
    Advance();
    return index;
}

void TKernelDitherer::NextLine() {
    std::fill(rows_[0].begin(), rows_[0].end(), 0);
    std::rotate(rows_.begin(), rows_.begin() + 1, rows_.end());
    TDitherEngine::NextLine();
}

} // namespace kvlogo
