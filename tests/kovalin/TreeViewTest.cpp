#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "kovalin/TreeView.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>

using namespace kovalin;
using namespace testsupport;

namespace {

struct CountedData : TTreeNodeData {
    explicit CountedData(int& freed) : freed_(freed) {}
    ~CountedData() override { ++freed_; }
    int& freed_;
};

class TreeViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize();
        form =
            std::make_unique<TForm>(TFormParams{.caption = "Tree", .clientWidth = 300, .clientHeight = 400});
        tree = std::make_unique<TTreeView>(*form, TTreeView::Params{.width = 300, .height = 400});
    }
    void TearDown() override {
        tree.reset();
        form.reset();
    }
    void ShowAndPaint() {
        form->Show();
        UpdateWindow(tree->Handle());
        RunUntilIdle();
    }
    std::unique_ptr<TForm> form;
    std::unique_ptr<TTreeView> tree;
};

TEST_F(TreeViewTest, NodesKnowTheirPlace) {
    TTreeNode* a = tree->AddChild(nullptr, "a");
    TTreeNode* c = tree->AddChild(nullptr, "c");
    TTreeNode* b = tree->Insert(c, "b");
    TTreeNode* first = tree->Insert(a, "first");
    TTreeNode* a1 = tree->AddChild(a, "a1");
    TTreeNode* a2 = tree->AddChild(a, "a2");
    TTreeNode* a11 = tree->AddChild(a1, "a11");

    EXPECT_EQ(tree->GetFirstNode(), first);
    EXPECT_EQ(first->GetNextSibling(), a);
    EXPECT_EQ(a->GetNextSibling(), b);
    EXPECT_EQ(b->GetNextSibling(), c);
    EXPECT_EQ(c->GetNextSibling(), nullptr);
    EXPECT_EQ(c->GetPrevSibling(), b);
    EXPECT_EQ(a->GetFirstChild(), a1);
    EXPECT_EQ(a->GetLastChild(), a2);
    EXPECT_EQ(a11->Parent(), a1);
    EXPECT_EQ(a1->Parent(), a);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(a11->Level(), 2);
    EXPECT_EQ(a->Count(), 2);
    EXPECT_EQ(b->Count(), 0);
    EXPECT_EQ(tree->Count(), 7);
    EXPECT_TRUE(a->HasChildren()); // adding a child gives the parent its button
    EXPECT_FALSE(b->HasChildren());

    a2->SetText("renamed");
    EXPECT_EQ(a2->Text(), "renamed");
    EXPECT_EQ(tree->NodeFromItem(a2->ItemId()), a2);
}

TEST_F(TreeViewTest, NodeDataIsFreedExactlyOnceWithItsNode) {
    int freed = 0;
    auto add = [&](TTreeNode* parent, const char* text) {
        TTreeNode* n = tree->AddChild(parent, text);
        n->SetData(std::make_unique<CountedData>(freed));
        return n;
    };
    TTreeNode* a = add(nullptr, "a");
    TTreeNode* a1 = add(a, "a1");
    add(a1, "a11");
    add(a, "a2");
    TTreeNode* b = add(nullptr, "b");
    add(b, "b1");
    add(b, "b2");
    add(nullptr, "c");

    int seenWithData = 0;
    tree->OnDeletion = [&](TTreeNode* n) { seenWithData += n->Data() != nullptr; };
    a1->Delete(); // and a11 with it
    EXPECT_EQ(freed, 2);
    EXPECT_EQ(seenWithData, 2);
    EXPECT_EQ(a->Count(), 1);
    b->DeleteChildren();
    EXPECT_EQ(freed, 4);
    EXPECT_EQ(b->Count(), 0);
    EXPECT_EQ(b->GetFirstChild(), nullptr);
    EXPECT_EQ(tree->Count(), 4);
    tree->Clear();
    EXPECT_EQ(freed, 8);
    EXPECT_EQ(tree->Count(), 0);

    add(nullptr, "x");
    add(tree->GetFirstNode(), "y");
    tree.reset();
    EXPECT_EQ(freed, 10);
}

