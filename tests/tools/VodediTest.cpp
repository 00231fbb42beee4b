#include "kovalin/Registry.h"
#include "plugin_api/PluginMap.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

using namespace testsupport;
using kovalin::TRegistry;

namespace {

// The stand-in editor as a separate process, with jpg mapped to the JPEG plug-in.
class VodediTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string savedJpg;
    std::string exe = ExeFolder() + "vodedi.exe";

    void SetUp() override {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kplug::kOpenPluginMapKey, true));
        savedJpg = reg.ReadString("jpg");
        reg.WriteString("jpg", "kv_jpeg.dll");
        reg.DeleteValue("zzz");
    }
    void TearDown() override {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kplug::kOpenPluginMapKey, true));
        if (savedJpg.empty())
            reg.DeleteValue("jpg");
        else
            reg.WriteString("jpg", savedJpg);
        SetEnvironmentVariableA("VODEDI_LOG", nullptr);
    }

    // A JPEG whose left half is dark blue and right half light orange.
    std::string WriteTwoToneJpeg(const std::string& name) {
        std::string path = dir / name;
        WriteFileBytes(path, MakeJpeg({.width = 200, .height = 100, .quality = 95}));
        return path;
    }
};

COLORREF ScreenPixel(HWND hwnd, int x, int y) {
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}

TEST_F(VodediTest, LoadsThePluginFromItsFolderAndShowsTheImage) {
    std::string path = WriteTwoToneJpeg("Picture  One.jpg"); // two blanks in a row
    std::string log = dir / "cmdline.txt";
    SetEnvironmentVariableA("VODEDI_LOG", log.c_str());
    ChildProcess editor("\"" + exe + "\" " + path); // unquoted path with a blank, as the browser passes it
    ASSERT_TRUE(editor.Started());
    HWND wnd = editor.WaitForWindow("vodedi - Picture  One.jpg");
    ASSERT_NE(wnd, nullptr);
    PumpMessages(300);
    RECT rc;
    GetClientRect(wnd, &rc);
    // The image (200 x 100) sits centred on black; its middle is not black, the corners are.
    EXPECT_EQ(ScreenPixel(wnd, 2, 2), RGB(0, 0, 0));
    COLORREF mid = ScreenPixel(wnd, rc.right / 2, rc.bottom / 2);
    EXPECT_NE(mid, RGB(0, 0, 0));
    EXPECT_NE(mid, CLR_INVALID);

    EXPECT_EQ(ReadFileBytes(log), "\"" + exe + "\" " + path + "\r\n");
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitForExit(), 0u);
}

TEST_F(VodediTest, InformationMenuCallsThePluginsInfoDialog) {
    std::string path = WriteTwoToneJpeg("info.jpg");
    ChildProcess editor("\"" + exe + "\" " + path);
    HWND wnd = editor.WaitForWindow("vodedi - info.jpg");
    ASSERT_NE(wnd, nullptr);
    PostMessageA(wnd, WM_COMMAND, 100, 0); // File > Information...
    HWND dlg = editor.WaitForWindow("JPEG Information");
    ASSERT_NE(dlg, nullptr);
    HWND label = FindChild(dlg, "Static");
    EXPECT_EQ(WindowText(label), "24-bit Color JPEG");
    // Enter on the OK button, through the editor's own message loop.
    PostMessageA(FindChild(dlg, "Button", "OK"), WM_KEYDOWN, VK_RETURN, 0);
    for (int i = 0; i < 100 && IsWindowVisible(dlg); ++i)
        PumpMessages(50);
    EXPECT_FALSE(IsWindowVisible(dlg));
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitForExit(), 0u);
}

TEST_F(VodediTest, SwitchesAfterThePathAreNotPartOfIt) {
    std::string path = WriteTwoToneJpeg("Shown Full.jpg");
    ChildProcess editor("\"" + exe + "\" " + path + " /fs");
    HWND wnd = editor.WaitForWindow("vodedi - Shown Full.jpg");
    ASSERT_NE(wnd, nullptr);
    EXPECT_FALSE(GetWindowLongA(wnd, GWL_STYLE) & WS_CAPTION);
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitForExit(), 0u);

    ChildProcess printing("\"" + exe + "\" " + path + " /print");
    wnd = printing.WaitForWindow("vodedi - Shown Full.jpg (print)");
    ASSERT_NE(wnd, nullptr);
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(printing.WaitForExit(), 0u);
}

TEST_F(VodediTest, UnregisteredExtensionOrBadFileIsReported) {
    std::string other = dir / "file.zzz";
    WriteFileBytes(other, "data");
    ChildProcess unmapped("\"" + exe + "\" " + other);
    HWND box = unmapped.WaitForWindow("vodedi");
    ASSERT_NE(box, nullptr);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(unmapped.WaitForExit(), 1u);

    std::string broken = dir / "broken.jpg";
    WriteFileBytes(broken, "not a jpeg");
    ChildProcess bad("\"" + exe + "\" " + broken);
    box = bad.WaitForWindow("vodedi");
    ASSERT_NE(box, nullptr);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(bad.WaitForExit(), 1u);
}

} // namespace
