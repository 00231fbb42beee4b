// Real drags between the product's control and a second program, both ways, driven by input.
#include "tests/dragdrop/PeerFixture.h"

#include "dragdrop/FileFormats.h"

#include <cstring>

using namespace ddtest;
using namespace dragdrop;

namespace {

std::string Bytes(LPCITEMIDLIST p) {
    return std::string(reinterpret_cast<const char*>(p), shell::PidlSize(p));
}

uint32_t U32(const std::string& b, size_t at) {
    uint32_t v = 0;
    if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
    return v;
}

} // namespace

class PeerDragTest : public PeerFixture {};

TEST_F(PeerDragTest, FilesDraggedOutArriveInEveryFormat) {
    std::string a = temp / "A", b = temp / "B";
    CreateDirectoryA(a.c_str(), nullptr);
    CreateDirectoryA(b.c_str(), nullptr);
    std::vector<std::string> names = {a + "\\one.jpg", a + "\\two.jpg", a + "\\three.jpg", b + "\\four.jpg"};
    for (const std::string& n : names)
        testsupport::WriteFileBytes(n, "x");
    for (const std::string& n : names)
        dd->FileList().Add(n);
    dd->FileList().Item(1).MappedName = "Zwei.jpg";
    dd->SetSourceEffects(deCopy | deMove);
    dd->SetAutoDetectDnD(true);
    ASSERT_TRUE(StartPeer("target"));

    InputScript input;
    input.MoveTo(OnPanel(100, 100)).Down().MoveTo(OnPanel(130, 110), 4).MoveTo(OnPeer(), 10).Wait(300).Up();
    input.Start();
    ASSERT_TRUE(input.Finish());
    ASSERT_TRUE(WaitPeerFile("done"));
    EXPECT_EQ(dd->LastDragResult(), TDragResult::drCopy);

    std::string formats = PeerFile("formats");
    EXPECT_NE(formats.find("CF_HDROP\n"), std::string::npos) << formats;
    EXPECT_NE(formats.find("Shell IDList Array\n"), std::string::npos) << formats;
    EXPECT_NE(formats.find("FileNameMapW\n"), std::string::npos) << formats;

    // The file-drop list: the 20-byte header, the names, one more zero.
    std::string expected("\x14\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20);
    for (const std::string& n : names)
        expected += n + '\0';
    expected += '\0';
    std::string hdrop = PeerFile("hdrop");
    ASSERT_GE(hdrop.size(), expected.size());
    EXPECT_EQ(hdrop.substr(0, expected.size()), expected);

    // The id list array: four items, parent A before the first, parent B again before the fourth.
    // (Shell id lists carry file times, so the lists are those the component completed at the
    // start of the drag; their paths are checked separately.)
    std::vector<shell::UniquePidl> full;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(dd->FileList().Item(i).Pidl);
        full.emplace_back(shell::PidlCopy(dd->FileList().Item(i).Pidl.get()));
        char path[MAX_PATH] = {};
        ASSERT_TRUE(SHGetPathFromIDListA(full[i].get(), path));
        EXPECT_EQ(path, names[i]);
    }
    LPITEMIDLIST parentA = nullptr, parentB = nullptr, child = nullptr;
    shell::PidlSplit(full[0].get(), parentA, child);
    shell::PidlFree(child);
    shell::PidlSplit(full[3].get(), parentB, child);
    shell::PidlFree(child);
    shell::UniquePidl pa(parentA), pb(parentB);
    std::string ids = PeerFile("idlist");
    ASSERT_EQ(U32(ids, 0), 4u);
    const uint32_t first = U32(ids, 4);
    EXPECT_EQ(first, 24u);
    EXPECT_EQ(ids.substr(first, Bytes(pa.get()).size()), Bytes(pa.get()));
    for (int i = 0; i < 4; ++i) {
        LPITEMIDLIST parent = nullptr, child = nullptr;
        shell::PidlSplit(full[i].get(), parent, child);
        shell::UniquePidl p(parent), c(child);
        uint32_t at = U32(ids, 8 + 4 * i);
        EXPECT_EQ(ids.substr(at, Bytes(c.get()).size()), Bytes(c.get())) << i;
        if (i == 3) {
            // The second folder's list sits right before its first item.
            std::string pbBytes = Bytes(pb.get());
            ASSERT_GE(at, pbBytes.size());
            EXPECT_EQ(ids.substr(at - pbBytes.size(), pbBytes.size()), pbBytes);
        }
    }
    // And a reader of ours takes the right parent for each.
    std::vector<shell::UniquePidl> back;
    ASSERT_TRUE(ParseIdListArray(ids, back));
    ASSERT_EQ(back.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(shell::PidlCompare(back[i].get(), full[i].get())) << i;

    // The wide name map: the mapped name, and the own names of the files without one.
    std::string mapw = PeerFile("mapw");
    std::wstring w = L"one.jpg";
    w += L'\0';
    w += L"Zwei.jpg";
    w += L'\0';
    w += L"three.jpg";
    w += L'\0';
    w += L"four.jpg";
    w += L'\0';
    w += L'\0';
    EXPECT_EQ(mapw, std::string(reinterpret_cast<const char*>(w.data()), w.size() * 2));
    EXPECT_EQ(errors, "");
}

namespace {

struct Dropped {
    int count = 0;
    DWORD keys = 0;
    POINT point{};
    TDropEffects effect = deNone;
};

} // namespace

TEST_F(PeerDragTest, FilesDraggedInAreReadAfterTheDragLoopWithTheirMappedNames) {
    std::string f1 = temp / "first.txt", f2 = temp / "second.txt";
    testsupport::WriteFileBytes(f1, "1");
    testsupport::WriteFileBytes(f2, "2");
    dd->SetTargetEffects(deCopy | deMove);
    Dropped dropped;
    int dropsSeen = 0;
    std::vector<std::string> namesAtProcess;
    dd->OnDrop = [&](IDataObject*, DWORD, POINT, TDropEffects&) { ++dropsSeen; };
    dd->OnProcessDropped = [&](DWORD keys, POINT p, TDropEffects e) {
        dropped = {dropped.count + 1, keys, p, e};
        for (int i = 0; i < dd->FileList().Count(); ++i)
            namesAtProcess.push_back(dd->FileList().Item(i).Name + "|" + dd->FileList().Item(i).MappedName);
    };
    ASSERT_TRUE(StartPeer("source", "--map Eins.txt Zwei.txt -- \"" + f1 + "\" \"" + f2 + "\""));

    // Shift alone asks for a move, which the target accepts.
    InputScript input;
    // The keys go to the source, which has the focus once the drag runs.
    input.MoveTo(OnPeer()).Down().MoveTo(OnPeer(120, 120), 3).Key(VK_SHIFT, true);
    input.MoveTo(OnPanel(200, 150), 10).Wait(300).Up().Key(VK_SHIFT, false);
    input.Start();
    ASSERT_TRUE(input.Finish());
    ASSERT_TRUE(testsupport::PumpUntil([&] { return dropped.count > 0; }, 5000));
    EXPECT_EQ(dropsSeen, 1);
    EXPECT_EQ(dropped.effect, deMove);
    EXPECT_EQ(dropped.point.x, 200);
    EXPECT_EQ(dropped.point.y, 150);
    EXPECT_EQ(namesAtProcess, (std::vector<std::string>{f1 + "|Eins.txt", f2 + "|Zwei.txt"}));
    EXPECT_TRUE(dd->MappedNames());
    ASSERT_TRUE(WaitPeerFile("result"));
    EXPECT_EQ(PeerFile("result").substr(0, 11), "00040100 2 ") << PeerFile("result");
    EXPECT_EQ(errors, "");
}

TEST_F(PeerDragTest, AMapWithMoreNamesThanFilesFailsTheDrop) {
    std::string f1 = temp / "only.txt";
    testsupport::WriteFileBytes(f1, "1");
    dd->SetTargetEffects(deCopy);
    int processed = 0;
    dd->OnProcessDropped = [&](DWORD, POINT, TDropEffects) { ++processed; };
    ASSERT_TRUE(StartPeer("source", "--map a.txt b.txt -- \"" + f1 + "\""));
    InputScript input;
    input.MoveTo(OnPeer()).Down().MoveTo(OnPanel(200, 150), 10).Wait(300).Up();
    input.Start();
    ASSERT_TRUE(input.Finish());
    ASSERT_TRUE(WaitPeerFile("result"));
    testsupport::PumpMessages(200);
    EXPECT_EQ(errors, "A non-existing filename is mapped");
    EXPECT_EQ(processed, 0);
    // The source learns that nothing was dropped.
    EXPECT_EQ(PeerFile("result").substr(0, 11), "00040100 0 ") << PeerFile("result");
}

TEST_F(PeerDragTest, TheKeysChooseTheEffectAmongWhatBothSidesAllow) {
    std::string f1 = temp / "k.txt";
    testsupport::WriteFileBytes(f1, "1");
    dd->SetTargetEffects(deCopy | deMove | deLink);
    std::vector<TDropEffects> effects;
    dd->OnProcessDropped = [&](DWORD, POINT, TDropEffects e) { effects.push_back(e); };
    ASSERT_TRUE(StartPeer("source", "\"" + f1 + "\""));
    const std::vector<std::vector<WORD>> keys = {{}, {VK_SHIFT}, {VK_SHIFT, VK_CONTROL}, {VK_CONTROL}};
    for (const auto& held : keys) {
        InputScript input;
        input.MoveTo(OnPeer()).Down().MoveTo(OnPeer(120, 120), 3);
        for (WORD k : held)
            input.Key(k, true);
        input.MoveTo(OnPanel(150, 150), 8).Wait(250).Up();
        for (WORD k : held)
            input.Key(k, false);
        input.Start();
        ASSERT_TRUE(input.Finish());
        size_t before = effects.size();
        testsupport::PumpUntil([&] { return effects.size() > before - 1 + 1; }, 3000);
    }
    // None: the first of copy, move and link; Shift: move; Shift+Ctrl: link; Ctrl alone: copy.
    EXPECT_EQ(effects, (std::vector<TDropEffects>{deCopy, deMove, deLink, deCopy}));
}

TEST_F(PeerDragTest, AnOwnDragIsRefusedUnlessAccepted) {
    std::string f1 = temp / "own.txt";
    testsupport::WriteFileBytes(f1, "1");
    dd->FileList().Add(f1);
    dd->SetSourceEffects(deCopy | deMove);
    dd->SetTargetEffects(deCopy | deMove);
    dd->SetAutoDetectDnD(true);
    int drops = 0, processed = 0;
    DWORD feedback = 0;
    dd->OnDrop = [&](IDataObject*, DWORD, POINT, TDropEffects&) { ++drops; };
    dd->OnProcessDropped = [&](DWORD, POINT, TDropEffects) { ++processed; };
    dd->OnGiveFeedback = [&](TDropEffects e, HRESULT&) { feedback |= e; };

    auto drag = [&] {
        dd->FileList().Clear();
        dd->FileList().Add(f1);
        InputScript input;
        input.MoveTo(OnPanel(60, 60))
            .Down()
            .MoveTo(OnPanel(80, 70), 4)
            .MoveTo(OnPanel(300, 220), 8)
            .Wait(250)
            .Up();
        input.Start();
        ASSERT_TRUE(input.Finish());
        testsupport::PumpMessages(300);
    };
    drag();
    // No effect all the way (the no-drop cursor) and no drop.
    EXPECT_EQ(feedback, deNone);
    EXPECT_EQ(drops, 0);
    EXPECT_EQ(processed, 0);
    EXPECT_EQ(dd->LastDragResult(), TDragResult::drCancelled);

    // Accepted, with the owner's own cursor for copying shown over the target.
    dd->SetAcceptOwnDnD(true);
    HCURSOR own = LoadCursor(nullptr, IDC_HAND);
    dd->SetDragCursor(deCopy, false, own);
    bool ownShown = false;
    dd->OnQueryContinueDrag = [&](bool, DWORD, HRESULT&) { ownShown = ownShown || GetCursor() == own; };
    drag();
    EXPECT_TRUE(ownShown);
    EXPECT_EQ(feedback, deCopy);
    EXPECT_EQ(processed, 1);
    EXPECT_EQ(dd->LastDragResult(), TDragResult::drCopy);
}

TEST_F(PeerDragTest, ClipboardCopyAndPasteReachASecondProcess) {
    std::string f1 = temp / "c1.txt", f2 = temp / "c2.txt";
    testsupport::WriteFileBytes(f1, "1");
    testsupport::WriteFileBytes(f2, "2");
    dd->FileList().Add(f1);
    dd->FileList().Add(f2);
    ASSERT_TRUE(dd->CopyToClipboard());
    {
        testsupport::ChildProcess dump("\"" + testsupport::ExeFolder() + "ddpeer.exe\" clipdump \"" + Out() +
                                       "\"");
        ASSERT_EQ(dump.WaitForExit(15000), 0u);
    }
    std::string expected("\x14\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20);
    expected += f1 + '\0' + f2 + '\0' + '\0';
    std::string hdrop = PeerFile("hdrop");
    ASSERT_GE(hdrop.size(), expected.size());
    EXPECT_EQ(hdrop.substr(0, expected.size()), expected);
    EXPECT_NE(PeerFile("formats").find("Shell IDList Array"), std::string::npos);

    {
        testsupport::ChildProcess put("\"" + testsupport::ExeFolder() + "ddpeer.exe\" clipput \"" + f2 +
                                      "\" \"" + f1 + "\"");
        ASSERT_EQ(put.WaitForExit(15000), 0u);
    }
    Dropped pasted;
    dd->OnProcessDropped = [&](DWORD keys, POINT p, TDropEffects e) {
        pasted = {pasted.count + 1, keys, p, e};
    };
    ASSERT_TRUE(dd->PasteFromClipboard());
    EXPECT_EQ(pasted.count, 1);
    EXPECT_EQ(pasted.effect, deCopy);
    EXPECT_EQ(pasted.point.x, -1);
    EXPECT_EQ(pasted.point.y, -1);
    ASSERT_EQ(dd->FileList().Count(), 2);
    EXPECT_EQ(dd->FileList().Item(0).Name, f2);
    EXPECT_EQ(dd->FileList().Item(1).Name, f1);
    OleSetClipboard(nullptr);
}

TEST_F(PeerDragTest, DetectionEndsOnReleaseAndIsCancelledByTheOtherButton) {
    dd->FileList().Add(temp / "never.txt");
    dd->SetSourceEffects(deCopy);
    dd->SetAutoDetectDnD(true);
    std::vector<TDragDetectStatus> seen;
    dd->OnDragDetect = [&](DWORD, POINT, POINT, TDragDetectStatus s) { seen.push_back(s); };
    InputScript input;
    // A click without movement, a small move within the delta, then the second button.
    input.MoveTo(OnPanel(100, 100)).Down().MoveTo(OnPanel(108, 95), 2).Up();
    input.Down(true).Down().MoveTo(OnPanel(160, 160), 4).Up().Up(true);
    input.Start();
    ASSERT_TRUE(input.Finish());
    testsupport::RunUntilIdle();
    using S = TDragDetectStatus;
    EXPECT_EQ(seen, (std::vector<S>{S::ddsLeft, S::ddsNone, S::ddsRight, S::ddsCancelled, S::ddsNone}));
    EXPECT_EQ(dd->DetectStatus(), S::ddsNone);
    EXPECT_FALSE(dd->Dragging());
}
