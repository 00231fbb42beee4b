#include "filelist/IEListView.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "kovalin/Handles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

using namespace filelist;
using namespace kovalin;
using namespace testsupport;

namespace {

// The file list sorts by its own rules; here by caption.
class CaptionListView : public TIEListView {
public:
    using TIEListView::TIEListView;
    int sorts = 0;
    void SortItems() override {
        ++sorts;
        CustomSort([this](TListItem* a, TListItem* b) {
            int c = a->Caption().compare(b->Caption());
            c = c < 0 ? -1 : c > 0 ? 1 : 0;
            return SortAscending() ? c : -c;
        });
    }
};

enum class Arrow { none, up, down, unreadable };

// Which way the arrow in a header bitmap points, read from its pixels: the row nearest the tip
// has the fewest arrow pixels. Also checks that the background is the button face.
Arrow ArrowOf(HBITMAP bitmap) {
    if (!bitmap) return Arrow::none;
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof info, &info)) return Arrow::unreadable;
    UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    SelectGuard select(dc.get(), bitmap);
    if (GetPixel(dc.get(), 0, 0) != GetSysColor(COLOR_BTNFACE)) return Arrow::unreadable;
    std::vector<int> counts;
    for (int y = 0; y < info.bmHeight; ++y) {
        int n = 0;
        for (int x = 0; x < info.bmWidth; ++x)
            n += GetPixel(dc.get(), x, y) != GetSysColor(COLOR_BTNFACE);
        if (n) counts.push_back(n);
    }
    if (counts.size() < 2) return Arrow::unreadable;
    return counts.front() < counts.back() ? Arrow::up : Arrow::down;
}

class IEListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize();
        form =
            std::make_unique<TForm>(TFormParams{.caption = "Files", .clientWidth = 460, .clientHeight = 260});
        list = MakeList(*form);
    }
    void TearDown() override {
        list.reset();
        form.reset();
    }

    static std::unique_ptr<CaptionListView> MakeList(TForm& owner) {
        auto view =
            std::make_unique<CaptionListView>(owner, TListView::Params{.width = 460,
                                                                       .height = 260,
                                                                       .viewStyle = TViewStyle::vsReport,
                                                                       .multiSelect = true,
                                                                       .fullDrag = true});
        view->AddColumn({.caption = "Name", .width = 150});
        view->AddColumn({.caption = "Size", .width = 80, .alignment = TAlignment::taRightJustify});
        view->AddColumn({.caption = "Changed", .width = 140});
        return view;
    }

    struct HeaderItem {
        int fmt;
        Arrow arrow;
    };
    HeaderItem Header(int index) const {
        HDITEMA item{};
        item.mask = HDI_FORMAT | HDI_BITMAP;
        SendMessageA(list->HeaderHandle(), HDM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
        return {item.fmt, (item.fmt & HDF_BITMAP) ? ArrowOf(item.hbm) : Arrow::none};
    }
    HBITMAP HeaderBitmap(int index) const {
        HDITEMA item{};
        item.mask = HDI_BITMAP;
        SendMessageA(list->HeaderHandle(), HDM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
        return item.hbm;
    }
    RECT HeaderRect(int index) const {
        RECT r{};
        SendMessageA(list->HeaderHandle(), HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    void ClickHeader(int index) const {
        RECT r = HeaderRect(index);
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(list->HeaderHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(list->HeaderHandle(), WM_LBUTTONUP, 0, at);
    }
    void Paint() const {
        InvalidateRect(list->Handle(), nullptr, TRUE);
        UpdateWindow(list->Handle());
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> out;
        for (int i = 0; i < list->ItemCount(); ++i)
            out.push_back(list->Item(i).Caption());
        return out;
    }

    std::unique_ptr<TForm> form;
    std::unique_ptr<CaptionListView> list;
};

TEST_F(IEListViewTest, StartsSortedAscendingByTheFirstColumnWithAllFiles) {
    EXPECT_TRUE(list->ShowColumnIcon());
    EXPECT_EQ(list->SortColumn(), 0u);
    EXPECT_TRUE(list->SortAscending());
    EXPECT_EQ(list->Mask(), "*.*");
    EXPECT_EQ(list->DateTimeDisplay(), TDateTimeDisplay::dtdDateTimeSec);
    EXPECT_EQ(list->ParentForm(), form.get());
    ASSERT_NE(list->DragImageList(), nullptr);
    EXPECT_EQ(TIEListView::DefaultDragImageList(), list->DragImageList());

    form->Show();
    Paint();
    EXPECT_TRUE(list->HeaderImagesValid()) << "the first painting puts the arrow up";
    EXPECT_EQ(Header(0).arrow, Arrow::down) << "ascending shows DOWNARROW2";
    EXPECT_EQ(Header(1).arrow, Arrow::none);
}

TEST_F(IEListViewTest, ClickingTheSortColumnTwiceReturnsToTheFirstDirection) {
    for (const char* c : {"b", "c", "a"})
        list->AddItem(c);
    std::vector<int> userClicks;
    list->OnColumnClick = [&](int column) {
        userClicks.push_back(column);
        EXPECT_EQ(list->SortColumn(), static_cast<unsigned>(column)) << "the user's event comes after";
    };

    ClickHeader(0);
    EXPECT_FALSE(list->SortAscending());
    EXPECT_EQ(Captions(), (std::vector<std::string>{"c", "b", "a"}));
    HeaderItem name = Header(0);
    EXPECT_EQ(name.arrow, Arrow::up) << "descending shows UPARROW2";
    EXPECT_EQ(name.fmt & (HDF_BITMAP | HDF_BITMAP_ON_RIGHT), HDF_BITMAP | HDF_BITMAP_ON_RIGHT)
        << "right of the text in a left-aligned column";
    EXPECT_EQ(name.fmt & HDF_STRING, HDF_STRING) << "the caption stays";

    ClickHeader(0);
    EXPECT_TRUE(list->SortAscending());
    EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Header(0).arrow, Arrow::down);
    EXPECT_EQ(list->sorts, 2);
    EXPECT_EQ(userClicks, (std::vector<int>{0, 0}));
}

TEST_F(IEListViewTest, ClickingAnotherColumnKeepsTheDirectionAndMovesTheArrow) {
    ClickHeader(0); // descending
    ClickHeader(1);
    EXPECT_EQ(list->SortColumn(), 1u);
    EXPECT_FALSE(list->SortAscending());
    EXPECT_EQ(Header(0).fmt & HDF_BITMAP, 0);
    EXPECT_EQ(HeaderBitmap(0), nullptr);
    HeaderItem size = Header(1);
    EXPECT_EQ(size.arrow, Arrow::up);
    EXPECT_EQ(size.fmt & HDF_JUSTIFYMASK, HDF_RIGHT);
    EXPECT_EQ(size.fmt & HDF_BITMAP_ON_RIGHT, 0) << "a right-aligned column keeps the arrow on the left";

    ClickHeader(2);
    EXPECT_EQ(Header(1).fmt & HDF_BITMAP, 0);
    EXPECT_EQ(Header(2).arrow, Arrow::up);
    EXPECT_EQ(list->sorts, 0) << "an empty list is not sorted";
}

TEST_F(IEListViewTest, SettersSortOnlyOnAChangeAndOnlyWithItems) {
    list->SetSortAscending(false);
    EXPECT_EQ(list->sorts, 0);
    EXPECT_EQ(Header(0).arrow, Arrow::up);
    list->AddItem("x");
    list->AddItem("y");
    list->SetSortColumn(0);
    list->SetSortAscending(false);
    EXPECT_EQ(list->sorts, 0);
    list->SetSortColumn(2);
    list->SetSortAscending(true);
    EXPECT_EQ(list->sorts, 2);
    EXPECT_EQ(Header(2).arrow, Arrow::down);
    EXPECT_EQ(Header(0).arrow, Arrow::none);
}

TEST_F(IEListViewTest, WithoutColumnIconNoHeaderShowsAnArrow) {
    list->UpdateHeaderImages();
    list->SetShowColumnIcon(false);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Header(i).fmt & HDF_BITMAP, 0) << i;
    list->SetShowColumnIcon(true);
    EXPECT_EQ(Header(0).arrow, Arrow::down);
}

TEST_F(IEListViewTest, WithoutColumnHeadersNothingIsTouched) {
    list->SetShowColumnHeaders(false);
    list->UpdateHeaderImages();
    EXPECT_FALSE(list->HeaderImagesValid());
    list->SetShowColumnHeaders(true);
    list->SetViewStyle(TViewStyle::vsList);
    EXPECT_FALSE(list->HeaderImagesValid());
    list->SetViewStyle(TViewStyle::vsReport);
    EXPECT_TRUE(list->HeaderImagesValid()) << "back in report style the arrow is set";
}

TEST_F(IEListViewTest, DraggingADividerReportsTheEndAndTheArrowComesBack) {
    form->Show();
    Paint();
    int tracks = 0;
    list->OnHeaderEndTrack = [&](TIEListView& sender) {
        EXPECT_EQ(&sender, list.get());
        ++tracks;
    };
    RECT r = HeaderRect(0);
    int y = (r.top + r.bottom) / 2;
    SendMessageA(list->HeaderHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right - 1, y));
    SendMessageA(list->HeaderHandle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(r.right + 39, y));
    SendMessageA(list->HeaderHandle(), WM_LBUTTONUP, 0, MAKELPARAM(r.right + 39, y));
    EXPECT_EQ(tracks, 1);
    EXPECT_EQ(list->Column(0).Width(), 190);
    EXPECT_FALSE(list->HeaderImagesValid());

    // Changing a column's format rewrites its header item; the next painting restores the arrow.
    list->Column(0).SetAlignment(TAlignment::taLeftJustify);
    Paint();
    EXPECT_TRUE(list->HeaderImagesValid());
    EXPECT_EQ(Header(0).arrow, Arrow::down);
}

TEST_F(IEListViewTest, DoubleClickingADividerFitsTheColumnAndKeepsItsWidth) {
    list->AddItem("a");
    list->AddItem("bb");
    form->Show();
    int tracks = 0;
    list->OnHeaderEndTrack = [&](TIEListView&) { ++tracks; };
    RECT r = HeaderRect(0);
    SendMessageA(list->HeaderHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON,
                 MAKELPARAM(r.right - 1, (r.top + r.bottom) / 2));
    EXPECT_EQ(tracks, 1);
    int width = static_cast<int>(SendMessageA(list->Handle(), LVM_GETCOLUMNWIDTH, 0, 0));
    EXPECT_LT(width, 150) << "fitted to the short captions";
    EXPECT_EQ(list->Column(0).Width(), width);
    EXPECT_FALSE(list->HeaderImagesValid());
}

TEST_F(IEListViewTest, DraggingAColumnToANewPlaceIsReportedAndTheCellsFollow) {
    list->AddItem("a");
    form->Show();
    Paint(); // as a user sees it before dragging
    int drags = 0;
    list->OnHeaderEndDrag = [&](TIEListView&) { ++drags; };
    RECT from = HeaderRect(0), to = HeaderRect(2);
    int y = (from.top + from.bottom) / 2;
    HWND header = list->HeaderHandle();
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.left + 20, y));
    for (int x = from.left + 30; x <= to.right - 10; x += 20)
        SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(to.right - 10, y));
    RunUntilIdle();
    EXPECT_EQ(drags, 1);
    EXPECT_NE(list->ColumnOrder(), (std::vector<int>{0, 1, 2})) << "the header still moves the column";
    // The one caption is drawn below the name column's new place, and nowhere left of it.
    Paint();
    RECT row = list->Item(0).DisplayRect(LVIR_BOUNDS);
    RECT name = HeaderRect(0);
    int left = 0, below = 0;
    HDC dc = GetDC(list->Handle());
    for (int py = row.top; py < row.bottom; ++py)
        for (int px = 0; px < name.right; ++px)
            if (GetPixel(dc, px, py) == RGB(0, 0, 0)) ++(px < name.left ? left : below);
    ReleaseDC(list->Handle(), dc);
    EXPECT_GT(name.left, 0);
    EXPECT_EQ(left, 0);
    EXPECT_GT(below, 0);
}

