#include "tests/plugins/hex/HexFixture.h"

#include "plugins/hex/hexcolors.h"

using namespace kvhex;
using namespace hextest;
using namespace testsupport;

namespace {

using HexEditorTest = HexFixture;

const COLORREF kBlue = RGB(0, 0, 255), kNavy = RGB(0, 0, 128), kMaroon = RGB(128, 0, 0);

TEST_F(HexEditorTest, AnEmptyDocumentAndAZeroByteFileShowOneRowAtOffsetZero) {
    EXPECT_EQ(ed->FileName(), "Untitled");
    EXPECT_EQ(ed->RowCount(), 1);
    EXPECT_EQ(Text(0, 0), "0x0:");
    ed->SetOffsetDisplay(TOffsetDisplay::odDec);
    EXPECT_EQ(Text(0, 0), "0:");
    ed->SetOffsetDisplay(TOffsetDisplay::odOctal);
    EXPECT_EQ(Text(0, 0), "o 0:");
    ed->SetOffsetDisplay(TOffsetDisplay::odNone);
    EXPECT_EQ(Text(0, 0), "   ");
    ed->SetOffsetDisplay(TOffsetDisplay::odHex);

    std::string path = Show("");
    EXPECT_EQ(ed->FileName(), path);
    EXPECT_EQ(ed->RowCount(), 1);
    EXPECT_EQ(Text(0, 0), "0x0:");
    EXPECT_EQ(Text(2, 0), "   ");
    EXPECT_EQ(Text(CharCol(0), 0), "   ");
    EXPECT_EQ(ed->Col(), 2);
    EXPECT_EQ(ed->Row(), 0);
    // Nothing to move to.
    Press(H(), VK_RIGHT);
    Press(H(), VK_END, {.ctrl = true});
    EXPECT_EQ(ed->Col(), 2);
}

TEST_F(HexEditorTest, SeventeenBytesMakeTwoRowsWithAFiveCharacterOffsetColumn) {
    std::string bytes = CountingBytes(16) + "\xAB";
    Show(bytes);
    EXPECT_EQ(ed->ColCount(), 51);
    EXPECT_EQ(ed->FixedCols(), 2);
    EXPECT_EQ(ed->RowCount(), 2);
    EXPECT_EQ(ed->OffsetWidthChars(), 5);
    int cw = ed->CharWidth();
    EXPECT_EQ(ed->ColWidth(0), 5 * cw);
    EXPECT_EQ(ed->ColWidth(1), cw);
    // Nibble columns, the last of each two-byte group wider for the gap, the blank separator.
    EXPECT_EQ(ed->ColWidth(2), cw);
    EXPECT_EQ(ed->ColWidth(5), 2 * cw);
    EXPECT_EQ(ed->ColWidth(33), 2 * cw);
    EXPECT_EQ(ed->ColWidth(34), cw);
    EXPECT_EQ(Text(0, 0), "0x00:");
    EXPECT_EQ(Text(0, 1), "0x10:");
    EXPECT_EQ(Text(2, 1), "A");
    EXPECT_EQ(Text(3, 1), "B");
    EXPECT_EQ(Text(4, 1), " ");
    EXPECT_EQ(Text(33, 1), " ");
    EXPECT_EQ(Text(34, 0), " ");
    EXPECT_EQ(Text(CharCol(16), 1), "\xAB");
    EXPECT_EQ(Text(CharCol(17), 1), " ");
    ed->SetShowMarkerColumn(false);
    EXPECT_EQ(ed->ColWidth(1), 0);
}

TEST_F(HexEditorTest, HexDigitsNibbleOrderAndMaskedControlCharacters) {
    Show(CountingBytes(256));
    // Byte 0x4A is the 11th of row 4.
    EXPECT_EQ(Text(HexCol(0x4A), 4), "4");
    EXPECT_EQ(Text(HexCol(0x4A) + 1, 4), "A");
    EXPECT_EQ(Text(CharCol(0x41), 4), "A");
    EXPECT_EQ(Text(CharCol(0x09), 0), ".");
    EXPECT_EQ(Text(CharCol(0x1F), 1), ".");
    EXPECT_EQ(Text(CharCol(0x20), 2), " ");
    ed->SetMaskChar('~');
    EXPECT_EQ(Text(CharCol(0x09), 0), "~");
    ed->SetMaskWhiteSpaces(false);
    EXPECT_EQ(Text(CharCol(0x09), 0), "\t");
    ed->SetSwapNibbles(true);
    EXPECT_EQ(Text(HexCol(0x4A), 4), "A");
    EXPECT_EQ(Text(HexCol(0x4A) + 1, 4), "4");
}

TEST_F(HexEditorTest, EveryTranslationTableAsDrawn) {
    Show(CountingBytes(256));
    auto ch = [&](int b) {
        std::string t = Text(CharCol(b), b / 16);
        return t.empty() ? -1 : static_cast<unsigned char>(t[0]);
    };
    ed->SetTranslation(TTranslationType::ttEBCDIC);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(ch(0xC1 + i), 'A' + i);
        EXPECT_EQ(ch(0xD1 + i), 'J' + i);
        EXPECT_EQ(ch(0x81 + i), 'a' + i);
        EXPECT_EQ(ch(0x91 + i), 'j' + i);
    }
    EXPECT_EQ(ch(0xE2), 'S');
    EXPECT_EQ(ch(0xE9), 'Z');
    EXPECT_EQ(ch(0xA2), 's');
    EXPECT_EQ(ch(0xA9), 'z');
    EXPECT_EQ(ch(0xF0), '0');
    EXPECT_EQ(ch(0xF9), '9');
    EXPECT_EQ(ch(0x40), ' ');
    EXPECT_EQ(ch(0x4F), 0xFE);
    EXPECT_EQ(ch(0x51), '&');
    EXPECT_EQ(ch(0x7F), '"');
    EXPECT_EQ(ch(0xA1), '~');
    EXPECT_EQ(ch(0xE0), '\\');
    EXPECT_EQ(ch(0x41), '.'); // undefined codes show the mask character
    EXPECT_EQ(ch(0xCA), '.');
    EXPECT_EQ(ch(0xFF), '.');

