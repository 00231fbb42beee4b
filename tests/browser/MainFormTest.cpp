#include "browser/main.h"

#include "kovalin/Application.h"
#include "plugin_api/PluginMap.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <ole2.h>
#include <tlhelp32.h>

using namespace browser;
using namespace testsupport;

namespace {

const char kSettingsSubKey[] = "Software\\Kovalin\\Vodedi\\Thumbs";

void WriteSetting(const char* name, DWORD value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsSubKey, name, REG_DWORD, &value, sizeof value);
}
void WriteSetting(const char* name, const std::string& value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsSubKey, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>(value.size() + 1));
}
DWORD ReadDwordSetting(const char* name) {
    DWORD value = 0xDEADBEEF, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, kSettingsSubKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}
std::string ReadStringSetting(const char* name) {
    char buf[MAX_PATH] = "<missing>";
    DWORD size = sizeof buf;
    RegGetValueA(HKEY_CURRENT_USER, kSettingsSubKey, name, RRF_RT_REG_SZ, nullptr, buf, &size);
    return buf;
}

void MapExtension(const std::string& ext, const std::string& library) {
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Kovalin\\KPLUG\\Open", ext.c_str(), REG_SZ, library.c_str(),
                    static_cast<DWORD>(library.size() + 1));
}

std::string ReadIfThere(const std::string& path) {
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? std::string() : ReadFileBytes(path);
}

// Ends every editor a test started and left behind: it would hold the test's output open.
void EndEditors() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "vodedi.exe") != 0) continue;
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
}

// The colour of a pixel of the preview surface.
COLORREF SurfacePixel(kovalin::TBitmap& surface, int x, int y) {
    auto* row = static_cast<const BYTE*>(surface.ScanLine(y));
    return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
}

void ClickToolButton(kovalin::TToolBar& bar, const kovalin::TToolButton& button) {
    RECT r = button.BoundsRect();
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(bar.Handle(), WM_MOUSEMOVE, 0, at);
    SendMessageA(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, at);
    RunUntilIdle();
}

// Drags a splitter by (dx, dy) pixels with the mouse.
void DragSplitter(kovalin::TSplitter& splitter, int dx, int dy) {
    SendMessageA(splitter.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    SendMessageA(splitter.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1 + dx, 1 + dy));
    // The bar has moved with the mouse; the release lands where the bar now is.
    SendMessageA(splitter.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    RunUntilIdle();
}

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        kovalin::Application().Initialize();
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsSubKey);
        for (const char* ext : {"jpg", "jpeg", "jpe", "jfif"})
            MapExtension(ext, "kv_jpeg.dll");
    }
    void TearDown() override {
        form.reset();
        EndEditors();
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsSubKey);
        OleUninitialize();
    }

    void Open(std::vector<std::string> args = {}) {
        form = std::make_unique<TfrmMain>(std::move(args));
        RunUntilIdle();
    }
    // Shows the folder in the list, as selecting it in the tree does.
    void ShowFolder(const std::string& path) {
        form->dirView->SetPath(path);
        RunUntilIdle();
    }
    int IndexOf(const std::string& name) {
        kovalin::TListItem* item = form->dirView->FindFileItem(name);
        return item ? item->Index() : -1;
    }
    void Select(const std::string& name) {
        int index = IndexOf(name);
        ASSERT_GE(index, 0) << name;
        ClickListItem(form->dirView->Handle(), index);
        RunUntilIdle();
    }
    bool ButtonsEnabled() const {
        return form->tbnOpen->Enabled() && form->tbnFS->Enabled() && form->tbnPrint->Enabled();
    }
    bool ButtonsDisabled() const {
        return !form->tbnOpen->Enabled() && !form->tbnFS->Enabled() && !form->tbnPrint->Enabled();
    }

    std::unique_ptr<TfrmMain> form;
    TempDir dir;
};