// Sets the user's short date format for the test's lifetime.
class ShortDateFormat {
public:
    explicit ShortDateFormat(const char* format) {
        char buf[80] = "";
        GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buf, sizeof buf);
        saved_ = buf;
        SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, format);
    }
    ShortDateFormat(const ShortDateFormat&) = delete;
    ShortDateFormat& operator=(const ShortDateFormat&) = delete;
    ~ShortDateFormat() { SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, saved_.c_str()); }

private:
    std::string saved_;
};

std::string LocaleText(LCTYPE type) {
    char buf[80] = "";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf);
    return buf;
}

TEST_F(IEListViewTest, ATwoDigitYearAtEitherEndOfTheShortDateBecomesFourDigits) {
    struct Case {
        const char* shortDate;
        const char* dateFormat;
        const char* shown; // 5 March 2024
    };
    const Case cases[] = {
        {"dd.MM.yy", "dd.MM.yyyy", "05.03.2024"},   {"yy/MM/dd", "yyyy/MM/dd", "2024/03/05"},
        {"dd/MM/yyyy", "dd/MM/yyyy", "05/03/2024"}, {"yy-MM-dd-yy", "yy-MM-dd-yyyy", "24-03-05-2024"},
        {"MM/yy/dd", "MM/yy/dd", "03/24/05"},
    };
    SYSTEMTIME day{};
    day.wYear = 2024;
    day.wMonth = 3;
    day.wDay = 5;
    day.wHour = 14;
    day.wMinute = 7;
    day.wSecond = 9;
    list->SetDateTimeDisplay(TDateTimeDisplay::dtdDate);
    for (const Case& c : cases) {
        ShortDateFormat format(c.shortDate);
        ASSERT_EQ(LocaleText(LOCALE_SSHORTDATE), c.shortDate) << "the prefix takes the user's format";
        list->UpdateDateTimeFormat();
        EXPECT_EQ(list->DateFormatStr(), c.dateFormat);
        EXPECT_EQ(list->DateTimeFormatStr(), c.dateFormat);
        EXPECT_EQ(list->FormatDateTime(day), c.shown);
    }
}