    ed->SetTranslation(TTranslationType::ttMac);
    EXPECT_EQ(ch(0x41), 'A');
    EXPECT_EQ(ch(0x80), 0xC4);
    EXPECT_EQ(ch(0x8F), 0xE8);
    EXPECT_EQ(ch(0xA5), 0x80);
    EXPECT_EQ(ch(0xB6), 0x8F);
    EXPECT_EQ(ch(0xCA), 0xA0);
    EXPECT_EQ(ch(0xD8), 0xFF);
    EXPECT_EQ(ch(0xE0), 0xFD);
    EXPECT_EQ(ch(0xFF), 0x9D);

    // The OEM code page is 437 here: 0x80 is C with cedilla, 0xE1 sharp s.
    ed->SetTranslation(TTranslationType::ttDos8);
    EXPECT_EQ(ch(0x41), 'A');
    EXPECT_EQ(ch(0x80), 0xC7);
    EXPECT_EQ(ch(0xE1), 0xDF);
    ed->SetTranslation(TTranslationType::ttASCII);
    EXPECT_EQ(ch(0x41), 'A');
    EXPECT_EQ(ch(0x80), '.');
    EXPECT_EQ(ch(0xE1), '.');
    ed->SetTranslation(TTranslationType::ttAnsi);
    EXPECT_EQ(ch(0xE1), 0xE1);
}