TEST_F(TreeViewTest, DeletingTheChildrenOfAnOpenNodeTakesSelectionAndHighlightAlong) {
    TTreeNode* p = tree->AddChild(nullptr, "p");
    TTreeNode* x = tree->AddChild(p, "x");
    TTreeNode* y = tree->AddChild(p, "y");
    tree->AddChild(y, "y1");
    tree->AddChild(nullptr, "q");
    p->Expand(false);
    tree->SetSelected(x);
    tree->SetDropTarget(y);
    bool collapsingAsked = false;
    tree->OnCollapsing = [&](TTreeNode*, bool&) { collapsingAsked = true; };
    TTreeNode* announced = nullptr;
    tree->OnChange = [&](TTreeNode* n) { announced = n; };
    p->DeleteChildren();
    EXPECT_EQ(p->Count(), 0);
    EXPECT_EQ(p->GetFirstChild(), nullptr);
    EXPECT_EQ(tree->Count(), 2);
    EXPECT_EQ(tree->DropTarget(), nullptr);
    EXPECT_EQ(tree->Selected(), p);
    EXPECT_EQ(announced, p);
    EXPECT_FALSE(collapsingAsked); // not the user's doing
    EXPECT_FALSE(p->Expanded());
}

TEST_F(TreeViewTest, ExpandingAsksFirstAndMayFillTheNode) {
    TTreeNode* folder = tree->AddChild(nullptr, "folder");
    TTreeNode* locked = tree->AddChild(nullptr, "locked");
    folder->SetHasChildren(true);
    locked->SetHasChildren(true);
    int asked = 0;
    tree->OnExpanding = [&](TTreeNode* n, bool& allow) {
        ++asked;
        if (n == locked) {
            allow = false;
            return;
        }
        if (n->Count() == 0) tree->AddChild(n, "read on expanding");
    };
    folder->Expand(false);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(folder->Expanded());
    ASSERT_EQ(folder->Count(), 1);
    EXPECT_EQ(folder->GetFirstChild()->Text(), "read on expanding");

    locked->Expand(false);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(locked->Expanded());

    // Once its children are deleted, a node is read again on its next expansion.
    folder->Collapse(false);
    folder->DeleteChildren();
    EXPECT_FALSE(folder->Expanded());
    folder->SetHasChildren(true);
    folder->Expand(false);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(folder->Count(), 1);

    bool collapsingAsked = false;
    tree->OnCollapsing = [&](TTreeNode*, bool& allow) {
        collapsingAsked = true;
        allow = false;
    };
    SendMessageA(tree->Handle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(folder->ItemId()));
    if (collapsingAsked) {
        EXPECT_TRUE(folder->Expanded());
    }
}

LRESULT CALLBACK CountingSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR data) {
    ++*reinterpret_cast<int*>(data);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// Drag and drop subclasses the tree on top of the framework: the nodes still go in and are found,
// and each tree's notifications reach that tree, also a new one made after the first has gone.
TEST_F(TreeViewTest, ATreeSubclassedOnTopKeepsItsNodesAndItsNotifications) {
    for (int round = 0; round < 2; ++round) {
        int messages = 0;
        ASSERT_TRUE(
            SetWindowSubclass(tree->Handle(), CountingSubclass, 1, reinterpret_cast<DWORD_PTR>(&messages)));
        TTreeNode* folder = tree->AddChild(nullptr, "folder");
        folder->SetHasChildren(true);
        int asked = 0;
        tree->OnExpanding = [&](TTreeNode* n, bool&) {
            ++asked;
            for (const char* name : {"b", "a", "c"})
                tree->AddChild(n, name);
        };
        folder->Expand(false);
        EXPECT_EQ(asked, 1) << "round " << round;
        ASSERT_EQ(folder->Count(), 3);
        EXPECT_EQ(folder->GetFirstChild()->Text(), "b");
        EXPECT_EQ(folder->GetLastChild()->Text(), "c");
        EXPECT_TRUE(folder->Expanded());
        ShowAndPaint();
        EXPECT_GT(messages, 0); // what the window system sends still passes the layer on top
        RemoveWindowSubclass(tree->Handle(), CountingSubclass, 1);
        // The next tree may well get the same window handle back.
        tree.reset();
        tree = std::make_unique<TTreeView>(*form, TTreeView::Params{.width = 300, .height = 400});
    }
}

TEST_F(TreeViewTest, DeferredChildrenFlagIsAskedOnlyWhenNeeded) {
    std::vector<TTreeNode*> asked;
    tree->OnGetHasChildren = [&](TTreeNode* n) {
        asked.push_back(n);
        return n->Text() == "with";
    };
    TTreeNode* with = tree->AddChild(nullptr, "with");
    TTreeNode* without = tree->AddChild(nullptr, "without");
    TTreeNode* parent = tree->AddChild(nullptr, "parent");
    TTreeNode* hidden = tree->AddChild(parent, "hidden below a collapsed node");
    for (TTreeNode* n : {with, without, hidden})
        n->SetHasChildrenDeferred();
    EXPECT_TRUE(asked.empty());

    ShowAndPaint();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), with), 1);
    EXPECT_EQ(std::count(asked.begin(), asked.end(), without), 1);
    EXPECT_EQ(std::count(asked.begin(), asked.end(), hidden), 0);
    EXPECT_TRUE(with->HasChildren());
    EXPECT_FALSE(without->HasChildren());

    // Reading the flag settles it as well, once.
    EXPECT_FALSE(hidden->HasChildrenKnown());
    EXPECT_FALSE(hidden->HasChildren());
    EXPECT_TRUE(hidden->HasChildrenKnown());
    size_t n = asked.size();
    InvalidateRect(tree->Handle(), nullptr, TRUE);
    UpdateWindow(tree->Handle());
    hidden->HasChildren();
    EXPECT_EQ(asked.size(), n);
}

