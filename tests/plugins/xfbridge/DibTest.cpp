#include "plugins/xfbridge/Dib.h"

#include "tests/plugins/xfbridge/FilterTestSupport.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

using namespace xfbridge;
using namespace xftest;

namespace {

struct Header {
    BITMAPINFOHEADER h{};
    size_t blockSize = 0;
};

Header HeaderOf(HBITMAP bmp) {
    Header out;
    OwnedGlobal dib = BitmapToDib(bmp);
    if (!dib) return out;
    out.blockSize = GlobalSize(dib.get());
    GlobalLockGuard lock(dib.get());
    out.h = *static_cast<BITMAPINFOHEADER*>(lock.data());
    return out;
}

} // namespace

TEST(DibTest, HeaderFollowsTheSourceDepth) {
    struct Case {
        int planes, bits;
        WORD bitCount;
        DWORD clrUsed;
        size_t table;
    };
    const Case cases[] = {
        {1, 1, 1, 0, 2},   {1, 4, 4, 16, 16}, {1, 8, 8, 256, 256},
        {1, 16, 24, 0, 0}, {1, 24, 24, 0, 0}, {1, 32, 24, 0, 0},
    };
    for (const Case& c : cases) {
        OwnedBitmap bmp(CreateBitmap(5, 3, static_cast<UINT>(c.planes), static_cast<UINT>(c.bits), nullptr));
        ASSERT_TRUE(bmp) << c.bits;
        Header got = HeaderOf(bmp.get());
        EXPECT_EQ(got.h.biSize, 40u);
        EXPECT_EQ(got.h.biWidth, 5);
        EXPECT_EQ(got.h.biHeight, 3); // bottom-up
        EXPECT_EQ(got.h.biPlanes, 1);
        EXPECT_EQ(got.h.biBitCount, c.bitCount) << c.bits;
        EXPECT_EQ(got.h.biClrUsed, c.clrUsed) << c.bits;
        EXPECT_EQ(got.h.biCompression, static_cast<DWORD>(BI_RGB));
        const DWORD sizeImage = static_cast<DWORD>((5 * c.bitCount + 31) / 32 * 4 * 3);
        EXPECT_EQ(got.h.biSizeImage, sizeImage) << c.bits;
        EXPECT_GE(got.blockSize, 40 + 4 * c.table + sizeImage) << c.bits;
    }
}

TEST(DibTest, NoImageForNullOrNonBitmapHandles) {
    EXPECT_FALSE(BitmapToDib(nullptr));
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_FALSE(BitmapToDib(reinterpret_cast<HBITMAP>(brush)));
    DeleteObject(brush);
}

TEST(DibTest, PixelsArriveBottomUpInBlueGreenRedOrder) {
    for (int width : {1, 3, 7}) {
        OwnedBitmap bmp(MakePatternBitmap(width, 4));
        OwnedGlobal dib = BitmapToDib(bmp.get());
        ASSERT_TRUE(dib);
        GlobalLockGuard lock(dib.get());
        DibRows rows = DibRowsOf(static_cast<BITMAPINFOHEADER*>(lock.data()));
        EXPECT_EQ(rows.stride, width == 1 ? 4 : width == 3 ? 12 : 24);
        EXPECT_EQ(rows.pixels, static_cast<BYTE*>(lock.data()) + 40);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t want[3];
                PatternAt(x, y, want);
                const BYTE* got = rows.topRow - y * rows.stride + x * 3;
                EXPECT_EQ(got[0], want[0]);
                EXPECT_EQ(got[1], want[1]);
                EXPECT_EQ(got[2], want[2]);
            }
    }
}

TEST(DibTest, PixelStartSkipsTheColourTableOrTheMasks) {
    alignas(BITMAPINFOHEADER) BYTE block[40 + 64 + 16] = {};
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(block);
    h->biSize = 40;
    h->biClrUsed = 16;
    EXPECT_EQ(DibPixelStart(h), block + 40 + 64);
    h->biCompression = BI_BITFIELDS;
    EXPECT_EQ(DibPixelStart(h), block + 40 + 12);
}

TEST(DibTest, ScreenBitmapHoldsTheImage) {
    OwnedGlobal dib(MakePatternDib(3, 5));
    OwnedBitmap bmp(DibToScreenBitmap(dib.get()));
    ASSERT_TRUE(bmp);
    DIBSECTION ds{};
    EXPECT_EQ(GetObjectA(bmp.get(), sizeof ds, &ds), static_cast<int>(sizeof(BITMAP))); // not a DIB section
    testsupport::Pixels px = testsupport::BitmapPixels(bmp.get());
    ASSERT_EQ(px.width, 3);
    ASSERT_EQ(px.height, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x) {
            uint8_t want[3];
            PatternAt(x, y, want);
            EXPECT_EQ(px.At(x, y)[0], want[0]);
            EXPECT_EQ(px.At(x, y)[2], want[2]);
        }
}

TEST(DibTest, ConversionsLeaveNoObjectOrBlockBehind) {
    OwnedBitmap source(MakePatternBitmap(20, 10));
    for (int warm = 0; warm < 3; ++warm)
        OwnedBitmap(DibToScreenBitmap(BitmapToDib(source.get()).get()));
    const int gdi = testsupport::GdiObjectCount();
    const int blocks = HeapBlockCount();
    for (int i = 0; i < 50; ++i) {
        OwnedGlobal dib = BitmapToDib(source.get());
        OwnedBitmap back(DibToScreenBitmap(dib.get()));
        ASSERT_TRUE(back);
    }
    EXPECT_EQ(testsupport::GdiObjectCount(), gdi);
    EXPECT_EQ(HeapBlockCount(), blocks);
}
