#include "kovalin/Form.h"
#include "kovalin/Handles.h"
#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "plugins/logo/GIFImage.h"
#include "tests/plugins/logo/LogoImages.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace testsupport;
using namespace logotest;

namespace {

bool Win9xFamily() {
    OSVERSIONINFOA vi{};
    vi.dwOSVersionInfoSize = sizeof vi;
    return GetVersionExA(&vi) && vi.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

std::string WindowsFolder() {
    char buf[MAX_PATH];
    UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
    std::string w(buf, n);
    if (w.back() != '\\') w += '\\';
    return w;
}
std::string StartUpLogo() {
    return WindowsFolder().substr(0, 2) + "\\logo.sys";
}
bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A host's image: a 32-bit DIB section, or with `ddb` a bitmap compatible with the screen.
kovalin::UniqueHBitmap HostBitmap(int w, int h, bool ddb = false) {
    auto img = MakeImage(
        w, h, [&](int x, int y) { return PhotoLike(x, y, w, h); }, kovalin::TPixelFormat::pf32bit);
    if (!ddb) return kovalin::UniqueHBitmap(img->ReleaseHandle());
    kovalin::ScreenDC screen;
    kovalin::UniqueHBitmap out(CreateCompatibleBitmap(screen.get(), w, h));
    kovalin::UniqueMemoryDC dc(CreateCompatibleDC(screen.get()));
    {
        kovalin::SelectGuard sel(dc.get(), out.get());
        BitBlt(dc.get(), 0, 0, w, h, img->Canvas().Handle(), 0, 0, SRCCOPY);
    }
    return out;
}

struct Box {
    std::string text;
    HWND owner = nullptr;
};

// What the message boxes of a run said; each is closed with its OK button.
Box ReadBox(HWND box) {
    Box b;
    for (HWND h : ChildWindows(box))
        if (ClassOf(h) == "Static" && !WindowText(h).empty()) b.text = WindowText(h);
    b.owner = GetWindow(box, GW_OWNER);
    SendMessageA(FindChild(box, "Button", "OK"), BM_CLICK, 0, 0);
    return b;
}

class LogoToolTest : public ::testing::Test {
protected:
    kplug::TPluginLibrary lib{"kv_logo.dll"};
    TKPLUGtool tool = lib.Entry<TKPLUGtool>(kKPLUGtool);
    kovalin::TForm host{
        {.caption = "Host", .left = 100, .top = 100, .clientWidth = 500, .clientHeight = 400}};
    std::vector<Box> boxes;
    bool dialogShown = false;
    DWORD lastError = 0;

    void SetUp() override {
        ASSERT_NE(tool, nullptr);
        host.Show();
    }

    // Runs the tool; `onDialog` acts on the Logo Changer dialog while it is up.
    BOOL Run(
        HBITMAP image, std::function<void(HWND)> onDialog = [](HWND) {}) {
        auto watchBoxes = std::make_unique<WhenWindowAppears>(
            "Kovalin Vodedi", [&](HWND box) { boxes.push_back(ReadBox(box)); });
        WhenWindowAppears watchDialog("Logo Changer", [&](HWND dlg) {
            dialogShown = true;
            onDialog(dlg);
        });
        BOOL r = tool(0, nullptr, host.Handle(), image);
        lastError = GetLastError();
        return r;
    }
};

TEST_F(LogoToolTest, RefusesOutsideThe9xFamily) {
    if (Win9xFamily()) GTEST_SKIP() << "the system reports the 95/98/Me family";
    bool logoBefore = Exists(StartUpLogo());
    auto image = HostBitmap(320, 400);
    EXPECT_EQ(Run(image.get()), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "This feature only for Windows95/98 or WindowsMe.");
    EXPECT_EQ(boxes[0].owner, host.Handle());
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(Exists(StartUpLogo()), logoBefore);
    BITMAP bm{};
    EXPECT_NE(GetObjectA(image.get(), sizeof bm, &bm), 0); // the host's bitmap is left alone
}

// The same library under a program that Wine reports as Windows 98: the test program copied
// under another name, with the Windows version of that name set in Wine's per-program settings.
TEST(LogoToolWin98Test, TheWritingPathRunsUnderWindows98) {
    if (Win9xFamily()) GTEST_SKIP() << "this is the copy";
    const std::string exe = ExeFolder() + "logo_tests.exe";
    const std::string copy = ExeFolder() + "logo_tests_win98.exe";
    const std::string key = "Software\\Wine\\AppDefaults\\logo_tests_win98.exe";
    ASSERT_TRUE(CopyFileA(exe.c_str(), copy.c_str(), FALSE));
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr),
              0);
    RegSetValueExA(k, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
    RegCloseKey(k);
    TempDir dir;
    std::string xml = dir / "win98.xml";
    DWORD code;
    {
        ChildProcess child("\"" + copy + "\" --gtest_filter=LogoToolOnWin9x* --gtest_output=xml:" + xml);
        ASSERT_TRUE(child.Started());
        code = child.WaitForExit(120000);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    DeleteFileA(copy.c_str());
    EXPECT_EQ(code, 0u);
    std::string report = ReadFileBytes(xml);
    EXPECT_NE(report.find("<testcase"), std::string::npos);
    EXPECT_EQ(report.find("result=\"skipped\""), std::string::npos) << "the copy did not see Windows 98";
    EXPECT_NE(report.find("failures=\"0\""), std::string::npos);
}

// Keeps the real logo files of the prefix out of the way and removes what the tests write.
class LogoToolOnWin9x : public LogoToolTest {
protected:
    std::vector<std::string> files{StartUpLogo(), WindowsFolder() + "logow.sys",
                                   WindowsFolder() + "logos.sys"};
    TempDir saved;

    void SetUp() override {
        if (!Win9xFamily()) GTEST_SKIP() << "runs in the copy that Wine reports as Windows 98";
        LogoToolTest::SetUp();
        for (size_t i = 0; i < files.size(); ++i)
            if (Exists(files[i])) MoveFileA(files[i].c_str(), (saved / std::to_string(i)).c_str());
    }
    void TearDown() override {
        if (!Win9xFamily()) return;
        for (size_t i = 0; i < files.size(); ++i) {
            SetFileAttributesA(files[i].c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(files[i].c_str());
            std::string s = saved / std::to_string(i);
            if (Exists(s)) MoveFileA(s.c_str(), files[i].c_str());
        }
    }

    static void Choose(HWND dlg, int item, const char* button) {
        std::vector<HWND> radios;
        for (HWND h : ChildWindows(dlg))
            if (ClassOf(h) == "Button" && (GetWindowLongA(h, GWL_STYLE) & 0x0F) == BS_AUTORADIOBUTTON)
                radios.push_back(h);
        if (item >= 0) SendMessageA(radios.at(static_cast<size_t>(item)), BM_CLICK, 0, 0);
        SendMessageA(FindChild(dlg, "Button", button), BM_CLICK, 0, 0);
    }
};

std::string LeftoverTemporaries(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "kvl*.tmp").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return "";
    std::string names = fd.cFileName;
    FindClose(h);
    return names;
}

TEST_F(LogoToolOnWin9x, StartUpLogoIsAn8BitBitmapFileOfTheReducedImage) {
    auto image = HostBitmap(320, 400);
    EXPECT_EQ(Run(image.get(), [](HWND dlg) { Choose(dlg, -1, "OK"); }), 0);
    EXPECT_TRUE(dialogShown);
    EXPECT_TRUE(boxes.empty());
    std::string f = ReadFileBytes(StartUpLogo());
    const size_t offBits = 14 + 40 + 256 * 4;
    ASSERT_EQ(f.size(), offBits + 320 * 400);
    BITMAPFILEHEADER fh;
    BITMAPINFOHEADER ih;
    std::memcpy(&fh, f.data(), sizeof fh);
    std::memcpy(&ih, f.data() + 14, sizeof ih);
    EXPECT_EQ(fh.bfType, 0x4D42);
    EXPECT_EQ(fh.bfSize, f.size());
    EXPECT_EQ(fh.bfOffBits, offBits);
    EXPECT_EQ(ih.biSize, 40u);
    EXPECT_EQ(ih.biWidth, 320);
    EXPECT_EQ(ih.biHeight, 400); // bottom-up
    EXPECT_EQ(ih.biPlanes, 1);
    EXPECT_EQ(ih.biBitCount, 8);
    EXPECT_EQ(ih.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(ih.biClrUsed, 256u);

    // The same reduction done here: the file holds its palette and its rows, bottom row first.
    auto src = MakeImage(320, 400, [](int x, int y) { return PhotoLike(x, y, 320, 400); });
    auto want = kvlogo::ReduceToPalette(*src, kvlogo::TReductionMethod::rmQuantizeWindows,
                                        kvlogo::TDitherMode::dmFloydSteinberg, 1, nullptr);
    std::vector<PALETTEENTRY> pal = PaletteOf(*want);
    const auto* table = reinterpret_cast<const RGBQUAD*>(f.data() + 54);
    for (size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(table[i].rgbRed, pal[i].peRed) << i;
        ASSERT_EQ(table[i].rgbGreen, pal[i].peGreen) << i;
        ASSERT_EQ(table[i].rgbBlue, pal[i].peBlue) << i;
        ASSERT_EQ(table[i].rgbReserved, 0) << i;
    }
    std::vector<PALETTEENTRY> stock = StockPalette();
    EXPECT_EQ(table[9].rgbRed, stock[9].peRed);
    EXPECT_EQ(table[255].rgbBlue, stock[19].peBlue);
    for (int y = 0; y < 400; ++y)
        ASSERT_EQ(std::memcmp(f.data() + offBits + size_t(399 - y) * 320, want->ScanLine(y), 320), 0) << y;
    EXPECT_EQ(LeftoverTemporaries(StartUpLogo().substr(0, 3)), "");
    // The host's image is still its own, at its own depth.
    BITMAP bm{};
    ASSERT_NE(GetObjectA(image.get(), sizeof bm, &bm), 0);
    EXPECT_EQ(bm.bmBitsPixel, 32);
}

TEST_F(LogoToolOnWin9x, TheOtherItemsWriteIntoTheWindowsFolder) {
    auto image = HostBitmap(320, 400, true);
    Run(image.get(), [](HWND dlg) { Choose(dlg, 1, "OK"); });
    EXPECT_TRUE(Exists(WindowsFolder() + "logow.sys"));
    EXPECT_FALSE(Exists(WindowsFolder() + "logos.sys"));
    Run(image.get(), [](HWND dlg) { Choose(dlg, 2, "OK"); });
    EXPECT_TRUE(Exists(WindowsFolder() + "logos.sys"));
    EXPECT_FALSE(Exists(StartUpLogo()));
    EXPECT_EQ(ReadFileBytes(WindowsFolder() + "logos.sys").size(), 1078u + 128000u);
}

TEST_F(LogoToolOnWin9x, AnotherSizeIsRefusedAfterTheReduction) {
    auto image = HostBitmap(640, 480);
    EXPECT_EQ(Run(image.get()), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Image size should be 320x400 pixels. Use \"Resize\" filter to resize image to that size.");
    EXPECT_EQ(boxes[0].owner, host.Handle());
    EXPECT_FALSE(dialogShown);
    for (const std::string& f : files)
        EXPECT_FALSE(Exists(f)) << f;
}

struct Layout {
    SIZE client{};
    std::string caption, group;
    RECT groupRect{}, ok{}, cancel{};
    std::vector<std::string> items;
    std::vector<bool> checked;
    bool cancelDefault = false, cancelFocused = false;
    HWND owner = nullptr;
};

RECT RectIn(HWND h, HWND dlg) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

Layout ReadLayout(HWND dlg) {
    Layout l;
    RECT rc;
    GetClientRect(dlg, &rc);
    l.client = {rc.right, rc.bottom};
    l.caption = WindowText(dlg);
    l.owner = GetWindow(dlg, GW_OWNER);
    for (HWND h : ChildWindows(dlg)) {
        if (ClassOf(h) != "Button") continue;
        LONG kind = GetWindowLongA(h, GWL_STYLE) & 0x0F;
        if (kind == BS_GROUPBOX) {
            l.group = WindowText(h);
            l.groupRect = RectIn(h, dlg);
        } else if (kind == BS_AUTORADIOBUTTON) {
            l.items.push_back(WindowText(h));
            l.checked.push_back(SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED);
        }
    }
    HWND ok = FindChild(dlg, "Button", "OK"), cancel = FindChild(dlg, "Button", "Cancel");
    l.ok = RectIn(ok, dlg);
    l.cancel = RectIn(cancel, dlg);
    l.cancelDefault = (GetWindowLongA(cancel, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON;
    l.cancelFocused = GetFocus() == cancel;
    return l;
}

TEST_F(LogoToolOnWin9x, TheDialogAsLaidOutAndEnterPressesCancel) {
    auto image = HostBitmap(320, 400);
    Layout l;
    Run(image.get(), [&](HWND dlg) {
        l = ReadLayout(dlg);
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    });
    ASSERT_TRUE(dialogShown);
    EXPECT_EQ(l.caption, "Logo Changer");
    EXPECT_EQ(l.client.cx, 252);
    EXPECT_EQ(l.client.cy, 120);
    EXPECT_EQ(l.group, " What to do ");
    EXPECT_EQ(l.groupRect.left, 10);
    EXPECT_EQ(l.groupRect.top, 10);
    EXPECT_EQ(l.groupRect.right - l.groupRect.left, 232);
    EXPECT_EQ(l.groupRect.bottom - l.groupRect.top, 77);
    EXPECT_EQ(l.items,
              (std::vector<std::string>{"Set image as start-up logo", "Set image as shutting down logo",
                                        "Set image as turn off logo"}));
    EXPECT_EQ(l.checked, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(l.ok.left, 88);
    EXPECT_EQ(l.ok.top, 91);
    EXPECT_EQ(l.ok.right - l.ok.left, 75);
    EXPECT_EQ(l.ok.bottom - l.ok.top, 25);
    EXPECT_EQ(l.cancel.left, 167);
    EXPECT_EQ(l.cancel.top, 91);
    EXPECT_TRUE(l.cancelDefault);
    EXPECT_TRUE(l.cancelFocused);
    EXPECT_EQ(l.owner, host.Handle());
    for (const std::string& f : files)
        EXPECT_FALSE(Exists(f)) << f;

    // Enter with a radio item focused still presses the default button.
    Run(image.get(), [&](HWND dlg) {
        HWND item = nullptr;
        for (HWND h : ChildWindows(dlg))
            if (WindowText(h) == "Set image as turn off logo") item = h;
        SendMessageA(item, BM_CLICK, 0, 0);
        ::SetFocus(item);
        PostMessageA(item, WM_KEYDOWN, VK_RETURN, 0);
    });
    // And the title bar's close box chooses nothing either.
    Run(image.get(), [&](HWND dlg) { PostMessageA(dlg, WM_CLOSE, 0, 0); });
    for (const std::string& f : files)
        EXPECT_FALSE(Exists(f)) << f;
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LogoToolOnWin9x, EachUseStartsWithoutAChoice) {
    auto image = HostBitmap(320, 400);
    Run(image.get(), [](HWND dlg) { Choose(dlg, 2, "OK"); });
    ASSERT_TRUE(Exists(files[2]));
    DeleteFileA(files[2].c_str());
    std::vector<bool> checked;
    Run(image.get(), [&](HWND dlg) {
        checked = ReadLayout(dlg).checked;
        Choose(dlg, -1, "Cancel");
    });
    EXPECT_EQ(checked, (std::vector<bool>{true, false, false}));
    for (const std::string& f : files)
        EXPECT_FALSE(Exists(f)) << f;
}

TEST_F(LogoToolOnWin9x, AReadOnlyLogoIsAnErrorAndStaysAsItWas) {
    WriteFileBytes(StartUpLogo(), "the old logo");
    SetFileAttributesA(StartUpLogo().c_str(), FILE_ATTRIBUTE_READONLY);
    auto image = HostBitmap(320, 400);
    EXPECT_EQ(Run(image.get(), [](HWND dlg) { Choose(dlg, 0, "OK"); }), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("logo.sys"), std::string::npos) << boxes[0].text;
    EXPECT_EQ(boxes[0].owner, host.Handle());
    EXPECT_EQ(lastError, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadFileBytes(StartUpLogo()), "the old logo");
    EXPECT_EQ(LeftoverTemporaries(StartUpLogo().substr(0, 3)), "");
}

} // namespace
