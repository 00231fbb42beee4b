// The print library as the editor calls it: the window, the settings it keeps and the printed sheet.
#include "kovalin/Exceptions.h"
#include "kovalin/Form.h"
#include "kovalin/Handles.h"
#include "kovalin/Registry.h"
#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "tests/plugins/print/PrintFixtures.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <commctrl.h>

using namespace printtest;
using namespace testsupport;

namespace {

const char kKey[] = "\\Software\\Kovalin\\Vodedi\\Print";
const COLORREF kRed = RGB(255, 0, 0);

int ReadInt(const char* name, int fallback = -12345) {
    kovalin::TRegistry reg;
    if (!reg.OpenKeyReadOnly(kKey)) return fallback;
    try {
        return reg.ReadInteger(name);
    } catch (const kovalin::Exception&) {
        return fallback;
    }
}

// The command id of the tool bar's button at the index (separators count).
int ButtonCommand(HWND bar, int index) {
    TBBUTTON b{};
    SendMessageA(bar, TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b));
    return b.idCommand;
}

void PressToolButton(HWND form, int index) {
    HWND bar = FindChild(form, TOOLBARCLASSNAMEA);
    PostMessageA(form, WM_COMMAND, MAKEWPARAM(ButtonCommand(bar, index), BN_CLICKED),
                 reinterpret_cast<LPARAM>(bar));
}

COLORREF PixelOf(HWND control, int x, int y) {
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    RECT r;
    GetClientRect(control, &r);
    HBITMAP bmp = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(mem, bmp);
    SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
    COLORREF c = GetPixel(mem, x, y);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return c;
}

class DoPrintTest : public ::testing::Test {
protected:
    kplug::TPluginLibrary lib{"print.dll"};
    TDoPrint doPrint = lib.Entry<TDoPrint>(kDoPrint);
    kovalin::TForm host{
        {.caption = "Host", .left = 100, .top = 100, .clientWidth = 300, .clientHeight = 200}};
    HBITMAP image = SolidBitmap(200, 100, kRed);

    void SetUp() override {
        ASSERT_NE(doPrint, nullptr);
        kovalin::TRegistry reg;
        reg.DeleteKey(kKey);
        host.Show();
    }
    void TearDown() override {
        // The library never deletes the caller's bitmap: it is still ours to delete.
        BITMAP info{};
        EXPECT_NE(GetObjectA(image, sizeof info, &info), 0);
        DeleteObject(image);
    }
};

} // namespace