TEST_F(HexEditorTest, GroupColoursSelectionColoursAndTheirComplements) {
    Show(CountingBytes(64));
    EXPECT_EQ(ed->CellLook(2, 0).textColor, kBlue);  // first group
    EXPECT_EQ(ed->CellLook(6, 0).textColor, kNavy);  // second group
    EXPECT_EQ(ed->CellLook(10, 0).textColor, kBlue); // third group
    EXPECT_EQ(ed->CellLook(0, 0).textColor, RGB(0, 0, 0));
    ed->SetSelStart(0);
    ed->SetSelEnd(3);
    THexCellLook hex = ed->CellLook(6, 0), chr = ed->CellLook(CharCol(3), 0);
    EXPECT_EQ(hex.background, kNavy);
    EXPECT_EQ(hex.textColor, RGB(255, 255, 127));
    EXPECT_EQ(chr.background, RGB(0, 0, 0));
    EXPECT_EQ(chr.textColor, ed->Colors().Background());
    EXPECT_EQ(ed->CellLook(10, 0).background, ed->Colors().Background()); // byte 4 is not selected
    ed->Colors().SetOddColumn(RGB(10, 20, 30));
    EXPECT_EQ(ed->Colors().OddColumnComplement(), RGB(245, 235, 225));
    EXPECT_EQ(ed->CellLook(2, 0).textColor, RGB(245, 235, 225));
    EXPECT_EQ(Complement(RGB(0, 0, 128)), RGB(255, 255, 127));
}