TEST_F(MainFormTest, FirstStartTakesTheDefaultLayoutAndSavesItMaximized) {
    Open();
    EXPECT_EQ(form->Caption(), "Kovalin File Browser");
    EXPECT_EQ(form->Left(), 60);
    EXPECT_EQ(form->Top(), 65);
    EXPECT_EQ(form->Width(), 500);
    EXPECT_EQ(form->Height(), 350);
    EXPECT_EQ(form->WindowState(), kovalin::TWindowState::wsMaximized);
    EXPECT_EQ(form->pnlLeft->Width(), 185);
    EXPECT_EQ(form->pnlPreview->Height(), 185);
    EXPECT_EQ(form->drvView->Directory(), "C:\\");
    EXPECT_EQ(form->dirView->Path(), "C:");
    EXPECT_EQ(form->cbxDrives->Drive(), 'C');
    EXPECT_NE(form->dirView->FindFileItem("windows"), nullptr);
    // Nothing previewed yet.
    EXPECT_FALSE(form->imgPreview->Visible());
    EXPECT_EQ(form->pnlPreview->Caption(), "No preview available.");
    EXPECT_TRUE(ButtonsDisabled());
    EXPECT_TRUE(form->tbnNewFolder->Enabled());

    form->Show();
    RunUntilIdle();
    EXPECT_TRUE(IsZoomed(form->Handle()));
    RECT maximized{};
    GetWindowRect(form->Handle(), &maximized);
    form.reset();
    EXPECT_EQ(ReadDwordSetting("State"), 1u);
    EXPECT_EQ(static_cast<LONG>(ReadDwordSetting("Left")), maximized.left);
    EXPECT_EQ(static_cast<LONG>(ReadDwordSetting("Top")), maximized.top);
    EXPECT_EQ(static_cast<LONG>(ReadDwordSetting("Width")), maximized.right - maximized.left);
    EXPECT_EQ(static_cast<LONG>(ReadDwordSetting("Height")), maximized.bottom - maximized.top);
    EXPECT_EQ(ReadDwordSetting("Vertical"), 185u);
    EXPECT_EQ(ReadDwordSetting("Horizontal"), 185u);
    EXPECT_EQ(ReadStringSetting("Path"), "C:"); // as the list holds it
}

TEST_F(MainFormTest, EachStoredValueFallsBackOnItsOwn) {
    WriteSetting("State", 5);   // any non-zero state is maximized
    WriteSetting("Top", "120"); // a string where an integer belongs: the default
    WriteSetting("Left", 10);
    WriteSetting("Width", 600);
    WriteSetting("Height", 420);
    WriteSetting("Vertical", 250);
    WriteSetting("Horizontal", 140);
    Open();
    EXPECT_EQ(form->Top(), 65);
    EXPECT_EQ(form->Left(), 10);
    EXPECT_EQ(form->Width(), 600);
    EXPECT_EQ(form->Height(), 420);
    EXPECT_EQ(form->WindowState(), kovalin::TWindowState::wsMaximized);
    EXPECT_EQ(form->pnlLeft->Width(), 250);
    EXPECT_EQ(form->pnlPreview->Height(), 140);
}

TEST_F(MainFormTest, ANormalWindowStoresItsBoundsPanelsAndFolder) {
    WriteSetting("State", 0);
    WriteSetting("Path", dir.Path());
    Open();
    form->Show();
    RunUntilIdle();
    EXPECT_FALSE(IsZoomed(form->Handle()));
    EXPECT_EQ(form->drvView->Directory(), dir.Path());
    form->SetBounds(30, 40, 640, 480);
    DragSplitter(*form->splMain, 20, 0);
    DragSplitter(*form->splPreview, 0, -15); // the preview pane grows upwards
    EXPECT_EQ(form->pnlLeft->Width(), 205);
    EXPECT_EQ(form->pnlPreview->Height(), 200);
    ShowFolder("C:\\windows");
    form.reset();
    EXPECT_EQ(ReadDwordSetting("State"), 0u);
    EXPECT_EQ(ReadDwordSetting("Left"), 30u);
    EXPECT_EQ(ReadDwordSetting("Top"), 40u);
    EXPECT_EQ(ReadDwordSetting("Width"), 640u);
    EXPECT_EQ(ReadDwordSetting("Height"), 480u);
    EXPECT_EQ(ReadDwordSetting("Vertical"), 205u);
    EXPECT_EQ(ReadDwordSetting("Horizontal"), 200u);
    EXPECT_EQ(ReadStringSetting("Path"), "C:\\windows");
}

