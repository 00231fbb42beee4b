// TDirView's LoadDirectory of folders of 10 000 and 100 000 files, and its RefreshDirectory after
// one change in 10 000 files, each against a plain FindFirstFile/FindNextFile enumeration of the
// same folder in the same run. Prints medians, ratios and the memory each loaded item costs.
//
//   dir_view_bench.exe [rounds [folder-of-10000 folder-of-100000]]
//
// Without folders it makes them itself. Under Wine every new file costs a scan of its folder, so
// making 100 000 takes many minutes there; make them from the host instead, for example
//   mkdir -p /tmp/dv/10000 /tmp/dv/100000
//   (cd /tmp/dv/10000 && seq -f 'image %06g.jpg' 0 9999 | xargs -d '\n' touch)
//   (cd /tmp/dv/100000 && seq -f 'image %06g.jpg' 0 99999 | xargs -d '\n' touch)
//   scripts/wine-run.sh build/x86_64/bin/dir_view_bench.exe 5 'Z:\tmp\dv\10000' 'Z:\tmp\dv\100000'
#include "bench/BenchTiming.h"
#include "bench/HeapCounter.h"
#include "filelist/DirView.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "tests/support/TestFiles.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::Seconds;

// The baseline: every entry of the folder, read and counted.
size_t Enumerate(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
    size_t n = 0;
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        n += entry.cFileName[0] != 0;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return n;
}

void MakeFiles(const std::string& folder, int count) {
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "\\image %06d.jpg", (i * 7919) % count);
        HANDLE h = CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
}

template <typename F> double Time(F&& f) {
    const double t = Seconds();
    f();
    return Seconds() - t;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    kovalin::Application().Initialize();
    kovalin::TForm form(kovalin::TFormParams{.caption = "Bench", .clientWidth = 600, .clientHeight = 400});
    testsupport::TempDir dir;

    {
        // What a load costs beyond its files: drive status, shell folder, sorting, events.
        const std::string empty = dir / "empty";
        CreateDirectoryA(empty.c_str(), nullptr);
        std::vector<double> fixed;
        for (int r = 0; r < rounds; ++r) {
            shell::TDriveInfo drives;
            filelist::TDirView view(form, kovalin::TListView::Params{.width = 600, .height = 400}, drives);
            fixed.push_back(Time([&] { view.SetPath(empty); }));
        }
        std::printf("empty folder: LoadDirectory %.2f ms\n", Median(fixed) * 1000);
    }
    for (int count : {10000, 100000}) {
        std::string folder = dir / std::to_string(count);
        if (argc > 3)
            folder = argv[count == 10000 ? 2 : 3];
        else
            MakeFiles(folder, count);
        Enumerate(folder); // warm the caches for both sides alike

        std::vector<double> plain, load;
        size_t perItem = 0;
        for (int r = 0; r < rounds; ++r) {
            plain.push_back(Time([&] { Enumerate(folder); }));
            const size_t before = bench::HeapBytes();
            shell::TDriveInfo drives;
            auto view = std::make_unique<filelist::TDirView>(
                form,
                kovalin::TListView::Params{
                    .width = 600, .height = 400, .viewStyle = kovalin::TViewStyle::vsReport},
                drives);
            load.push_back(Time([&] { view->SetPath(folder); }));
            if (view->ItemCount() < count) std::printf("  only %d items loaded\n", view->ItemCount());
            perItem = (bench::HeapBytes() - before) / static_cast<size_t>(view->ItemCount());
        }
        const double e = Median(plain), l = Median(load);
        std::printf("%6d files: enumeration %.1f ms, LoadDirectory %.1f ms, ratio %.2f (target 2.0); %zu "
                    "bytes per item on the heap\n",
                    count, e * 1000, l * 1000, l / e, perItem);

        if (count == 10000) {
            shell::TDriveInfo drives;
            filelist::TDirView view(form,
                                    kovalin::TListView::Params{.width = 600,
                                                               .height = 400,
                                                               .viewStyle = kovalin::TViewStyle::vsReport},
                                    drives);
            view.SetPath(folder);
            std::vector<double> plainR, refresh;
            for (int r = 0; r < rounds; ++r) {
                testsupport::WriteFileBytes(folder + "\\image 000042.jpg",
                                            std::string(static_cast<size_t>(r + 1), 'x'));
                plainR.push_back(Time([&] { Enumerate(folder); }));
                refresh.push_back(Time([&] { view.RefreshDirectory(); }));
            }
            const double pe = Median(plainR), pr = Median(refresh);
            std::printf(
                "%6d files: enumeration %.1f ms, RefreshDirectory after one change %.1f ms, ratio %.2f "
                "(target 1.5)\n",
                count, pe * 1000, pr * 1000, pr / pe);
        }
    }
    return 0;
}
