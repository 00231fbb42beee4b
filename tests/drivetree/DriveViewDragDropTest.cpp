// Real drags onto and out of the tree: files from a second program dropped onto its nodes, and the
// tree's own nodes dragged, driven by mouse and keyboard input.
#include "tests/drivetree/TreeFixture.h"

#include "dragdrop/DDInterfacedObject.h"
#include "shell/BaseUtils.h"
#include "tests/dragdrop/InputScript.h"
#include "tests/support/ChildProcess.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>

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

// A sideways scroll step of the tree: when it came and which way.
struct Step {
    DWORD tick;
    WORD code;
};

LRESULT CALLBACK NoteSidewaysStep(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR data) {
    if (msg == WM_HSCROLL && (LOWORD(wParam) == SB_LINELEFT || LOWORD(wParam) == SB_LINERIGHT))
        reinterpret_cast<std::vector<Step>*>(data)->push_back({GetTickCount(), LOWORD(wParam)});
    return DefSubclassProc(hwnd, msg, wParam, lParam);
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
        ddtest::RunXdotool("keyup ctrl keyup shift keyup space");
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

    // And with Ctrl too.
    WriteFileBytes(temp / "src\\ctrl.txt", "k");
    peer.reset();
    StartSource({temp / "src\\ctrl.txt"});
    DropFromPeer(view->FindNodeToPath(other), true);
    EXPECT_TRUE(PumpUntil([&] { return Exists(other + "\\ctrl.txt"); }, 5000));
    EXPECT_TRUE(Exists(temp / "src\\ctrl.txt"));
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
    input.Then([] { Screenshot("tree-drag-hover.png"); });
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

    // Onto its own child: refused, nothing moves. The dragged node was selected: its image is
    // taken unselected, but the tree's selection and its highlight stay.
    view->SetSelected(a);
    ASSERT_TRUE(DragInTree(a, child));
    PumpMessages(500);
    EXPECT_TRUE(Exists(temp / "a\\child"));
    EXPECT_FALSE(Exists(temp / "a\\child\\a"));
    EXPECT_EQ(view->Selected(), a);
    EXPECT_NE(
        SendMessageA(view->Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(a->ItemId()), TVIS_SELECTED) &
            TVIS_SELECTED,
        0);

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

TEST_F(DriveViewDragDropTest, SpaceOpensAndClosesTheNodeUnderTheCursorWhileFilesHover) {
    TTreeNode* top = Top({"shut"});
    MakeDir(temp / "shut\\inner");
    WriteFileBytes(temp / "file.txt", "x");
    view->ValidateDirectory(top);
    TTreeNode* shut = ChildNamed(top, "shut");
    ASSERT_NE(shut, nullptr);
    ASSERT_FALSE(shut->Expanded());
    view->CenterNode(shut);
    RunUntilIdle();
    // The states the node goes through, as each move over the tree finds it.
    std::vector<bool> states;
    view->OnDDDragOver = [&](TDriveView&, DWORD, POINT, DWORD&) {
        if (states.empty() || states.back() != shut->Expanded()) states.push_back(shut->Expanded());
    };
    StartSource({temp / "file.txt"});
    const POINT s = ScreenPointOf(shut);
    InputScript input;
    input.MoveTo(OnPeer(), 4).Down().MoveTo(POINT{OnPeer().x - 30, OnPeer().y}, 4).MoveTo(s, 10).Wait(150);
    // Well within the time after which resting on a node opens it.
    // Some moves with the key down and some with it up: the tree hears of the keys as the
    // cursor moves.
    for (int press = 0; press < 2; ++press) {
        input.Key(VK_SPACE, true);
        for (int i = 0; i < 3; ++i)
            input.MoveTo(POINT{s.x + 1 - (i % 2), s.y}, 1).Wait(80);
        input.Key(VK_SPACE, false);
        for (int i = 0; i < 3; ++i)
            input.MoveTo(POINT{s.x + (i % 2), s.y}, 1).Wait(80);
    }
    input.MoveTo(OnPeer(), 6).Wait(200).Up();
    input.Start();
    ASSERT_TRUE(input.Finish());
    PumpMessages(300);
    // Open on the first press (read from the disk on the way), closed on the second.
    EXPECT_EQ(states, (std::vector<bool>{false, true, false}));
    EXPECT_NE(ChildNamed(shut, "inner"), nullptr);
    EXPECT_TRUE(Exists(temp / "file.txt"));
}

TEST_F(DriveViewDragDropTest, FilesHoveringAtASideScrollTheTreeThatWayAtMostEveryFifthOfASecond) {
    // Wider than the tree: it gets a horizontal scroll bar.
    const std::string longName(140, 'w');
    TTreeNode* top = Top({"s"});
    MakeDir(temp / longName);
    WriteFileBytes(temp / "file.txt", "x");
    view->ValidateDirectory(top);
    TTreeNode* wide = ChildNamed(top, longName);
    ASSERT_NE(wide, nullptr);
    view->CenterNode(wide);
    RunUntilIdle();
    ASSERT_TRUE(GetWindowLongA(view->Handle(), GWL_STYLE) & WS_HSCROLL);
    SendMessageA(view->Handle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    RunUntilIdle();
    ASSERT_EQ(GetScrollPos(view->Handle(), SB_HORZ), 0);

    // Each sideways step as the tree takes it, and the farthest the tree got.
    std::vector<Step> steps;
    SetWindowSubclass(view->Handle(), NoteSidewaysStep, 1, reinterpret_cast<DWORD_PTR>(&steps));
    int farthest = 0;
    view->OnDDDragOver = [&](TDriveView& v, DWORD, POINT, DWORD&) {
        farthest = std::max(farthest, GetScrollPos(v.Handle(), SB_HORZ));
    };
    RECT client;
    GetClientRect(view->Handle(), &client);
    // Near the right edge on the long name's line, then near the left edge on the short one's.
    auto onLine = [&](TTreeNode* node, int x) {
        RECT line = node->DisplayRect(false);
        POINT p{x, (line.top + line.bottom) / 2};
        ClientToScreen(view->Handle(), &p);
        return p;
    };
    const POINT right = onLine(wide, client.right - 20), left = onLine(ChildNamed(top, "s"), 20);
    StartSource({temp / "file.txt"});
    InputScript input;
    input.MoveTo(OnPeer(), 4).Down().MoveTo(POINT{OnPeer().x - 30, OnPeer().y}, 4).MoveTo(right, 10);
    for (int i = 0; i < 20; ++i)
        input.MoveTo(POINT{right.x - (i % 2), right.y}, 1, 0).Wait(50);
    input.MoveTo(left, 6);
    for (int i = 0; i < 20; ++i)
        input.MoveTo(POINT{left.x + (i % 2), left.y}, 1, 0).Wait(50);
    input.MoveTo(OnPeer(), 6).Wait(200).Up();
    input.Start();
    ASSERT_TRUE(input.Finish());
    PumpMessages(300);

    RemoveWindowSubclass(view->Handle(), NoteSidewaysStep, 1);

    size_t turn = 0;
    while (turn < steps.size() && steps[turn].code == SB_LINERIGHT)
        ++turn;
    // Right while the cursor rests on the right, then back left, and nothing else.
    EXPECT_GE(turn, 2u);
    EXPECT_GT(steps.size(), turn);
    for (size_t i = turn; i < steps.size(); ++i)
        EXPECT_EQ(steps[i].code, SB_LINELEFT) << "step " << i;
    EXPECT_GT(farthest, 0);
    EXPECT_LT(GetScrollPos(view->Handle(), SB_HORZ), farthest);
    for (size_t i = 1; i < steps.size(); ++i)
        EXPECT_GE(steps[i].tick - steps[i - 1].tick, 195u) << "step " << i;
    // A second on one side cannot scroll more than five or six times.
    EXPECT_LE(turn, 6u);
    EXPECT_TRUE(Exists(temp / "file.txt"));
}

TEST_F(DriveViewDragDropTest, AFolderMovedOutLosesItsNodeOnceItIsGoneAlsoRightBelowADriveRoot) {
    // Two folders of the C: drive's root, one of them selected: the selection's parent is the
    // dragged folder's parent.
    const std::string stem = "C:\\kovalin-tree-" + std::to_string(GetCurrentProcessId());
    const std::string away = stem + "-away", here = stem + "-here";
    ASSERT_TRUE(CreateDirectoryA(away.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(here.c_str(), nullptr));
    struct Cleanup {
        std::string a, b;
        ~Cleanup() {
            DeleteTree(a);
            DeleteTree(b);
        }
    } cleanup{away, here};
    TTreeNode* root = view->FindNodeToPath("C:\\");
    ASSERT_NE(root, nullptr);
    view->ValidateDirectory(root);
    view->SetSelected(view->FindNodeToPath(here));
    TTreeNode* node = view->FindNodeToPath(away);
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(view->Selected()->Parent(), node->Parent());
    view->CenterNode(node);
    RunUntilIdle();

    // Built piece by piece: GCC 12 warns of an overlap that is not there in one long expression.
    std::string cmd = "\"";
    cmd += ExeFolder();
    cmd += "ddpeer.exe\" target \"";
    cmd += peerOut / "peer";
    cmd += "\" ";
    cmd += std::to_string(kPeerX) + " " + std::to_string(kPeerY) + " " + std::to_string(kPeerSize) + " " +
           std::to_string(kPeerSize);
    peer = std::make_unique<ChildProcess>(cmd);
    ASSERT_TRUE(peer->WaitForWindow("DD Peer Target"));
    PumpMessages(200);
    const POINT from = ScreenPointOf(node);
    InputScript input;
    input.MoveTo(from, 4).Down().MoveTo(POINT{from.x + 6, from.y + 6}, 3);
    input.MoveTo(POINT{from.x + 20, from.y + 20}, 4).Key(VK_SHIFT, true).MoveTo(OnPeer(), 10).Wait(300);
    input.MoveTo(POINT{OnPeer().x + 2, OnPeer().y}, 2).Wait(200).Up().Key(VK_SHIFT, false);
    input.Start();
    ASSERT_TRUE(input.Finish());
    ASSERT_TRUE(PumpUntil([&] { return Exists(peerOut / "peer.done"); }, 10000));
    EXPECT_EQ(view->DragDropFilesEx().LastDragResult(), dragdrop::TDragResult::drMove);
    // The peer only says it moved the folder; the node stays until the folder has gone.
    PumpMessages(700);
    EXPECT_NE(view->FindNodeToPath(away), nullptr);
    ASSERT_TRUE(RemoveDirectoryA(away.c_str()));
    EXPECT_TRUE(PumpUntil([&] { return ChildNamed(root, away.substr(3)) == nullptr; }, 3000));
    EXPECT_NE(ChildNamed(root, here.substr(3)), nullptr);
    EXPECT_EQ(view->Directory(), here);
}
