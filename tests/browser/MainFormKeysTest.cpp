// The file manager's keys and mouse on the browser's file list, pressed on the shown window
// through the display as a user presses them.
#include "browser/main.h"

#include "kovalin/Application.h"
#include "shell/BaseUtils.h"
#include "shell/ClipboardMode.h"
#include "tests/dragdrop/InputScript.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <ole2.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using namespace browser;
using namespace testsupport;
using ddtest::Screenshot;

namespace {

const char kSettingsSubKey[] = "Software\\Kovalin\\Vodedi\\Thumbs";

void WriteSetting(const char* name, DWORD value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsSubKey, name, REG_DWORD, &value, sizeof value);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Keys by their names on the display ("F2", "ctrl+c", "shift+Delete", "alt+Return").
void Press(const std::string& keys) {
    ASSERT_TRUE(ddtest::RunXdotool("key --clearmodifiers " + keys));
}

// A click of the display's mouse at a screen point (button 1 left, 3 right), with keys held.
void ClickAt(POINT p, int button = 1, const std::string& held = {}) {
    std::string args = "mousemove " + std::to_string(p.x) + " " + std::to_string(p.y);
    if (!held.empty()) args += " keydown " + held;
    args += " click " + std::to_string(button);
    if (!held.empty()) args += " keyup " + held;
    ASSERT_TRUE(ddtest::RunXdotool(args));
}

// A picture of the screen, taken while this thread keeps its windows painted.
void ShotWhilePumping(const char* name) {
    std::thread shot([name] {
        Sleep(300);
        Screenshot(name);
    });
    PumpMessages(800);
    shot.join();
}

POINT CentreOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Where Wine's recycle bin keeps the files deleted into it, as a Windows path; empty when unknown.
std::string TrashFiles() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (!data || data[0] != '/') return {};
    std::string path = std::string("Z:") + data + "/Trash/files";
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

class MainFormKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        kovalin::Application().Initialize();
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsSubKey);
        // A normal window at a known place of the screen.
        WriteSetting("State", 0);
        WriteSetting("Left", 20);
        WriteSetting("Top", 20);
        WriteSetting("Width", 760);
        WriteSetting("Height", 520);
        ddtest::RunXdotool("keyup ctrl keyup shift keyup alt");
    }
    void TearDown() override {
        form.reset();
        RunUntilIdle();
        shell::SetClipboardMode(shell::TClipboardMode::None);
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsSubKey);
        OleUninitialize();
    }

    // The browser started in the scratch folder, shown, with the keyboard on its file list.
    void Open() {
        form = std::make_unique<TfrmMain>(std::vector<std::string>{dir.Path()});
        form->Show();
        SetForegroundWindow(form->Handle());
        list().SetFocus();
        // The display's own focus follows a moment later; keys typed before it would go astray.
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == form->Handle(); }, 3000));
        PumpMessages(500);
        list().SetFocus();
        ASSERT_EQ(GetFocus(), list().Handle());
        ASSERT_EQ(list().Path(), dir.Path());
    }
    filelist::TDirView& list() const { return *form->dirView; }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (int i = 0; i < list().ItemCount(); ++i)
            out.push_back(list().ItemData(i)->FileName);
        return out;
    }
    std::vector<std::string> SelectedNames() const {
        std::vector<std::string> out;
        for (kovalin::TListItem* i = list().GetNextItem(nullptr, LVNI_SELECTED); i;
             i = list().GetNextItem(i, LVNI_SELECTED))
            out.push_back(filelist::TDirView::ItemData(i)->FileName);
        return out;
    }
    kovalin::TListItem& Item(const std::string& name) const {
        kovalin::TListItem* item = list().FindFileItem(name);
        if (!item) throw std::runtime_error("no item " + name);
        return *item;
    }
    void Select(const std::vector<std::string>& names) {
        list().ClearSelection();
        for (const std::string& n : names)
            Item(n).SetSelected(true);
        Item(names.front()).SetFocused(true);
        RunUntilIdle();
    }
    // The middle of the item's name on the screen.
    POINT OnItem(const std::string& name) const {
        RECT r{};
        r.left = LVIR_LABEL;
        SendMessageA(list().Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(Item(name).Index()),
                     reinterpret_cast<LPARAM>(&r));
        POINT p{r.left + 10, (r.top + r.bottom) / 2};
        ClientToScreen(list().Handle(), &p);
        return p;
    }
    HWND EditField() const {
        return reinterpret_cast<HWND>(SendMessageA(list().Handle(), LVM_GETEDITCONTROL, 0, 0));
    }
    bool ShowsFolder(const std::string& path) const { return list().Path() == path && !list().Loading(); }

    std::unique_ptr<TfrmMain> form;
    TempDir dir;
};

} // namespace

