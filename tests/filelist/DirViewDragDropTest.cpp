// The file list's drag and drop under real input: its files dragged to a second program, files
// of a second program dropped onto the list and onto its folders, the effect chosen by drive and
// keys, and the drag image.
#include "dragdrop/DDInterfacedObject.h"
#include "filelist/DirView.h"
#include "filelist/DragFilesImage.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "tests/dragdrop/InputScript.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace filelist;
using namespace kovalin;
using namespace testsupport;
using ddtest::InputScript;
using ddtest::Screenshot;
using dragdrop::deCopy;
using dragdrop::deLink;
using dragdrop::deMove;
using dragdrop::deNone;
using dragdrop::TDropEffects;

namespace {

// The list with its drag start open to the test, to start a drag without a button held.
class DragView : public TDirView {
public:
    using TDirView::BeginDrag;
    using TDirView::TDirView;
};

std::string Language() {
    const char* l = std::getenv("KOVALIN_TEST_LANGUAGE");
    return l ? l : "en";
}

// The text in double quotes, for a command line. (Concatenating string literals around it makes
// GCC 12 warn of an overlap that is not there.)
std::string Quoted(const std::string& text) {
    std::string q;
    q.reserve(text.size() + 2);
    q += '"';
    q += text;
    q += '"';
    return q;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A folder on the drive of the host's own files (Z:), which is another drive than the list's (C:).
class OtherDriveDir {
public:
    OtherDriveDir() : path_("Z:\\tmp\\kovalin-dd-" + std::to_string(GetCurrentProcessId())) {
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    OtherDriveDir(const OtherDriveDir&) = delete;
    OtherDriveDir& operator=(const OtherDriveDir&) = delete;
    ~OtherDriveDir() { DeleteTree(path_); }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

class DirViewDragDropTest : public ::testing::Test {
protected:
    static constexpr int kPeerX = 640, kPeerY = 60, kPeerSize = 300;

    TempDir dir, peerOut;
    shell::TDriveInfo drives;
    std::unique_ptr<TForm> form;
    std::unique_ptr<DragView> view;
    std::unique_ptr<ChildProcess> peer;
    std::vector<TDropEffects> processed;
    std::vector<std::string> errors;

    void SetUp() override {
        Application().Initialize();
        form = std::make_unique<TForm>(TFormParams{.caption = "Files",
                                                   .borderStyle = TFormBorderStyle::bsSingle,
                                                   .left = 60,
                                                   .top = 60,
                                                   .clientWidth = 420,
                                                   .clientHeight = 300});
        view = std::make_unique<DragView>(
            *form,
            TListView::Params{
                .width = 420, .height = 300, .viewStyle = TViewStyle::vsReport, .multiSelect = true},
            drives);
        view->DragDropFilesEx().OnError = [this](const std::string& m) { errors.push_back(m); };
        view->OnDDProcessDropped = [this](TDirView&, DWORD, POINT, TDropEffects& e) {
            processed.push_back(e);
        };
        form->Show();
        SetForegroundWindow(form->Handle());
    }
    void TearDown() override {
        view.reset();
        form.reset();
        peer.reset();
        RunUntilIdle();
        EXPECT_TRUE(PumpUntil([] { return dragdrop::TDDInterfacedObject::LiveObjects() == 0; }, 3000));
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        in[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
        SendInput(2, in, sizeof in[0]);
        EXPECT_TRUE(errors.empty()) << errors.front();
    }

    void Load() {
        view->SetPath(dir.Path());
        RunUntilIdle();
    }
    TListItem& ItemNamed(const std::string& name) {
        TListItem* item = view->FindFileItem(name);
        if (!item) throw std::runtime_error("no item " + name);
        return *item;
    }
    // The middle of the item's name on the screen.
    POINT OnItem(const std::string& name) {
        RECT r{};
        r.left = LVIR_LABEL;
        SendMessageA(view->Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(ItemNamed(name).Index()),
                     reinterpret_cast<LPARAM>(&r));
        POINT p{r.left + 12, (r.top + r.bottom) / 2};
        ClientToScreen(view->Handle(), &p);
        return p;
    }
    POINT OnList(int x, int y) {
        POINT p{x, y};
        ClientToScreen(view->Handle(), &p);
        return p;
    }
    static POINT OnPeer() { return POINT{kPeerX + kPeerSize / 2, kPeerY + kPeerSize / 2}; }
    std::string Out() const { return peerOut / "peer"; }
    std::string PeerFile(const std::string& suffix) const {
        const std::string path = Out() + "." + suffix;
        return Exists(path) ? ReadFileBytes(path) : std::string();
    }
    void StartPeer(const std::string& mode, const std::string& args = {}) {
        const std::string cmd = Quoted(ExeFolder() + "ddpeer.exe") + " " + mode + " " + Quoted(Out()) + " " +
                                std::to_string(kPeerX) + " " + std::to_string(kPeerY) + " " +
                                std::to_string(kPeerSize) + " " + std::to_string(kPeerSize) + " " + args;
        peer = std::make_unique<ChildProcess>(cmd);
        ASSERT_TRUE(peer->WaitForWindow(mode == "target" ? "DD Peer Target" : "DD Peer Source"));
        PumpMessages(200);
    }
    // Drags the peer's files onto the screen point with the keys held, and waits for the drop.
    void DragFromPeer(POINT to, const std::vector<WORD>& keys = {}) {
        const size_t before = processed.size();
        InputScript input;
        input.MoveTo(OnPeer()).Down().MoveTo(POINT{OnPeer().x + 20, OnPeer().y + 20}, 3);
        for (WORD k : keys)
            input.Key(k, true);
        input.MoveTo(to, 10).Wait(300).Up();
        for (WORD k : keys)
            input.Key(k, false);
        input.Start();
        ASSERT_TRUE(input.Finish());
        PumpUntil([&] { return processed.size() > before; }, 5000);
        ASSERT_EQ(processed.size(), before + 1);
        RunUntilIdle();
    }
};

} // namespace

TEST_F(DirViewDragDropTest, TheCaptionCountsFilesAndFoldersInTheUsersLanguage) {
    const std::string files = Language() == "de" ? "Dateien" : "Files";
    const std::string folders = Language() == "de" ? "Verzeichnisse" : "Directories";
    EXPECT_EQ(DragCaption(3, 0), "3 " + files);
    EXPECT_EQ(DragCaption(0, 2), "2 " + folders);
    EXPECT_EQ(DragCaption(12, 1), "12 " + files + ", 1 " + folders);
    EXPECT_EQ(DragCaption(0, 0), "");
}

TEST_F(DirViewDragDropTest, TheFilesPictureIsWidenedByTheCaptionOnWhite) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(view->Handle(), WM_GETFONT, 0, 0));
    const std::string caption = DragCaption(4, 1);
    TDragFilesPicture picture = DragFilesPicture(font, caption);
    ASSERT_TRUE(picture.bitmap);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SIZE text{};
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
    SelectObject(dc, oldFont);
    EXPECT_EQ(picture.size.cx, text.cx + 33);
    EXPECT_GE(picture.size.cy, 32);
    HGDIOBJ old = SelectObject(dc, picture.bitmap.get());
    // White around the picture (transparent), paper and ink inside it, ink in the caption.
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 31, 31), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 2, 1), RGB(0, 0, 0));
    int ink = 0;
    for (int x = 33; x < picture.size.cx; ++x)
        for (int y = 0; y < picture.size.cy; ++y)
            if (GetPixel(dc, x, y) != RGB(255, 255, 255)) ++ink;
    EXPECT_GT(ink, 20);
    SelectObject(dc, old);
    DeleteDC(dc);

    // Nothing to say: the bare picture.
    TDragFilesPicture bare = DragFilesPicture(font, "");
    ASSERT_TRUE(bare.bitmap);
    EXPECT_EQ(bare.size.cx, 32);
    EXPECT_EQ(bare.size.cy, 32);
}

