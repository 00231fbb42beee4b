// TDirView's SortItems of 100 000 items by each column, against std::sort of the same records by
// the same comparison (ItemOrder) in the same run: what the list adds around the comparison (its
// item objects, a stable sort, selection and focus kept). Both start from the same shuffled order.
// Prints per-column medians and ratios; then, for scale, one std::sort by name that asks the locale
// at every comparison instead of comparing sort keys.
//
//   dir_sort_bench.exe [rounds [items]]
//
// The items are made in memory, never read from a disk: the list holds its records itself.
#include "bench/BenchTiming.h"
#include "filelist/DirView.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::Seconds;
using filelist::TDirView;
using filelist::TFileRec;

// The list, with the way in that a load uses for each file it finds.
class BenchDirView : public TDirView {
public:
    using TDirView::AddItem;
    using TDirView::TDirView;
};

// Names, sizes, times and attributes of a photo-and-documents folder, with repeats in each, so
// that the tie-breaks are exercised too.
void Fill(BenchDirView& view, int count) {
    static const char* const kPatterns[] = {"IMG_%05d.JPG", "Holiday %d.jpg", "scan-%d.png", "Report %d.doc",
                                            "notes_%d.txt", "Song %d.mp3",    "clip%d.avi",  "Brief %d.pdf",
                                            "%d.gif",       "Backup %d.jpeg", "LIESMICH%d",  "setup%d.exe"};
    std::mt19937 random(8);
    std::uniform_int_distribution<int> number(0, 999999), pattern(0, 11), percent(0, 99);
    // Every name once: equal names would leave their order to the sort used.
    std::vector<int> unique(static_cast<size_t>(count));
    std::iota(unique.begin(), unique.end(), 0);
    std::shuffle(unique.begin(), unique.end(), random);
    view.BeginUpdate();
    for (int i = 0; i < count; ++i) {
        WIN32_FIND_DATAA entry{};
        const bool folder = percent(random) < 5;
        std::snprintf(entry.cFileName, sizeof entry.cFileName,
                      folder ? "Folder %d" : kPatterns[pattern(random)], unique[static_cast<size_t>(i)]);
        entry.dwFileAttributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        if (percent(random) < 10) entry.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
        if (percent(random) < 3) entry.dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
        entry.nFileSizeLow = static_cast<DWORD>(number(random) % 50000) * 97;
        // Whole seconds over about twelve days of 2024: many files share a time stamp.
        const uint64_t time =
            133'485'408'000'000'000ull + static_cast<uint64_t>(number(random)) * 10'000'000ull;
        entry.ftLastWriteTime.dwHighDateTime = static_cast<DWORD>(time >> 32);
        entry.ftLastWriteTime.dwLowDateTime = static_cast<DWORD>(time);
        view.AddItem(entry);
    }
    view.EndUpdate();
}

// Puts the items in a random order, the same for the list and the baseline.
void Shuffle(BenchDirView& view, std::mt19937& random) {
    std::vector<unsigned> rank(static_cast<size_t>(view.ItemCount()));
    std::iota(rank.begin(), rank.end(), 0u);
    std::shuffle(rank.begin(), rank.end(), random);
    view.CustomSort([&rank](kovalin::TListItem* a, kovalin::TListItem* b) {
        const unsigned x = rank[static_cast<size_t>(a->Index())], y = rank[static_cast<size_t>(b->Index())];
        return x < y ? -1 : x > y ? 1 : 0;
    });
}

std::vector<const TFileRec*> Records(const TDirView& view) {
    std::vector<const TFileRec*> records(static_cast<size_t>(view.ItemCount()));
    for (int i = 0; i < view.ItemCount(); ++i)
        records[static_cast<size_t>(i)] = view.ItemData(i);
    return records;
}

struct Column {
    const char* title;
    unsigned index;
    bool byExtension;
};

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int count = argc > 2 ? std::max(2, std::atoi(argv[2])) : 100000;
    kovalin::Application().Initialize();
    kovalin::TForm form(kovalin::TFormParams{.caption = "Sort", .clientWidth = 600, .clientHeight = 400});
    shell::TDriveInfo drives;
    BenchDirView view(
        form,
        kovalin::TListView::Params{.width = 600, .height = 400, .viewStyle = kovalin::TViewStyle::vsReport},
        drives);
    for (int i = 0; i < 5; ++i)
        view.AddColumn({.caption = "c", .width = 80});
    Fill(view, count);
    view.Item(count / 2).SetSelected(true);
    view.Item(count / 2).SetFocused(true);
    std::printf("items: %d (%d rounds)\n", count, rounds);

    // The type names are fetched by the first sort by type and kept; that one is timed apart.
    std::mt19937 random(42);
    view.SetSortColumn(0);
    Shuffle(view, random);
    view.SetSortByExtension(false);
    {
        const double t0 = Seconds();
        view.SetSortColumn(2);
        std::printf("first sort by type, fetching %d type names: %.1f ms\n", count, (Seconds() - t0) * 1000);
    }

    const Column columns[] = {{"name", 0, false},     {"size", 1, false}, {"type", 2, false},
                              {"extension", 2, true}, {"date", 3, false}, {"attributes", 4, false}};
    std::printf("%-11s %4s %12s %12s %7s\n", "column", "dir", "SortItems", "std::sort", "ratio");
    bool allSame = true;
    for (const Column& column : columns)
        for (bool ascending : {true, false}) {
            std::vector<double> list, plain;
            for (int r = 0; r < rounds; ++r) {
                view.SetSortByExtension(column.byExtension);
                view.SetSortColumn(column.index);
                view.SetSortAscending(ascending);
                Shuffle(view, random);

                const std::vector<const TFileRec*> records = Records(view);
                const double t0 = Seconds();
                filelist::ItemOrder order(view.CurrentSortSettings(), records);
                std::vector<size_t> sorted(records.size());
                std::iota(sorted.begin(), sorted.end(), size_t{0});
                std::sort(sorted.begin(), sorted.end(),
                          [&order](size_t a, size_t b) { return order.Compare(a, b) < 0; });
                const double t1 = Seconds();
                view.SortItems();
                const double t2 = Seconds();
                plain.push_back(t1 - t0);
                list.push_back(t2 - t1);
                for (size_t i = 0; i < sorted.size(); ++i)
                    if (view.ItemData(static_cast<int>(i)) != records[sorted[i]]) {
                        std::printf("%s: the orders differ at %zu\n", column.title, i);
                        allSame = false;
                        break;
                    }
            }
            const double l = Median(list), p = Median(plain);
            std::printf("%-11s %4s %9.1f ms %9.1f ms %7.2f\n", column.title, ascending ? "asc" : "desc",
                        l * 1000, p * 1000, l / p);
        }
    std::printf("target: ratio 1.5 or less\n");

    // For scale: the name order with the locale asked at every comparison.
    view.SetSortColumn(0);
    Shuffle(view, random);
    std::vector<const TFileRec*> records = Records(view);
    const double t0 = Seconds();
    std::sort(records.begin(), records.end(), [](const TFileRec* a, const TFileRec* b) {
        return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a->DisplayName.data(),
                              static_cast<int>(a->DisplayName.size()), b->DisplayName.data(),
                              static_cast<int>(b->DisplayName.size())) == CSTR_LESS_THAN;
    });
    std::printf("name, std::sort asking the locale at each comparison: %.1f ms\n", (Seconds() - t0) * 1000);
    return allSame ? 0 : 1;
}