TEST_F(TreeViewTest, ImagesAreAskedForVisibleNodesOnly) {
    int imageAsks = 0;
    TTreeNode* shown = tree->AddChild(nullptr, "shown");
    TTreeNode* inside = tree->AddChild(shown, "inside");
    tree->OnGetImageIndex = [&](TTreeNode* n) {
        ++imageAsks;
        EXPECT_NE(n, inside);
        n->SetImageIndex(3);
    };
    ShowAndPaint();
    EXPECT_GT(imageAsks, 0);
    EXPECT_EQ(shown->ImageIndex(), 3);
    EXPECT_EQ(inside->ImageIndex(), -1);
    // Setting the index from the handler did not make the control paint again and again.
    int before = imageAsks;
    PumpMessages(50);
    EXPECT_EQ(imageAsks, before);
}

TEST_F(TreeViewTest, SortIgnoresCaseAndOverlayGoesIntoTheItemState) {
    for (const char* s : {"delta", "Bravo", "alpha", "Charlie"})
        tree->AddChild(nullptr, s);
    TTreeNode* parent = tree->GetFirstNode();
    for (const char* s : {"z", "Y", "x"})
        tree->AddChild(parent, s);
    EXPECT_TRUE(tree->AlphaSort(true));
    std::string order;
    for (TTreeNode* n = tree->GetFirstNode(); n; n = n->GetNextSibling())
        order += n->Text() + " ";
    EXPECT_EQ(order, "alpha Bravo Charlie delta ");
    TTreeNode* delta = tree->GetFirstNode()->GetNextSibling()->GetNextSibling()->GetNextSibling();
    EXPECT_EQ(delta->GetFirstChild()->Text(), "x");
    EXPECT_EQ(delta->GetLastChild()->Text(), "z");

    delta->SetOverlayIndex(0);
    LRESULT state = SendMessageA(tree->Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(delta->ItemId()),
                                 TVIS_OVERLAYMASK);
    EXPECT_EQ(static_cast<UINT>(state) & TVIS_OVERLAYMASK, INDEXTOOVERLAYMASK(1));
    delta->SetOverlayIndex(-1);
    state = SendMessageA(tree->Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(delta->ItemId()),
                         TVIS_OVERLAYMASK);
    EXPECT_EQ(static_cast<UINT>(state) & TVIS_OVERLAYMASK, 0u);
}

