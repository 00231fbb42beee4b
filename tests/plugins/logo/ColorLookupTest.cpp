#include "kovalin/Handles.h"
#include "plugins/logo/ColorLookup.h"
#include "plugins/logo/ColorQuantizer.h"
#include "plugins/logo/GIFImage.h"

#include <gtest/gtest.h>

using namespace kvlogo;

namespace {

bool operator==(TRGB a, TRGB b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

BYTE Look(TColorLookup& l, TRGB c, TRGB* chosen = nullptr) {
    TRGB got{};
    BYTE i = l.Lookup(c, got);
    if (chosen) *chosen = got;
    return i;
}

TEST(ColorLookupTest, FastLookupCellsKeepTheirFirstAnswer) {
    // Two entries in the same 15-bit cell: the first one owns it, even for the second's own colour.
    kovalin::UniqueHPalette shared(MakePalette({{10, 10, 10, 0}, {8, 8, 8, 0}, {200, 0, 0, 0}}));
    TFastColorLookup a(shared.get());
    EXPECT_EQ(a.Colors(), 3);
    TRGB chosen;
    EXPECT_EQ(Look(a, {8, 8, 8}, &chosen), 0);
    EXPECT_TRUE(chosen == (TRGB{10, 10, 10}));

    // A searched answer is remembered for the whole cell: 23 is nearer 34 than 0, and 16 then gets
    // the same index although it alone would be nearer 0.
    kovalin::UniqueHPalette pair(MakePalette({{0, 0, 0, 0}, {34, 0, 0, 0}}));
    TFastColorLookup b(pair.get());
    EXPECT_EQ(Look(b, {23, 0, 0}), 1);
    EXPECT_EQ(Look(b, {16, 0, 0}), 1);
    TFastColorLookup fresh(pair.get());
    EXPECT_EQ(Look(fresh, {16, 0, 0}), 0);

    // Equal distances keep the lower index.
    kovalin::UniqueHPalette tie(MakePalette({{0, 0, 0, 0}, {40, 0, 0, 0}, {20, 20, 0, 0}}));
    TFastColorLookup c(tie.get());
    EXPECT_EQ(Look(c, {20, 0, 0}), 0);

    TFastColorLookup none(nullptr);
    EXPECT_EQ(none.Colors(), 0);
}

TEST(ColorLookupTest, FixedLookupsAtTheirEdges) {
    TMonochromeLookup mono;
    TRGB chosen;
    // 29 b + 150 g + 77 r against 32513: grey 127 is still dark, 128 light.
    EXPECT_EQ(Look(mono, {127, 127, 127}, &chosen), 0);
    EXPECT_TRUE(chosen == (TRGB{0, 0, 0}));
    EXPECT_EQ(Look(mono, {128, 128, 128}, &chosen), 1);
    EXPECT_TRUE(chosen == (TRGB{255, 255, 255}));
    EXPECT_EQ(Look(mono, {255, 0, 0}), 0); // red alone looks dark

    TGrayScaleLookup grey;
    EXPECT_EQ(Look(grey, {255, 255, 255}, &chosen), 255);
    EXPECT_EQ(Look(grey, {0, 255, 0}, &chosen), 149); // 150 * 255 / 256
    EXPECT_TRUE(chosen == (TRGB{149, 149, 149}));

    TNetscapeColorLookup cube;
    EXPECT_EQ(cube.Colors(), 216);
    EXPECT_EQ(Look(cube, {47, 48, 255}, &chosen), 0 * 36 + 1 * 6 + 5);
    EXPECT_TRUE(chosen == (TRGB{0, 51, 255}));
    EXPECT_EQ(Look(cube, {255, 255, 255}), 215);
}

std::vector<TRGB> Quantise(int maxColors, std::initializer_list<TRGB> colours) {
    TColorQuantizer q(maxColors, 8);
    for (TRGB c : colours)
        q.AddColor(c);
    EXPECT_LE(q.LeafCount(), maxColors);
    std::vector<TRGB> table = q.ColorTable();
    EXPECT_EQ(static_cast<int>(table.size()), q.LeafCount());
    return table;
}

TEST(ColorQuantizerTest, TheMostRecentInnerNodeIsReducedFirst) {
    // (0,0,0) and (0,0,1) share their last inner node, so do (255,255,254) and (255,255,255); the
    // fourth colour is one too many, and the inner node made last takes in its leaves.
    std::vector<TRGB> t = Quantise(3, {{0, 0, 0}, {0, 0, 1}, {255, 255, 254}, {255, 255, 255}});
    ASSERT_EQ(t.size(), 3u);
    EXPECT_TRUE(t[0] == (TRGB{0, 0, 0}));
    EXPECT_TRUE(t[1] == (TRGB{0, 0, 1}));
    EXPECT_TRUE(t[2] == (TRGB{255, 255, 254})); // (254 + 255) / 2, rounded down

    // Averages are weighted by the pixels behind them.
    std::vector<TRGB> w = Quantise(1, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {40, 80, 120}});
    ASSERT_EQ(w.size(), 1u);
    EXPECT_TRUE(w[0] == (TRGB{10, 20, 30}));
}

TEST(ColorQuantizerTest, LeavesNeverOutnumberTheColoursWanted) {
    TColorQuantizer q(236, 8);
    for (int i = 0; i < 40000; ++i) {
        q.AddColor({BYTE(i * 7), BYTE(i / 13), BYTE(i * 31 / 7)});
        ASSERT_LE(q.LeafCount(), 236);
    }
    EXPECT_GT(q.LeafCount(), 200);
    EXPECT_EQ(q.ColorTable().size(), static_cast<size_t>(q.LeafCount()));
}

TEST(ColorQuantizerTest, AHugeOneColouredImageKeepsItsColour) {
    // 17 million white pixels: their sums pass what 32 bits hold.
    TColorQuantizer q(236, 8);
    for (int i = 0; i < 17'000'000; ++i)
        q.AddColor({255, 254, 253});
    std::vector<TRGB> t = q.ColorTable();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_TRUE(t[0] == (TRGB{255, 254, 253}));
}

} // namespace