TEST_F(DirViewDragDropTest, SelectedFilesDragOutInListOrderWithTheFilesPicture) {
    WriteFileBytes(dir / "b.txt", "b");
    WriteFileBytes(dir / "a.txt", "a");
    WriteFileBytes(dir / "c.txt", "c");
    ASSERT_TRUE(CreateDirectoryA((dir / "sub").c_str(), nullptr));
    Load();
    StartPeer("target");
    for (const char* name : {"c.txt", "a.txt", "sub"})
        ItemNamed(name).SetSelected(true);
    std::vector<std::string> expected;
    for (TListItem* item = view->GetNextItem(nullptr, LVNI_SELECTED); item;
         item = view->GetNextItem(item, LVNI_SELECTED))
        expected.push_back(view->ItemFullFileName(item));

    // What the drag shows, looked at while it runs.
    POINT hotSpot{-1, -1};
    int imageWidth = 0, imageHeight = 0;
    std::vector<dragdrop::TDragDetectStatus> detected;
    view->OnDDDragDetect = [&](TDirView&, DWORD, POINT, POINT, dragdrop::TDragDetectStatus s) {
        detected.push_back(s);
    };
    view->OnDDQueryContinueDrag = [&](TDirView&, bool, DWORD, HRESULT&) {
        POINT at, hot;
        if (HIMAGELIST list = ImageList_GetDragImage(&at, &hot)) {
            hotSpot = hot;
            ImageList_GetIconSize(list, &imageWidth, &imageHeight);
        }
    };
    InputScript input;
    input.MoveTo(OnItem("a.txt")).Down().MoveTo(OnList(250, 150), 4).Wait(300);
    input.Then([] { Screenshot("list-drag-files-image.png"); });
    input.MoveTo(OnPeer(), 10).Wait(300).Up();
    input.Start();
    ASSERT_TRUE(input.Finish());
    ASSERT_TRUE(PumpUntil([&] { return !PeerFile("done").empty(); }, 10000));
    EXPECT_EQ(detected, std::vector<dragdrop::TDragDetectStatus>{dragdrop::TDragDetectStatus::ddsDrag});

    std::string hdrop = PeerFile("hdrop");
    std::string names;
    for (const std::string& n : expected)
        names += n + '\0';
    ASSERT_GT(hdrop.size(), 20u);
    EXPECT_EQ(hdrop.substr(20, names.size()), names);
    // The peer copies unless Shift is held.
    EXPECT_EQ(view->DragDropFilesEx().LastDragResult(), dragdrop::TDragResult::drCopy);

    EXPECT_EQ(hotSpot.x, kDragFilesHotSpot.x);
    EXPECT_EQ(hotSpot.y, kDragFilesHotSpot.y);
    HDC dc = GetDC(view->Handle());
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(view->Handle(), WM_GETFONT, 0, 0)));
    const std::string caption = DragCaption(2, 1);
    SIZE text{};
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
    SelectObject(dc, old);
    ReleaseDC(view->Handle(), dc);
    EXPECT_EQ(imageWidth, text.cx + 33);
    // Afterwards nothing of the drag is left.
    EXPECT_EQ(view->DragDropFilesEx().FileList().Count(), 0);
    EXPECT_EQ(TDirView::DragSourceList(), nullptr);
    EXPECT_EQ(view->DDDropTarget(), nullptr);
}

