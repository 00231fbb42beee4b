#include "kovalin/Form.h"
#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "tests/plugins/jpeg/EncodeReference.h"
#include "tests/support/FileDialogDriver.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const char kPathsKey[] = "Software\\Kovalin\\Vodedi\\Paths";

// The editor's folder as the export reads it, put back afterwards.
class StoredDirectory {
public:
    StoredDirectory() {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kPathsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            char buf[MAX_PATH + 1]{};
            DWORD size = MAX_PATH;
            had_ = RegQueryValueExA(key, "Directory", nullptr, nullptr, reinterpret_cast<BYTE*>(buf),
                                    &size) == ERROR_SUCCESS;
            old_ = buf;
            RegCloseKey(key);
        }
    }
    ~StoredDirectory() {
        if (had_)
            Set(old_);
        else
            Remove();
    }
    void Set(const std::string& dir) const {
        HKEY key;
        RegCreateKeyExA(HKEY_CURRENT_USER, kPathsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        RegSetValueExA(key, "Directory", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                       static_cast<DWORD>(dir.size() + 1));
        RegCloseKey(key);
    }
    void Remove() const {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kPathsKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "Directory");
            RegCloseKey(key);
        }
    }

private:
    bool had_ = false;
    std::string old_;
};

RECT BoundsIn(HWND h, HWND in) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, in, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The dialog's controls, found as a user's tools would find them.
struct ExportDialog {
    HWND dlg, tabs, slider, quality, size, grey, save, cancel, group;
    explicit ExportDialog(HWND h) : dlg(h) {
        tabs = FindChild(h, WC_TABCONTROLA);
        slider = FindChild(h, TRACKBAR_CLASSA);
        group = FindChild(h, "Button", " Quality ");
        grey = FindChild(h, "Button", "GrayScale");
        save = FindChild(h, "Button", "Save");
        cancel = FindChild(h, "Button", "Cancel");
        quality = GetWindow(slider, GW_HWNDNEXT); // the label beside the slider
        size = FindChild(h, "Static");
        for (HWND c : ChildWindows(h))
            if (ClassOf(c) == "Static" && WindowText(c).rfind("File size:", 0) == 0) size = c;
    }
    void Key(UINT vk) const {
        SendMessageA(slider, WM_KEYDOWN, vk, 0);
        SendMessageA(slider, WM_KEYUP, vk, 0xC0000000);
    }
};

std::string SizeText(const std::string& jpeg) {
    return "File size: " + std::to_string(jpeg.size()) + " bytes";
}

class KplugExportTest : public ::testing::Test {
protected:
    kplug::TPluginLibrary lib{"kv_jpeg.dll"};
    TKPLUGexport exportImage = lib.Entry<TKPLUGexport>(kKPLUGexport);
    StoredQuality stored;
    StoredDirectory directory;
    TempDir dir;
    Pixels pixels = PhotoPixels(120, 90);
    kovalin::TForm host{
        {.caption = "Editor", .left = 100, .top = 100, .clientWidth = 600, .clientHeight = 450}};
    std::string temp;

    void SetUp() override {
        ASSERT_NE(exportImage, nullptr);
        CreateDirectoryA((dir / "temp").c_str(), nullptr);
        directory.Set(dir.Path() + "\\");
        temp = dir / "temp\\jpeg.tmp";
        host.Show();
    }

    // Runs the export on a copy of the picture with `act` on its dialog; checks the handle went.
    bool Run(const std::function<void(const ExportDialog&)>& act) {
        HBITMAP h = MakeHostBitmap(pixels, HostBitmapKind::BottomUpDib24);
        WhenWindowAppears watch("JPEG Export", [&](HWND dlg) { act(ExportDialog(dlg)); });
        EXPECT_EQ(exportImage(0, host.Handle(), h), 1);
        BITMAP bm;
        EXPECT_EQ(GetObjectA(h, sizeof bm, &bm), 0);
        return watch.Fired();
    }
};

