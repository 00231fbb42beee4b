// Renaming, making and deleting folders, the context menu and the clipboard in the real tree.
#include "tests/drivetree/TreeFixture.h"

#include "shell/ClipboardMode.h"
#include "tests/dragdrop/InputScript.h"

#include <shlobj.h>

#include <atomic>
#include <cstdio>

using namespace drivetree;
using namespace kovalin;
using namespace testsupport;
using namespace treetest;

namespace treetest {

void Screenshot(const char* name) {
    const char* dir = std::getenv("KOVALIN_SCREENSHOT_DIR");
    if (!dir) return;
    const std::string file = std::string(dir) + "/" + name;
    std::string seenFromHere = "Z:" + file;
    for (char& c : seenFromHere)
        if (c == '/') c = '\\';
    DeleteFileA(seenFromHere.c_str());
    // The host's program runs on its own: the screen must stay as it is until it has written.
    ddtest::RunUnixProgram("Z:\\usr\\bin\\import -window root " + file);
    PumpUntil([&] { return GetFileAttributesA(seenFromHere.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
    PumpMessages(300);
}

} // namespace treetest

namespace {

// Types the text into the caption's edit box as keys would, then ends the edit with Enter's effect.
void TypeAndEnd(HWND tree, HWND edit, const std::string& text) {
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CLEAR, 0, 0);
    for (char c : text)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
    SendMessageA(tree, TVM_ENDEDITLABELNOW, FALSE, 0);
}

std::string TextOf(HWND edit) {
    char text[MAX_PATH] = {};
    GetWindowTextA(edit, text, sizeof text);
    return text;
}

// The files of the clipboard's file-drop list.
std::vector<std::string> ClipboardFiles() {
    std::vector<std::string> names;
    if (!OpenClipboard(nullptr)) return names;
    if (auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP))) {
        UINT n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < n; ++i) {
            char name[MAX_PATH];
            DragQueryFileA(drop, i, name, sizeof name);
            names.push_back(name);
        }
    }
    CloseClipboard();
    return names;
}

} // namespace

class DriveViewEditTest : public TreeFixture {};