TEST_F(DirViewDragDropTest, OneItemDragsItsOwnPictureHeldWhereItWasTaken) {
    WriteFileBytes(dir / "one.txt", "1");
    Load();
    StartPeer("target");
    ItemNamed("one.txt").SetSelected(true);
    POINT hotSpot{-1, -1};
    int width = 0, height = 0;
    view->OnDDQueryContinueDrag = [&](TDirView&, bool, DWORD, HRESULT&) {
        POINT at, hot;
        if (HIMAGELIST list = ImageList_GetDragImage(&at, &hot)) {
            hotSpot = hot;
            ImageList_GetIconSize(list, &width, &height);
        }
    };
    RECT item{};
    item.left = LVIR_BOUNDS;
    SendMessageA(view->Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(ItemNamed("one.txt").Index()),
                 reinterpret_cast<LPARAM>(&item));
    const POINT press = OnItem("one.txt");
    InputScript input;
    input.MoveTo(press).Down().MoveTo(OnList(250, 150), 4).MoveTo(OnPeer(), 10).Wait(300).Up();
    input.Start();
    ASSERT_TRUE(input.Finish());
    ASSERT_TRUE(PumpUntil([&] { return !PeerFile("done").empty(); }, 10000));
    EXPECT_EQ(PeerFile("hdrop").substr(20), dir / "one.txt" + std::string(2, '\0'));
    // Not the files picture: the list's own image of the row, held at the offset of the press
    // from the row.
    EXPECT_GT(width, 33);
    EXPECT_LT(height, 32);
    POINT client = press;
    ScreenToClient(view->Handle(), &client);
    EXPECT_NEAR(hotSpot.x, client.x - item.left, 2);
    EXPECT_NEAR(hotSpot.y, client.y - item.top, 2);
}

