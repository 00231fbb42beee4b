#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "shell/ShellDialogs.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <shellapi.h>

using namespace shell;
using namespace testsupport;

namespace {

struct MenuEntry {
    std::string text;
    UINT id;
    bool checked;
};

std::vector<MenuEntry> ReadMenu(HWND menuWindow) {
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    std::vector<MenuEntry> entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        entries.push_back({text, GetMenuItemID(menu, i), (state & MF_CHECKED) != 0});
    }
    return entries;
}

class ShellDialogsTest : public ::testing::Test {
protected:
    TempDir dir;
    kovalin::TForm owner{
        {.caption = "Owner", .left = 100, .top = 100, .clientWidth = 300, .clientHeight = 200}};
    void SetUp() override {
        OleInitialize(nullptr);
        kovalin::Application().Initialize();
        owner.Show();
        WriteFileBytes(dir / "file.txt", "content");
    }
    void TearDown() override { OleUninitialize(); }
};

// Files on the clipboard as a file-drop list.
std::vector<std::string> ClipboardFiles() {
    std::vector<std::string> files;
    if (!OpenClipboard(nullptr)) return files;
    if (HANDLE h = GetClipboardData(CF_HDROP)) {
        auto drop = static_cast<HDROP>(h);
        UINT n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < n; ++i) {
            char name[MAX_PATH];
            DragQueryFileA(drop, i, name, sizeof name);
            files.push_back(name);
        }
    }
    CloseClipboard();
    return files;
}

void ClearClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

TEST_F(ShellDialogsTest, ExtraItemsFollowTheShellItemsAndRunTheirHandlers) {
    kovalin::TPopupMenu extras;
    int clicked = 0;
    extras.Add("Extra One", [&] { clicked = 1; });
    extras.Add("Hidden", [&] { clicked = 2; }).Visible = false;
    extras.Add("Disabled", [&] { clicked = 3; }).Enabled = false;
    extras.Add("Extra Checked", [&] { clicked = 4; }).Checked = true;

    std::vector<MenuEntry> seen;
    WhenWindowAppears menu(
        "",
        [&](HWND h) {
            seen = ReadMenu(h);
            PostMessageA(h, WM_KEYDOWN, VK_UP, 0); // from no selection: the last item
            PostMessageA(h, WM_KEYDOWN, VK_RETURN, 0);
        },
        "#32768");
    std::string verb =
        ShellDisplayContextMenu(owner.Handle(), POINT{150, 150}, dir / "file.txt", false, true, &extras);
    ASSERT_TRUE(menu.Fired());
    EXPECT_EQ(verb, "");
    EXPECT_EQ(clicked, 4);
    ASSERT_GE(seen.size(), 4u);
    // The shell's own items come first, all with ids in 1..1000.
    size_t extraStart = seen.size() - 3;
    for (size_t i = 0; i < extraStart; ++i)
        EXPECT_LE(seen[i].id, 1000u) << seen[i].text;
    EXPECT_EQ(seen[extraStart].id, 0u); // separator
    EXPECT_EQ(seen[extraStart + 1].text, "Extra One");
    EXPECT_EQ(seen[extraStart + 1].id, 1001u);
    EXPECT_FALSE(seen[extraStart + 1].checked);
    EXPECT_EQ(seen[extraStart + 2].text, "Extra Checked");
    EXPECT_EQ(seen[extraStart + 2].id, 1004u);
    EXPECT_TRUE(seen[extraStart + 2].checked);
}

TEST_F(ShellDialogsTest, ChosenShellCommandRunsAndGivesItsVerb) {
    ClearClipboard();
    WhenWindowAppears menu(
        "", [](HWND h) { PostMessageA(h, WM_CHAR, 'c', 0); }, "#32768"); // "&Copy"
    std::string verb =
        ShellDisplayContextMenu(owner.Handle(), POINT{150, 150}, dir / "file.txt", false, false);
    ASSERT_TRUE(menu.Fired());
    EXPECT_EQ(verb, "copy");
    EXPECT_EQ(ClipboardFiles(), std::vector<std::string>{dir / "file.txt"});
}

TEST_F(ShellDialogsTest, SeveralItemsOfOneFolder) {
    WriteFileBytes(dir / "second.txt", "2");
    ClearClipboard();
    WhenWindowAppears menu(
        "", [](HWND h) { PostMessageA(h, WM_CHAR, 'c', 0); }, "#32768");
    std::string verb = ShellDisplayContextMenuMulti(owner.Handle(), POINT{150, 150}, dir.Path(),
                                                    {"file.txt", "second.txt"}, false, false);
    EXPECT_EQ(verb, "copy");
    EXPECT_EQ(ClipboardFiles(), (std::vector<std::string>{dir / "file.txt", dir / "second.txt"}));
    // One name that does not exist shows no menu at all.
    EXPECT_EQ(ShellDisplayContextMenuMulti(owner.Handle(), POINT{150, 150}, dir.Path(),
                                           {"file.txt", "gone.txt"}, false, false),
              "");
}

TEST_F(ShellDialogsTest, NothingIsShownForPathsTheShellCannotResolve) {
    bool shown = false;
    WhenWindowAppears menu(
        "",
        [&](HWND) {
            shown = true;
            EndMenu();
        },
        "#32768");
    EXPECT_EQ(ShellDisplayContextMenu(owner.Handle(), POINT{150, 150}, dir / "missing.txt", false, false),
              "");
    EXPECT_EQ(ShellDisplayContextMenu(owner.Handle(), POINT{150, 150}, "", false, false), "");
    PumpMessages(100);
    EXPECT_FALSE(shown);
}

TEST_F(ShellDialogsTest, VerbsRunWithoutAMenu) {
    ClearClipboard();
    EXPECT_TRUE(ShellExecuteVerb(owner.Handle(), "copy", dir / "file.txt"));
    EXPECT_EQ(ClipboardFiles(), std::vector<std::string>{dir / "file.txt"});
    EXPECT_FALSE(ShellExecuteVerb(owner.Handle(), "no-such-verb", dir / "file.txt"));
    EXPECT_FALSE(ShellExecuteVerb(owner.Handle(), "copy", dir / "missing.txt"));
}

TEST(ShellClipboardFormatsTest, RegisteredUnderTheirNames) {
    const TShellClipboardFormats& f = ShellClipboardFormats();
    const std::pair<UINT, const char*> formats[] = {
        {f.FileContents, "FileContents"},
        {f.FileGroupDescriptor, "FileGroupDescriptor"},
        {f.FileName, "FileName"},
        {f.FileNameMap, "FileNameMap"},
        {f.FileNameMapW, "FileNameMapW"},
        {f.InShellDragLoop, "InShellDragLoop"},
        {f.NetResource, "Net Resource"},
        {f.PasteSucceeded, "Paste Succeeded"},
        {f.PerformedDropEffect, "Performed DropEffect"},
        {f.PreferredDropEffect, "Preferred DropEffect"},
        {f.PrinterFriendlyName, "PrinterFriendlyName"},
        {f.ShellIDListArray, "Shell IDList Array"},
        {f.ShellObjectOffsets, "Shell Object Offsets"},
        {f.UniformResourceLocator, "UniformResourceLocator"},
    };
    for (const auto& [id, name] : formats) {
        char got[64] = {};
        EXPECT_GE(id, 0xC000u) << name;
        GetClipboardFormatNameA(id, got, sizeof got);
        EXPECT_STREQ(got, name);
    }
}

} // namespace
