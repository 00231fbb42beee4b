// Folder sizes in the file list: the scanners of a folder holding 1 000 folders of 100 files each,
// from ShowSubDirSize on until the last size is shown, against one plain recursive
// FindFirstFile/FindNextFile walk of the same tree in the same run. Prints medians and the ratio.
//
//   dir_sizes_bench.exe [rounds [tree]]
//
// Making 100 000 files through Wine takes many minutes; bench/dir_sizes_bench.sh makes the tree on
// the host side and runs this with it.
#include "bench/BenchTiming.h"
#include "filelist/DirView.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::Seconds;

// The baseline: every file below the folder, its size added in 64 bits.
int64_t Walk(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int64_t total = 0;
    std::vector<std::string> below;
    do {
        if (entry.cFileName[0] == '.' &&
            (!entry.cFileName[1] || (entry.cFileName[1] == '.' && !entry.cFileName[2])))
            continue;
        total += (static_cast<int64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            below.push_back(folder + "\\" + entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    for (const std::string& sub : below)
        total += Walk(sub);
    return total;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (argc < 3) {
        std::printf("usage: dir_sizes_bench.exe rounds TREE (bench/dir_sizes_bench.sh makes one)\n");
        return 1;
    }
    const std::string tree = argv[2];
    kovalin::Application().Initialize();
    kovalin::TForm form(kovalin::TFormParams{.caption = "Sizes", .clientWidth = 600, .clientHeight = 400});
    shell::TDriveInfo drives;
    filelist::TDirView view(
        form,
        kovalin::TListView::Params{.width = 600, .height = 400, .viewStyle = kovalin::TViewStyle::vsReport},
        drives);
    view.SetPath(tree);
    const int64_t expected = Walk(tree); // warms the caches for both sides alike

    std::vector<double> plain, scanners, started;
    int64_t shown = 0;
    for (int r = 0; r < rounds; ++r) {
        double t = Seconds();
        if (Walk(tree) != expected) std::printf("  the walk changed its mind\n");
        plain.push_back(Seconds() - t);

        view.SetShowSubDirSize(false);
        t = Seconds();
        view.SetShowSubDirSize(true);
        started.push_back(Seconds() - t);
        while (view.SubDirScannerCount() > 0) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            Pump();
        }
        scanners.push_back(Seconds() - t);
        shown = 0;
        for (int i = 0; i < view.ItemCount(); ++i)
            if (const filelist::TFileRec* rec = view.ItemData(i); rec->IsDirectory && !rec->IsParentDir)
                shown += rec->Size;
    }
    const double w = Median(plain), s = Median(scanners);
    std::printf("%d folders: plain walk %.1f ms, folder sizes shown %.1f ms, ratio %.2f (target 1.3); "
                "totals %s\n",
                view.ItemCount() - 1, w * 1000, s * 1000, s / w, shown == expected ? "agree" : "DIFFER");
    std::printf("  of which starting the scanners %.1f ms\n", Median(started) * 1000);
    return 0;
}