namespace {

// Wakes the drag loop at once: the loop asks its questions when input arrives.
void CALLBACK NudgeCursor(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    POINT p = ddtest::CursorPos();
    ddtest::MoveCursor(POINT{p.x + 1, p.y});
}

} // namespace

TEST_F(DirViewDragDropTest, ADropWithin50msOfTheStartIsACancel) {
    WriteFileBytes(dir / "quick.txt", "q");
    Load();
    StartPeer("target");
    ItemNamed("quick.txt").SetSelected(true);
    std::vector<HRESULT> answers;
    DWORD start = 0, firstAnswer = 0;
    view->OnDDQueryContinueDrag = [&](TDirView&, bool, DWORD, HRESULT& r) {
        if (answers.empty()) firstAnswer = GetTickCount() - start;
        answers.push_back(r);
    };
    // No button is held: the first question of the drag loop asks for the drop at once, over the
    // peer, which would take it.
    ddtest::MoveCursor(OnPeer());
    PumpMessages(100);
    SetTimer(nullptr, 0, 1, NudgeCursor);
    start = GetTickCount();
    view->BeginDrag(&ItemNamed("quick.txt"), false, POINT{20, 30});
    PumpMessages(300);
    ASSERT_FALSE(answers.empty());
    // The rule can only be seen when the loop asked in time (on a very busy machine it may not).
    if (firstAnswer < 40) {
        EXPECT_EQ(answers.front(), DRAGDROP_S_CANCEL);
        EXPECT_EQ(view->DragDropFilesEx().LastDragResult(), dragdrop::TDragResult::drCancelled);
        EXPECT_EQ(PeerFile("done"), "");
    } else {
        EXPECT_EQ(answers.front(), DRAGDROP_S_DROP) << firstAnswer;
    }
    EXPECT_TRUE(Exists(dir / "quick.txt"));
}

