#include "plugins/xfbridge/FilterHost.h"

#include "plugins/xfbridge/Dib.h"
#include "plugins/xfbridge/Module.h"
#include "plugins/xfbridge/ProgressWindow.h"
#include "tests/plugins/xfbridge/FilterTestSupport.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

using namespace xfbridge;
using namespace xftest;

namespace {

// The test filter as Prismatica.8bf in a scratch folder, with its log switched on.
class FilterHostTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string filter = dir / "Prismatica.8bf";
    FilterLog log{dir / "filter.log"};

    void SetUp() override { ASSERT_TRUE(CopyFileA(TestFilterPath().c_str(), filter.c_str(), FALSE)); }
    void TearDown() override { TProgressWindow::CloseCurrent(); }

    // Every pixel of the image is the inverse of the pattern; the row padding is untouched.
    static void ExpectInverted(HGLOBAL image, int width, int height) {
        GlobalLockGuard lock(image);
        DibRows rows = DibRowsOf(static_cast<BITMAPINFOHEADER*>(lock.data()));
        for (int y = 0; y < height; ++y) {
            const BYTE* row = rows.topRow - y * rows.stride;
            for (int x = 0; x < width; ++x) {
                uint8_t want[3];
                PatternAt(x, y, want);
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(row[x * 3 + c], 255 - want[c])
                        << width << "x" << height << " at " << x << "," << y;
            }
            for (int pad = width * 3; pad < rows.stride; ++pad)
                ASSERT_EQ(row[pad], 0);
        }
    }
};

} // namespace

TEST_F(FilterHostTest, CallsTheSelectorsInOrderWithTheImageInPlace) {
    OwnedGlobal image(MakePatternDib(3, 2));
    ASSERT_TRUE(RunFilter(filter, image.get()));
    uint8_t topLeft[3];
    PatternAt(0, 0, topLeft);
    const std::vector<std::string> expected = {
        "attach " + filter,
        "selector 1",
        "selector 2",
        "selector 3 inData=null",
        "selector 4 first size=3x2 planes=3 rect=0,0,2,3 inRowBytes=-12 inColumnBytes=3 inPlaneBytes=1 "
        "outData=null hostSig=53414249 mode=3 back=0,0,0,0 fore=255,255,255,0 owner=0 suites=none data=kept "
        "topLeft=" +
            std::to_string(topLeft[0]) + "," + std::to_string(topLeft[1]) + "," + std::to_string(topLeft[2]),
        "selector 4 second same=1 outRowBytes=-12 outColumnBytes=3 outPlaneBytes=1",
        "progress 0 100 window=1",
        "progress 50 100 window=1",
        "progress 100 100 window=1",
        "progress 0 100 window=0",
        "selector 5",
    };
    EXPECT_EQ(log.Lines(), expected);
    ExpectInverted(image.get(), 3, 2);
    EXPECT_EQ(TProgressWindow::Current(), nullptr);
}

TEST_F(FilterHostTest, RowsAreSeenWithNegativePaddedStrides) {
    struct Case {
        int width, height;
        const char* rowBytes;
    };
    for (const Case& c : {Case{1, 1, "-4"}, Case{1, 5, "-4"}, Case{3, 3, "-12"}, Case{4, 2, "-12"},
                          Case{5, 7, "-16"}, Case{64, 48, "-192"}, Case{333, 17, "-1000"}}) {
        log.Clear();
        OwnedGlobal image(MakePatternDib(c.width, c.height));
        ASSERT_TRUE(RunFilter(filter, image.get())) << c.width;
        EXPECT_NE(log.Find("selector 4 first").find(std::string("inRowBytes=") + c.rowBytes + " "),
                  std::string::npos)
            << log.Find("selector 4 first");
        EXPECT_NE(log.Find("selector 4 second").find(std::string("outRowBytes=") + c.rowBytes + " "),
                  std::string::npos);
        ExpectInverted(image.get(), c.width, c.height);
    }
}

TEST_F(FilterHostTest, FailedFirstContinueEndsTheRun) {
    ScopedEnv mode("XFTEST_FILTER", "fail-continue,keep-params");
    OwnedGlobal image(MakePatternDib(4, 4));
    const int blocks = HeapBlockCount();
    EXPECT_FALSE(RunFilter(filter, image.get()));
    EXPECT_TRUE(log.Has("selector 4 first"));
    EXPECT_FALSE(log.Has("selector 4 second"));
    EXPECT_FALSE(log.Has("selector 5"));
    // The parameters the filter left are freed all the same.
    EXPECT_LE(HeapBlockCount(), blocks);
    // The first continue only reads: the image is as it was.
    GlobalLockGuard lock(image.get());
    DibRows rows = DibRowsOf(static_cast<BITMAPINFOHEADER*>(lock.data()));
    uint8_t want[3];
    PatternAt(0, 0, want);
    EXPECT_EQ(rows.topRow[0], want[0]);
}

TEST_F(FilterHostTest, ParametersLeftByTheFilterAreFreed) {
    ScopedEnv mode("XFTEST_FILTER", "keep-params");
    OwnedGlobal image(MakePatternDib(2, 2));
    ASSERT_TRUE(RunFilter(filter, image.get())); // the first run loads what the loader keeps
    const int blocks = HeapBlockCount();
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(RunFilter(filter, image.get()));
    EXPECT_EQ(HeapBlockCount(), blocks);
}

TEST_F(FilterHostTest, OnlyTrueColourImagesAreRun) {
    EXPECT_FALSE(RunFilter(filter, nullptr));
    OwnedBitmap palette(MakePaletteBitmap(8, 8));
    OwnedGlobal image = BitmapToDib(palette.get());
    ASSERT_TRUE(image);
    EXPECT_FALSE(RunFilter(filter, image.get()));
    // Wider than the block's 16-bit numbers can say.
    OwnedGlobal wide(MakePatternDib(40000, 1));
    EXPECT_FALSE(RunFilter(filter, wide.get()));
    EXPECT_TRUE(log.Lines().empty()); // never loaded
}

TEST_F(FilterHostTest, LoadAndEntryPointFailuresAreShown) {
    const std::string caption = BaseNameOf(ModuleFileName(ThisModule()));
    OwnedGlobal image(MakePatternDib(2, 2));
    struct Case {
        std::string path;
        const char* message;
    };
    const std::string text = dir / "notalibrary.8bf";
    testsupport::WriteFileBytes(text, "This is not a library.");
    for (const Case& c :
         {Case{text, "Unable to load plug-in"}, Case{dir / "missing.8bf", "Unable to load plug-in"},
          Case{NoEntryLibraryPath(), "GetProcAddress failed"}}) {
        std::string shown;
        testsupport::WhenWindowAppears box(caption, [&](HWND h) {
            shown = MessageText(h);
            PostMessageA(h, WM_COMMAND, IDOK, 0);
        });
        EXPECT_FALSE(RunFilter(c.path, image.get()));
        EXPECT_TRUE(box.Fired()) << c.path;
        EXPECT_EQ(shown, c.message);
    }
}
