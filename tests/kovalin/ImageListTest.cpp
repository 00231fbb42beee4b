#include "kovalin/Handles.h"
#include "kovalin/ImageList.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

using namespace kovalin;
using namespace testsupport;

namespace {

const COLORREF kMagenta = RGB(255, 0, 255);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kGreen = RGB(0, 128, 0);

// A 16 x 16 bitmap: magenta with a blue square in the middle.
UniqueHBitmap SquareBitmap() {
    ScreenDC screen;
    UniqueHBitmap bmp(CreateCompatibleBitmap(screen.get(), 16, 16));
    UniqueMemoryDC dc(CreateCompatibleDC(screen.get()));
    SelectGuard select(dc.get(), bmp.get());
    UniqueHBrush magenta(CreateSolidBrush(kMagenta)), blue(CreateSolidBrush(kBlue));
    RECT all{0, 0, 16, 16}, square{4, 4, 12, 12};
    FillRect(dc.get(), &all, magenta.get());
    FillRect(dc.get(), &square, blue.get());
    return bmp;
}

TEST(ImageListTest, TransparentDrawingLeavesTheMaskColourOut) {
    TImageList images({.width = 16, .height = 16});
    UniqueHBitmap bmp = SquareBitmap();
    EXPECT_EQ(images.AddMasked(bmp.get(), kMagenta), 0);
    EXPECT_EQ(images.Count(), 1);
    EXPECT_EQ(images.Width(), 16);
    images.SetBkColor(CLR_NONE);
    images.SetDrawingStyle(TDrawingStyle::dsTransparent);

    ScreenDC screen;
    UniqueHBitmap target(CreateCompatibleBitmap(screen.get(), 32, 32));
    UniqueMemoryDC dc(CreateCompatibleDC(screen.get()));
    SelectGuard select(dc.get(), target.get());
    UniqueHBrush green(CreateSolidBrush(kGreen));
    RECT all{0, 0, 32, 32};
    FillRect(dc.get(), &all, green.get());
    images.Draw(dc.get(), 8, 8, 0);
    EXPECT_EQ(GetPixel(dc.get(), 9, 9), kGreen);
    EXPECT_EQ(GetPixel(dc.get(), 16, 16), kBlue);
    EXPECT_EQ(GetPixel(dc.get(), 23, 23), kGreen);
}

TEST(ImageListTest, ASharedWrapperNeverDestroysTheList) {
    HIMAGELIST foreign = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 0, 4);
    UniqueHBitmap bmp = SquareBitmap();
    {
        TImageList wrapper;
        wrapper.SetHandle(foreign, true);
        EXPECT_TRUE(wrapper.ShareImages());
        wrapper.AddMasked(bmp.get(), kMagenta);
    }
    EXPECT_EQ(ImageList_GetImageCount(foreign), 1);
    EXPECT_EQ(ImageList_AddMasked(foreign, bmp.get(), kMagenta), 1);
    {
        // Replacing a shared list leaves it alone too.
        TImageList wrapper;
        wrapper.SetHandle(foreign, true);
        wrapper.SetHandle(ImageList_Create(8, 8, ILC_COLOR24, 0, 4), false);
        EXPECT_EQ(wrapper.Width(), 8);
    }
    EXPECT_EQ(ImageList_GetImageCount(foreign), 2);
    ImageList_Destroy(foreign);
}

TEST(ImageListTest, AnOwnedListGivesBackItsGdiObjects) {
    UniqueHBitmap bmp = SquareBitmap();
    int before = GdiObjectCount();
    {
        TImageList images({.width = 16, .height = 16});
        for (int i = 0; i < 5; ++i)
            images.AddMasked(bmp.get(), kMagenta);
        EXPECT_GT(GdiObjectCount(), before);
    }
    EXPECT_EQ(GdiObjectCount(), before);
}

} // namespace