TEST_F(MainFormKeysTest, F2RenamesInPlaceAndAnExistingNameIsOfferedAgain) {
    WriteFileBytes(dir / "a.txt", "first");
    WriteFileBytes(dir / "b.txt", "second");
    Open();
    Select({"a.txt"});
    Press("F2");
    ASSERT_TRUE(PumpUntil([&] { return EditField() != nullptr; }, 3000));
    EXPECT_EQ(WindowText(EditField()), "a.txt");
    ShotWhilePumping("list-rename-mode.png");

    // The name of the other file: refused with the box, whose OK offers the name again.
    std::string text, ok, abort;
    WhenWindowAppears box("Error", [&](HWND b) {
        ShotWhilePumping("list-rename-error.png");
        text = WindowText(GetDlgItem(b, 0xFFFF));
        ok = WindowText(GetDlgItem(b, IDOK));
        abort = WindowText(GetDlgItem(b, IDCANCEL));
        ClickAt(CentreOf(GetDlgItem(b, IDOK)));
    });
    ASSERT_TRUE(ddtest::RunXdotool("type --delay 40 b.txt"));
    ASSERT_TRUE(PumpUntil([&] { return WindowText(EditField()) == "b.txt"; }, 3000))
        << WindowText(EditField());
    Press("Return");
    ASSERT_TRUE(PumpUntil([&] { return box.Fired() && EditField() != nullptr; }, 5000))
        << box.Fired() << " " << text << " " << ::testing::PrintToString(Names());
    EXPECT_EQ(text, "File allready exists: b.txt");
    EXPECT_EQ(ok, "OK");
    EXPECT_EQ(abort, "Abort");
    EXPECT_EQ(WindowText(EditField()), "b.txt");
    EXPECT_EQ(ReadFileBytes(dir / "a.txt"), "first");
    EXPECT_EQ(ReadFileBytes(dir / "b.txt"), "second");

    // Typed over once more, a free name renames.
    ASSERT_TRUE(ddtest::RunXdotool("type --delay 40 c.txt"));
    ASSERT_TRUE(PumpUntil([&] { return WindowText(EditField()) == "c.txt"; }, 3000))
        << WindowText(EditField());
    Press("Return");
    ASSERT_TRUE(PumpUntil([&] { return EditField() == nullptr && Exists(dir / "c.txt"); }, 3000));
    EXPECT_EQ(ReadFileBytes(dir / "c.txt"), "first");
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "c.txt", "b.txt"}));
}

TEST_F(MainFormKeysTest, DelDeletesIntoTheRecycleBinShiftDelForGood) {
    // A name of its own: the recycle bin renames a file whose name it holds already.
    const std::string binned =
        "binned-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + ".txt";
    WriteFileBytes(dir / binned, "keep me somewhere");
    WriteFileBytes(dir / "gone.txt", "g");
    WriteFileBytes(dir / "stays.txt", "s");
    Open();
    int asked = 0;
    auto yes = [&] {
        return std::make_unique<WhenWindowAppears>(
            "",
            [&](HWND b) {
                ++asked;
                PostMessageA(b, WM_COMMAND, IDYES, 0);
            },
            "#32770");
    };
    Select({binned});
    {
        auto answer = yes();
        Press("Delete");
        ASSERT_TRUE(PumpUntil([&] { return !Exists(dir / binned); }, 5000));
        PumpMessages(200);
    }
    EXPECT_EQ(asked, 1);
    const std::string trash = TrashFiles();
    if (!trash.empty()) {
        EXPECT_EQ(ReadFileBytes(trash + "\\" + binned), "keep me somewhere");
    }
    // The item that took the deleted one's place is selected.
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"gone.txt"}));

    {
        auto answer = yes();
        Press("shift+Delete");
        ASSERT_TRUE(PumpUntil([&] { return !Exists(dir / "gone.txt"); }, 5000));
        PumpMessages(200);
    }
    EXPECT_EQ(asked, 2);
    if (!trash.empty()) {
        EXPECT_FALSE(Exists(trash + "\\gone.txt"));
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "stays.txt"}));
    EXPECT_EQ(ReadFileBytes(dir / "stays.txt"), "s");
    if (!trash.empty()) {
        DeleteFileA((trash + "\\" + binned).c_str());
        DeleteFileA((trash + "\\..\\info\\" + binned + ".trashinfo").c_str());
    }
}