TEST_F(DirViewDragDropTest, TheDriveAndTheKeysChooseCopyOrMove) {
    TempDir sameDrive;
    OtherDriveDir otherDrive;
    Load();
    struct Case {
        std::string folder;
        std::vector<WORD> keys;
        TDropEffects effect;
        const char* what;
    };
    const std::vector<Case> cases = {
        {sameDrive.Path(), {}, deMove, "same drive: move"},
        {sameDrive.Path(), {VK_CONTROL}, deCopy, "same drive, Ctrl: copy"},
        {otherDrive.Path(), {}, deCopy, "other drive: copy"},
        {otherDrive.Path(), {VK_SHIFT}, deMove, "other drive, Shift: move"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char numbered[16];
        std::snprintf(numbered, sizeof numbered, "in%d.txt", ++n);
        const std::string name = numbered;
        const std::string source = c.folder + "\\" + name;
        WriteFileBytes(source, c.what);
        StartPeer("source", Quoted(source));
        DragFromPeer(OnList(300, 250), c.keys);
        EXPECT_EQ(processed.back(), c.effect);
        // The file is where the effect says, with its bytes, and the list shows it.
        EXPECT_TRUE(PumpUntil([&] { return Exists(dir / name); }, 5000));
        EXPECT_EQ(ReadFileBytes(dir / name), c.what);
        EXPECT_EQ(Exists(source), c.effect == deCopy);
        EXPECT_NE(view->FindFileItem(name), nullptr);
        peer.reset();
    }
}

TEST_F(DirViewDragDropTest, AFolderItemUnderTheCursorIsHighlightedAndTakesTheDrop) {
    ASSERT_TRUE(CreateDirectoryA((dir / "inbox").c_str(), nullptr));
    WriteFileBytes(dir / "plain.txt", "p");
    Load();
    OtherDriveDir from;
    WriteFileBytes(from / "letter.txt", "dear");
    StartPeer("source", Quoted(from / "letter.txt"));
    std::string highlighted;
    bool plainHighlighted = false;
    view->OnDDDragOver = [&](TDirView& v, DWORD, POINT, TDropEffects&) {
        if (const TFileRec* rec = v.ItemData(v.DDDropTarget())) {
            highlighted = rec->FileName;
            plainHighlighted = plainHighlighted || rec->FileName == "plain.txt";
        }
    };
    const size_t before = processed.size();
    InputScript input;
    input.MoveTo(OnPeer()).Down().MoveTo(POINT{OnPeer().x + 20, OnPeer().y + 20}, 3);
    // Over a file first.
    input.MoveTo(OnItem("plain.txt"), 10).Wait(250);
    input.MoveTo(OnItem("inbox"), 4).Wait(300);
    input.Then([] { Screenshot("list-drop-on-folder.png"); });
    input.Up();
    input.Start();
    ASSERT_TRUE(input.Finish());
    ASSERT_TRUE(PumpUntil([&] { return processed.size() > before; }, 5000));
    // A file is highlighted when it takes drops itself (Wine gives every file its folder's drop
    // target; Windows only files with a drop handler).
    TDropEffects probe = deCopy;
    EXPECT_EQ(plainHighlighted, view->DragDropFilesEx().DropTargetItem(nullptr, dir / "plain.txt", probe));
    EXPECT_EQ(highlighted, "inbox");
    EXPECT_EQ(processed.back(), deCopy);
    EXPECT_TRUE(PumpUntil([&] { return Exists(dir / "inbox\\letter.txt"); }, 5000));
    EXPECT_FALSE(Exists(dir / "letter.txt"));
    EXPECT_EQ(view->DDDropTarget(), nullptr);
}

TEST_F(DirViewDragDropTest, OwnFilesMoveIntoOwnFoldersButNotOntoThemselves) {
    ASSERT_TRUE(CreateDirectoryA((dir / "target").c_str(), nullptr));
    WriteFileBytes(dir / "mine.txt", "m");
    Load();
    std::vector<TDropEffects> shown;
    view->OnDDGiveFeedback = [&](TDirView&, TDropEffects e, HRESULT&) {
        shown.push_back(e & ~dragdrop::deScroll);
    };

    // With Shift onto the list itself: a move to where the files are, which does nothing.
    ItemNamed("mine.txt").SetSelected(true);
    {
        InputScript input;
        input.MoveTo(OnItem("mine.txt")).Down().MoveTo(OnList(300, 200), 4).Key(VK_SHIFT, true);
        input.MoveTo(OnList(320, 240), 6).Wait(300).Up().Key(VK_SHIFT, false);
        input.Start();
        ASSERT_TRUE(input.Finish());
        PumpMessages(300);
    }
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), deNone);
    EXPECT_TRUE(processed.empty());
    EXPECT_TRUE(Exists(dir / "mine.txt"));

    // Onto its own folder, without keys: a move, on the same drive.
    ItemNamed("mine.txt").SetSelected(true);
    {
        InputScript input;
        input.MoveTo(OnItem("mine.txt")).Down().MoveTo(OnList(300, 200), 4);
        input.MoveTo(OnItem("target"), 6).Wait(300).Up();
        input.Start();
        ASSERT_TRUE(input.Finish());
    }
    ASSERT_TRUE(PumpUntil([&] { return !processed.empty(); }, 5000));
    EXPECT_EQ(processed.back(), deMove);
    EXPECT_EQ(view->DragDropFilesEx().LastDragResult(), dragdrop::TDragResult::drMove);
    EXPECT_TRUE(PumpUntil([&] { return Exists(dir / "target\\mine.txt"); }, 5000));
    EXPECT_FALSE(Exists(dir / "mine.txt"));
    // The moved file's item goes once the file is gone.
    EXPECT_TRUE(PumpUntil([&] { return view->FindFileItem("mine.txt") == nullptr; }, 5000));
}

TEST_F(DirViewDragDropTest, ProgramsAreLinkedByDefault) {
    TempDir from;
    WriteFileBytes(from / "tool.exe", "MZ");
    Load();
    StartPeer("source", Quoted(from / "tool.exe"));
    DragFromPeer(OnList(300, 250));
    EXPECT_EQ(processed.back(), deLink);
    EXPECT_TRUE(Exists(from / "tool.exe"));
    EXPECT_FALSE(Exists(dir / "tool.exe"));
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir / "*.lnk").c_str(), &found);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FindClose(h);
    EXPECT_EQ(std::string(found.cFileName).find("tool"), 0u) << found.cFileName;
}

