// Real drags onto and out of the tree: files from a second program dropped onto its nodes, and the
// tree's own nodes dragged, driven by mouse and keyboard input.
#include "tests/drivetree/TreeFixture.h"

#include "dragdrop/DDInterfacedObject.h"
#include "shell/BaseUtils.h"
#include "tests/dragdrop/InputScript.h"
#include "tests/support/ChildProcess.h"

#include <shlobj.h>

using namespace drivetree;
using namespace kovalin;
using namespace testsupport;
using namespace treetest;
using ddtest::InputScript;

namespace {

constexpr int kPeerX = 700, kPeerY = 60, kPeerSize = 200;

POINT OnPeer() {
    return POINT{kPeerX + kPeerSize / 2, kPeerY + kPeerSize / 2};
}

// The target of a shell link.
std::string LinkTarget(const std::string& linkFile) {
    kovalin::ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.put_void())))
        return {};
    kovalin::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return {};
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide, MAX_PATH);
    if (FAILED(file->Load(wide, STGM_READ))) return {};
    char path[MAX_PATH] = {};
    WIN32_FIND_DATAA fd;
    link->GetPath(path, MAX_PATH, &fd, SLGP_RAWPATH);
    return path;
}

} // namespace

class DriveViewDragDropTest : public TreeFixture {
protected:
    void TearDown() override {
        peer.reset();
        TreeFixture::TearDown();
        EXPECT_TRUE(PumpUntil([] { return dragdrop::TDDInterfacedObject::LiveObjects() == 0; }, 3000));
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        in[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
        SendInput(2, in, sizeof in[0]);
        ddtest::RunXdotool("keyup ctrl keyup shift");
    }

    // The second program, offering the files for a drag that starts with a press in its window.
    void StartSource(const std::vector<std::string>& files) {
        std::string cmd = "\"";
        cmd += ExeFolder();
        cmd += "ddpeer.exe\" source \"";
        cmd += peerOut / "peer";
        cmd += "\" " + std::to_string(kPeerX) + " " + std::to_string(kPeerY) + " ";
        cmd += std::to_string(kPeerSize) + " " + std::to_string(kPeerSize) + " --";
        for (const std::string& f : files)
            cmd += " \"" + f + "\"";
        peer = std::make_unique<ChildProcess>(cmd);
        ASSERT_TRUE(peer->WaitForWindow("DD Peer Source"));
        PumpMessages(200);
    }
    // Drags from the peer onto the node and lets go there, with Ctrl held when asked.
    void DropFromPeer(TTreeNode* node, bool ctrl = false) {
        view->CenterNode(node);
        RunUntilIdle();
        const POINT target = ScreenPointOf(node);
        InputScript input;
        input.MoveTo(OnPeer(), 4).Down().MoveTo(POINT{OnPeer().x - 30, OnPeer().y}, 4);
        if (ctrl) input.Key(VK_CONTROL, true);
        input.MoveTo(target, 12).Wait(300).MoveTo(POINT{target.x + 2, target.y}, 2).Wait(200).Up();
        if (ctrl) input.Key(VK_CONTROL, false);
        input.Start();
        ASSERT_TRUE(input.Finish());
        // The drop is processed from a posted message.
        PumpMessages(500);
    }

    // Presses on one node, drags past the thresholds of the control and of the drag detection,
    // rests on the other node and lets go there.
    bool DragInTree(TTreeNode* fromNode, TTreeNode* toNode) {
        const POINT from = ScreenPointOf(fromNode), to = ScreenPointOf(toNode);
        InputScript input;
        input.MoveTo(from, 4).Down().MoveTo(POINT{from.x + 6, from.y + 6}, 3);
        input.MoveTo(POINT{from.x + 20, from.y + 20}, 4).MoveTo(to, 10).Wait(300);
        input.MoveTo(POINT{to.x + 2, to.y}, 2).Wait(200).Up();
        input.Start();
        return input.Finish();
    }

    TempDir peerOut;
    std::unique_ptr<ChildProcess> peer;
};

TEST_F(DriveViewDragDropTest, FilesFromCMoveOntoCByDefaultAndCopyWithCtrlOrOntoAnotherDrive) {
    TTreeNode* top = Top({"src", "dst"});
    WriteFileBytes(temp / "src\\moved.txt", "m");
    WriteFileBytes(temp / "src\\copied.txt", "c");
    TTreeNode* dst = ChildNamed(top, "dst");
    list.SetPath(temp / "dst");
    list.reloads = 0;

    StartSource({temp / "src\\moved.txt"});
    DropFromPeer(dst);
    EXPECT_TRUE(PumpUntil([&] { return Exists(temp / "dst\\moved.txt"); }, 5000));
    EXPECT_FALSE(Exists(temp / "src\\moved.txt"));
    EXPECT_GE(list.reloads, 1); // the list shows the target
    EXPECT_EQ(view->DropTarget(), nullptr);

    peer.reset();
    StartSource({temp / "src\\copied.txt"});
    DropFromPeer(ChildNamed(view->FindNodeToPath(temp.Path()), "dst"), true);
    EXPECT_TRUE(PumpUntil([&] { return Exists(temp / "dst\\copied.txt"); }, 5000));
    EXPECT_TRUE(Exists(temp / "src\\copied.txt"));

    // Z: is another drive: a plain drop copies there.
    const std::string other = "Z:\\tmp\\kovalin-tree-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(other.c_str(), nullptr) || Exists(other));
    TTreeNode* otherNode = view->FindNodeToPath(other);
    ASSERT_NE(otherNode, nullptr);

    peer.reset();
    StartSource({temp / "src\\copied.txt"});
    DropFromPeer(otherNode);
    EXPECT_TRUE(PumpUntil([&] { return Exists(other + "\\copied.txt"); }, 5000));
    EXPECT_TRUE(Exists(temp / "src\\copied.txt"));
    DeleteTree(other);
}

TEST_F(DriveViewDragDropTest, HoveringOpensANodeAfterTwoAndAHalfSeconds) {
    TTreeNode* top = Top({"quick", "slow"});
    MakeDir(temp / "quick\\inside");
    MakeDir(temp / "slow\\inside");
    WriteFileBytes(temp / "file.txt", "x");
    view->ValidateDirectory(top);
    TTreeNode* quick = ChildNamed(top, "quick");
    TTreeNode* slow = ChildNamed(top, "slow");
    ASSERT_FALSE(slow->Expanded());
    StartSource({temp / "file.txt"});
    const POINT q = ScreenPointOf(quick), s = ScreenPointOf(slow);
    bool quickOpened = true, slowHighlighted = false;
    InputScript input;
    input.MoveTo(OnPeer(), 4).Down().MoveTo(POINT{OnPeer().x - 30, OnPeer().y}, 4).MoveTo(q, 10);
    // One second over quick, with small moves so that the target hears of the cursor.
    for (int i = 0; i < 5; ++i)
        input.MoveTo(POINT{q.x + (i % 2), q.y}, 1).Wait(200);
    input.MoveTo(s, 4);
    for (int i = 0; i < 16; ++i) {
        input.MoveTo(POINT{s.x + (i % 2), s.y}, 1).Wait(200);
        if (i == 2) input.Then([&] { ddtest::RunUnixProgram("Z:\\usr\\bin\\true"); });
    }
    input.Then([] {
        if (const char* dir = std::getenv("KOVALIN_SCREENSHOT_DIR"))
            ddtest::RunUnixProgram(std::string("Z:\\usr\\bin\\import -window root ") + dir +
                                   "/tree-drag-hover.png");
    });
    // Back to the source, which takes no drops: nothing is dropped.
    input.MoveTo(OnPeer(), 6).Wait(200).Up();
    input.Start();
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (view->DropTarget() == slow) slowHighlighted = true;
            return input.Done();
        },
        20000));
    input.Finish();
    quickOpened = quick->Expanded();
    EXPECT_FALSE(quickOpened);
    EXPECT_TRUE(slowHighlighted);
    EXPECT_TRUE(slow->Expanded());
    EXPECT_NE(ChildNamed(slow, "inside"), nullptr);
    EXPECT_EQ(view->DropTarget(), nullptr);
    EXPECT_TRUE(Exists(temp / "file.txt"));
}

