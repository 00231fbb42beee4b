#include "kovalin/Bitmap.h"
#include "kovalin/MetafileCanvas.h"
#include "plugins/print/MetaFileList.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kovalin;
using namespace kvprint;

namespace {

// A page of 100 x 100 pixels filled with one colour.
std::unique_ptr<TMetafile> ColourPage(COLORREF c) {
    auto mf = std::make_unique<TMetafile>();
    mf->SetWidth(100);
    mf->SetHeight(100);
    {
        TMetafileCanvas canvas(*mf, nullptr);
        canvas.FillRect({0, 0, 100, 100}, c);
    }
    return mf;
}

// The colour in the middle of the page when it is played into a bitmap.
COLORREF PlayedColour(TMetafile& mf) {
    TBitmap bmp;
    bmp.SetSize(20, 20);
    bmp.Canvas().FillRect({0, 0, 20, 20}, RGB(1, 2, 3));
    bmp.Canvas().StretchDraw({0, 0, 20, 20}, mf);
    GdiFlush();
    return GetPixel(bmp.Canvas().Handle(), 10, 10);
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const COLORREF kColours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};

void AddThree(TMetaFileList& list) {
    for (COLORREF c : kColours) {
        auto page = ColourPage(c);
        list.Add(*page);
    }
}

void ExpectThree(TMetaFileList& list) {
    ASSERT_EQ(list.Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(PlayedColour(list.Items(i)), kColours[i]) << "page " << i;
}

} // namespace

TEST(MetaFileListTest, PagesComeBackInOrderInOneObject) {
    TMetaFileList list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Items(0).HandleAllocated());
    AddThree(list);
    ExpectThree(list);
    TMetafile& a = list.Items(2);
    TMetafile& b = list.Items(0);
    EXPECT_EQ(&a, &b);
    EXPECT_EQ(b.Width(), 100);
    EXPECT_FALSE(list.Items(3).HandleAllocated());
    EXPECT_FALSE(list.Items(-1).HandleAllocated());
    // Out of range and back again still finds the page.
    EXPECT_EQ(PlayedColour(list.Items(1)), kColours[1]);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Items(0).HandleAllocated());
}

TEST(MetaFileListTest, TemporaryFileHoldsThePagesAndGoesWithClear) {
    TMetaFileList list;
    list.SetUseTempFile(true);
    EXPECT_TRUE(list.TempFileName().empty()); // made with the first page
    AddThree(list);
    std::string file = list.TempFileName();
    ASSERT_FALSE(file.empty());
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    EXPECT_EQ(file.rfind(folder, 0), 0u) << file;
    EXPECT_EQ(file.substr(std::string(folder).size(), 3), "TMP");
    EXPECT_TRUE(FileExists(file));
    ExpectThree(list);
    list.Clear();
    EXPECT_FALSE(FileExists(file));
}

TEST(MetaFileListTest, SwitchingTheStoreKeepsEveryPage) {
    TMetaFileList list;
    AddThree(list);
    list.SetUseTempFile(true);
    std::string file = list.TempFileName();
    ASSERT_TRUE(FileExists(file));
    ExpectThree(list);
    auto fourth = ColourPage(RGB(9, 9, 9));
    list.Add(*fourth);
    list.SetUseTempFile(false);
    EXPECT_FALSE(FileExists(file));
    EXPECT_TRUE(list.TempFileName().empty());
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(PlayedColour(list.Items(0)), kColours[0]);
    EXPECT_EQ(PlayedColour(list.Items(3)), RGB(9, 9, 9));
    list.SetUseTempFile(false); // no change, nothing happens
    EXPECT_EQ(list.Count(), 4);
}