// What reaches the screen: the marker cell painted maroon, a selected hex cell on its group colour.
TEST_F(HexEditorTest, PaintedPixelsFollowTheCellLooks) {
    Show(CountingBytes(64));
    ed->SetMarker(2, 1);
    ed->SetSelStart(16);
    ed->SetSelEnd(17);
    RECT client = ed->ClientRect();
    kovalin::ScreenDC screen;
    kovalin::UniqueHBitmap bmp(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
    kovalin::UniqueMemoryDC dc(CreateCompatibleDC(screen.get()));
    kovalin::SelectGuard sel(dc.get(), bmp.get());
    SendMessageA(H(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    auto count = [&](RECT r, COLORREF c) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += GetPixel(dc.get(), x, y) == c;
        return n;
    };
    RECT marker = ed->CellRect(1, 1);
    int area = (marker.right - marker.left) * (marker.bottom - marker.top);
    EXPECT_GT(count(marker, kMaroon), area / 3);
    EXPECT_GT(count(marker, RGB(255, 255, 255)), 0); // the digit
    EXPECT_EQ(count(ed->CellRect(1, 0), kMaroon), 0);
    RECT selected = ed->CellRect(2, 1);
    EXPECT_GT(count(selected, kBlue), area / 3);
    EXPECT_EQ(count(ed->CellRect(2, 2), kBlue) > area / 3, false);
}

TEST_F(HexEditorTest, MarkersFromKeysAndCode) {
    Show(CountingBytes(16 * 40));
    Press(H(), VK_DOWN);
    Press(H(), VK_DOWN);
    Press(H(), '3', {.shift = true, .ctrl = true});
    EXPECT_EQ(ed->Marker(3), 2);
    THexCellLook look = ed->CellLook(1, 2);
    EXPECT_EQ(look.text, "3");
    EXPECT_TRUE(look.markerFont);
    EXPECT_EQ(look.background, kMaroon);
    EXPECT_EQ(look.textColor, RGB(255, 255, 255));
    ed->SetMarker(1, 2); // two on one row: the lower number shows
    EXPECT_EQ(Text(1, 2), "1");
    EXPECT_EQ(Text(1, 3), " ");
    // Back to a marker's row from elsewhere, into the first hex column.
    for (int i = 0; i < 10; ++i)
        Press(H(), VK_DOWN);
    Press(H(), VK_RIGHT);
    Press(H(), '3', {.ctrl = true});
    EXPECT_EQ(ed->Row(), 2);
    EXPECT_EQ(ed->Col(), 2);
    // An unset marker keeps the row.
    Press(H(), VK_DOWN);
    Press(H(), '7', {.ctrl = true});
    EXPECT_EQ(ed->Row(), 3);
    try {
        ed->SetMarker(10, 0);
        FAIL();
    } catch (const EHexEditor& e) {
        EXPECT_STREQ(e.what(), "SetMarker : Invalid marker index");
    }
    EXPECT_THROW(ed->SetMarker(-1, 0), EHexEditor);
}

TEST_F(HexEditorTest, PropertyErrorsAndBytesPerLineKeepingThePlace) {
    Show(CountingBytes(100));
    for (int bad : {0, 257, -4}) {
        try {
            ed->SetBytesPerLine(bad);
            FAIL() << bad;
        } catch (const EHexEditor& e) {
            EXPECT_STREQ(e.what(), "Invalid BytesPerLine argument");
        }
    }
    EXPECT_EQ(ed->BytesPerLine(), 16);
    for (int i = 0; i < 20; ++i)
        Press(H(), VK_RIGHT, {.shift = i > 0});
    EXPECT_EQ(ed->CursorOffset(), 10);
    int64_t s = ed->SelStart(), e = ed->SelEnd();
    ed->SetBytesPerLine(8);
    EXPECT_EQ(ed->ColCount(), 27);
    EXPECT_EQ(ed->RowCount(), 13);
    EXPECT_EQ(ed->CursorOffset(), 10);
    EXPECT_EQ(ed->Row(), 1);
    EXPECT_EQ(ed->SelStart(), s);
    EXPECT_EQ(ed->SelEnd(), e);
    EXPECT_EQ(Text(0, 1), "0x08:");
    ed->SetBytesPerLine(256);
    EXPECT_EQ(ed->RowCount(), 1);

    try {
        ed->SetSelStart(100);
        FAIL();
    } catch (const EHexEditor& e) {
        EXPECT_STREQ(e.what(), "Invalid SelStart");
    }
    try {
        ed->SetSelEnd(-1);
        FAIL();
    } catch (const EHexEditor& e) {
        EXPECT_STREQ(e.what(), "Invalid SelEnd");
    }
}

TEST_F(HexEditorTest, StateNotificationsArriveAfterTheOperation) {
    Show(CountingBytes(100));
    int calls = 0;
    int64_t seenOffset = -1;
    ed->OnStateChanged = [&] {
        ++calls;
        seenOffset = ed->CursorOffset();
    };
    Press(H(), VK_DOWN);
    EXPECT_EQ(calls, 0);
    RunUntilIdle();
    EXPECT_GE(calls, 1);
    EXPECT_EQ(seenOffset, 16);
}

TEST_F(HexEditorTest, ReadOnlyViewChangesNothingOnDisk) {
    std::string bytes = CountingBytes(300);
    std::string path = Show(bytes);
    WIN32_FILE_ATTRIBUTE_DATA before{}, after{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &before);
    Sleep(20);
    for (char c : std::string("FF00zz 9"))
        Type(H(), c);
    Press(H(), VK_TAB);
    for (char c : std::string("hello"))
        Type(H(), c);
    Press(H(), VK_BACK);
    Press(H(), VK_DELETE);
    Press(H(), VK_INSERT);
    RunUntilIdle();
    EXPECT_FALSE(ed->Modified());
    EXPECT_FALSE(ed->InsertMode());
    EXPECT_EQ(ed->UndoDescription(), "No Undo");
    EXPECT_EQ(Text(2, 0), "0");
    EXPECT_EQ(ReadFileBytes(path), bytes);
    EXPECT_EQ(ReadFileBytes(ed->WorkingCopyPath()), bytes);
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &after);
    EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
}

TEST_F(HexEditorTest, AFileLockedAgainstReadingLeavesTheDocumentAsItWas) {
    std::string first = Show("first file");
    std::string locked = dir / "locked.bin";
    WriteFileBytes(locked, "locked bytes here");
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ed->LoadFromFile(locked));
    CloseHandle(lock);
    EXPECT_FALSE(ed->LoadFromFile(dir / "does-not-exist.bin"));
    EXPECT_EQ(ed->FileName(), first);
    EXPECT_EQ(ed->DataSize(), 10);
    EXPECT_EQ(Text(CharCol(0), 0), "f");
}