TEST_F(DriveViewDragDropTest, ADriveRootDraggedIntoAFolderBecomesALinkNamedByItsPrettyName) {
    TTreeNode* top = Top({"links"});
    TTreeNode* links = ChildNamed(top, "links");
    // The root of the scratch folder's drive, dragged to a folder node below it.
    TTreeNode* root = view->RootNode(top);
    SendMessageA(view->Handle(), WM_VSCROLL, SB_TOP, 0);
    view->SetTopItem(root);
    RunUntilIdle();
    // Both on the screen: the tree is tall enough for the path of the scratch folder.
    links->MakeVisible();
    RunUntilIdle();
    RECT rr = root->DisplayRect(true);
    ASSERT_GT(rr.bottom, 0) << "the root scrolled out of view";
    DWORD sourceEffects = 0;
    view->OnDDDragOver = [&](TDriveView& v, DWORD, POINT, DWORD&) {
        sourceEffects = v.DragDropFilesEx().DragSourceEffects();
    };
    ASSERT_TRUE(DragInTree(root, links));
    const char letter = shell::UpperLetter(temp.Path()[0]);
    std::string pretty = drives.GetPrettyName(letter);
    std::string name = pretty.size() > 3 ? pretty.substr(3) : std::string();
    const std::string linkFile = temp / ("links\\" + name + "(" + std::string(1, letter) + ").lnk");
    EXPECT_TRUE(PumpUntil([&] { return Exists(linkFile); }, 5000)) << linkFile << " from " << pretty;

    EXPECT_EQ(sourceEffects, static_cast<DWORD>(DROPEFFECT_LINK));
    EXPECT_EQ(shell::UpperCase(LinkTarget(linkFile)), shell::UpperCase(std::string(1, letter) + ":\\"));
    EXPECT_EQ(view->DragNode(), nullptr);
}