TEST_F(IEListViewTest, TheTimeFollowsTheDateAfterTwoBlanks) {
    ShortDateFormat format("dd.MM.yy");
    list->UpdateDateTimeFormat();
    const std::string longTime = LocaleText(LOCALE_STIMEFORMAT);
    EXPECT_EQ(list->DateTimeFormatStr(), "dd.MM.yyyy  " + longTime);
    list->SetDateTimeDisplay(TDateTimeDisplay::dtdDateTime);
    std::string shortTime = list->DateTimeFormatStr().substr(12);
    EXPECT_EQ(list->DateTimeFormatStr().substr(0, 12), "dd.MM.yyyy  ");
    EXPECT_FALSE(shortTime.empty());
    EXPECT_EQ(shortTime.find('s'), std::string::npos) << "no seconds in the short time: " << shortTime;

    SYSTEMTIME t{};
    t.wYear = 2001;
    t.wMonth = 12;
    t.wDay = 31;
    t.wHour = 23;
    t.wMinute = 59;
    t.wSecond = 58;
    char expected[64];
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &t, shortTime.c_str(), expected, sizeof expected);
    EXPECT_EQ(list->FormatDateTime(t), std::string("31.12.2001  ") + expected);
}

TEST_F(IEListViewTest, MasksAreNormalised) {
    EXPECT_EQ(list->NormalizeMask(" *.jpg, *.gif "), "*.jpg;*.gif");
    EXPECT_EQ(list->NormalizeMask("*.JPG;;;*.png"), "*.jpg;*.png");
    EXPECT_EQ(list->NormalizeMask(""), "*.*");
    EXPECT_EQ(list->NormalizeMask("   "), "*.*");
    EXPECT_EQ(list->NormalizeMask("a b,,c"), "a;b;c");
    list->SetMask("  *.TXT ,*.Doc");
    EXPECT_EQ(list->Mask(), "*.txt;*.doc");
    list->SetMask(" ");
    EXPECT_EQ(list->Mask(), "*.*");
}