TEST_F(HexEditorTest, TheWorkingCopyIsReplacedOnLoadAndDeletedWithTheControl) {
    Show("one");
    std::string copy = ed->WorkingCopyPath();
    EXPECT_EQ(ReadFileBytes(copy), "one");
    Show("second file", "two.bin");
    EXPECT_EQ(ed->WorkingCopyPath(), copy);
    EXPECT_EQ(ReadFileBytes(copy), "second file");
    ed.reset();
    EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(HexEditorTest, CaretSitsOnTheCurrentCellAndItsTwinIsFramed) {
    Show(CountingBytes(64));
    ed->SetFocus();
    RunUntilIdle();
    Press(H(), VK_RIGHT);
    Press(H(), VK_RIGHT);
    RunUntilIdle();
    POINT caret{};
    GetCaretPos(&caret);
    RECT cell = ed->CellRect(4, 0);
    EXPECT_EQ(caret.x, cell.left);
    EXPECT_EQ(caret.y, cell.top);
    EXPECT_TRUE(ed->CellLook(CharCol(1), 0).twinFrame);
    EXPECT_FALSE(ed->CellLook(CharCol(0), 0).twinFrame);
    EXPECT_FALSE(ed->CellLook(4, 0).twinFrame);
    EXPECT_EQ(ed->CaretStyle(), TCaretStyle::csFull);
    ed->SetAutoCaretMode(false);
    ed->SetCaretStyle(TCaretStyle::csBottomLine);
    EXPECT_EQ(ed->CaretStyle(), TCaretStyle::csBottomLine);
}

TEST_F(HexEditorTest, DefaultsOfANewControl) {
    EXPECT_EQ(ed->BytesPerLine(), 16);
    EXPECT_EQ(ed->BytesPerColumn(), 2);
    EXPECT_EQ(ed->Translation(), TTranslationType::ttAnsi);
    EXPECT_EQ(ed->OffsetDisplay(), TOffsetDisplay::odHex);
    EXPECT_EQ(ed->OffsetSeparator(), ':');
    EXPECT_TRUE(ed->AutoCaretMode());
    EXPECT_TRUE(ed->FocusFrame());
    EXPECT_TRUE(ed->ShowMarkerColumn());
    EXPECT_FALSE(ed->SwapNibbles());
    EXPECT_TRUE(ed->MaskWhiteSpaces());
    EXPECT_EQ(ed->MaskChar(), '.');
    EXPECT_FALSE(ed->AllowInsertMode());
    EXPECT_TRUE(ed->WantTabs());
    EXPECT_TRUE(ed->CreateBackup());
    EXPECT_EQ(ed->BackupExtension(), ".bak");
    EXPECT_EQ(ed->GridLineWidth(), 0);
    EXPECT_EQ(ed->FontName(), "Courier");
    EXPECT_EQ(ed->FontSize(), 12);
    EXPECT_EQ(ed->Colors().ChangedBackground(), 0xA8FFFFu);
    EXPECT_EQ(ed->Colors().PositionBackground(), kMaroon);
    EXPECT_EQ(ed->Colors().CursorFrame(), kNavy);
    EXPECT_EQ(ed->Colors().EvenColumnComplement(), RGB(255, 255, 127));
    EXPECT_EQ(ed->DefaultRowHeight(), ed->RowHeightPixels());
    ed->SetAllowInsertMode(true);
    EXPECT_TRUE(ed->AllowInsertMode());
    ed->SetNoSizeChange(true);
    EXPECT_FALSE(ed->AllowInsertMode());
}

} // namespace