TEST_F(TreeViewTest, SelectionIsAnnouncedAndSurvivesDeletion) {
    TTreeNode* a = tree->AddChild(nullptr, "a");
    TTreeNode* a1 = tree->AddChild(a, "a1");
    TTreeNode* b = tree->AddChild(nullptr, "b");
    std::vector<TTreeNode*> changes;
    tree->OnChange = [&](TTreeNode* n) {
        changes.push_back(n);
        if (n) {
            EXPECT_FALSE(n->Text().empty()); // a live node
        }
    };
    a->Expand(false);
    tree->SetSelected(a1);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes.back(), a1);
    EXPECT_TRUE(a1->Selected());
    EXPECT_EQ(tree->Selected(), a1);

    a->Delete();
    EXPECT_EQ(tree->Selected(), b);
    EXPECT_EQ(changes.back(), b);

    ShowAndPaint();
    RECT r = b->DisplayRect(true);
    EXPECT_EQ(tree->GetNodeAt((r.left + r.right) / 2, (r.top + r.bottom) / 2), b);
    EXPECT_EQ(tree->GetNodeAt(r.right + 50, r.bottom + 100), nullptr);

    TTreeNode* c = tree->AddChild(nullptr, "c");
    tree->SetDropTarget(c);
    EXPECT_EQ(tree->DropTarget(), c);
    EXPECT_EQ(tree->Selected(), b);
    tree->SetDropTarget(nullptr);
    EXPECT_EQ(tree->DropTarget(), nullptr);

    // A refused move leaves the selection, and nothing is announced.
    size_t announced = changes.size();
    TTreeNode* asked = nullptr;
    tree->OnChanging = [&](TTreeNode* n, bool& allow) {
        asked = n;
        allow = false;
    };
    tree->SetSelected(c);
    EXPECT_EQ(asked, c);
    EXPECT_EQ(tree->Selected(), b);
    EXPECT_EQ(changes.size(), announced);
}

// Counts the pixels of one colour inside a rectangle of the window as it is on screen.
int CountPixels(HWND hwnd, const RECT& r, COLORREF colour) {
    HDC dc = GetDC(hwnd);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += GetPixel(dc, x, y) == colour;
    ReleaseDC(hwnd, dc);
    return n;
}

int RightmostDarkPixel(HWND hwnd, const RECT& r) {
    HDC dc = GetDC(hwnd);
    int right = -1;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            COLORREF c = GetPixel(dc, x, y);
            if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 200) right = std::max(right, x);
        }
    ReleaseDC(hwnd, dc);
    return right;
}

TEST_F(TreeViewTest, CustomDrawChangesColoursAndWeight) {
    TTreeNode* plain = tree->AddChild(nullptr, "Plain text");
    TTreeNode* red = tree->AddChild(nullptr, "Plain text");
    TTreeNode* bold = tree->AddChild(nullptr, "Plain text");
    const COLORREF kRed = RGB(255, 0, 0);
    tree->OnCustomDrawItem = [&](TTreeNode* n, TTreeItemDraw& d) {
        if (n == red) d.textColor = kRed;
        if (n == bold) d.bold = true;
    };
    ShowAndPaint();
    RECT line = red->DisplayRect(false);
    EXPECT_GT(CountPixels(tree->Handle(), line, kRed), 10);
    EXPECT_EQ(CountPixels(tree->Handle(), plain->DisplayRect(false), kRed), 0);
    // The same text in bold reaches further right.
    EXPECT_GT(RightmostDarkPixel(tree->Handle(), bold->DisplayRect(false)),
              RightmostDarkPixel(tree->Handle(), plain->DisplayRect(false)));
}

TEST_F(TreeViewTest, ImageListsStayWithTheirOwner) {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24, 2, 0);
    ASSERT_NE(list, nullptr);
    HBITMAP bmp = CreateBitmap(32, 16, 1, 24, nullptr);
    ImageList_Add(list, bmp, nullptr);
    DeleteObject(bmp);
    tree->SetImages(list);
    tree->SetStateImages(list);
    EXPECT_EQ(tree->Images(), list);
    EXPECT_EQ(tree->StateImages(), list);
    tree->SetIndent(19);
    EXPECT_EQ(tree->Indent(), 19);
    tree.reset();
    EXPECT_EQ(ImageList_GetImageCount(list), 2);
    EXPECT_TRUE(ImageList_Destroy(list));
}

} // namespace
