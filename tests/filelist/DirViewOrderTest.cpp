// The list's order after a refresh and for large folders: the places the refresh gives new and
// changed items, and the sort keys made without asking the locale for each name, both checked
// against the full sort and the locale's own comparison.
#include "filelist/DirView.h"
#include "filelist/ItemOrder.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "shell/IEDriveInfo.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

using namespace filelist;
using namespace kovalin;
using namespace testsupport;

namespace {

using NameList = std::vector<std::string>;

class DirViewOrderTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize();
        form =
            std::make_unique<TForm>(TFormParams{.caption = "Order", .clientWidth = 400, .clientHeight = 300});
        view = std::make_unique<TDirView>(
            *form,
            TListView::Params{
                .width = 400, .height = 300, .viewStyle = TViewStyle::vsReport, .multiSelect = true},
            drives);
    }
    void File(const std::string& name, size_t bytes) const {
        WriteFileBytes(dir / name, std::string(bytes, 'x'));
    }
    NameList Names() const {
        NameList out;
        for (int i = 0; i < view->ItemCount(); ++i)
            out.push_back(view->ItemData(i)->FileName);
        return out;
    }
    // What a full sort makes of the list as it is; the list is left so sorted.
    NameList FullySorted() const {
        view->SortItems();
        return Names();
    }

    TempDir dir;
    shell::TDriveInfo drives;
    std::unique_ptr<TForm> form;
    std::unique_ptr<TDirView> view;
};

std::string Numbered(const char* pattern, int n) {
    char name[64];
    std::snprintf(name, sizeof name, pattern, n);
    return name;
}

TEST_F(DirViewOrderTest, ARefreshPutsNewAndChangedItemsWhereAFullSortWould) {
    std::mt19937 random(25);
    // Sizes from a few values, so that many tie and go by name.
    for (int i = 0; i < 40; ++i)
        File(Numbered("file %02d.txt", i), random() % 4);
    for (const char* folder : {"b folder", "a folder"})
        ASSERT_TRUE(CreateDirectoryA((dir / folder).c_str(), nullptr));
    view->SetPath(dir.Path());
    int round = 0;
    for (unsigned column : {0u, 1u, 3u, 4u})
        for (bool ascending : {true, false})
            for (bool onTop : {false, true}) {
                view->SetDirsOnTop(onTop);
                view->SetSortColumn(column);
                view->SetSortAscending(ascending);
                ASSERT_EQ(Names(), FullySorted());
                // The user's place: a selected, focused item in the middle.
                TListItem& mine = view->Item(view->ItemCount() / 2);
                view->SetSelected(&mine);
                mine.SetFocused(true);
                const std::string mineName = TDirView::ItemData(&mine)->FileName;

                ++round;
                File(Numbered("file %02d.txt", static_cast<int>(random() % 40)), random() % 4 + 1);
                File(Numbered("file %02d.txt", static_cast<int>(random() % 40)), 0);
                File(Numbered("new %02d.txt", round), random() % 4);
                File(Numbered("file %02d.txt", 40 + round), 2);
                if (round % 3 == 0) DeleteFileA((dir / Numbered("file %02d.txt", 40 + round - 1)).c_str());
                SetFileAttributesA((dir / Numbered("file %02d.txt", round)).c_str(),
                                   round % 2 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_ARCHIVE);
                view->RefreshDirectory();

                const NameList refreshed = Names();
                ASSERT_TRUE(view->ItemFocused());
                EXPECT_EQ(TDirView::ItemData(view->ItemFocused())->FileName, mineName);
                ASSERT_TRUE(view->Selected());
                EXPECT_EQ(TDirView::ItemData(view->Selected())->FileName, mineName);
                EXPECT_EQ(refreshed, FullySorted()) << "column " << column << (ascending ? " up" : " down")
                                                    << (onTop ? ", folders on top" : "");
            }
}

TEST_F(DirViewOrderTest, ARefreshSortsEverythingAgainWhenTheListWasOutOfOrder) {
    File("b.txt", 1);
    File("c.txt", 1);
    view->SetPath(dir.Path());
    view->SetSortAfterUpdate(false);
    File("a.txt", 1);
    view->RefreshDirectory();
    EXPECT_EQ(Names(), (NameList{"..", "b.txt", "c.txt", "a.txt"})); // added at the end, unsorted

    view->SetSortAfterUpdate(true);
    File("c.txt", 5); // only a size changes now, which by name moves nothing
    view->RefreshDirectory();
    EXPECT_EQ(Names(), (NameList{"..", "a.txt", "b.txt", "c.txt"}));

    // Items put in another order from outside are sorted again too.
    view->CustomSortByIndex([](int a, int b) { return b - a; });
    File("b.txt", 7);
    view->RefreshDirectory();
    EXPECT_EQ(Names(), (NameList{"..", "a.txt", "b.txt", "c.txt"}));
}