TEST_F(DriveViewEditTest, OnlyPlainFoldersShownByTheirNameMayBeEdited) {
    TTreeNode* top = Top({"plain", "locked", "system"});
    SetFileAttributesA((temp / "locked").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((temp / "system").c_str(), FILE_ATTRIBUTE_SYSTEM);
    TTreeNode* plain = ChildNamed(top, "plain");
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(view->CanEditNode(plain));
    // Folders with the read-only or system attribute refuse an edit the user starts, as with F2.
    // (Wine keeps no read-only attribute on folders; there only the system folder is tried.)
    if (GetFileAttributesA((temp / "locked").c_str()) & FILE_ATTRIBUTE_READONLY)
        EXPECT_FALSE(view->EditNode(ChildNamed(top, "locked")));
    else
        std::printf("note: this system keeps no read-only attribute on folders\n");
    EXPECT_FALSE(view->EditNode(ChildNamed(top, "system")));
    EXPECT_EQ(EditBox(), nullptr);
    EXPECT_FALSE(view->CanEditNode(view->RootNode(top)));
    view->SetReadOnly(true);
    EXPECT_FALSE(view->CanEditNode(plain));
    view->SetReadOnly(false);
    // A caption that shows a size is not the folder's name.
    view->SetShowDirSize(true);
    EXPECT_FALSE(view->CanEditNode(ChildNamed(view->FindNodeToPath(temp.Path()), "plain = 0 K")));
    view->SetShowDirSize(false);
    SetFileAttributesA((temp / "locked").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA((temp / "system").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DriveViewEditTest, RenamingInPlaceRenamesTheFolderAndRefusesForbiddenCharacters) {
    TTreeNode* top = Top({"old"});
    MakeDir(temp / "old\\inner");
    TTreeNode* node = ChildNamed(top, "old");
    view->SetSelected(node);
    RunUntilIdle();
    list.reloads = 0;
    ASSERT_TRUE(view->EditNode(node));
    HWND edit = EditBox();
    ASSERT_NE(edit, nullptr);
    SendMessageA(edit, WM_CHAR, 'x', 0);
    PumpMessages(200);
    Screenshot("tree-edit-mode.png");
    // Typed forbidden characters do not reach the box.
    TypeAndEnd(view->Handle(), edit, "n*e/w?");
    RunUntilIdle();
    EXPECT_TRUE(Exists(temp / "new\\inner"));
    EXPECT_FALSE(Exists(temp / "old"));
    EXPECT_EQ(node->Text(), "new");
    EXPECT_EQ(TDriveView::NodeData(node)->DirName, "new");
    EXPECT_EQ(view->GetDirPath(node), temp / "new");
    // The list shows the renamed folder, reloaded.
    EXPECT_EQ(list.path, temp / "new");
    EXPECT_GE(list.reloads, 1);

    // Pasted into the box they get through to the rename, which raises the error.
    MessageBoxAnswerer answerer;
    ASSERT_TRUE(view->EditNode(node));
    SetWindowTextA(EditBox(), "a<b");
    SendMessageA(view->Handle(), TVM_ENDEDITLABELNOW, FALSE, 0);
    RunUntilIdle();
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text, "New name contains Invalid characters:  \\ / : * ? \" < > |");
    EXPECT_TRUE(Exists(temp / "new"));

    // A handler that puts the name right lets the rename go on.
    view->OnEdited = [](TDriveView&, TTreeNode*, std::string& text) { text = "fixed"; };
    ASSERT_TRUE(view->EditNode(node));
    SetWindowTextA(EditBox(), "a|b");
    SendMessageA(view->Handle(), TVM_ENDEDITLABELNOW, FALSE, 0);
    RunUntilIdle();
    EXPECT_TRUE(Exists(temp / "fixed"));
    EXPECT_EQ(answerer.Boxes().size(), 1u);
}

TEST_F(DriveViewEditTest, RenamingOntoAnExistingNameOffersTheEditAgainWithTheRejectedText) {
    TTreeNode* top = Top({"a", "b"});
    TTreeNode* a = ChildNamed(top, "a");
    MessageBoxAnswerer answerer;
    ASSERT_TRUE(view->EditNode(a));
    TypeAndEnd(view->Handle(), EditBox(), "b");
    // The box is answered with OK: the edit comes back on the posted request.
    ASSERT_TRUE(PumpUntil([&] { return EditBox() != nullptr; }, 3000));
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text, "File allready exists: b");
    EXPECT_TRUE(answerer.Boxes()[0].errorIcon);
    EXPECT_EQ(TextOf(EditBox()), "b");
    // The box sits on a's line.
    RECT box, line = a->DisplayRect(false);
    GetWindowRect(EditBox(), &box);
    MapWindowPoints(nullptr, view->Handle(), reinterpret_cast<POINT*>(&box), 2);
    EXPECT_LT(box.top, line.bottom);
    EXPECT_GT(box.bottom, line.top);
    SendMessageA(view->Handle(), TVM_ENDEDITLABELNOW, TRUE, 0);
    EXPECT_TRUE(Exists(temp / "a"));
    EXPECT_EQ(a->Text(), "a");
}

TEST_F(DriveViewEditTest, FoldersAreMadeAndDeletedWithTheirNodes) {
    TTreeNode* top = Top({"keep"});
    EXPECT_THROW(
        try { view->CreateDirectory(nullptr, "x"); } catch (const ENodeNotAssigned& e) {
            EXPECT_STREQ(e.what(), "CreateDirectory: Node not assigned");
            throw;
        },
        ENodeNotAssigned);
    EXPECT_THROW(view->DeleteDirectory(nullptr, false), ENodeNotAssigned);

    TTreeNode* made = view->CreateDirectory(top, "made");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Parent(), top);
    EXPECT_TRUE(top->Expanded());
    EXPECT_TRUE(Exists(temp / "made"));
    EXPECT_EQ(list.lastError, 0u);
    // A name that is taken: no node, and the reason for the list.
    EXPECT_EQ(view->CreateDirectory(top, "made"), nullptr);
    EXPECT_EQ(TDriveView::LastCreateError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(list.lastError, static_cast<unsigned long>(ERROR_ALREADY_EXISTS));

    view->SetConfirmDelete(false);
    EXPECT_TRUE(view->DeleteDirectory(made, false));
    EXPECT_FALSE(Exists(temp / "made"));
    EXPECT_EQ(ChildNamed(top, "made"), nullptr);
    // A root is never deleted.
    EXPECT_FALSE(view->DeleteDirectory(view->RootNode(top), false));

    // A folder gone behind the tree's back: only its node goes.
    TTreeNode* keep = ChildNamed(top, "keep");
    RemoveDirectoryA((temp / "keep").c_str());
    EXPECT_TRUE(view->DeleteDirectory(keep, true));
    EXPECT_EQ(ChildNamed(top, "keep"), nullptr);
}

TEST_F(DriveViewEditTest, AFolderAnotherProgramWorksInIsKeptWithItsNode) {
    TTreeNode* top = Top({"busy"});
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + ExeFolder() + "ddpeer.exe\" target \"" + (temp / "peer") + "\" 700 60 100 100";
    ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               (temp / "busy").c_str(), &si, &pi));
    // Started and working in the folder.
    PumpMessages(1500);
    view->SetConfirmDelete(false);
    view->DeleteDirectory(ChildNamed(top, "busy"), false);
    const bool folderKept = Exists(temp / "busy");
    const bool nodeKept = ChildNamed(top, "busy") != nullptr;
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_TRUE(folderKept);
    EXPECT_TRUE(nodeKept);
}

