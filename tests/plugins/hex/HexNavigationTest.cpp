#include "tests/plugins/hex/HexFixture.h"

using namespace kvhex;
using namespace hextest;
using namespace testsupport;

namespace {

using HexNavigationTest = HexFixture;

TEST_F(HexNavigationTest, ArrowsWalkNibblesAndBytesWithinTheData) {
    Show(CountingBytes(20)); // a short second row of 4 bytes
    Press(H(), VK_LEFT);
    EXPECT_EQ(ed->Col(), 2);
    Press(H(), VK_RIGHT);
    EXPECT_EQ(ed->Col(), 3);
    EXPECT_EQ(ed->CursorOffset(), 0);
    for (int i = 0; i < 30; ++i)
        Press(H(), VK_RIGHT);
    EXPECT_EQ(ed->Col(), 33);
    Press(H(), VK_RIGHT); // wraps to the next row
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->Col(), 2);
    Press(H(), VK_LEFT);
    EXPECT_EQ(ed->Row(), 0);
    EXPECT_EQ(ed->Col(), 33);
    // Down onto the short row lands on its last byte, keeping the nibble.
    Press(H(), VK_DOWN);
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->CursorOffset(), 19);
    EXPECT_EQ(ed->Col(), 9);
    Press(H(), VK_RIGHT); // the last nibble of the last byte
    EXPECT_EQ(ed->Col(), 9);
    Press(H(), VK_DOWN);
    EXPECT_EQ(ed->Row(), 1);
    Press(H(), VK_HOME);
    EXPECT_EQ(ed->Col(), 2);
    Press(H(), VK_END);
    EXPECT_EQ(ed->CursorOffset(), 19);
    Press(H(), VK_BACK); // Left in read-only view
    EXPECT_EQ(ed->Col(), 7);
    Press(H(), VK_HOME, {.ctrl = true});
    EXPECT_EQ(ed->Row(), 0);
    EXPECT_EQ(ed->Col(), 2);
    Press(H(), VK_RIGHT, {.ctrl = true});
    EXPECT_EQ(ed->Col(), 33);
}

