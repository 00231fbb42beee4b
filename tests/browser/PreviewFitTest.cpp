#include "browser/PreviewFit.h"

#include <gtest/gtest.h>

using namespace browser;

namespace {

void ExpectRect(const RECT& r, LONG l, LONG t, LONG rt, LONG b) {
    EXPECT_EQ(r.left, l);
    EXPECT_EQ(r.top, t);
    EXPECT_EQ(r.right, rt);
    EXPECT_EQ(r.bottom, b);
}

TEST(PreviewFitTest, WideImageInANarrowPane) {
    // 400 x 300 in 182 x 185: AW 180, AH 183, AW / ratio = 135 <= 183, so the width limits;
    // centred: y0 = near((185 - 135) / 2) = 25.
    TPreviewFit f = FitPreview(182, 185, 400, 300);
    ExpectRect(f.frame, 0, 25, 180, 160);
    ExpectRect(f.image, 1, 26, 179, 159);
}

TEST(PreviewFitTest, SquareImagesAreCentredAcrossTheLongerSide) {
    TPreviewFit tall = FitPreview(102, 302, 50, 50); // width limits
    ExpectRect(tall.frame, 0, 101, 100, 201);
    TPreviewFit wide = FitPreview(302, 102, 50, 50); // height limits
    ExpectRect(wide.frame, 101, 0, 201, 100);
}

TEST(PreviewFitTest, ExactAspectTakesTheWidthBranchAndHalvesRoundToEven) {
    // 200 x 100 into 200 x 100 available: AW / ratio == AH, so the width limits.
    TPreviewFit f = FitPreview(202, 102, 400, 200);
    ExpectRect(f.frame, 0, 1, 200, 101); // y0 = near((102 - 100) / 2) = 1
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    // (103 - 100) / 2 = 1.5 rounds to 2.
    ExpectRect(FitPreview(202, 103, 400, 200).frame, 0, 2, 200, 102);
}

TEST(PreviewFitTest, DegenerateImagesStillGetAFrame) {
    TPreviewFit f = FitPreview(100, 100, 10, 0);
    EXPECT_LE(f.frame.right, 98);
    EXPECT_GE(f.frame.bottom, f.frame.top);
    TPreviewFit g = FitPreview(100, 100, 0, 0);
    EXPECT_GE(g.frame.right, g.frame.left);
}

} // namespace