TEST_F(DriveViewEditTest, CutAndPasteMovesTheFolderAndTheListFollows) {
    TTreeNode* top = Top({"from", "to"});
    MakeDir(temp / "from\\deep");
    WriteFileBytes(temp / "from\\deep\\f.txt", "data");
    TTreeNode* from = ChildNamed(top, "from");
    TTreeNode* to = ChildNamed(top, "to");
    // Roots cannot be cut.
    EXPECT_FALSE(view->CutToClipBoard(view->RootNode(top)));

    ASSERT_TRUE(view->CutToClipBoard(from));
    EXPECT_EQ(shell::ClipboardMode(), shell::TClipboardMode::Cut);
    EXPECT_EQ(view->CutPath(), temp / "from");
    EXPECT_TRUE(view->NodeCut(from));
    EXPECT_EQ(ClipboardFiles(), std::vector<std::string>{temp / "from"});
    UpdateWindow(view->Handle());
    Screenshot("tree-cut-mark.png");
    EXPECT_TRUE(view->CanPasteFromClipBoard());

    view->SetSelected(top);
    RunUntilIdle();
    list.reloads = 0;
    ASSERT_TRUE(view->PasteFromClipBoard(temp / "to"));
    EXPECT_TRUE(Exists(temp / "to\\from\\deep\\f.txt"));
    EXPECT_FALSE(Exists(temp / "from"));
    // The clipboard is spent, the mark gone, the list told and reloaded.
    EXPECT_EQ(shell::ClipboardMode(), shell::TClipboardMode::None);
    EXPECT_EQ(view->CutPath(), "");
    EXPECT_TRUE(ClipboardFiles().empty());
    EXPECT_GE(list.emptied, 1);
    EXPECT_GE(list.reloads, 1);
    EXPECT_EQ(ChildNamed(top, "from"), nullptr);
    to = ChildNamed(top, "to");
    ASSERT_NE(to, nullptr);
    to->Expand(false);
    EXPECT_NE(ChildNamed(to, "from"), nullptr);

    // Copy leaves the original; undo takes the copy back.
    TTreeNode* moved = ChildNamed(to, "from");
    view->SetSelected(moved);
    ASSERT_TRUE(view->CopyToClipBoard());
    EXPECT_EQ(shell::ClipboardMode(), shell::TClipboardMode::Copy);
    EXPECT_FALSE(view->NodeCut(moved));
    ASSERT_TRUE(view->PasteFromClipBoard(temp.Path()));
    EXPECT_TRUE(Exists(temp / "from\\deep\\f.txt"));
    EXPECT_TRUE(Exists(temp / "to\\from\\deep\\f.txt"));
    EXPECT_NE(ChildNamed(view->FindNodeToPath(temp.Path()), "from"), nullptr);
    EXPECT_TRUE(view->UndoCopyMove());
    EXPECT_FALSE(Exists(temp / "from"));
    EXPECT_TRUE(Exists(temp / "to\\from\\deep\\f.txt"));
    EXPECT_EQ(ChildNamed(view->FindNodeToPath(temp.Path()), "from"), nullptr);
}

TEST_F(DriveViewEditTest, MovingAFolderIntoItsOwnChildLosesNothing) {
    TTreeNode* top = Top({"parent"});
    MakeDir(temp / "parent\\child");
    WriteFileBytes(temp / "parent\\child\\f.txt", "x");
    MessageBoxAnswerer answerer; // whatever the shell says about it
    ASSERT_TRUE(view->CutToClipBoard(ChildNamed(top, "parent")));
    view->PasteFromClipBoard(temp / "parent\\child");
    RunUntilIdle();
    EXPECT_TRUE(Exists(temp / "parent\\child\\f.txt"));
    EXPECT_FALSE(Exists(temp / "parent\\child\\parent"));
    EXPECT_NE(ChildNamed(view->FindNodeToPath(temp.Path()), "parent"), nullptr);
}

