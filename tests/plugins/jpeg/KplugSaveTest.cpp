#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "tests/plugins/jpeg/EncodeReference.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testsupport;

namespace {

bool IsBitmap(HBITMAP h) {
    BITMAP bm;
    return GetObjectA(h, sizeof bm, &bm) == sizeof bm;
}

// The library as the editor uses it: loaded from the plug-in folder, called through its exports.
class KplugSaveTest : public ::testing::Test {
protected:
    kplug::TPluginLibrary lib{"kv_jpeg.dll"};
    TKPLUGsave save = lib.Entry<TKPLUGsave>(kKPLUGsave);
    TKPLUGconfig config = lib.Entry<TKPLUGconfig>(kKPLUGconfig);
    StoredQuality stored;
    TempDir dir;
    // Odd sizes: rows of the host's bitmaps carry padding.
    Pixels pixels = PhotoPixels(37, 23);

    void SetUp() override {
        ASSERT_NE(save, nullptr);
        ASSERT_NE(config, nullptr);
    }

    BOOL Save(const std::string& path, HostBitmapKind kind = HostBitmapKind::BottomUpDib24) {
        HBITMAP h = MakeHostBitmap(pixels, kind);
        BOOL r = save(path.c_str(), 0, 0, h);
        // The library took the handle over in every case.
        EXPECT_FALSE(IsBitmap(h)) << path;
        return r;
    }

    // Answers the quality box with `typed`, or cancels it when typed is null.
    std::string Configure(const char* typed, bool* shown = nullptr) {
        std::string offered;
        WhenWindowAppears box("JPEG Plug-in", [&](HWND h) {
            HWND edit = FindChild(h, "Edit");
            offered = WindowText(edit);
            if (FindChild(h, "Static", "Changing JPEG compression quality - from 1 to 100") == nullptr)
                offered = "<no prompt>";
            if (typed) {
                SetWindowTextA(edit, typed);
                SendMessageA(FindChild(h, "Button", "OK"), BM_CLICK, 0, 0);
            } else {
                SendMessageA(FindChild(h, "Button", "Cancel"), BM_CLICK, 0, 0);
            }
        });
        EXPECT_EQ(config(0), 1);
        if (shown) *shown = box.Fired();
        return offered;
    }
};

TEST_F(KplugSaveTest, FilesAreTheCodecsOwnAtTheStoredQuality) {
    const struct {
        const char* stored;
        int codecQuality;
    } cases[] = {
        {nullptr, 80},
        {"1", 1},
        {"50", 50},
        {"80", 80},
        {"100", 100},
        // The codec keeps the quality within 1..100; only the low byte of the number is kept.
        {"150", 100},
        {"0", 1},
        {"300", 44},
        {"-1", 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "no value");
        if (c.stored)
            stored.Set(c.stored);
        else
            stored.Remove();
        std::string want = ReferenceEncode(pixels, c.codecQuality);
        for (HostBitmapKind kind : kAllHostBitmapKinds) {
            std::string path = dir / "out.jpg";
            ASSERT_EQ(Save(path, kind), 1);
            EXPECT_TRUE(ReadFileBytes(path) == want) << "bitmap kind " << static_cast<int>(kind);
        }
    }
}

TEST_F(KplugSaveTest, PicturesWhoseTopAndBottomRowsMatchComeOutTheRightWayUp) {
    // Which end of a section's memory is the top cannot be told from matching end rows.
    pixels = PhotoPixels(40, 30);
    std::copy_n(pixels.At(0, 0), 40 * 3, &pixels.bgr[static_cast<size_t>(29) * 40 * 3]);
    std::string want = ReferenceEncode(pixels, 80);
    for (HostBitmapKind kind : kAllHostBitmapKinds) {
        ASSERT_EQ(Save(dir / "ends.jpg", kind), 1);
        EXPECT_TRUE(ReadFileBytes(dir / "ends.jpg") == want) << static_cast<int>(kind);
    }
}

TEST_F(KplugSaveTest, AnExistingFileIsReplacedWhole) {
    std::string path = dir / "old.jpg";
    WriteFileBytes(path, std::string(200000, 'x'));
    ASSERT_EQ(Save(path), 1);
    EXPECT_TRUE(ReadFileBytes(path) == ReferenceEncode(pixels, 80));
}

TEST_F(KplugSaveTest, FailuresGiveZeroAndLeaveNoGdiObjectsOrBrokenFiles) {
    Save(dir / "warm.jpg"); // Wine makes objects of its own on first use
    int before = GdiObjectCount();

    EXPECT_EQ(Save(dir / "no such folder\\a.jpg"), 0);

    // A target that cannot be written: another program holds it open without sharing. (The
    // read-only attribute would do on Windows; Wine run as root writes over it.)
    std::string locked = dir / "locked.jpg";
    WriteFileBytes(locked, "keep me");
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Save(locked), 0);
    CloseHandle(holder);
    EXPECT_EQ(ReadFileBytes(locked), "keep me");
    // A folder where the file should be.
    CreateDirectoryA((dir / "folder.jpg").c_str(), nullptr);
    EXPECT_EQ(Save(dir / "folder.jpg"), 0);

    // Text that is no number fails before anything is written.
    std::string kept = dir / "kept.jpg";
    WriteFileBytes(kept, "previous picture");
    for (const char* garbage : {"abc", "8O", "99999999999"}) {
        stored.Set(garbage);
        EXPECT_EQ(Save(kept), 0) << garbage;
    }
    EXPECT_EQ(ReadFileBytes(kept), "previous picture");

    // No bitmap at all writes nothing.
    stored.Set("80");
    EXPECT_EQ(save((dir / "none.jpg").c_str(), 0, 0, nullptr), 0);
    EXPECT_EQ(GetFileAttributesA((dir / "none.jpg").c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_EQ(GdiObjectCount(), before);
}

TEST_F(KplugSaveTest, QualityBoxStoresWhatWasTypedAndEightyForNonsense) {
    bool shown = false;
    // Nothing stored: the box offers 80, and cancelling stores nothing.
    EXPECT_EQ(Configure(nullptr, &shown), "80");
    EXPECT_TRUE(shown);
    EXPECT_EQ(stored.Get(), "<missing>");

    Configure("abc");
    EXPECT_EQ(stored.Get(), "80");
    EXPECT_EQ(Configure("250"), "80");
    EXPECT_EQ(stored.Get(), "250"); // no range check
    EXPECT_EQ(Configure("0"), "250");
    EXPECT_EQ(stored.Get(), "0");

    // A later save compresses at the lowest quality the codec has.
    std::string path = dir / "low.jpg";
    ASSERT_EQ(Save(path), 1);
    EXPECT_TRUE(ReadFileBytes(path) == ReferenceEncode(pixels, 1));

    // An empty stored value counts as missing.
    stored.Set("");
    EXPECT_EQ(Configure(nullptr), "80");
}

} // namespace
