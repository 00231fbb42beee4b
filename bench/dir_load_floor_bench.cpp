// TDirView's LoadDirectory of a folder of 10 000 and one of 100 000 files against its floor in the
// same run: a plain FindFirstFile/FindNextFile enumeration that builds a TFileRec for every entry
// (name, shown name, extension, attributes, size, time) and the ".." item's from a listing of the
// folder itself, which is what a load cannot do without.
// The enumeration alone is printed beside them; then the heap bytes each loaded item costs.
//
//   dir_load_floor_bench.exe [rounds] folder-of-10000 folder-of-100000 [--profile samples.txt]
//
// Make the folders on the host side (under Wine every new file costs a scan of its folder), for
// example with bench/floor_benches.sh, which runs all three floor benchmarks. With --profile the
// loads after the timed rounds are sampled (bench/profile_report.py reads the file).
#include "bench/FloorTable.h"
#include "bench/HeapCounter.h"
#include "bench/SamplingProfiler.h"
#include "filelist/DirView.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "shell/IEDriveInfo.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

using bench::Seconds;
using filelist::TFileRec;

// The list, with the way in that a load uses for each file it finds.
class BenchDirView : public filelist::TDirView {
public:
    using TDirView::AddItem;
    using TDirView::TDirView;
};

std::unique_ptr<BenchDirView> NewView(kovalin::TForm& form) {
    static shell::TDriveInfo drives;
    return std::make_unique<BenchDirView>(
        form,
        kovalin::TListView::Params{.width = 600, .height = 400, .viewStyle = kovalin::TViewStyle::vsReport},
        drives);
}

std::vector<WIN32_FIND_DATAA> Entries(const std::string& folder) {
    std::vector<WIN32_FIND_DATAA> out;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return out;
    do
        if (entry.cFileName[0] != '.') out.push_back(entry);
    while (FindNextFileA(find, &entry));
    FindClose(find);
    return out;
}

// Where a load's time goes beyond its floor: what a load of an empty folder costs (the drive,
// the shell folder, the ending), adding the items without reading the disk, and the sort.
void PrintBreakdown(kovalin::TForm& form, const std::string& folder, int rounds) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string empty = std::string(temp) + "kv_empty_load_bench";
    CreateDirectoryA(empty.c_str(), nullptr);
    const std::vector<WIN32_FIND_DATAA> entries = Entries(folder);
    std::vector<double> fixed, items, sort;
    for (int r = 0; r < rounds; ++r) {
        auto view = NewView(form);
        fixed.push_back(bench::TimeOf([&] { view->SetPath(empty); }));
        auto list = NewView(form);
        items.push_back(bench::TimeOf([&] {
            list->BeginUpdate();
            for (const WIN32_FIND_DATAA& e : entries)
                list->AddItem(e);
            list->EndUpdate();
        }));
        sort.push_back(bench::TimeOf([&] { list->SortItems(); }));
    }
    RemoveDirectoryA(empty.c_str());
    std::printf("%-30s of which: empty-folder load %.1f ms, adding the items %.1f ms, sorting them %.1f ms\n",
                "", bench::Median(fixed) * 1000, bench::Median(items) * 1000, bench::Median(sort) * 1000);
}

std::deque<TFileRec> BuildRecords(const std::string& folder) {
    std::deque<TFileRec> records;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return records;
    do {
        const char* name = entry.cFileName;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        TFileRec& rec = records.emplace_back();
        rec.FileName = name;
        rec.DisplayName = rec.FileName;
        if (const char* dot = std::strrchr(name, '.')) {
            rec.FileExt.assign(dot + 1, strnlen(dot + 1, 3));
            CharUpperBuffA(rec.FileExt.data(), static_cast<DWORD>(rec.FileExt.size()));
        }
        rec.Attr = entry.dwFileAttributes;
        rec.IsDirectory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        rec.Size = rec.IsDirectory
                       ? -1
                       : static_cast<int64_t>((uint64_t(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
        rec.FileTime = entry.ftLastWriteTime;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    // The ".." item's record, with the folder's own attributes and time: one more listing.
    TFileRec& parent = records.emplace_back();
    parent.FileName = parent.DisplayName = "..";
    find = FindFirstFileA(folder.c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        parent.Attr = entry.dwFileAttributes;
        parent.FileTime = entry.ftLastWriteTime;
        FindClose(find);
    }
    parent.IsDirectory = parent.IsParentDir = true;
    parent.Size = -1;
    return records;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string profile = bench::TakeProfileArgument(args);
    if (args.size() < 3) {
        std::printf(
            "usage: dir_load_floor_bench.exe rounds folder-of-10000 folder-of-100000 [--profile file]\n");
        return 2;
    }
    const int rounds = std::max(1, std::atoi(args[0].c_str()));
    kovalin::Application().Initialize();
    kovalin::TForm form(kovalin::TFormParams{.caption = "Bench", .clientWidth = 600, .clientHeight = 400});

    bench::FloorRounds::PrintHeader("load", rounds);
    for (size_t which : {1u, 2u}) {
        const std::string& folder = args[which];
        const size_t entries = bench::EnumerateFolder(folder);
        if (entries < 3) {
            std::printf("%s: no files\n", folder.c_str());
            return 1;
        }
        bench::FloorRounds table;
        size_t productBytes = 0, floorBytes = 0;
        int items = 0;
        // The first round warms the caches and the code for all three sides and is not counted.
        for (int r = 0; r <= rounds; ++r) {
            double e = 0, f = 0, p = 0;
            auto enumerate = [&] { e = bench::TimeOf([&] { bench::EnumerateFolder(folder); }); };
            auto floor = [&] {
                const size_t before = bench::HeapBytes();
                const double t = Seconds();
                std::deque<TFileRec> records = BuildRecords(folder);
                f = Seconds() - t;
                floorBytes = (bench::HeapBytes() - before) / std::max<size_t>(records.size(), 1);
            };
            auto product = [&] {
                auto view = NewView(form);
                const size_t empty = bench::HeapBytes();
                const double t = Seconds();
                view->SetPath(folder);
                p = Seconds() - t;
                items = view->ItemCount();
                productBytes = (bench::HeapBytes() - empty) / static_cast<size_t>(std::max(items, 1));
            };
            bench::RunRound(r, enumerate, floor, product);
            if (r > 0) table.Add(e, f, p);
        }
        char what[64];
        std::snprintf(what, sizeof what, "LoadDirectory, %zu entries", entries - 2);
        table.Print(what, 1.5);
        std::printf("%-30s %d items listed; heap per item: %zu bytes (the floor's record: %zu)\n", "", items,
                    productBytes, floorBytes);
        if (items + 1 < static_cast<int>(entries) - 2) std::printf("  only %d items were loaded\n", items);
        if (GetEnvironmentVariableA("BENCH_DETAIL", nullptr, 0)) PrintBreakdown(form, folder, rounds);
    }

    if (!profile.empty())
        for (size_t which : {1u, 2u}) {
            const std::string label = which == 1 ? "load-small" : "load-large";
            for (int r = 0; r < (which == 1 ? 10 : 3); ++r) {
                auto view = NewView(form);
                bench::Sampling sampling(profile.c_str(), label.c_str());
                view->SetPath(args[which]);
            }
        }
    return 0;
}
