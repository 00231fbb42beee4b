#include "plugins/print/Units.h"

#include "kovalin/Handles.h"

namespace kvprint {

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return 0;
    int64_t p = static_cast<int64_t>(a) * b;
    int64_t half = (c < 0 ? -static_cast<int64_t>(c) : c) / 2;
    bool negative = (p < 0) != (c < 0);
    int64_t q = ((p < 0 ? -p : p) + half) / (c < 0 ? -static_cast<int64_t>(c) : c);
    return static_cast<int32_t>(negative ? -q : q);
}

int32_t ConvertUnits(int32_t v, int32_t dpi, TUnits from, TUnits to) {
    if (from == to) return v;
    switch (from) {
    case mmPixel:
        switch (to) {
        case mmLoMetric:
            return MulDivRound(v, 254, dpi);
        case mmHiMetric:
            return MulDivRound(v, 2540, dpi);
        case mmLoEnglish:
            return MulDivRound(v, 10, dpi);
        case mmHiEnglish:
            return MulDivRound(v, 100, dpi);
        case mmTWIPS:
            return MulDivRound(v, 1440, dpi);
        default:
            break;
        }
        break;
    case mmLoMetric:
        switch (to) {
        case mmPixel:
            return MulDivRound(v, dpi, 254);
        case mmHiMetric:
            return v * 10;
        case mmLoEnglish:
            return MulDivRound(v, 10, 254);
        case mmHiEnglish:
            return MulDivRound(v, 100, 254);
        case mmTWIPS:
            return MulDivRound(v, 1440, 254);
        default:
            break;
        }
        break;
    case mmHiMetric:
        switch (to) {
        case mmPixel:
            return MulDivRound(v, dpi, 2540);
        case mmLoMetric:
            return v / 10;
        case mmLoEnglish:
            return v / 254;
        case mmHiEnglish:
            return MulDivRound(v, 10, 254);
        case mmTWIPS:
            return MulDivRound(v, 1440, 2540);
        default:
            break;
        }
        break;
    case mmLoEnglish:
        switch (to) {
        case mmPixel:
            return MulDivRound(v, dpi, 10);
        case mmLoMetric:
            return MulDivRound(v, 254, 10);
        case mmHiMetric:
            return v * 254;
        case mmHiEnglish:
            return v * 10;
        case mmTWIPS:
            return MulDivRound(v, 1440, 10);
        default:
            break;
        }
        break;
    case mmHiEnglish:
        switch (to) {
        case mmPixel:
            return MulDivRound(v, dpi, 100);
        case mmLoMetric:
            return MulDivRound(v, 254, 100);
        case mmHiMetric:
            return MulDivRound(v, 254, 10);
        case mmLoEnglish:
            return v / 10;
        case mmTWIPS:
            return MulDivRound(v, 1440, 100);
        default:
            break;
        }
        break;
    case mmTWIPS:
        switch (to) {
        case mmPixel:
            return MulDivRound(v, dpi, 1440);
        case mmLoMetric:
            return MulDivRound(v, 254, 1440);
        case mmHiMetric:
            return MulDivRound(v, 2540, 1440);
        case mmLoEnglish:
            return MulDivRound(v, 10, 1440);
        case mmHiEnglish:
            return MulDivRound(v, 100, 1440);
        default:
            break;
        }
        break;
    }
    return v;
}

int ScreenPixelsPerInchX() {
    kovalin::ScreenDC dc;
    return GetDeviceCaps(dc.get(), LOGPIXELSX);
}

int ScreenPixelsPerInchY() {
    kovalin::ScreenDC dc;
    return GetDeviceCaps(dc.get(), LOGPIXELSY);
}

namespace {

// One row per paper type, in the order of the type's values. Codes 48 and 49 have no type.
const TPaperSizeInfo kPaperSizes[128] = {
    {1, 2159, 2794},   {2, 2159, 2794},  {3, 2794, 4318},  {4, 4318, 2794},  {5, 2159, 3556},
    {6, 1397, 2159},   {7, 1842, 2667},  {8, 2970, 4200},  {9, 2100, 2970},  {10, 2100, 2970},
    {11, 1480, 2100},  {12, 2500, 3540}, {13, 1820, 2570}, {14, 2159, 3302}, {15, 2150, 2750},
    {16, 2540, 3556},  {17, 2794, 4318}, {18, 2159, 2794}, {19, 984, 2254},  {20, 1048, 2413},
    {21, 1143, 2635},  {22, 1207, 2794}, {23, 1270, 2921}, {24, 4318, 5588}, {25, 5588, 8636},
    {26, 8636, 11176}, {27, 1100, 2200}, {28, 1620, 2290}, {29, 3240, 4580}, {30, 2290, 3240},
    {31, 1140, 1620},  {32, 1140, 2290}, {33, 2500, 3530}, {34, 1760, 2500}, {35, 1760, 1250},
    {36, 1100, 2300},  {37, 984, 1905},  {38, 920, 1651},  {39, 3778, 2794}, {40, 2159, 3048},
    {41, 2159, 3302},  {42, 2500, 3530}, {43, 1000, 1480}, {44, 2286, 2794}, {45, 2540, 2794},
    {46, 3810, 2794},  {47, 2200, 2200}, {50, 2355, 3048}, {51, 2355, 3810}, {52, 2969, 4572},
    {53, 2354, 3223},  {54, 2159, 2794}, {55, 2100, 2970}, {56, 2355, 3048}, {57, 2270, 3560},
    {58, 3050, 4870},  {59, 2159, 3223}, {60, 2100, 3300}, {61, 1480, 2100}, {62, 1820, 2570},
    {63, 3220, 4450},  {64, 1740, 2350}, {65, 2010, 2760}, {66, 4200, 5940}, {67, 2970, 4200},
    {68, 3220, 4450},  {255, 0, 0},
};

} // namespace

const TPaperSizeInfo& PaperSize(int type) {
    int index = type & 0x7F;
    // The rows past the custom paper are unused: they read as the custom paper.
    return index < kPaperTypeCount ? kPaperSizes[index] : kPaperSizes[pCustom];
}

} // namespace kvprint