TEST_F(MainFormTest, AFolderArgumentWinsAndAFileArgumentIsIgnored) {
    CreateDirectoryA((dir / "stored").c_str(), nullptr);
    CreateDirectoryA((dir / "given").c_str(), nullptr);
    WriteFileBytes(dir / "file.txt", "x");
    WriteSetting("Path", dir / "stored");
    Open({dir / "file.txt"});
    EXPECT_EQ(form->drvView->Directory(), dir / "stored");
    form.reset();
    Open({dir / "given"});
    EXPECT_EQ(form->drvView->Directory(), dir / "given");
}

TEST_F(MainFormTest, SelectingAJpegPreviewsItFramedAndCentred) {
    WriteFileBytes(dir / "wide.jpg", MakeJpeg({.width = 400, .height = 300}));
    WriteFileBytes(dir / "UPPER.JPG", MakeJpeg({.width = 300, .height = 300}));
    Open();
    ShowFolder(dir.Path());
    // The pane of the default layout: 185 - 3 wide, 185 high.
    RECT client = form->imgPreview->ClientRect();
    ASSERT_EQ(client.right, 182);
    ASSERT_EQ(client.bottom, 185);

    Select("wide.jpg");
    ASSERT_TRUE(form->PreviewShown());
    EXPECT_TRUE(form->imgPreview->Visible());
    EXPECT_EQ(form->pnlPreview->Caption(), "");
    EXPECT_TRUE(ButtonsEnabled());
    // 400 x 300 fills the 180 pixels of width, 135 high, centred in the 185 of height: the
    // frame runs from (0, 25) to (180, 160), the image inside it.
    kovalin::TBitmap& surface = form->imgPreview->Picture();
    ASSERT_EQ(surface.Width(), 182);
    ASSERT_EQ(surface.Height(), 185);
    const COLORREF black = RGB(0, 0, 0), face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(SurfacePixel(surface, 0, 25), black);
    EXPECT_EQ(SurfacePixel(surface, 179, 25), black);
    EXPECT_EQ(SurfacePixel(surface, 0, 159), black);
    EXPECT_EQ(SurfacePixel(surface, 179, 159), black);
    EXPECT_EQ(SurfacePixel(surface, 90, 24), face);
    EXPECT_EQ(SurfacePixel(surface, 90, 160), face);
    EXPECT_EQ(SurfacePixel(surface, 180, 90), face);
    EXPECT_NE(SurfacePixel(surface, 90, 90), face);

    // An upper-case extension finds the lower-case registration; the square image in the
    // pane of 182 x 185 is limited by the width and centred vertically: (0, 2)-(180, 182).
    Select("UPPER.JPG");
    ASSERT_TRUE(form->PreviewShown());
    EXPECT_EQ(SurfacePixel(surface, 0, 2), black);
    EXPECT_EQ(SurfacePixel(surface, 179, 181), black);
    EXPECT_EQ(SurfacePixel(surface, 90, 1), face);
}

