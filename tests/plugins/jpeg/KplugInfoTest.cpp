#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

struct Seen {
    std::string label;
    SIZE client{};
    RECT ok{};
    HWND owner = nullptr;
    bool hostDisabled = false;
};

// What the dialog showed, read as a user sees it, then closed with the given key or click.
Seen ReadAndClose(HWND dlg, HWND host, bool withEnter) {
    Seen s;
    HWND ok = FindChild(dlg, "Button", "OK");
    for (HWND h : ChildWindows(dlg))
        if (ClassOf(h) == "Static") s.label = WindowText(h);
    RECT rc;
    GetClientRect(dlg, &rc);
    s.client = {rc.right, rc.bottom};
    GetWindowRect(ok, &s.ok);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&s.ok), 2);
    s.owner = GetWindow(dlg, GW_OWNER);
    s.hostDisabled = !IsWindowEnabled(host);
    if (withEnter)
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    else
        SendMessageA(ok, BM_CLICK, 0, 0);
    return s;
}

class KplugInfoTest : public ::testing::Test {
protected:
    kplug::TPluginLibrary lib{"kv_jpeg.dll"};
    TKPLUGinfo info = lib.Entry<TKPLUGinfo>(kKPLUGinfo);
    TempDir dir;
    kovalin::TForm host{
        {.caption = "Host", .left = 200, .top = 200, .clientWidth = 400, .clientHeight = 300}};

    void SetUp() override {
        ASSERT_NE(info, nullptr);
        host.Show();
    }

    BOOL Run(const std::string& path, Seen& seen, bool withEnter = false) {
        WhenWindowAppears watch("JPEG Information",
                                [&](HWND dlg) { seen = ReadAndClose(dlg, host.Handle(), withEnter); });
        BOOL r = info(path.c_str(), 0, 0, host.Handle());
        shown = watch.Fired();
        return r;
    }
    bool shown = false;
};

TEST_F(KplugInfoTest, ColourFileSaysSoInTheLaidOutDialog) {
    std::string path = dir / "colour.jpg";
    WriteFileBytes(path, MakeJpeg({}));
    Seen seen;
    EXPECT_EQ(Run(path, seen), 1);
    ASSERT_TRUE(shown);
    EXPECT_EQ(seen.label, "24-bit Color JPEG");
    EXPECT_EQ(seen.client.cx, 237);
    EXPECT_EQ(seen.client.cy, 72);
    EXPECT_EQ(seen.ok.left, 158);
    EXPECT_EQ(seen.ok.top, 45);
    EXPECT_EQ(seen.ok.right - seen.ok.left, 75);
    EXPECT_EQ(seen.ok.bottom - seen.ok.top, 25);
    // The host's window owns the dialog and is disabled while it shows.
    EXPECT_EQ(seen.owner, host.Handle());
    EXPECT_TRUE(seen.hostDisabled);
    EXPECT_TRUE(IsWindowEnabled(host.Handle()));
    EXPECT_EQ(FindTopWindow("JPEG Information"), nullptr);
}

TEST_F(KplugInfoTest, GreyFileSaysGreyscaleAndEnterCloses) {
    std::string path = dir / "grey.jpg";
    WriteFileBytes(path, MakeJpeg({.grayscale = true}));
    Seen seen;
    EXPECT_EQ(Run(path, seen, true), 1);
    ASSERT_TRUE(shown);
    EXPECT_EQ(seen.label, "Grayscale JPEG");
}

TEST_F(KplugInfoTest, UnreadableFilesGiveZeroWithoutADialog) {
    std::string jpeg = MakeJpeg({});
    WriteFileBytes(dir / "corrupt.jpg", "\xFF\xD8\xFF\xE0garbage-garbage-garbage");
    WriteFileBytes(dir / "cut.jpg", jpeg.substr(0, 120));
    WriteFileBytes(dir / "empty.jpg", "");
    // The failure is the result: the library shows no error of its own.
    MessageBoxAnswerer boxes;
    for (const std::string& p :
         {dir / "corrupt.jpg", dir / "cut.jpg", dir / "empty.jpg", dir / "missing.jpg"}) {
        Seen seen;
        EXPECT_EQ(Run(p, seen), 0) << p;
        EXPECT_FALSE(shown) << p;
    }
    EXPECT_TRUE(boxes.Boxes().empty());
}

} // namespace