TEST_F(MainFormKeysTest, ClipboardUndoSelectAllRefreshAndTheWayUpAndDown) {
    WriteFileBytes(dir / "a.txt", "A");
    WriteFileBytes(dir / "b.txt", "B");
    ASSERT_TRUE(CreateDirectoryA((dir / "sub").c_str(), nullptr));
    Open();

    // Ctrl+C, Ctrl+V: a copy beside the original.
    Select({"a.txt"});
    Press("ctrl+c");
    ASSERT_TRUE(PumpUntil([] { return shell::ClipboardMode() == shell::TClipboardMode::Copy; }, 3000));
    Press("ctrl+v");
    ASSERT_TRUE(PumpUntil([&] { return list().FindFileItem("Copy of a.txt") != nullptr; }, 5000));
    EXPECT_EQ(ReadFileBytes(dir / "Copy of a.txt"), "A");

    // Ctrl+X, into the folder with Enter, Ctrl+V: moved; Ctrl+Z takes the move back.
    Select({"a.txt", "b.txt"});
    Press("ctrl+x");
    ASSERT_TRUE(PumpUntil([&] { return Item("b.txt").Cut(); }, 3000));
    Select({"sub"});
    Press("Return");
    ASSERT_TRUE(PumpUntil([&] { return ShowsFolder(dir / "sub"); }, 5000));
    Press("ctrl+v");
    ASSERT_TRUE(PumpUntil([&] { return list().FindFileItem("b.txt") != nullptr; }, 5000));
    ASSERT_TRUE(Exists(dir / "sub\\a.txt")) << ::testing::PrintToString(Names());
    EXPECT_EQ(ReadFileBytes(dir / "sub\\a.txt"), "A");
    EXPECT_FALSE(Exists(dir / "a.txt"));
    EXPECT_EQ(shell::ClipboardMode(), shell::TClipboardMode::None);
    Press("ctrl+z");
    ASSERT_TRUE(PumpUntil([&] { return Exists(dir / "a.txt") && Exists(dir / "b.txt"); }, 5000));
    EXPECT_TRUE(PumpUntil([&] { return list().FindFileItem("a.txt") == nullptr; }, 3000));

    // Backspace goes up, to the folder it came from.
    Press("BackSpace");
    ASSERT_TRUE(PumpUntil([&] { return ShowsFolder(dir.Path()); }, 5000));
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "sub", "a.txt", "b.txt", "Copy of a.txt"}));

    // Enter on ".." with nothing selected goes up as well.
    Select({"sub"});
    Press("Return");
    ASSERT_TRUE(PumpUntil([&] { return ShowsFolder(dir / "sub"); }, 5000));
    list().ClearSelection();
    list().Item(0).SetFocused(true);
    ASSERT_EQ(list().Selected(), nullptr);
    Press("Return");
    ASSERT_TRUE(PumpUntil([&] { return ShowsFolder(dir.Path()); }, 5000));

    // F5 shows what another program wrote; Ctrl+A selects everything.
    WriteFileBytes(dir / "late.txt", "L");
    Press("F5");
    ASSERT_TRUE(PumpUntil([&] { return list().FindFileItem("late.txt") != nullptr; }, 3000));
    Press("ctrl+a");
    ASSERT_TRUE(PumpUntil([&] { return list().SelCount() == list().ItemCount(); }, 3000));
}

TEST_F(MainFormKeysTest, AltEnterShowsTheShellsProperties) {
    WriteFileBytes(dir / "photo.jpg", "pixels");
    Open();
    Select({"photo.jpg"});
    std::string caption;
    WhenWindowAppears properties(
        "",
        [&](HWND sheet) {
            caption = WindowText(sheet);
            PostMessageA(sheet, WM_CLOSE, 0, 0);
        },
        "#32770");
    Press("alt+Return");
    EXPECT_TRUE(PumpUntil([&] { return properties.Fired(); }, 5000));
    EXPECT_NE(caption.find("photo.jpg"), std::string::npos) << caption;
    // The key was the properties', not the double click's.
    EXPECT_EQ(list().Path(), dir.Path());
}