TEST_F(MainFormTest, SquareImagesAreCentredAlongTheLongerSideOfThePane) {
    Open();
    auto square = [] {
        kovalin::TBitmap b;
        b.SetSize(50, 50);
        RECT all{0, 0, 50, 50};
        b.Canvas().FillRect(all, RGB(200, 0, 0));
        return b.ReleaseHandle();
    };
    // A tall pane: 102 x 300.
    form->pnlLeft->SetBounds(0, 0, 105, form->pnlLeft->Height());
    form->pnlPreview->SetBounds(0, 0, 105, 300);
    form->AlignControls();
    form->pnlLeft->AlignControls();
    ASSERT_EQ(form->imgPreview->ClientRect().right, 102);
    ASSERT_EQ(form->imgPreview->ClientRect().bottom, 300);
    form->DoPreview(square());
    kovalin::TBitmap& surface = form->imgPreview->Picture();
    EXPECT_EQ(SurfacePixel(surface, 50, 100), RGB(0, 0, 0));
    EXPECT_EQ(SurfacePixel(surface, 50, 150), RGB(200, 0, 0));
    EXPECT_EQ(SurfacePixel(surface, 50, 198), RGB(200, 0, 0));
    EXPECT_EQ(SurfacePixel(surface, 50, 199), RGB(0, 0, 0));
    EXPECT_EQ(SurfacePixel(surface, 50, 99), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(SurfacePixel(surface, 50, 200), GetSysColor(COLOR_BTNFACE));

    // A wide pane: 302 x 102.
    form->pnlLeft->SetBounds(0, 0, 305, form->pnlLeft->Height());
    form->pnlPreview->SetBounds(0, 0, 305, 102);
    form->AlignControls();
    form->pnlLeft->AlignControls();
    form->DoPreview(square());
    EXPECT_EQ(SurfacePixel(surface, 101, 50), RGB(0, 0, 0));
    EXPECT_EQ(SurfacePixel(surface, 102, 50), RGB(200, 0, 0));
    EXPECT_EQ(SurfacePixel(surface, 199, 50), RGB(200, 0, 0));
    EXPECT_EQ(SurfacePixel(surface, 200, 50), RGB(0, 0, 0));
    EXPECT_EQ(SurfacePixel(surface, 100, 50), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(SurfacePixel(surface, 201, 50), GetSysColor(COLOR_BTNFACE));
}

TEST_F(MainFormTest, FoldersAndNamesWithoutExtensionKeepThePreviewOthersClearIt) {
    WriteFileBytes(dir / "a.jpg", MakeJpeg({}));
    WriteFileBytes(dir / "broken.jpg", MakeJpeg({}).substr(0, 300));
    WriteFileBytes(dir / "README", "text");
    WriteFileBytes(dir / "notes.txt", "text");
    CreateDirectoryA((dir / "sub").c_str(), nullptr);
    Open();
    ShowFolder(dir.Path());

    Select("a.jpg");
    ASSERT_TRUE(form->PreviewShown());
    Select("sub");
    EXPECT_TRUE(form->PreviewShown());
    EXPECT_TRUE(ButtonsEnabled());
    Select("README");
    EXPECT_TRUE(form->PreviewShown());
    EXPECT_TRUE(ButtonsEnabled());

    // No plug-in for txt.
    Select("notes.txt");
    EXPECT_FALSE(form->PreviewShown());
    EXPECT_TRUE(ButtonsDisabled());
    EXPECT_FALSE(form->imgPreview->Visible());
    EXPECT_EQ(form->pnlPreview->Caption(), "No preview available.");

    // The plug-in cannot read a truncated file: it returns 0 and the pane clears.
    Select("a.jpg");
    ASSERT_TRUE(form->PreviewShown());
    Select("broken.jpg");
    EXPECT_FALSE(form->PreviewShown());
    EXPECT_TRUE(ButtonsDisabled());
}

TEST_F(MainFormTest, APluginThatCannotBeLoadedChangesNothing) {
    WriteFileBytes(dir / "a.jpg", MakeJpeg({}));
    WriteFileBytes(dir / "b.xyz", MakeJpeg({}));
    WriteFileBytes(dir / "c.xyz", "no picture: a plug-in that reads it would clear the preview");
    MapExtension("xyz", "missing.dll");
    Open();
    ShowFolder(dir.Path());
    Select("a.jpg");
    ASSERT_TRUE(form->PreviewShown());
    Select("b.xyz");
    EXPECT_TRUE(form->PreviewShown());
    EXPECT_TRUE(ButtonsEnabled());
    // The map names a file of the plug-in folder: a name with a folder part is refused even
    // where it leads to a good library (which would clear the preview for c.xyz).
    for (const std::string& elsewhere :
         {kplug::PluginFolder() + "kv_jpeg.dll", std::string("..\\plugins\\kv_jpeg.dll"),
          std::string("./kv_jpeg.dll")}) {
        MapExtension("xyz", elsewhere);
        form->ClearPreview();
        Select("a.jpg");
        ASSERT_TRUE(form->PreviewShown());
        Select("c.xyz");
        EXPECT_TRUE(form->PreviewShown()) << elsewhere;
        EXPECT_EQ(form->pnlPreview->Caption(), "") << elsewhere;
    }
    // The same file through the plain name does reach the library, which cannot read it.
    MapExtension("xyz", "kv_jpeg.dll");
    Select("a.jpg");
    Select("c.xyz");
    EXPECT_FALSE(form->PreviewShown());
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Kovalin\\KPLUG\\Open", "xyz");
}

TEST_F(MainFormTest, ThePluginIsUnloadedAfterEveryPreviewAndCanBeReplaced) {
    const std::string plugins = kplug::PluginFolder();
    const std::string copy = plugins + "kv_preview_test.dll";
    ASSERT_TRUE(CopyFileA((plugins + "kv_jpeg.dll").c_str(), copy.c_str(), FALSE));
    MapExtension("jpg", "kv_preview_test.dll");
    WriteFileBytes(dir / "a.jpg", MakeJpeg({}));
    WriteFileBytes(dir / "b.jpg", MakeJpeg({.width = 30, .height = 90}));
    Open();
    ShowFolder(dir.Path());

    Select("a.jpg");
    ASSERT_TRUE(form->PreviewShown());
    EXPECT_EQ(GetModuleHandleA("kv_preview_test.dll"), nullptr);
    // Replaced on disk while the browser runs: first by something that is no library at all.
    ASSERT_TRUE(DeleteFileA(copy.c_str()));
    WriteFileBytes(copy, "not a library");
    Select("b.jpg");
    EXPECT_TRUE(form->PreviewShown()); // the load failed: nothing changed
    // Then by the real library again.
    ASSERT_TRUE(CopyFileA((plugins + "kv_jpeg.dll").c_str(), copy.c_str(), FALSE));
    form->ClearPreview();
    Select("a.jpg");
    EXPECT_TRUE(form->PreviewShown());
    form.reset();
    MapExtension("jpg", "kv_jpeg.dll");
    EXPECT_TRUE(DeleteFileA(copy.c_str()));
}

TEST_F(MainFormTest, MovingASplitterRedrawsThePreviewAtTheNewSize) {
    WriteFileBytes(dir / "a.jpg", MakeJpeg({.width = 100, .height = 100}));
    Open();
    ShowFolder(dir.Path());
    Select("a.jpg");
    ASSERT_EQ(form->imgPreview->Picture().Width(), 182);
    DragSplitter(*form->splMain, 40, 0);
    EXPECT_EQ(form->imgPreview->Picture().Width(), 222);
    DragSplitter(*form->splPreview, 0, -20);
    EXPECT_EQ(form->imgPreview->Picture().Height(), 205);
    EXPECT_TRUE(form->PreviewShown());
}

TEST_F(MainFormTest, ChangingTheTreeSelectionClearsThePreview) {
    WriteFileBytes(dir / "a.jpg", MakeJpeg({}));
    Open();
    ShowFolder(dir.Path());
    Select("a.jpg");
    ASSERT_TRUE(form->PreviewShown());
    form->drvView->SetDirectory(dir.Path());
    RunUntilIdle();
    EXPECT_FALSE(form->PreviewShown());
    EXPECT_TRUE(ButtonsDisabled());
}

TEST_F(MainFormTest, TheEditorGetsTheSelectedPathUnquoted) {
    CreateDirectoryA((dir / "my pictures").c_str(), nullptr);
    const std::string photo = dir / "my pictures\\photo one.jpg";
    WriteFileBytes(photo, MakeJpeg({}));
    const std::string log = dir / "editor.txt";
    SetEnvironmentVariableA("VODEDI_LOG", log.c_str());
    Open();
    ShowFolder(dir / "my pictures");
    Select("photo one.jpg");
    ASSERT_TRUE(ButtonsEnabled());

    // The editor lies beside the program and records the command line it was given.
    auto launch = [&](kovalin::TToolButton& button, const std::string& expectedTail) {
        DeleteFileA(log.c_str());
        ClickToolButton(*form->tbrMain, button);
        ASSERT_TRUE(PumpUntil([&] { return !ReadIfThere(log).empty(); }, 15000));
        std::string line = ReadFileBytes(log);
        EXPECT_NE(line.find(" " + photo + expectedTail + "\r\n"), std::string::npos) << line;
        EXPECT_EQ(line.find('"' + photo), std::string::npos) << line;
        // The stand-in shows the picture; close it again.
        HWND shown = nullptr;
        PumpUntil([&] { return (shown = FindWindowA(nullptr, "vodedi - photo one.jpg")) != nullptr; }, 15000);
        if (shown) PostMessageA(shown, WM_CLOSE, 0, 0);
        PumpUntil([&] { return FindWindowA(nullptr, "vodedi - photo one.jpg") == nullptr; }, 15000);
    };
    launch(*form->tbnOpen, "");
    launch(*form->tbnFS, " /fs");
    launch(*form->tbnPrint, " /print");
    SetEnvironmentVariableA("VODEDI_LOG", nullptr);
}

TEST_F(MainFormTest, ToolButtonHintsReachTheStatusBar) {
    Open();
    form->Show();
    RunUntilIdle();
    RECT r = form->tbnFS->BoundsRect();
    SendMessageA(form->tbrMain->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(r.left + 5, r.top + 5));
    RunUntilIdle();
    EXPECT_EQ(form->sbrMain->SimpleText(), "Launch Kovalin Vodedi with current image in Full Screen mode");
    r = form->tbnNewFolder->BoundsRect();
    SendMessageA(form->tbrMain->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(r.left + 5, r.top + 5));
    RunUntilIdle();
    EXPECT_EQ(form->sbrMain->SimpleText(), "Create new folder");
}

TEST_F(MainFormTest, TheProgramStartsInTheGivenFolderAndSavesItWhenClosed) {
    CreateDirectoryA((dir / "start here").c_str(), nullptr);
    WriteSetting("State", 0);
    std::string commandLine = '"' + ExeFolder();
    commandLine += "browser.exe\" \"";
    commandLine += dir / "start here";
    commandLine += '"';
    ChildProcess program(commandLine);
    ASSERT_TRUE(program.Started());
    HWND window = program.WaitForWindow("Kovalin File Browser", 20000);
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(20000), 0u);
    EXPECT_EQ(ReadStringSetting("Path"), dir / "start here");
    EXPECT_EQ(ReadDwordSetting("State"), 0u);
}

TEST_F(MainFormTest, NewFolderAsksForANameAndCreatesIt) {
    Open();
    ShowFolder(dir.Path());
    // The main window is hidden here, so the visible window of that caption is the name box:
    // the user types a name over the offered one and confirms.
    std::string offered;
    WhenWindowAppears answer("Kovalin File Browser", [&](HWND box) {
        HWND edit = FindChild(box, "Edit");
        offered = WindowText(edit);
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Holiday 2026"));
        SendMessageA(FindChild(box, "Button", "OK"), BM_CLICK, 0, 0);
    });
    form->tbnNewFolder->Click();
    EXPECT_TRUE(answer.Fired());
    EXPECT_EQ(offered, "New Folder");
    EXPECT_NE(GetFileAttributesA((dir / "Holiday 2026").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(form->dirView->FindFileItem("Holiday 2026"), nullptr);
}

} // namespace
