#include "kovalin/Application.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Form.h"
#include "kovalin/ImageList.h"
#include "kovalin/ListView.h"
#include "kovalin/SelectionRuns.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace kovalin;
using namespace testsupport;

namespace {

class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize();
        form =
            std::make_unique<TForm>(TFormParams{.caption = "List", .clientWidth = 420, .clientHeight = 300});
        list = std::make_unique<TListView>(
            *form, TListView::Params{
                       .width = 420, .height = 300, .viewStyle = TViewStyle::vsReport, .multiSelect = true});
        list->AddColumn({.caption = "Name", .width = 120});
        list->AddColumn({.caption = "Size", .width = 80, .alignment = TAlignment::taRightJustify});
        list->AddColumn({.caption = "Type", .width = 100});
    }
    void TearDown() override {
        list.reset();
        form.reset();
    }

    void AddItems(std::initializer_list<const char*> captions) {
        for (const char* c : captions)
            list->AddItem(c);
    }
    // Captions of the selected items, as the control reports the selection.
    std::set<std::string> SelectedCaptions() const {
        std::set<std::string> out;
        int i = -1;
        while ((i = static_cast<int>(SendMessageA(list->Handle(), LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0)
            out.insert(list->Item(i).Caption());
        return out;
    }
    std::string CellText(int item, int column, int bufferSize = 260) const {
        std::string buf(static_cast<size_t>(bufferSize), '\0');
        LVITEMA it{};
        it.iSubItem = column;
        it.pszText = buf.data();
        it.cchTextMax = bufferSize;
        LRESULT n = SendMessageA(list->Handle(), LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&it));
        return std::string(it.pszText, static_cast<size_t>(n));
    }
    LRESULT ControlCount() const { return SendMessageA(list->Handle(), LVM_GETITEMCOUNT, 0, 0); }

    std::unique_ptr<TForm> form;
    std::unique_ptr<TListView> list;
};

TEST_F(ListViewTest, HundredThousandItemsAskForTheirTextsOnlyWhenShown) {
    int asked = 0;
    list->OnData = [&](TListItem& item, TListDispInfo& info) {
        ++asked;
        if (info.column > 0)
            info.text = "row " + std::to_string(item.Index()) + " col " + std::to_string(info.column);
    };
    list->BeginUpdate();
    for (int i = 0; i < 100000; ++i)
        list->AddItem("item " + std::to_string(i));
    EXPECT_EQ(ControlCount(), 0) << "the control learns the count when the bracket ends";
    list->EndUpdate();
    EXPECT_EQ(asked, 0);
    ASSERT_EQ(ControlCount(), 100000);

    EXPECT_EQ(CellText(99999, 2), "row 99999 col 2");
    EXPECT_EQ(CellText(99999, 0), "item 99999");
    EXPECT_EQ(CellText(12345, 1, 6), "row 1") << "cut to the buffer the control offers";
    EXPECT_GT(asked, 0);

    list->ClearItems();
    EXPECT_EQ(ControlCount(), 0);
    EXPECT_EQ(list->ItemCount(), 0);
}

TEST_F(ListViewTest, AFailingAnswerShowsAnEmptyCell) {
    AddItems({"a"});
    list->OnData = [](TListItem&, TListDispInfo&) { throw Exception("no type"); };
    EXPECT_EQ(CellText(0, 2), "");
    EXPECT_EQ(CellText(0, 0), "");
}

TEST_F(ListViewTest, SelectionAndFocusFollowTheirItemsThroughSortAndDelete) {
    AddItems({"e", "d", "c", "b", "a"});
    int events = 0;
    std::vector<std::string> deleted;
    list->OnSelectItem = [&](TListItem*, bool) { ++events; };
    list->OnDeletion = [&](TListItem& item) { deleted.push_back(item.Caption()); };
    list->Item(1).SetSelected(true); // d
    list->Item(3).SetSelected(true); // b
    list->Item(3).SetFocused(true);
    events = 0;

    list->CustomSort([this](TListItem* a, TListItem* b) {
        // Comparisons may look up what they keep per item by its place before the sort.
        EXPECT_EQ(&list->Item(a->Index()), a);
        return a->Caption().compare(b->Caption());
    });
    EXPECT_EQ(list->Item(0).Caption(), "a");
    EXPECT_EQ(list->Item(4).Caption(), "e");
    EXPECT_EQ(SelectedCaptions(), (std::set<std::string>{"b", "d"}));
    ASSERT_NE(list->ItemFocused(), nullptr);
    EXPECT_EQ(list->ItemFocused()->Caption(), "b");

    list->DeleteItem(2); // c, between the two selected items
    EXPECT_EQ(ControlCount(), 4);
    EXPECT_EQ(SelectedCaptions(), (std::set<std::string>{"b", "d"}));
    EXPECT_EQ(list->ItemFocused()->Caption(), "b");
    EXPECT_EQ(list->Item(2).Caption(), "d");
    EXPECT_EQ(list->Item(2).Index(), 2);

    list->Item(1).Delete(); // the focused and selected b
    EXPECT_EQ(SelectedCaptions(), (std::set<std::string>{"d"}));
    EXPECT_EQ(list->ItemFocused(), nullptr);
    EXPECT_EQ(list->SelCount(), 1);
    EXPECT_EQ(list->Selected()->Caption(), "d");

    EXPECT_EQ(events, 0) << "the list's own moves are no selection changes";
    EXPECT_EQ(deleted, (std::vector<std::string>{"c", "b"}));
    list.reset();
    EXPECT_EQ(deleted.size(), 5u) << "the rest go with the list";
}

TEST_F(ListViewTest, ManyItemsDeletedAtOnceLeaveTheRestWithTheirMarks) {
    AddItems({"a", "b", "c", "d", "e", "f", "g"});
    int events = 0;
    std::vector<std::string> deleted;
    list->OnSelectItem = [&](TListItem*, bool) { ++events; };
    list->OnDeletion = [&](TListItem& item) { deleted.push_back(item.Caption()); };
    for (int i : {1, 2, 4, 6}) // b c e g
        list->Item(i).SetSelected(true);
    list->Item(4).SetFocused(true); // e
    events = 0;

    list->DeleteItems({6, 1, 3, 1}); // g b d, in any order, once each
    EXPECT_EQ(deleted, (std::vector<std::string>{"b", "d", "g"}));
    ASSERT_EQ(list->ItemCount(), 4);
    EXPECT_EQ(ControlCount(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(list->Item(i).Index(), i);
    EXPECT_EQ(list->Item(1).Caption(), "c");
    EXPECT_EQ(SelectedCaptions(), (std::set<std::string>{"c", "e"}));
    ASSERT_NE(list->ItemFocused(), nullptr);
    EXPECT_EQ(list->ItemFocused()->Caption(), "e");

    // The focused item itself goes: no focus is left.
    list->DeleteItems({0, 2});
    EXPECT_EQ(SelectedCaptions(), (std::set<std::string>{"c"}));
    EXPECT_EQ(list->ItemFocused(), nullptr);
    EXPECT_EQ(events, 0) << "the list's own moves are no selection changes";
    list->DeleteItems({});
    EXPECT_EQ(list->ItemCount(), 2);
    EXPECT_THROW(list->DeleteItems({5}), ERangeError);
}

TEST_F(ListViewTest, AnOrderMadeElsewhereMovesTheItemsAndTellsOfEveryChangeOfOrder) {
    AddItems({"a", "b", "c", "d"});
    list->Item(1).SetSelected(true); // b
    list->Item(1).SetFocused(true);
    uint64_t changes = list->OrderChanges();

    list->ApplyOrder({3, 1, 0, 2}); // d b a c
    EXPECT_EQ(list->Item(0).Caption(), "d");
    EXPECT_EQ(list->Item(2).Caption(), "a");
    EXPECT_EQ(list->Item(3).Index(), 3);
    EXPECT_EQ(SelectedCaptions(), (std::set<std::string>{"b"}));
    EXPECT_EQ(list->ItemFocused()->Caption(), "b");
    EXPECT_GT(list->OrderChanges(), changes);

    // Orders that do not name every item once are refused, and nothing moves.
    EXPECT_THROW(list->ApplyOrder({0, 1, 2}), ERangeError);
    EXPECT_THROW(list->ApplyOrder({0, 1, 1, 2}), ERangeError);
    EXPECT_THROW(list->ApplyOrder({0, 1, 2, 4}), ERangeError);
    EXPECT_EQ(list->Item(0).Caption(), "d");

    // What may put the items out of order counts; selecting and deleting do not.
    changes = list->OrderChanges();
    list->Item(0).SetSelected(true);
    list->DeleteItem(3);
    EXPECT_EQ(list->OrderChanges(), changes);
    list->Item(0).SetCaption("z");
    EXPECT_GT(list->OrderChanges(), changes);
    changes = list->OrderChanges();
    list->AddItem("e");
    EXPECT_GT(list->OrderChanges(), changes);
    changes = list->OrderChanges();
    list->CustomSort([](TListItem* a, TListItem* b) { return a->Caption().compare(b->Caption()); });
    EXPECT_GT(list->OrderChanges(), changes);
}

TEST_F(ListViewTest, DeletingFromABigSelectionKeepsTheRestSelected) {
    list->BeginUpdate();
    for (int i = 0; i < 2000; ++i)
        list->AddItem(std::to_string(i));
    list->EndUpdate();
    list->SelectAll();
    list->Item(0).SetSelected(false);
    list->DeleteItem(10);
    list->DeleteItem(1990); // was 1991
    EXPECT_EQ(list->SelCount(), 1997);
    EXPECT_FALSE(list->Item(0).Selected());
    EXPECT_TRUE(list->Item(1).Selected());
    EXPECT_TRUE(list->Item(1997).Selected());
    EXPECT_EQ(list->Item(10).Caption(), "11");
}

TEST_F(ListViewTest, TheSelectionIsReadAsTheControlHasItInEveryShape) {
    const int n = 300;
    list->BeginUpdate();
    for (int i = 0; i < n; ++i)
        list->AddItem(std::to_string(i));
    list->EndUpdate();
    auto select = [&](auto&& wanted) {
        list->ClearSelection();
        for (int i = 0; i < n; ++i)
            if (wanted(i)) list->Item(i).SetSelected(true);
    };
    auto truth = [&] {
        std::vector<int> out;
        for (int i = 0; i < n; ++i)
            if (SendMessageA(list->Handle(), LVM_GETITEMSTATE, i, LVIS_SELECTED)) out.push_back(i);
        return out;
    };
    int questions = 0;
    auto read = [&] {
        questions = 0;
        return SelectedPositions(list->SelCount(), n, [&](int after) {
            ++questions;
            return static_cast<int>(SendMessageA(list->Handle(), LVM_GETNEXTITEM, after, LVNI_SELECTED));
        });
    };
    const struct {
        const char* shape;
        std::function<bool(int)> wanted;
        int mostQuestions; // 0: as many as it takes
    } shapes[] = {
        {"all", [](int) { return true; }, 3},
        {"all but the first", [](int i) { return i > 0; }, 3},
        {"one block", [](int i) { return i >= 40 && i < 260; }, 3},
        {"all but a few", [](int i) { return i != 5 && i != 77 && i != 150 && i != 298; }, 0},
        {"every third", [](int i) { return i % 3 == 0; }, 0},
        {"two blocks", [](int i) { return (i >= 10 && i < 100) || (i >= 200 && i < 290); }, 0},
        {"the ends", [](int i) { return i == 0 || i == n - 1; }, 0},
        {"three from the end", [](int i) { return i >= n - 3; }, 0},
        {"one", [](int i) { return i == 123; }, 0},
        {"none", [](int) { return false; }, 0},
    };
    for (const auto& shape : shapes) {
        select(shape.wanted);
        const std::vector<int> expected = truth();
        EXPECT_EQ(read(), expected) << shape.shape;
        if (shape.mostQuestions) {
            EXPECT_LE(questions, shape.mostQuestions) << shape.shape;
        }
        // Beyond one question per item, at most two more for every 16 items and the first.
        EXPECT_LE(questions, static_cast<int>(expected.size()) + 3 + static_cast<int>(expected.size()) / 8)
            << shape.shape;
    }
    // Deleting from a large selection keeps the rest selected, read the same way.
    select([](int i) { return i > 0; });
    list->DeleteItems({0, 10, 20});
    EXPECT_EQ(list->SelCount(), n - 3);
    EXPECT_EQ(read().size(), static_cast<size_t>(n - 3));
}

TEST_F(ListViewTest, KeyboardSelectionIsReportedWithTheItem) {
    AddItems({"a", "b", "c"});
    std::vector<std::pair<std::string, bool>> seen;
    list->OnSelectItem = [&](TListItem* item, bool selected) {
        seen.emplace_back(item ? item->Caption() : "(several)", selected);
    };
    list->SetFocus();
    SendMessageA(list->Handle(), WM_KEYDOWN, VK_HOME, 0);
    SendMessageA(list->Handle(), WM_KEYDOWN, VK_DOWN, 0);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), std::make_pair(std::string("b"), true));
    EXPECT_EQ(list->Selected()->Caption(), "b");
    EXPECT_EQ(list->ItemFocused()->Caption(), "b");
}

TEST_F(ListViewTest, ColumnsApplyTheirPropertiesAtOnce) {
    auto column = [&](int i) {
        char text[64] = {};
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.pszText = text;
        col.cchTextMax = sizeof text;
        SendMessageA(list->Handle(), LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
        return std::make_tuple(std::string(text), col.cx, col.fmt & LVCFMT_JUSTIFYMASK);
    };
    EXPECT_EQ(column(1), std::make_tuple(std::string("Size"), 80, LVCFMT_RIGHT));
    list->Column(2).SetCaption("Kind");
    list->Column(2).SetWidth(140);
    list->Column(2).SetAlignment(TAlignment::taCenter);
    EXPECT_EQ(column(2), std::make_tuple(std::string("Kind"), 140, LVCFMT_CENTER));
    EXPECT_EQ(list->Column(2).Width(), 140);

    list->SetColumnOrder({2, 0, 1});
    EXPECT_EQ(list->ColumnOrder(), (std::vector<int>{2, 0, 1}));
    EXPECT_THROW(list->SetColumnOrder({0, 0, 1}), ERangeError);
    EXPECT_THROW(list->Column(3), ERangeError);

    list->ClearColumns();
    EXPECT_EQ(list->ColumnCount(), 0);
    EXPECT_EQ(SendMessageA(list->HeaderHandle(), HDM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(ListViewTest, ClickingAColumnHeaderRaisesColumnClick) {
    std::vector<int> clicks;
    list->OnColumnClick = [&](int column) { clicks.push_back(column); };
    auto clickHeader = [&](int index) {
        RECT r{};
        SendMessageA(list->HeaderHandle(), HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(list->HeaderHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(list->HeaderHandle(), WM_LBUTTONUP, 0, at);
    };
    clickHeader(1);
    clickHeader(2);
    EXPECT_EQ(clicks, (std::vector<int>{1, 2}));
    list->SetColumnClick(false);
    clickHeader(0);
    EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(ListViewTest, MarksKeptByTheItemsReachTheControl) {
    AddItems({"a", "b"});
    auto state = [&](int i, UINT mask) {
        return static_cast<UINT>(SendMessageA(list->Handle(), LVM_GETITEMSTATE, i, mask));
    };
    list->Item(0).SetCut(true);
    list->Item(1).SetOverlayIndex(1);
    EXPECT_EQ(state(0, LVIS_CUT), static_cast<UINT>(LVIS_CUT));
    EXPECT_EQ(state(1, LVIS_CUT), 0u);
    EXPECT_EQ(state(1, LVIS_OVERLAYMASK), INDEXTOOVERLAYMASK(2));
    EXPECT_EQ(state(0, LVIS_OVERLAYMASK), 0u);

    list->Item(0).SetDropTarget(true);
    list->Item(1).SetDropTarget(true);
    EXPECT_EQ(state(0, LVIS_DROPHILITED), 0u) << "one drop target at a time";
    EXPECT_EQ(state(1, LVIS_DROPHILITED), static_cast<UINT>(LVIS_DROPHILITED));
    EXPECT_EQ(list->DropTarget(), &list->Item(1));
    list->Item(1).Delete();
    EXPECT_EQ(list->DropTarget(), nullptr);
}

TEST_F(ListViewTest, ImagesComeFromTheItemOrTheHandler) {
    AddItems({"a", "b"});
    list->Item(0).SetImageIndex(3);
    list->OnData = [](TListItem& item, TListDispInfo& info) {
        if (item.Index() == 1 && info.wantImage) info.imageIndex = 7;
    };
    auto image = [&](int i) {
        LVITEMA it{};
        it.mask = LVIF_IMAGE;
        it.iItem = i;
        SendMessageA(list->Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
        return it.iImage;
    };
    EXPECT_EQ(image(0), 3);
    EXPECT_EQ(image(1), 7);
}

TEST_F(ListViewTest, TheControlSharesImageListsAndNeverDestroysThem) {
    TImageList small({.width = 16, .height = 16});
    HBITMAP bmp = CreateBitmap(16, 16, 1, 32, nullptr);
    small.AddMasked(bmp, RGB(255, 0, 255));
    DeleteObject(bmp);
    list->SetSmallImages(&small);
    list->SetLargeImages(&small);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageA(list->Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
              small.Handle());
    EXPECT_TRUE(GetWindowLongA(list->Handle(), GWL_STYLE) & LVS_SHAREIMAGELISTS);
    list.reset();
    EXPECT_EQ(small.Count(), 1) << "still alive after the list view went";
}

TEST_F(ListViewTest, EditingACaptionInPlace) {
    AddItems({"old", "other"});
    form->Show();
    bool asked = false;
    list->OnEditing = [&](TListItem& item, bool&) { asked = item.Caption() == "old"; };
    list->OnEdited = [](TListItem&, std::string& text) { text += ".txt"; };
    ASSERT_TRUE(list->Item(0).EditCaption());
    EXPECT_TRUE(asked);
    HWND edit = reinterpret_cast<HWND>(SendMessageA(list->Handle(), LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "new");
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    RunUntilIdle();
    EXPECT_EQ(list->Item(0).Caption(), "new.txt");
    EXPECT_EQ(CellText(0, 0), "new.txt");

    list->OnEditing = [](TListItem&, bool& allow) { allow = false; };
    EXPECT_FALSE(list->Item(1).EditCaption());
    list->OnEditing = nullptr;
    list->SetReadOnly(true);
    EXPECT_FALSE(list->Item(1).EditCaption());
}

TEST_F(ListViewTest, FindingByTextIgnoresCaseAndWraps) {
    AddItems({"Alpha", "beta", "Bravo", "gamma"});
    EXPECT_EQ(list->FindCaption(0, "b", true, false), &list->Item(1));
    EXPECT_EQ(list->FindCaption(2, "B", true, false), &list->Item(2));
    EXPECT_EQ(list->FindCaption(3, "alp", true, true), &list->Item(0));
    EXPECT_EQ(list->FindCaption(3, "alp", true, false), nullptr);
    EXPECT_EQ(list->FindCaption(0, "bet", false, true), nullptr) << "whole text unless partial";
    LVFINDINFOA find{};
    find.flags = LVFI_STRING | LVFI_PARTIAL;
    find.psz = "GAM";
    EXPECT_EQ(
        SendMessageA(list->Handle(), LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)),
        3);
}

TEST_F(ListViewTest, PointsAndRectanglesAgree) {
    AddItems({"a", "b", "c"});
    form->Show();
    RECT r = list->Item(2).DisplayRect(LVIR_LABEL);
    ASSERT_LT(r.left, r.right);
    EXPECT_EQ(list->GetItemAt((r.left + r.right) / 2, (r.top + r.bottom) / 2), &list->Item(2));
    EXPECT_EQ(list->GetItemAt(5, 290), nullptr);
    EXPECT_EQ(list->TopItem(), &list->Item(0));
    EXPECT_GT(list->VisibleRowCount(), 3);
}

TEST_F(ListViewTest, ViewStyleAndOptionsChangeTheControl) {
    list->SetViewStyle(TViewStyle::vsList);
    EXPECT_EQ(GetWindowLongA(list->Handle(), GWL_STYLE) & LVS_TYPEMASK, LVS_LIST);
    EXPECT_EQ(list->ViewStyle(), TViewStyle::vsList);
    list->SetMultiSelect(false);
    EXPECT_TRUE(GetWindowLongA(list->Handle(), GWL_STYLE) & LVS_SINGLESEL);
    list->SetRowSelect(true);
    EXPECT_TRUE(SendMessageA(list->Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
    list->SetFullDrag(true);
    EXPECT_TRUE(list->FullDrag());
    list->SetColor(RGB(1, 2, 3));
    EXPECT_EQ(list->Color(), RGB(1, 2, 3));
}

TEST_F(ListViewTest, TheWindowMayGoBeforeTheObject) {
    AddItems({"a", "b"});
    int deleted = 0;
    list->OnDeletion = [&](TListItem&) { ++deleted; };
    HWND h = list->Handle();
    form.reset(); // destroys the child window with it
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(list->Handle(), nullptr);
    list.reset();
    EXPECT_EQ(deleted, 2);
}

} // namespace

namespace {
LRESULT CALLBACK CountingListSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR data) {
    ++*reinterpret_cast<int*>(data);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}
} // namespace

// Drag and drop subclasses the list on top of the framework, and the list's requests pass by it:
// the control still holds the items, marks and selection the list gives it, and its notifications
// still reach the list.
TEST_F(ListViewTest, AListSubclassedOnTopKeepsItsItemsSelectionAndNotifications) {
    int messages = 0;
    ASSERT_TRUE(
        SetWindowSubclass(list->Handle(), CountingListSubclass, 1, reinterpret_cast<DWORD_PTR>(&messages)));
    AddItems({"one", "two", "three"});
    std::vector<std::string> selected;
    list->OnSelectItem = [&](TListItem* item, bool on) {
        if (on) selected.push_back(item->Caption());
    };
    list->Item(1).SetSelected(true);
    list->Item(2).SetFocused(true);
    EXPECT_EQ(ControlCount(), 3);
    EXPECT_EQ(SelectedCaptions(), (std::set<std::string>{"two"}));
    EXPECT_TRUE(list->Item(2).Focused());
    EXPECT_EQ(CellText(0, 0), "one");
    // Selections made by the list and by others are told alike.
    LVITEMA state{};
    state.stateMask = state.state = LVIS_SELECTED;
    SendMessageA(list->Handle(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(selected, (std::vector<std::string>{"two", "one"}));
    EXPECT_TRUE(list->Item(0).Selected());
    form->Show();
    RunUntilIdle();
    EXPECT_GT(messages, 0); // what the window system sends still passes the layer on top
    RemoveWindowSubclass(list->Handle(), CountingListSubclass, 1);
}

// An item's redraw reaches the window only for a row in view, also one cut off at the bottom; a
// row out of view gets its new look when it is scrolled in (the control asks for it then).
TEST_F(ListViewTest, AnItemIsRedrawnOnlyWhenItsRowIsInView) {
    for (int i = 0; i < 200; ++i)
        list->AddItem("item " + std::to_string(i));
    form->Show();
    RunUntilIdle();
    const int rows = list->VisibleRowCount();
    ASSERT_GT(rows, 3);
    ASSERT_LT(rows, 150);
    auto invalidatedBy = [&](int index) {
        ValidateRect(list->Handle(), nullptr);
        list->Item(index).Update();
        RECT pending{};
        return GetUpdateRect(list->Handle(), &pending, FALSE) != FALSE;
    };
    EXPECT_TRUE(invalidatedBy(0));
    EXPECT_TRUE(invalidatedBy(rows)) << "the row cut off at the bottom";
    EXPECT_FALSE(invalidatedBy(150));
    list->Item(150).SetCaption("changed out of view");
    list->Item(150).MakeVisible(false);
    RunUntilIdle();
    EXPECT_EQ(CellText(150, 0), "changed out of view");
    EXPECT_TRUE(invalidatedBy(150));
}
