#include "kovalin/Set.h"

#include <gtest/gtest.h>

using namespace kovalin;

namespace {
enum class Colour { cRed, cGreen, cBlue, cGrey };
using Colours = TSet<Colour>;
} // namespace

TEST(SetTest, OneBitPerValueInDeclarationOrder) {
    EXPECT_TRUE(Colours().Empty());
    Colours some{Colour::cRed, Colour::cBlue};
    EXPECT_EQ(some.Bits(), 0x5u);
    EXPECT_TRUE(some.Contains(Colour::cBlue));
    EXPECT_FALSE(some.Contains(Colour::cGreen));
    EXPECT_EQ(Colours::FromBits(0x8), Colours{Colour::cGrey});
}

TEST(SetTest, UnionDifferenceAndIntersection) {
    Colours a{Colour::cRed, Colour::cGreen}, b{Colour::cGreen, Colour::cBlue};
    EXPECT_EQ(a + b, (Colours{Colour::cRed, Colour::cGreen, Colour::cBlue}));
    EXPECT_EQ(a - b, Colours{Colour::cRed});
    EXPECT_EQ(a * b, Colours{Colour::cGreen});
    a -= a;
    EXPECT_TRUE(a.Empty());
    a += {Colour::cGrey};
    EXPECT_EQ(a.Bits(), 0x8u);
}