TEST_F(DriveViewEditTest, ARightClickShowsTheShellMenuWithTheNodeHighlighted) {
    TTreeNode* top = Top({"a", "b"});
    TTreeNode* b = ChildNamed(top, "b");
    view->SetSelected(ChildNamed(top, "a"));
    RunUntilIdle();
    TTreeNode* highlighted = nullptr;
    bool menuShown = false;
    WhenWindowAppears menu(
        "",
        [&](HWND h) {
            menuShown = true;
            highlighted = view->DropTarget();
            PostMessageA(h, WM_KEYDOWN, VK_ESCAPE, 0);
            EndMenu();
        },
        "#32768");
    ddtest::InputScript input;
    input.MoveTo(ScreenPointOf(b), 4).Down(true).Up(true).Wait(300);
    input.Start();
    ASSERT_TRUE(input.Finish());
    PumpUntil([&] { return menuShown; }, 3000);
    RunUntilIdle();
    EXPECT_TRUE(menuShown);
    EXPECT_EQ(highlighted, b);
    EXPECT_EQ(view->DropTarget(), nullptr);
    EXPECT_EQ(view->Selected(), ChildNamed(top, "a"));
}

TEST_F(DriveViewEditTest, CutChosenWithTheMouseFromTheRightClickMenuMarksTheFolder) {
    TTreeNode* top = Top({"a", "b"});
    TTreeNode* b = ChildNamed(top, "b");
    view->SetSelected(ChildNamed(top, "a"));
    RunUntilIdle();
    // Where the menu shows its Cut item, found when the menu is up (the click comes from the
    // input thread, which waits for it).
    std::atomic<bool> found{false};
    RECT cutItem{};
    std::vector<std::string> items;
    WhenWindowAppears menu(
        "",
        [&](HWND h) {
            HMENU m = reinterpret_cast<HMENU>(SendMessageA(h, MN_GETHMENU, 0, 0));
            for (int i = 0; i < GetMenuItemCount(m); ++i) {
                char text[128] = {};
                GetMenuStringA(m, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
                std::string plain;
                for (const char* c = text; *c; ++c)
                    if (*c != '&') plain += *c;
                items.push_back(plain);
                if (lstrcmpiA(plain.c_str(), "Cut") == 0 &&
                    GetMenuItemRect(h, m, static_cast<UINT>(i), &cutItem)) {
                    found = true;
                    break;
                }
            }
            if (!found) EndMenu();
        },
        "#32768");
    ddtest::InputScript input;
    input.MoveTo(ScreenPointOf(b), 4).Down(true).Up(true);
    input.Then([&] {
        for (int i = 0; i < 100 && !found; ++i)
            Sleep(30);
    });
    input.Then([&] {
        if (!found) return;
        const POINT at{(cutItem.left + cutItem.right) / 2, (cutItem.top + cutItem.bottom) / 2};
        ddtest::MoveCursor(POINT{at.x + 8, at.y});
        Sleep(100);
        ddtest::MoveCursor(at);
        Sleep(100);
        INPUT click[2]{};
        click[0].type = click[1].type = INPUT_MOUSE;
        click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(1, &click[0], sizeof click[0]);
        Sleep(60);
        SendInput(1, &click[1], sizeof click[1]);
    });
    input.Wait(300);
    input.Start();
    ASSERT_TRUE(input.Finish());
    ASSERT_TRUE(found) << "menu items: " << ::testing::PrintToString(items);
    EXPECT_TRUE(PumpUntil([] { return shell::ClipboardMode() == shell::TClipboardMode::Cut; }, 3000));
    EXPECT_EQ(view->CutPath(), temp / "b");
    EXPECT_TRUE(view->NodeCut(ChildNamed(top, "b")));
    EXPECT_FALSE(view->NodeCut(ChildNamed(top, "a")));
    EXPECT_EQ(view->DropTarget(), nullptr);
    UpdateWindow(view->Handle());
    Screenshot("tree-cut-mark-from-menu.png");
    view->EmptyClipboard();
    EXPECT_FALSE(view->NodeCut(ChildNamed(top, "b")));
}