TEST_F(IEListViewTest, GetNextMaskTakesTheListApart) {
    std::string masks = "*.jpg;*.gif";
    EXPECT_EQ(list->GetNextMask(masks), "*.jpg");
    EXPECT_EQ(masks, "*.gif");
    EXPECT_EQ(list->GetNextMask(masks), "*.gif");
    EXPECT_EQ(masks, "");
    EXPECT_EQ(list->GetNextMask(masks), "");
    EXPECT_EQ(masks, "");
    masks = ";x";
    EXPECT_EQ(list->GetNextMask(masks), "");
    EXPECT_EQ(masks, "x");
}

TEST_F(IEListViewTest, TheSystemIconListsAreSharedAndOutliveTheList) {
    SHFILEINFOA info{};
    auto small = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    auto large = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
    ASSERT_NE(small, nullptr);
    ASSERT_NE(list->SmallImages(), nullptr);
    EXPECT_EQ(list->SmallImages()->Handle(), small);
    EXPECT_EQ(list->LargeImages()->Handle(), large);
    EXPECT_TRUE(list->SmallImages()->ShareImages());
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageA(list->Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
              small);
    int icons = ImageList_GetImageCount(small);
    int cx = 0, cy = 0;
    list.reset();
    EXPECT_EQ(ImageList_GetImageCount(small), icons);
    EXPECT_TRUE(ImageList_GetIconSize(small, &cx, &cy));
    EXPECT_EQ(cx, GetSystemMetrics(SM_CXSMICON));
}

TEST_F(IEListViewTest, TheFirstListsDragImageListIsTheDefaultUntilItGoes) {
    TImageList* first = list->DragImageList();
    auto second = MakeList(*form);
    EXPECT_EQ(TIEListView::DefaultDragImageList(), first);
    list.reset();
    EXPECT_EQ(TIEListView::DefaultDragImageList(), nullptr);
    EXPECT_NE(second->DragImageList(), nullptr);
}

TEST_F(IEListViewTest, SortArrowsLastAsLongAsAListUsesThem) {
    auto second = MakeList(*form);
    list->UpdateHeaderImages();
    second->UpdateHeaderImages();
    HBITMAP arrow = HeaderBitmap(0);
    ASSERT_NE(arrow, nullptr);
    BITMAP info{};
    list.reset();
    EXPECT_NE(GetObjectA(arrow, sizeof info, &info), 0) << "still in the other list's header";
    second.reset();
    EXPECT_EQ(GetObjectA(arrow, sizeof info, &info), 0) << "deleted with the last list";
}

TEST_F(IEListViewTest, ListsGiveBackTheirGdiObjects) {
    list.reset();
    int before = GdiObjectCount();
    for (int i = 0; i < 3; ++i) {
        auto view = MakeList(*form);
        view->UpdateHeaderImages();
        view->DirUpImages16();
        view->DirUpImages32();
    }
    EXPECT_EQ(GdiObjectCount(), before);
}

TEST_F(IEListViewTest, ParentFolderOverlaysAreDrawnTransparently) {
    TImageList& small = list->DirUpImages16();
    TImageList& large = list->DirUpImages32();
    EXPECT_EQ(small.Count(), 1);
    EXPECT_EQ(small.Width(), 16);
    EXPECT_EQ(large.Count(), 1);
    EXPECT_EQ(large.Height(), 32);
    EXPECT_EQ(&list->DirUpImages16(), &small);
    EXPECT_EQ(small.Count(), 1) << "loaded once";
    EXPECT_EQ(small.DrawingStyle(), TDrawingStyle::dsTransparent);
    EXPECT_EQ(small.BkColor(), CLR_NONE);

    ScreenDC screen;
    UniqueHBitmap target(CreateCompatibleBitmap(screen.get(), 40, 40));
    UniqueMemoryDC dc(CreateCompatibleDC(screen.get()));
    SelectGuard select(dc.get(), target.get());
    RECT all{0, 0, 40, 40};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    small.Draw(dc.get(), 0, 0, 0);
    large.Draw(dc.get(), 0, 0, 0);
    EXPECT_EQ(GetPixel(dc.get(), 0, 0), RGB(255, 255, 255)) << "the background stays";
    EXPECT_EQ(GetPixel(dc.get(), 4, 1), RGB(0, 0, 0)) << "the arrow's tip";
    EXPECT_EQ(GetPixel(dc.get(), 30, 30), RGB(255, 255, 255));
}

} // namespace
