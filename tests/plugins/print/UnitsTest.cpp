#include "plugins/print/Units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace kvprint;

namespace {

// One unit of each kind in metres, and the rule for each pair written out plainly: pairs with a
// whole-number factor multiply or cut the fraction, all others round to the nearest.
double UnitInInches(TUnits u, int dpi) {
    switch (u) {
    case mmPixel:
        return 1.0 / dpi;
    case mmLoMetric:
        return 0.1 / 25.4;
    case mmHiMetric:
        return 0.01 / 25.4;
    case mmLoEnglish:
        return 0.1;
    case mmHiEnglish:
        return 0.01;
    case mmTWIPS:
        return 1.0 / 1440;
    }
    return 0;
}

bool Truncates(TUnits from, TUnits to) {
    return (from == mmHiMetric && (to == mmLoMetric || to == mmLoEnglish)) ||
           (from == mmHiEnglish && to == mmLoEnglish);
}

int Expected(int v, int dpi, TUnits from, TUnits to) {
    double exact = v * UnitInInches(from, dpi) / UnitInInches(to, dpi);
    if (Truncates(from, to)) return static_cast<int>(std::trunc(exact + (exact >= 0 ? 1e-9 : -1e-9)));
    return static_cast<int>(std::floor(std::fabs(exact) + 0.5 + 1e-9)) * (exact < 0 ? -1 : 1);
}

} // namespace

TEST(ConvertUnitsTest, MetricExamplesAndTruncation) {
    EXPECT_EQ(ConvertUnits(2100, 300, mmLoMetric, mmHiMetric), 21000);
    EXPECT_EQ(ConvertUnits(21000, 300, mmHiMetric, mmLoMetric), 2100);
    EXPECT_EQ(ConvertUnits(15, 300, mmHiMetric, mmLoMetric), 1);
    EXPECT_EQ(ConvertUnits(-15, 300, mmHiMetric, mmLoMetric), -1);
    EXPECT_EQ(ConvertUnits(253, 72, mmHiMetric, mmLoEnglish), 0);
    EXPECT_EQ(ConvertUnits(2100, 300, mmLoMetric, mmPixel), 2480);
    EXPECT_EQ(ConvertUnits(123, 96, mmPixel, mmPixel), 123);
    // The pixel rows need the resolution; the others do not.
    EXPECT_EQ(ConvertUnits(96, 96, mmPixel, mmHiEnglish), 100);
    EXPECT_EQ(ConvertUnits(100, 300, mmHiEnglish, mmPixel), 300);
    EXPECT_EQ(ConvertUnits(1440, 1, mmTWIPS, mmHiEnglish), 100);
}

TEST(ConvertUnitsTest, WholeTableAgainstThePlainRule) {
    const TUnits all[] = {mmPixel, mmLoMetric, mmHiMetric, mmLoEnglish, mmHiEnglish, mmTWIPS};
    const int values[] = {0, 1, 7, 15, 254, 999, 2100, 29700, -1, -2540, 32767, 1000000};
    for (int dpi : {72, 96, 300, 600})
        for (TUnits from : all)
            for (TUnits to : all)
                for (int v : values)
                    ASSERT_EQ(ConvertUnits(v, dpi, from, to), Expected(v, dpi, from, to))
                        << "v=" << v << " dpi=" << dpi << " from=" << int(from) << " to=" << int(to);
}

TEST(ConvertUnitsTest, RoundingUsesAWideIntermediate) {
    EXPECT_EQ(MulDivRound(2000000000, 1440, 2540), 1133858268);
    EXPECT_EQ(MulDivRound(5, 1, 2), 3);
    EXPECT_EQ(MulDivRound(-5, 1, 2), -3);
    EXPECT_EQ(MulDivRound(7, 3, 0), 0);
}

TEST(PaperSizeTest, TableRowsCodesAndMask) {
    // The custom size closes the table: the first number past it reads as custom.
    EXPECT_EQ(&PaperSize(kPaperTypeCount), &PaperSize(pCustom));
    EXPECT_EQ(PaperSize(pA4).ID, DMPAPER_A4);
    EXPECT_EQ(PaperSize(pA4).Width, 2100);
    EXPECT_EQ(PaperSize(pA4).Height, 2970);
    EXPECT_EQ(PaperSize(pLetter).ID, DMPAPER_LETTER);
    EXPECT_EQ(PaperSize(pLetter).Width, 2159);
    EXPECT_EQ(PaperSize(pEnvInvite).ID, 47);
    EXPECT_EQ(PaperSize(pLetterExtra).ID, 50); // 48 and 49 are skipped
    EXPECT_EQ(PaperSize(TabloidExtra).ID, 52);
    EXPECT_EQ(PaperSize(pA3ExtraTransverse).ID, 68);
    EXPECT_EQ(PaperSize(pCustom).ID, 255);
    // Sheets the drivers keep lying down stay that way.
    for (TPaperType t : {pLedger, pEnvB6, pFanfoldUSStd, p15x11})
        EXPECT_GT(PaperSize(t).Width, PaperSize(t).Height) << int(t);
    // Codes rise with the type and none repeats.
    std::set<int> codes;
    for (int t = 0; t < pCustom; ++t) {
        EXPECT_TRUE(codes.insert(PaperSize(t).ID).second) << t;
        if (t > 0) {
            EXPECT_GT(PaperSize(t).ID, PaperSize(t - 1).ID) << t;
        }
        EXPECT_GT(PaperSize(t).Width, 0);
    }
    EXPECT_EQ(&PaperSize(pA4 + 128), &PaperSize(pA4));
    EXPECT_EQ(PaperSize(127).ID, 255);
}