// Records in memory, ordered by name, against the locale's own comparison of the same names (ties
// keep their places, as the list's sort does).
void ExpectLocaleOrder(const NameList& names) {
    std::vector<TFileRec> records(names.size());
    std::vector<const TFileRec*> pointers;
    for (size_t i = 0; i < names.size(); ++i) {
        records[i].FileName = records[i].DisplayName = names[i];
        pointers.push_back(&records[i]);
    }
    ItemOrder order(SortSettings{}, pointers);
    std::vector<int> ours = order.Sorted();
    std::vector<int> locale(names.size());
    std::iota(locale.begin(), locale.end(), 0);
    std::stable_sort(locale.begin(), locale.end(), [&names](int a, int b) {
        return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, names[a].data(),
                              static_cast<int>(names[a].size()), names[b].data(),
                              static_cast<int>(names[b].size())) == CSTR_LESS_THAN;
    });
    ASSERT_EQ(ours.size(), locale.size());
    for (size_t i = 0; i < ours.size(); ++i)
        ASSERT_EQ(names[ours[i]], names[locale[i]]) << "at " << i;
}

TEST(ItemOrderTest, LargeFoldersSortAsTheLocaleComparesTheirNames) {
    std::mt19937 random(7);
    const std::string plain =
        " ._~!#$%&()+,;=@[]^`{}0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    NameList names;
    for (int i = 0; i < 3000; ++i) {
        std::string name;
        for (unsigned n = random() % 7; n > 0; --n)
            name += plain[random() % plain.size()];
        names.push_back(name + (i % 2 ? ".jpg" : ""));
    }
    names.push_back("IMG.JPG");
    names.push_back("img.jpg"); // equal but for case: kept in place
    ExpectLocaleOrder(names);
    // Characters the locale weighs in its own way: a hyphen, an apostrophe, letters of the code page.
    names.push_back("co-op.txt");
    names.push_back("coop.txt");
    names.push_back("it's.txt");
    names.push_back("\xC4rger.txt");
    names.push_back("Arger.txt");
    ExpectLocaleOrder(names);
}

// Every column that orders by text, both ways, with folders on top or not: the sort gives what
// sorting by the pairwise comparison gives, ties in place. Names share long beginnings and differ
// only far in, or only in case; the parent item, folders, files and missing records are mixed.
TEST(ItemOrderTest, SortingByTextGivesWhatThePairwiseComparisonGives) {
    std::mt19937 random(11);
    for (size_t count : {60u, 1500u}) { // the locale's own keys, then the table's
        std::vector<TFileRec> records(count);
        std::vector<const TFileRec*> pointers;
        const char* types[] = {"JPEG Image", "Text Document", "File folder"};
        for (size_t i = 0; i < count; ++i) {
            TFileRec& r = records[i];
            const unsigned pick = random() % 8;
            std::string name = pick < 3 ? "image 0000" : pick < 5 ? "A very long common beginning " : "";
            for (unsigned n = 1 + random() % 3; n > 0; --n)
                name += static_cast<char>((random() % 2 ? 'a' : 'A') + random() % 3);
            r.FileName = r.DisplayName = name + (i % 3 ? ".jpg" : ".TXT");
            r.FileExt = i % 3 ? "JPG" : "TXT";
            r.IsDirectory = random() % 4 == 0;
            r.TypeName = types[r.IsDirectory ? 2 : i % 3 ? 0 : 1];
            r.IsParentDir = i == count / 2;
            pointers.push_back(random() % 50 == 0 ? nullptr : &r);
        }
        for (unsigned column : {colName, colType})
            for (bool ascending : {true, false})
                for (bool dirsOnTop : {false, true})
                    for (bool byExtension : {false, true}) {
                        const SortSettings settings{.column = column,
                                                    .ascending = ascending,
                                                    .dirsOnTop = dirsOnTop,
                                                    .byExtension = byExtension};
                        ItemOrder reference(settings, pointers);
                        std::vector<int> expected(count);
                        std::iota(expected.begin(), expected.end(), 0);
                        std::stable_sort(expected.begin(), expected.end(), [&reference](int a, int b) {
                            return reference.Compare(static_cast<size_t>(a), static_cast<size_t>(b)) < 0;
                        });
                        ItemOrder order(settings, pointers);
                        EXPECT_EQ(order.Sorted(), expected)
                            << count << " records, column " << column << (ascending ? " up" : " down")
                            << (dirsOnTop ? ", folders on top" : "") << (byExtension ? ", by extension" : "");
                    }
    }
}

} // namespace
