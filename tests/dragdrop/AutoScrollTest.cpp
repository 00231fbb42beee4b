// Auto-scroll while files are dragged over the bottom edge of a list, timed from the list's own
// scroll messages.
#include "tests/dragdrop/PeerFixture.h"

#include "kovalin/ListView.h"

#include <algorithm>
#include <atomic>
#include <commctrl.h>

using namespace ddtest;
using namespace dragdrop;

namespace {

struct ScrollRecord {
    DWORD time;
    WORD code;
};

std::vector<ScrollRecord>* g_records = nullptr;

LRESULT CALLBACK RecordScrolls(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == WM_VSCROLL && g_records) g_records->push_back({GetTickCount(), LOWORD(wParam)});
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

} // namespace

class AutoScrollTest : public PeerFixture {};

TEST_F(AutoScrollTest, HoldingTheCursorAtTheBottomScrollsLineByLineToTheEnd) {
    kovalin::TListView::Params lp;
    lp.width = 400;
    lp.height = 300;
    lp.viewStyle = kovalin::TViewStyle::vsReport;
    kovalin::TListView list(*form, lp);
    kovalin::TListColumn::Params cp;
    cp.caption = "Name";
    cp.width = 300;
    list.AddColumn(cp);
    for (int i = 0; i < 40; ++i)
        list.AddItem("item " + std::to_string(i));
    panel->SetVisible(false);
    testsupport::RunUntilIdle();
    dd->SetDragDropControl(&list);
    dd->SetTargetEffects(deCopy);
    dd->ScrollDetectOptions().SetVertScrolling(true);
    std::vector<ScrollRecord> records;
    g_records = &records;
    SetWindowSubclass(list.Handle(), RecordScrolls, 1, 0);

    const int height = static_cast<int>(list.ClientRect().bottom);
    std::atomic<DWORD> enteredArea{0};
    std::atomic<bool> ended{false};
    int afterScrolling = 0;
    dd->OnDragOver = [&](DWORD, POINT p, TDropEffects&) {
        if (p.y >= height - 11 && !enteredArea) enteredArea = GetTickCount();
        if (!records.empty() && records.back().code == SB_ENDSCROLL) ended = true;
    };
    // What the target answers while it scrolls (the system's drag loop here keeps the scroll flag
    // from the source, so it is asked directly).
    DWORD effectWhileScrolling = 0;
    dd->OnAfterScrolling = [&] {
        if (++afterScrolling != 2) return;
        POINT p = CursorPos();
        DWORD e = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        dd->DropTarget()->DragOver(MK_LBUTTON, POINTL{p.x, p.y}, &e);
        effectWhileScrolling = e;
    };

    std::string f1 = temp / "s.txt";
    testsupport::WriteFileBytes(f1, "1");
    ASSERT_TRUE(StartPeer("source", "\"" + f1 + "\""));
    InputScript input;
    input.MoveTo(OnPeer()).Down();
    POINT bottom{200, height - 5};
    ClientToScreen(list.Handle(), &bottom);
    input.MoveTo(OnPanel(200, 150), 8).MoveTo(bottom, 3);
    // Held there until the list has reached its end (or a generous time is up).
    input.Then([&] {
        for (int i = 0; i < 300 && !ended; ++i) {
            Sleep(50);
            MoveCursor(bottom); // a resting cursor, still seen by the drag loop
        }
    });
    input.MoveTo(OnPanel(200, 150), 3).Wait(200).Up();
    input.Start();
    ASSERT_TRUE(input.Finish(30000));
    g_records = nullptr;
    RemoveWindowSubclass(list.Handle(), RecordScrolls, 1);
    ASSERT_TRUE(WaitPeerFile("result"));

    std::vector<DWORD> steps;
    for (const ScrollRecord& r : records)
        if (r.code == SB_LINEDOWN) steps.push_back(r.time);
    ASSERT_GE(steps.size(), 5u);
    // Nothing but line steps, then one end-scroll after the last.
    EXPECT_EQ(records.back().code, SB_ENDSCROLL);
    EXPECT_EQ(std::count_if(records.begin(), records.end(), [](auto& r) { return r.code == SB_ENDSCROLL; }),
              1);
    // The first step waits the start delay; the others come every scroll delay.
    ASSERT_NE(enteredArea.load(), 0u);
    const long firstDelay = static_cast<long>(steps.front() - enteredArea.load());
    EXPECT_GE(firstDelay, 750 - 60);
    EXPECT_LE(firstDelay, 750 + 600);
    std::vector<DWORD> gaps;
    for (size_t i = 1; i < steps.size(); ++i)
        gaps.push_back(steps[i] - steps[i - 1]);
    std::sort(gaps.begin(), gaps.end());
    const DWORD median = gaps[gaps.size() / 2];
    EXPECT_GE(median, 100u - 30u);
    EXPECT_LE(median, 100u + 150u);
    EXPECT_EQ(afterScrolling, static_cast<int>(steps.size()));
    // At the end of the list: the last item is in view and the bar is at its bottom.
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(list.Handle(), SB_VERT, &si);
    EXPECT_EQ(si.nPos, si.nMax - static_cast<int>(si.nPage) + 1);
    EXPECT_EQ(effectWhileScrolling, DROPEFFECT_COPY | DROPEFFECT_SCROLL);
    std::string result = PeerFile("result");
    EXPECT_EQ(result.substr(0, 11), "00040100 1 ") << result;
    dd->SetDragDropControl(panel.get());
}