TEST_F(DoPrintTest, FirstCallShowsA4FittedAndCentredWithTheImageAtTheCorner) {
    RECT win{};
    HWND owner = nullptr;
    COLORREF corner = 0, middle = 0;
    bool hostDisabled = false;
    WhenWindowAppears watch("Print Preview", [&](HWND form) {
        GetWindowRect(form, &win);
        owner = GetWindow(form, GW_OWNER);
        hostDisabled = !IsWindowEnabled(host.Handle());
        HWND view = FindChild(form, "KovalinWindow");
        HWND paper = FindChild(view, "KovalinWindow");
        RECT pr;
        GetClientRect(paper, &pr);
        corner = PixelOf(paper, 3, 3);
        middle = PixelOf(paper, pr.right / 2, pr.bottom / 2);
        PostMessageA(form, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(doPrint(host.Handle(), image, "C:\\pictures\\red.bmp", 0), TRUE);
    ASSERT_TRUE(watch.Fired());
    EXPECT_EQ(owner, host.Handle());
    EXPECT_TRUE(hostDisabled);
    EXPECT_EQ(win.right - win.left, 447);
    EXPECT_EQ(win.bottom - win.top, 342);
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_EQ(win.left, (area.left + area.right - 447) / 2);
    EXPECT_EQ(win.top, (area.top + area.bottom - 342) / 2);
    EXPECT_EQ(corner, kRed);
    EXPECT_EQ(middle, RGB(255, 255, 255));
    // Written back on the way out.
    EXPECT_EQ(ReadInt("ZoomState"), 1);
    EXPECT_EQ(ReadInt("Orientation"), 0);
    EXPECT_EQ(ReadInt("Width"), 447);
    EXPECT_EQ(ReadInt("Height"), 342);
    EXPECT_EQ(ReadInt("PaperWidth"), 2100);
    EXPECT_EQ(ReadInt("PaperHeight"), 2970);
    EXPECT_EQ(ReadInt("Left"), win.left);
    EXPECT_EQ(ReadInt("Top"), win.top);
    EXPECT_EQ(ReadInt("Zoom"), -12345);
}

TEST_F(DoPrintTest, PrintNowShowsNothingPrintsAtScreenSizeAndKeepsTheSettings) {
    if (PdfFolder().empty()) GTEST_SKIP() << "no PDF printer set up";
    WhenWindowAppears watch("Print Preview", [](HWND form) { PostMessageA(form, WM_CLOSE, 0, 0); });
    std::set<std::string> old = PdfFiles();
    EXPECT_EQ(doPrint(host.Handle(), image, "C:\\pictures\\flag.bmp", 1), TRUE);
    PumpMessages(300);
    EXPECT_FALSE(watch.Fired());
    EXPECT_EQ(ReadInt("Width"), 447);
    EXPECT_EQ(ReadInt("ZoomState"), 1);
    std::string pdf = WaitForNewPdf(old);
    ASSERT_FALSE(pdf.empty());
    EXPECT_NE(pdf.find("flag"), std::string::npos) << pdf;
    std::vector<Raster> pages = RenderPdf(pdf, 100);
    ASSERT_EQ(pages.size(), 1u);
    RECT box = FindColour(pages[0], kRed);
    EXPECT_LE(box.left, 1);
    EXPECT_LE(box.top, 1);
    kovalin::ScreenDC screen;
    double ppi = GetDeviceCaps(screen.get(), LOGPIXELSX);
    // As large on paper as on the screen.
    EXPECT_NEAR(box.right - box.left, 200 / ppi * 100, 1.0);
    EXPECT_NEAR(box.bottom - box.top, 100 / ppi * 100, 1.0);
}

TEST_F(DoPrintTest, PositionFromTheDialogPlacesTheImageOnTheSheet) {
    if (PdfFolder().empty()) GTEST_SKIP() << "no PDF printer set up";
    HWND form = nullptr;
    WhenWindowAppears setPos("Set Position", [&](HWND dlg) {
        std::vector<HWND> edits;
        for (HWND h : ChildWindows(dlg))
            if (ClassOf(h) == "Edit") edits.push_back(h);
        ASSERT_EQ(edits.size(), 2u);
        SetWindowTextA(edits[0], "200"); // top
        SetWindowTextA(edits[1], "100"); // left
        SendMessageA(FindChild(dlg, "Button", "OK"), BM_CLICK, 0, 0);
        PressToolButton(form, 8); // Print
        PostMessageA(form, WM_CLOSE, 0, 0);
    });
    WhenWindowAppears preview("Print Preview", [&](HWND f) {
        form = f;
        PressToolButton(f, 5); // Position
    });
    std::set<std::string> old = PdfFiles();
    EXPECT_EQ(doPrint(host.Handle(), image, "placed.bmp", 0), TRUE);
    ASSERT_TRUE(setPos.Fired());
    std::string pdf = WaitForNewPdf(old);
    ASSERT_FALSE(pdf.empty());
    std::vector<Raster> pages = RenderPdf(pdf, 100);
    ASSERT_EQ(pages.size(), 1u);
    RECT box = FindColour(pages[0], kRed);
    EXPECT_NEAR(box.left, 100 / 254.0 * 100, 1.0);
    EXPECT_NEAR(box.top, 200 / 254.0 * 100, 1.0);

    // The position lasts while the library is loaded.
    old = PdfFiles();
    doPrint(host.Handle(), image, "again.bmp", 1);
    pdf = WaitForNewPdf(old);
    ASSERT_FALSE(pdf.empty());
    pages = RenderPdf(pdf, 100);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NEAR(FindColour(pages[0], kRed).left, 100 / 254.0 * 100, 1.0);
}