TEST_F(DriveViewDragDropTest, AFolderIsMovedByDragButNotIntoItselfAndNotByAReleaseWithin50ms) {
    TTreeNode* top = Top({"a", "a\\child", "b"});
    TTreeNode* a = ChildNamed(top, "a");
    TTreeNode* b = ChildNamed(top, "b");
    a->Expand(false);
    RunUntilIdle();
    TTreeNode* child = ChildNamed(a, "child");
    ASSERT_NE(child, nullptr);

    // Onto its own child: refused, nothing moves.
    ASSERT_TRUE(DragInTree(a, child));
    PumpMessages(500);
    EXPECT_TRUE(Exists(temp / "a\\child"));
    EXPECT_FALSE(Exists(temp / "a\\child\\a"));

    // Let go at once: a slip of the mouse, not a drop.
    a = ChildNamed(top, "a");
    b = ChildNamed(top, "b");
    POINT pa = ScreenPointOf(a), pb = ScreenPointOf(b);
    InputScript quick;
    quick.MoveTo(pa, 4).Then([&] {
        INPUT in[4]{};
        for (INPUT& i : in)
            i.type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[1].mi.dwFlags = MOUSEEVENTF_MOVE;
        in[1].mi.dy = 8;
        in[2].mi.dwFlags = MOUSEEVENTF_MOVE;
        in[2].mi.dy = pb.y - pa.y + 10;
        in[3].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(1, &in[0], sizeof in[0]);
        Sleep(30);
        SendInput(3, &in[1], sizeof in[0]);
    });
    quick.Wait(500);
    quick.Start();
    ASSERT_TRUE(quick.Finish());
    PumpMessages(500);
    EXPECT_TRUE(Exists(temp / "a\\child"));
    EXPECT_FALSE(Exists(temp / "b\\a"));

    // A real drag onto b moves it, and the tree follows.
    a = ChildNamed(top, "a");
    b = ChildNamed(top, "b");
    ASSERT_TRUE(DragInTree(a, b));
    EXPECT_TRUE(PumpUntil([&] { return Exists(temp / "b\\a\\child"); }, 5000));
    EXPECT_FALSE(Exists(temp / "a"));
    PumpMessages(300);
    EXPECT_EQ(ChildNamed(top, "a"), nullptr);
}

TEST_F(DriveViewDragDropTest, ADropOntoAFolderThatVanishedReportsError1) {
    TTreeNode* top = Top({"gone"});
    WriteFileBytes(temp / "file.txt", "x");
    std::vector<int> errors;
    view->OnDDError = [&](TDriveView&, int number) { errors.push_back(number); };
    // The folder goes between the drop and its processing.
    view->OnDDDrop = [&](TDriveView&, DWORD, POINT, DWORD&) { RemoveDirectoryA((temp / "gone").c_str()); };
    StartSource({temp / "file.txt"});
    DropFromPeer(ChildNamed(top, "gone"));
    EXPECT_TRUE(PumpUntil([&] { return !errors.empty(); }, 3000));
    EXPECT_EQ(errors, std::vector<int>{1});
    EXPECT_EQ(ChildNamed(top, "gone"), nullptr);
    EXPECT_TRUE(Exists(temp / "file.txt"));
    // Without a handler the error is raised with its number.
    EXPECT_STREQ(EDragDrop(1).what(), "DragDrop Error: 1");
}
