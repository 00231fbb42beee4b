#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "plugin_api/Specs.h"
#include "plugins/hex/hexv.h"
#include "tests/plugins/hex/HexInput.h"
#include "tests/support/FileDialogDriver.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <map>

using namespace kvhex;
using namespace testsupport;

namespace {

// Working copies in the temporary folder, by name, with their sizes.
std::map<std::string, int64_t> WorkingCopies() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::map<std::string, int64_t> found;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((std::string(temp) + "*.HXVT").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return found;
    do
        found[fd.cFileName] = (static_cast<int64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return found;
}

// A click on a tool-bar button, as the mouse makes it.
void ClickToolButton(HWND bar, int index) {
    RECT r{};
    SendMessageA(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(bar, WM_MOUSEMOVE, 0, at);
    PostMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(bar, WM_LBUTTONUP, 0, at);
}

TEST(HexViewerWindowTest, LaidOutAsTheViewerWindow) {
    TfrmHex frm;
    EXPECT_EQ(frm.Caption(), "Hex Viewer");
    EXPECT_EQ(frm.Width(), 640);
    EXPECT_EQ(frm.Height(), 342);
    LONG style = GetWindowLongA(frm.Handle(), GWL_STYLE);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_NE(SendMessageA(frm.Handle(), WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(frm.tbnOpen->Caption(), "Open in Hex View");
    EXPECT_EQ(frm.tbnOpen->Hint(), "Open file");
    EXPECT_EQ(frm.tbnClose->Caption(), "Close Hex View");
    EXPECT_EQ(frm.tbnClose->Hint(), "Close file");
    EXPECT_EQ(frm.imlHex->Count(), 2);
    RECT open = frm.tbnOpen->BoundsRect();
    EXPECT_GE(open.right - open.left, 112);
    EXPECT_EQ(frm.dlgHexOpen.Title, "Open file in Hex view ...");
    EXPECT_EQ(frm.dlgHexOpen.Filter, "All files (*.*)|*.*");
    THexEditor& ed = *frm.edtHex;
    EXPECT_TRUE(ed.ReadOnlyView());
    EXPECT_EQ(ed.FontName(), "Courier");
    EXPECT_EQ(ed.FontHeight(), 16);
    EXPECT_EQ(ed.FileName(), "Untitled");
    // The view fills the window below the tool bar.
    EXPECT_EQ(ed.Top(), frm.tbrHex->Height());
    EXPECT_EQ(ed.Top() + ed.Height(), frm.ClientHeight());
    EXPECT_EQ(ed.Width(), frm.ClientWidth());
}

TEST(HexViewerWindowTest, OpenInHexViewShowsTheNextFileFromItsStartAndCancelKeepsIt) {
    TempDir dir;
    std::string first = dir / "first.bin", second = dir / "second.bin";
    WriteFileBytes(first, hextest::CountingBytes(5000));
    WriteFileBytes(second, "SECOND");
    TfrmHex frm;
    ASSERT_TRUE(frm.edtHex->LoadFromFile(first));
    frm.Show();
    RunUntilIdle();
    THexEditor& ed = *frm.edtHex;
    hextest::Press(ed.Handle(), VK_NEXT);
    hextest::Press(ed.Handle(), VK_TAB);
    ASSERT_GT(ed.Row(), 0);
    {
        WhenWindowAppears watch("Open file in Hex view ...",
                                [&](HWND dlg) { ConfirmFileDialog(dlg, second); });
        ClickToolButton(frm.tbrHex->Handle(), 0);
        ASSERT_TRUE(PumpUntil([&] { return ed.FileName() == second; }, 10000));
        EXPECT_TRUE(watch.Fired());
    }
    EXPECT_EQ(ed.DataSize(), 6);
    EXPECT_EQ(ed.Col(), 2);
    EXPECT_EQ(ed.Row(), 0);
    EXPECT_EQ(ed.TopRow(), 0);
    EXPECT_EQ(ed.CellLook(35, 0).text, "S");
    {
        WhenWindowAppears watch("Open file in Hex view ...", [&](HWND dlg) { CancelFileDialog(dlg); });
        frm.tbnOpen->Click();
        EXPECT_TRUE(watch.Fired());
    }
    EXPECT_EQ(ed.FileName(), second);
}

// Decimal offsets in the window itself: the column is as wide as the last row's offset plus the
// separator, and its text is drawn. With KOVALIN_HEX_LOOK set the window stays up that many
// seconds, with a marker, a selection and the caret, for a look at it.
TEST(HexViewerWindowTest, DecimalOffsetsInTheWindow) {
    TempDir dir;
    std::string path = dir / "decimal.bin";
    WriteFileBytes(path, hextest::CountingBytes(3000));
    TfrmHex frm;
    THexEditor& ed = *frm.edtHex;
    ed.SetOffsetDisplay(TOffsetDisplay::odDec);
    ASSERT_TRUE(ed.LoadFromFile(path));
    frm.Show();
    RunUntilIdle();
    EXPECT_EQ(ed.OffsetWidthChars(), 5); // "2992" and ":"
    EXPECT_EQ(ed.CellLook(0, 0).text, "   0:");
    EXPECT_EQ(ed.CellLook(0, 7).text, " 112:");
    EXPECT_EQ(ed.ColWidth(0), 5 * ed.CharWidth());
    ed.SetFocus();
    hextest::Press(ed.Handle(), VK_DOWN);
    hextest::Press(ed.Handle(), '4', {.shift = true, .ctrl = true});
    hextest::Press(ed.Handle(), VK_DOWN);
    hextest::Press(ed.Handle(), VK_SHIFT, {.shift = true});
    for (int i = 0; i < 12; ++i)
        hextest::Press(ed.Handle(), VK_RIGHT, {.shift = true});
    EXPECT_EQ(ed.SelStart(), 32);
    EXPECT_EQ(ed.SelEnd(), 38);
    if (const char* look = getenv("KOVALIN_HEX_LOOK")) PumpMessages(static_cast<DWORD>(atoi(look)) * 1000);
}

class HexToolTest : public ::testing::Test {
protected:
    kplug::TPluginLibrary lib{"kv_hex.dll"};
    TKPLUGtool tool = lib.Entry<TKPLUGtool>(kKPLUGtool);
    TempDir dir;
    kovalin::TForm host{
        {.caption = "Host", .left = 100, .top = 100, .clientWidth = 500, .clientHeight = 400}};

    void SetUp() override {
        ASSERT_NE(tool, nullptr);
        host.Show();
    }
};

TEST_F(HexToolTest, CarriesItsCommandInTheCapabilityResource) {
    auto bytes = kplug::SpecsResourceBytes(lib.Module());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, "[KPLUGtool]\r\nView as HEX=\r\n");
}

TEST_F(HexToolTest, ShowsTheFileModallyLeavesItUntouchedAndCleansUp) {
    std::string path = dir / "viewed.bin";
    std::string bytes = hextest::CountingBytes(70000);
    WriteFileBytes(path, bytes);
    WIN32_FILE_ATTRIBUTE_DATA before{}, after{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &before);
    auto copiesBefore = WorkingCopies();
    std::map<std::string, int64_t> copiesDuring;
    HWND owner = nullptr;
    bool hostDisabled = false;
    RECT frame{}, hostFrame{};
    WhenWindowAppears watch("Hex Viewer", [&](HWND w) {
        owner = GetWindow(w, GW_OWNER);
        hostDisabled = !IsWindowEnabled(host.Handle());
        GetWindowRect(w, &frame);
        GetWindowRect(host.Handle(), &hostFrame);
        copiesDuring = WorkingCopies();
        // Type into the view: the keys go to the focused grid.
        HWND grid = GetFocus();
        for (char c : std::string("00FFab"))
            hextest::Type(grid, c);
        hextest::Press(grid, VK_DELETE);
        HWND bar = FindChild(w, TOOLBARCLASSNAMEA);
        ClickToolButton(bar, 1);
    });
    EXPECT_EQ(tool(0, path.c_str(), host.Handle(), nullptr), 0);
    ASSERT_TRUE(watch.Fired());
    EXPECT_EQ(owner, host.Handle());
    EXPECT_TRUE(hostDisabled);
    EXPECT_TRUE(IsWindowEnabled(host.Handle()));
    EXPECT_EQ(frame.right - frame.left, 640);
    EXPECT_EQ(frame.bottom - frame.top, 342);
    EXPECT_NEAR((frame.left + frame.right) / 2, (hostFrame.left + hostFrame.right) / 2, 1);
    // One new working copy, the file's size, while the window showed; none afterwards.
    std::vector<int64_t> fresh;
    for (auto& [name, size] : copiesDuring)
        if (!copiesBefore.count(name)) fresh.push_back(size);
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_EQ(fresh[0], 70000);
    EXPECT_EQ(WorkingCopies(), copiesBefore);
    EXPECT_EQ(ReadFileBytes(path), bytes);
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &after);
    EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
}

TEST_F(HexToolTest, AFileLockedAgainstReadingOpensAnEmptyView) {
    std::string path = dir / "locked.bin";
    WriteFileBytes(path, "cannot be read");
    HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    auto copiesBefore = WorkingCopies();
    std::vector<int64_t> fresh;
    WhenWindowAppears watch("Hex Viewer", [&](HWND w) {
        for (auto& [name, size] : WorkingCopies())
            if (!copiesBefore.count(name)) fresh.push_back(size);
        PostMessageA(w, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(tool(0, path.c_str(), host.Handle(), nullptr), 0);
    CloseHandle(lock);
    ASSERT_TRUE(watch.Fired());
    // Only the reserved, empty name: nothing was copied.
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_EQ(fresh[0], 0);
    EXPECT_EQ(WorkingCopies(), copiesBefore);
    // A missing path and no path at all behave alike.
    WhenWindowAppears again("Hex Viewer", [&](HWND w) { PostMessageA(w, WM_CLOSE, 0, 0); });
    EXPECT_EQ(tool(0, (dir / "missing.bin").c_str(), host.Handle(), nullptr), 0);
    EXPECT_TRUE(again.Fired());
}

} // namespace