TEST_F(MainFormKeysTest, SingleClickToExecEntersAFolderOnTheClick) {
    ASSERT_TRUE(CreateDirectoryA((dir / "one click").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((dir / "one click\\deeper").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((dir / "one click\\other").c_str(), nullptr));
    Open();
    list().SetSingleClickToExec(true);
    // Ctrl with the click only selects.
    ClickAt(OnItem("one click"), 1, "ctrl");
    PumpMessages(500);
    EXPECT_EQ(list().Path(), dir.Path());
    ClickAt(OnItem("one click"));
    ASSERT_TRUE(PumpUntil([&] { return ShowsFolder(dir / "one click"); }, 5000));
    // Two clicks at one place within the double-click time would make a double click.
    PumpMessages(GetDoubleClickTime() + 100);

    // Without it, a click selects and a double click enters.
    list().SetSingleClickToExec(false);
    ClickAt(OnItem("other"));
    PumpMessages(GetDoubleClickTime() + 100);
    EXPECT_EQ(list().Path(), dir / "one click");
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"other"}));
    const POINT at = OnItem("deeper");
    ASSERT_TRUE(ddtest::RunXdotool("mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) +
                                   " click --repeat 2 --delay 80 1"));
    EXPECT_TRUE(PumpUntil([&] { return ShowsFolder(dir / "one click\\deeper"); }, 5000));
}

TEST_F(MainFormKeysTest, TheShellMenuOfSeveralFilesCutsThemForAPasteElsewhere) {
    WriteFileBytes(dir / "a.txt", "A");
    WriteFileBytes(dir / "b.txt", "B");
    WriteFileBytes(dir / "c.txt", "C");
    ASSERT_TRUE(CreateDirectoryA((dir / "sub").c_str(), nullptr));
    Open();
    ClickAt(OnItem("a.txt"));
    ClickAt(OnItem("b.txt"), 1, "ctrl");
    ASSERT_TRUE(PumpUntil([&] { return SelectedNames().size() == 2; }, 3000));
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"a.txt", "b.txt"}));

    std::vector<std::string> captions;
    WhenWindowAppears menu(
        "",
        [&](HWND window) {
            ShotWhilePumping("list-context-menu-multi.png");
            HMENU popup = reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0));
            int cut = -1;
            for (int i = 0; i < GetMenuItemCount(popup); ++i) {
                char text[128] = "";
                GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
                std::string caption = text;
                if (const size_t amp = caption.find('&'); amp != std::string::npos) caption.erase(amp, 1);
                captions.push_back(caption);
                if (caption == "Cut") cut = i;
            }
            RECT r{};
            if (cut < 0 || !GetMenuItemRect(nullptr, popup, static_cast<UINT>(cut), &r)) {
                EndMenu();
                return;
            }
            ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        },
        "#32768");
    ClickAt(OnItem("b.txt"), 3);
    ASSERT_TRUE(PumpUntil([&] { return menu.Fired(); }, 5000));
    ASSERT_TRUE(PumpUntil([] { return shell::ClipboardMode() == shell::TClipboardMode::Cut; }, 3000))
        << ::testing::PrintToString(captions);
    // The menu is the one of both files: no rename for two.
    EXPECT_EQ(std::count(captions.begin(), captions.end(), "Rename"), 0);
    EXPECT_TRUE(Item("a.txt").Cut() && Item("b.txt").Cut());
    EXPECT_FALSE(Item("c.txt").Cut());

    Select({"sub"});
    Press("Return");
    ASSERT_TRUE(PumpUntil([&] { return ShowsFolder(dir / "sub"); }, 5000));
    Press("ctrl+v");
    ASSERT_TRUE(PumpUntil([&] { return list().FindFileItem("b.txt") != nullptr; }, 5000));
    EXPECT_EQ(ReadFileBytes(dir / "sub\\a.txt"), "A");
    EXPECT_EQ(ReadFileBytes(dir / "sub\\b.txt"), "B");
    EXPECT_FALSE(Exists(dir / "a.txt") || Exists(dir / "b.txt"));
    EXPECT_EQ(ReadFileBytes(dir / "c.txt"), "C");
}
