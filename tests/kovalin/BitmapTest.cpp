#include "kovalin/Bitmap.h"
#include "kovalin/Exceptions.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kovalin;

namespace {

COLORREF PixelAt(TBitmap& bmp, int x, int y) {
    const BYTE* p = static_cast<const BYTE*>(bmp.ScanLine(y)) + x * 3;
    return RGB(p[2], p[1], p[0]);
}

TEST(BitmapTest, SizeFormatAndScanLines) {
    TBitmap bmp;
    EXPECT_TRUE(bmp.Empty());
    EXPECT_EQ(bmp.Handle(), nullptr);
    bmp.SetHeight(3); // height first, as the JPEG open path does
    EXPECT_TRUE(bmp.Empty());
    bmp.SetWidth(5);
    ASSERT_FALSE(bmp.Empty());
    EXPECT_EQ(bmp.PixelFormat(), TPixelFormat::pf24bit);
    auto* row0 = static_cast<BYTE*>(bmp.ScanLine(0));
    auto* row1 = static_cast<BYTE*>(bmp.ScanLine(1));
    EXPECT_EQ(row1 - row0, 16); // 5 * 3 bytes rounded up to a multiple of 4
    EXPECT_EQ(bmp.RowPitch(), 16);
    EXPECT_THROW(bmp.ScanLine(3), EInvalidGraphicOperation);
    BITMAP bm{};
    ASSERT_TRUE(GetObjectA(bmp.Handle(), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 5);
    EXPECT_EQ(bm.bmHeight, 3);
    EXPECT_EQ(bm.bmBitsPixel, 24);
}

TEST(BitmapTest, CanvasDrawsIntoThePixelsAndResizeKeepsThem) {
    TBitmap bmp;
    bmp.SetSize(4, 4);
    bmp.Canvas().FillRect(RECT{0, 0, 4, 4}, RGB(255, 0, 0));
    bmp.Canvas().FillRect(RECT{0, 0, 2, 2}, RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(bmp, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(bmp, 3, 3), RGB(255, 0, 0));
    bmp.SetSize(6, 2);
    EXPECT_EQ(PixelAt(bmp, 1, 1), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(bmp, 3, 1), RGB(255, 0, 0));
    // The canvas follows the new bitmap.
    bmp.Canvas().FillRect(RECT{5, 0, 6, 2}, RGB(0, 255, 0));
    EXPECT_EQ(PixelAt(bmp, 5, 1), RGB(0, 255, 0));
}

TEST(BitmapTest, StretchDrawScalesIntoAnotherCanvas) {
    TBitmap src;
    src.SetSize(2, 2);
    src.Canvas().FillRect(RECT{0, 0, 1, 2}, RGB(10, 20, 30));
    src.Canvas().FillRect(RECT{1, 0, 2, 2}, RGB(200, 100, 50));
    TBitmap dst;
    dst.SetSize(8, 4);
    dst.Canvas().FillRect(RECT{0, 0, 8, 4}, RGB(0, 0, 0));
    dst.Canvas().StretchDraw(RECT{2, 0, 6, 4}, src);
    EXPECT_EQ(PixelAt(dst, 1, 1), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(dst, 2, 1), RGB(10, 20, 30));
    EXPECT_EQ(PixelAt(dst, 3, 3), RGB(10, 20, 30));
    EXPECT_EQ(PixelAt(dst, 4, 0), RGB(200, 100, 50));
    EXPECT_EQ(PixelAt(dst, 6, 0), RGB(0, 0, 0));
    // Same size draws without scaling.
    dst.Canvas().Draw(6, 2, src);
    EXPECT_EQ(PixelAt(dst, 7, 3), RGB(200, 100, 50));
}

TEST(BitmapTest, EightBitPixelsShowThroughTheirPalette) {
    TBitmap bmp;
    bmp.SetPixelFormat(TPixelFormat::pf8bit);
    bmp.SetSize(2, 1);
    struct {
        LOGPALETTE lp;
        PALETTEENTRY more[1];
    } pal{{0x300, 2, {{255, 0, 0, 0}}}, {{0, 0, 255, 0}}};
    bmp.SetPalette(CreatePalette(&pal.lp));
    auto* row = static_cast<BYTE*>(bmp.ScanLine(0));
    row[0] = 1;
    row[1] = 0;
    testsupport::Pixels p = testsupport::BitmapPixels(bmp.Handle());
    ASSERT_EQ(p.width, 2);
    EXPECT_EQ(p.At(0, 0)[0], 255); // blue
    EXPECT_EQ(p.At(1, 0)[2], 255); // red
    TBitmap copy;
    copy.Assign(bmp);
    EXPECT_EQ(copy.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_NE(copy.Palette(), bmp.Palette());
    EXPECT_EQ(static_cast<BYTE*>(copy.ScanLine(0))[0], 1);
}

TEST(BitmapTest, ReleaseHandleHandsOwnershipOver) {
    int before = testsupport::GdiObjectCount();
    ASSERT_GT(before, 0);
    HBITMAP h;
    {
        TBitmap bmp;
        bmp.SetSize(3, 3);
        bmp.Canvas().FillRect(RECT{0, 0, 3, 3}, RGB(1, 2, 3));
        h = bmp.ReleaseHandle();
        EXPECT_TRUE(bmp.Empty());
        EXPECT_EQ(bmp.Handle(), nullptr);
    }
    testsupport::Pixels p = testsupport::BitmapPixels(h); // still alive after the object went
    ASSERT_EQ(p.width, 3);
    EXPECT_EQ(p.At(2, 2)[0], 3);
    EXPECT_TRUE(DeleteObject(h));
    for (int i = 0; i < 50; ++i) {
        TBitmap b;
        b.SetSize(16, 16);
        b.Canvas().FillRect(RECT{0, 0, 16, 16}, RGB(0, 0, 0));
    }
    EXPECT_EQ(testsupport::GdiObjectCount(), before);
}

} // namespace