TEST_F(DirViewDragDropTest, HoveringAtTheBottomScrollsSlowlyFirstThenFaster) {
    for (int i = 0; i < 80; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%d.txt", 100 + i);
        WriteFileBytes(dir / name, "x");
    }
    Load();
    OtherDriveDir from;
    WriteFileBytes(from / "s.txt", "s");
    StartPeer("source", Quoted(from / "s.txt"));
    std::vector<DWORD> steps; // when the top item changed
    int top = view->TopItem() ? view->TopItem()->Index() : 0;
    view->OnDDDragOver = [&](TDirView& v, DWORD, POINT, TDropEffects&) {
        const int now = v.TopItem() ? v.TopItem()->Index() : 0;
        if (now != top) steps.push_back(GetTickCount());
        top = now;
    };
    RECT client;
    GetClientRect(view->Handle(), &client);
    const POINT low = OnList(200, client.bottom - 8), low2 = OnList(201, client.bottom - 8);
    InputScript input;
    input.MoveTo(OnPeer()).Down().MoveTo(POINT{OnPeer().x + 20, OnPeer().y + 20}, 3).MoveTo(low, 8);
    for (int i = 0; i < 40; ++i)
        input.MoveTo(i % 2 ? low : low2, 1, 30);
    input.Up();
    input.Start();
    ASSERT_TRUE(input.Finish());
    PumpMessages(300);
    ASSERT_GE(steps.size(), 6u);
    // One line per step; the first steps 200 ms apart, later ones every 50 ms.
    for (size_t i = 1; i < 3; ++i)
        EXPECT_GE(steps[i] - steps[i - 1], 150u) << i;
    // A loaded machine may stretch any one step, so the speed-up shows in the fastest later one.
    DWORD fastest = MAXDWORD;
    for (size_t i = 4; i < steps.size(); ++i)
        fastest = std::min<DWORD>(fastest, steps[i] - steps[i - 1]);
    EXPECT_LT(fastest, 150u);
    EXPECT_GT(top, 0);
}

TEST_F(DirViewDragDropTest, FilesHoveringFromElsewhereBringARefreshSoonAfter) {
    Load();
    OtherDriveDir from;
    WriteFileBytes(from / "h.txt", "h");
    StartPeer("source", Quoted(from / "h.txt"));
    const std::string late = dir / "late.txt";
    InputScript input;
    input.MoveTo(OnPeer()).Down().MoveTo(POINT{OnPeer().x + 20, OnPeer().y + 20}, 3);
    input.MoveTo(OnList(300, 250), 8).Wait(200);
    // Another program writes into the folder meanwhile; the list does not watch it.
    input.Then([late] { WriteFileBytes(late, "l"); });
    input.MoveTo(OnPeer(), 8).Wait(100).Up();
    input.Start();
    ASSERT_TRUE(input.Finish());
    EXPECT_TRUE(processed.empty());
    EXPECT_TRUE(PumpUntil([&] { return view->FindFileItem("late.txt") != nullptr; }, 3000));
}

TEST_F(DirViewDragDropTest, AfterAMoveOutTheItemsGoWhenTheirFilesHaveGone) {
    WriteFileBytes(dir / "away.txt", "a");
    WriteFileBytes(dir / "stay.txt", "s");
    Load();
    StartPeer("target");
    ItemNamed("away.txt").SetSelected(true);
    InputScript input;
    input.MoveTo(OnItem("away.txt")).Down().MoveTo(OnList(250, 150), 4).Key(VK_SHIFT, true);
    input.MoveTo(OnPeer(), 10).Wait(300).Up().Key(VK_SHIFT, false);
    input.Start();
    ASSERT_TRUE(input.Finish());
    ASSERT_TRUE(PumpUntil([&] { return !PeerFile("done").empty(); }, 10000));
    EXPECT_EQ(view->DragDropFilesEx().LastDragResult(), dragdrop::TDragResult::drMove);
    EXPECT_TRUE(view->WatchingMovedFiles());
    // The peer only reports the move; the files go when the receiver has taken them.
    PumpMessages(700);
    EXPECT_NE(view->FindFileItem("away.txt"), nullptr);
    ASSERT_TRUE(DeleteFileA((dir / "away.txt").c_str()));
    EXPECT_TRUE(PumpUntil([&] { return view->FindFileItem("away.txt") == nullptr; }, 3000));
    EXPECT_NE(view->FindFileItem("stay.txt"), nullptr);
}