TEST_F(KplugExportTest, LaidOutWithCancelAsDefaultAndAPreviewThatFollowsEverySetting) {
    bool checked = false;
    bool fired = Run([&](const ExportDialog& d) {
        RECT client;
        GetClientRect(d.dlg, &client);
        EXPECT_EQ(client.right, 409);
        EXPECT_EQ(client.bottom, 230);
        EXPECT_EQ(GetWindow(d.dlg, GW_OWNER), host.Handle());
        RECT tabs = BoundsIn(d.tabs, d.dlg), save = BoundsIn(d.save, d.dlg),
             cancel = BoundsIn(d.cancel, d.dlg);
        EXPECT_EQ(tabs.left, 5);
        EXPECT_EQ(tabs.top, 5);
        EXPECT_EQ(tabs.right - tabs.left, 397);
        EXPECT_EQ(tabs.bottom - tabs.top, 193);
        EXPECT_EQ(save.left, 249);
        EXPECT_EQ(save.top, 201);
        EXPECT_EQ(cancel.left, 327);
        EXPECT_EQ(cancel.right - cancel.left, 75);
        EXPECT_EQ(BoundsIn(d.size, d.dlg).left, 5);
        EXPECT_EQ(BoundsIn(d.size, d.dlg).top, 203);
        RECT slider = BoundsIn(d.slider, d.group);
        EXPECT_EQ(slider.left, 4);
        EXPECT_EQ(slider.top, 21);
        EXPECT_EQ(slider.right - slider.left, 317);
        EXPECT_EQ(TabCtrl_GetItemCount(d.tabs), 2);
        EXPECT_EQ(TabCtrl_GetCurSel(d.tabs), 0);
        EXPECT_EQ(GetFocus(), d.cancel);
        EXPECT_EQ(SendMessageA(d.slider, TBM_GETRANGEMIN, 0, 0), 1);
        EXPECT_EQ(SendMessageA(d.slider, TBM_GETRANGEMAX, 0, 0), 100);
        EXPECT_EQ(SendMessageA(d.slider, TBM_GETPAGESIZE, 0, 0), 5);
        EXPECT_EQ(SendMessageA(d.slider, TBM_GETNUMTICS, 0, 0), 11);

        // Nothing stored: quality 80, and the size is that of the file these settings make.
        EXPECT_EQ(SendMessageA(d.slider, TBM_GETPOS, 0, 0), 80);
        EXPECT_EQ(WindowText(d.quality), "80");
        std::string want = ReferenceEncode(pixels, 80);
        EXPECT_EQ(WindowText(d.size), SizeText(want));
        EXPECT_TRUE(ReadFileBytes(temp) == want);

        d.Key(VK_RIGHT);
        EXPECT_EQ(WindowText(d.quality), "81");
        EXPECT_EQ(WindowText(d.size), SizeText(ReferenceEncode(pixels, 81)));
        d.Key(VK_PRIOR);
        EXPECT_EQ(WindowText(d.quality), "76");
        SendMessageA(d.grey, BM_CLICK, 0, 0);
        want = ReferenceEncode(pixels, 76, true);
        EXPECT_EQ(WindowText(d.size), SizeText(want));
        EXPECT_TRUE(ReadFileBytes(temp) == want);
        d.Key(VK_HOME);
        EXPECT_EQ(WindowText(d.size), SizeText(ReferenceEncode(pixels, 1, true)));
        SendMessageA(d.grey, BM_CLICK, 0, 0);
        EXPECT_EQ(WindowText(d.size), SizeText(ReferenceEncode(pixels, 1)));
        checked = true;

        // Enter presses Cancel, wherever the focus is; nothing is saved.
        SetFocus(d.slider);
        PostMessageA(d.slider, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_TRUE(fired);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(Exists(temp));
    EXPECT_EQ(FindTopWindow("JPEG Export"), nullptr);
}

TEST_F(KplugExportTest, PreviewPageShowsTheDecodedResultAtItsSize) {
    stored.Set("5");
    Run([&](const ExportDialog& d) {
        EXPECT_EQ(WindowText(d.quality), "5");
        // The second tab, clicked.
        RECT r;
        TabCtrl_GetItemRect(d.tabs, 1, &r);
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(d.tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(d.tabs, WM_LBUTTONUP, 0, at);
        EXPECT_EQ(TabCtrl_GetCurSel(d.tabs), 1);
        EXPECT_FALSE(IsWindowVisible(d.slider));
        // The preview image inside the scroll box has the picture's size and the decoded pixels.
        HWND image = nullptr;
        for (HWND c : ChildWindows(d.dlg))
            if (IsWindowVisible(c) &&
                BoundsIn(c, GetParent(c)).right - BoundsIn(c, GetParent(c)).left == 120 &&
                BoundsIn(c, GetParent(c)).bottom - BoundsIn(c, GetParent(c)).top == 90)
                image = c;
        ASSERT_NE(image, nullptr);
        RedrawWindow(d.dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Pixels want = ReferenceDecode(ReferenceEncode(pixels, 5));
        HDC dc = GetDC(image);
        int wrong = 0;
        for (int y = 0; y < 90; y += 7)
            for (int x = 0; x < 120; x += 11) {
                COLORREF c = GetPixel(dc, x, y);
                const uint8_t* p = want.At(x, y);
                if (GetRValue(c) != p[2] || GetGValue(c) != p[1] || GetBValue(c) != p[0]) ++wrong;
            }
        ReleaseDC(image, dc);
        EXPECT_EQ(wrong, 0);
        SendMessageA(d.cancel, BM_CLICK, 0, 0);
    });
}

TEST_F(KplugExportTest, SaveWritesANewFileButNeverOverAnOldOne) {
    std::string fresh = dir / "fresh.jpg", old = dir / "old.jpg";
    WriteFileBytes(old, "an older picture");
    std::string filter, offered, title;
    WhenWindowAppears first("Save JPEG ...", [&](HWND s) {
        offered = WindowText(FileDialogNameBox(s));
        HWND types = GetDlgItem(s, 0x470);
        char text[128]{};
        SendMessageA(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
        filter = text;
        ConfirmFileDialog(s, dir / "fresh");
    });
    Run([&](const ExportDialog& d) {
        d.Key(VK_NEXT); // 85
        PostMessageA(d.save, BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(first.Fired());
    EXPECT_EQ(offered, "Untitled.jpg");
    EXPECT_EQ(filter, "JPEG Images (*.jpg; *.jpeg)");
    // The default extension was added, and the quality is the slider's, not the stored one.
    EXPECT_TRUE(ReadFileBytes(fresh) == ReferenceEncode(pixels, 85));
    EXPECT_EQ(stored.Get(), "<missing>");

    WhenWindowAppears second("Save JPEG ...", [&](HWND s) { ConfirmFileDialog(s, old); });
    bool fired = Run([&](const ExportDialog& d) { PostMessageA(d.save, BM_CLICK, 0, 0); });
    EXPECT_TRUE(fired);
    EXPECT_TRUE(second.Fired());
    EXPECT_EQ(ReadFileBytes(old), "an older picture");
    EXPECT_EQ(FindTopWindow("JPEG Export"), nullptr);

    // Cancelling the file dialog closes the export as well.
    WhenWindowAppears third("Save JPEG ...", [&](HWND s) { CancelFileDialog(s); });
    Run([&](const ExportDialog& d) { PostMessageA(d.save, BM_CLICK, 0, 0); });
    EXPECT_TRUE(third.Fired());
    EXPECT_EQ(FindTopWindow("JPEG Export"), nullptr);
    EXPECT_FALSE(Exists(temp));
}

TEST_F(KplugExportTest, WithoutTheEditorsTempFolderTheUsersIsUsedAndBadQualityEndsTheExport) {
    directory.Remove();
    char tempDir[MAX_PATH + 1];
    GetTempPathA(sizeof tempDir, tempDir);
    std::string userTemp = std::string(tempDir) + "jpeg.tmp";
    bool seenThere = false;
    Run([&](const ExportDialog& d) {
        seenThere = Exists(userTemp);
        SendMessageA(d.cancel, BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(seenThere);
    EXPECT_FALSE(Exists(userTemp));

    // A stored quality that is no number: the error is shown and the export ends.
    stored.Set("abc");
    std::string message;
    WhenWindowAppears error(
        "JPEG Export",
        [&](HWND box) {
            message = WindowText(FindChild(box, "Static", ""));
            for (HWND c : ChildWindows(box))
                if (ClassOf(c) == "Static" && !WindowText(c).empty()) message = WindowText(c);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        },
        "#32770");
    HBITMAP h = MakeHostBitmap(pixels, HostBitmapKind::DeviceDependent);
    EXPECT_EQ(exportImage(0, host.Handle(), h), 1);
    EXPECT_TRUE(error.Fired());
    EXPECT_NE(message.find("abc"), std::string::npos);
    BITMAP bm;
    EXPECT_EQ(GetObjectA(h, sizeof bm, &bm), 0);
}

} // namespace