TEST_F(HexNavigationTest, TabJumpsBetweenTheTwinCellsAndTheCharacterAreaMovesByBytes) {
    Show(CountingBytes(40));
    Press(H(), VK_RIGHT);
    Press(H(), VK_RIGHT);
    Press(H(), VK_RIGHT); // the low nibble of byte 1
    Press(H(), VK_TAB);
    EXPECT_EQ(ed->Col(), CharCol(1));
    EXPECT_TRUE(ed->InCharField());
    Press(H(), VK_RIGHT);
    EXPECT_EQ(ed->CursorOffset(), 2);
    Press(H(), VK_END);
    EXPECT_EQ(ed->Col(), CharCol(15));
    Press(H(), VK_RIGHT);
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->Col(), CharCol(16));
    Press(H(), VK_END, {.ctrl = true});
    EXPECT_EQ(ed->CursorOffset(), 39);
    EXPECT_TRUE(ed->InCharField());
    Press(H(), VK_TAB, {.shift = true});
    EXPECT_EQ(ed->Col(), HexCol(39));
    Press(H(), 'T', {.ctrl = true});
    EXPECT_EQ(ed->Col(), CharCol(39));
    ed->SetWantTabs(false);
    EXPECT_EQ(SendMessageA(H(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
    ed->SetWantTabs(true);
    EXPECT_NE(SendMessageA(H(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
}

TEST_F(HexNavigationTest, CtrlEndInALargeFileMovesTheWindowAndShowsTheLastRow) {
    std::string bytes = CountingBytes(100000);
    bytes[99999] = '\x5C';
    Show(bytes);
    RedrawWindow(H(), nullptr, nullptr, RDW_UPDATENOW);
    EXPECT_EQ(ed->ReadWindowStart(), 0);
    Press(H(), VK_END, {.ctrl = true});
    RedrawWindow(H(), nullptr, nullptr, RDW_UPDATENOW);
    EXPECT_EQ(ed->Row(), 6249);
    EXPECT_EQ(ed->Col(), HexCol(99999));
    EXPECT_GE(ed->Row(), ed->TopRow());
    EXPECT_LT(ed->Row(), ed->TopRow() + ed->VisibleRowCount());
    RECT cell = ed->CellRect(ed->Col(), ed->Row());
    EXPECT_GT(cell.bottom, cell.top);
    int64_t start = ed->ReadWindowStart();
    EXPECT_GT(start, 65536 - 32768);
    EXPECT_LE(start, 99984);
    EXPECT_EQ(Text(0, 6249), "0x18690:");
    EXPECT_EQ(Text(HexCol(99999), 6249), "5");
    EXPECT_EQ(Text(HexCol(99999) + 1, 6249), "C");
    EXPECT_EQ(Text(CharCol(99999), 6249), "\\");
    EXPECT_EQ(Text(HexCol(99998) + 1, 6249), "E"); // 99998 mod 256 = 0x9E
}

TEST_F(HexNavigationTest, PageKeysMoveCaretAndTopRowByTheVisibleRowsLessOne) {
    Show(CountingBytes(16 * 500));
    int page = ed->VisibleRowCount() - 1;
    ASSERT_GT(page, 2);
    Press(H(), VK_NEXT);
    EXPECT_EQ(ed->Row(), page);
    EXPECT_EQ(ed->TopRow(), page);
    Press(H(), VK_NEXT);
    EXPECT_EQ(ed->Row(), 2 * page);
    EXPECT_EQ(ed->TopRow(), 2 * page);
    Press(H(), VK_PRIOR);
    EXPECT_EQ(ed->Row(), page);
    EXPECT_EQ(ed->TopRow(), page);
    Press(H(), VK_NEXT, {.ctrl = true});
    EXPECT_EQ(ed->Row(), ed->TopRow() + ed->VisibleRowCount() - 1);
    Press(H(), VK_PRIOR, {.ctrl = true});
    EXPECT_EQ(ed->Row(), ed->TopRow());
    for (int i = 0; i < 600 / page + 2; ++i)
        Press(H(), VK_NEXT);
    EXPECT_EQ(ed->Row(), 499);
    EXPECT_EQ(ed->TopRow(), ed->MaxTopRow());
}

TEST_F(HexNavigationTest, ShiftSelectsFromWhereItWasPressedAndAPlainMoveClears) {
    Show(CountingBytes(100));
    Press(H(), VK_RIGHT);
    Press(H(), VK_RIGHT); // byte 1
    Press(H(), VK_SHIFT, {.shift = true});
    for (int i = 0; i < 4; ++i)
        Press(H(), VK_RIGHT, {.shift = true});
    EXPECT_EQ(ed->SelStart(), 1);
    EXPECT_EQ(ed->SelEnd(), 3);
    Press(H(), VK_DOWN, {.shift = true});
    EXPECT_EQ(ed->SelStart(), 1);
    EXPECT_EQ(ed->SelEnd(), 19);
    Press(H(), VK_UP, {.shift = true});
    Press(H(), VK_HOME, {.shift = true});
    EXPECT_EQ(ed->SelStart(), 0);
    EXPECT_EQ(ed->SelEnd(), 1);
    EXPECT_EQ(ed->CellLook(2, 0).background, RGB(0, 0, 255));
    Press(H(), VK_RIGHT);
    EXPECT_EQ(ed->SelStart(), -1);
    EXPECT_EQ(ed->SelEnd(), -1);
    EXPECT_EQ(ed->CellLook(2, 0).background, ed->Colors().Background());
}

TEST_F(HexNavigationTest, MouseSelectsByDraggingAndLandsOnBytesOnly) {
    Show(CountingBytes(40));
    POINT from = CellCentre(*ed, HexCol(2), 0);
    MouseDown(H(), from);
    EXPECT_EQ(ed->CursorOffset(), 2);
    MouseDrag(H(), CellCentre(*ed, HexCol(20), 1));
    EXPECT_EQ(ed->SelStart(), 2);
    EXPECT_EQ(ed->SelEnd(), 20);
    // The separator column stands for the nibble left of it.
    MouseDrag(H(), CellCentre(*ed, 34, 0));
    EXPECT_EQ(ed->Col(), 33);
    EXPECT_EQ(ed->SelEnd(), 15);
    // Past the end of the data: the last byte, in the same area.
    MouseDrag(H(), CellCentre(*ed, CharCol(15), 2));
    EXPECT_EQ(ed->CursorOffset(), 39);
    EXPECT_TRUE(ed->InCharField());
    MouseUp(H(), CellCentre(*ed, CharCol(15), 2));
    EXPECT_EQ(ed->SelStart(), 2);
    EXPECT_EQ(ed->SelEnd(), 39);
    // A new press clears it; a double click does not start selecting.
    MouseDown(H(), CellCentre(*ed, HexCol(5), 0));
    EXPECT_EQ(ed->SelStart(), -1);
    MouseUp(H(), CellCentre(*ed, HexCol(5), 0));
    MouseDown(H(), CellCentre(*ed, HexCol(6), 0), true);
    MouseDrag(H(), CellCentre(*ed, HexCol(9), 0));
    EXPECT_EQ(ed->SelStart(), -1);
    MouseUp(H(), CellCentre(*ed, HexCol(9), 0));
    // Clicks on the offset and marker columns go to the row's first byte.
    MouseDown(H(), CellCentre(*ed, 0, 1));
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->Col(), 2);
    MouseUp(H(), CellCentre(*ed, 0, 1));
}

} // namespace
