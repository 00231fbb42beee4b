// TDirView's RefreshDirectory of a loaded folder of 10 000 files after one change (a file grew, a
// file came, a file went) against its floor in the same run: a plain FindFirstFile/FindNextFile
// enumeration that looks every entry up among the names known before (an index made beforehand,
// untimed) and compares size, attributes and time, then counts the names it did not meet. The
// enumeration alone is printed beside them.
//
//   dir_refresh_floor_bench.exe [rounds] folder-of-10000 [--profile samples.txt]
//
// The folder must hold "image 000042.jpg" (bench/floor_benches.sh makes it so); the benchmark
// changes that file and adds and removes one of its own, and leaves the folder as it found it.
#include "bench/FloorTable.h"
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
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using bench::Seconds;

struct Known {
    int64_t size;
    DWORD attr;
    FILETIME time;
    bool seen;
};

std::string Folded(const char* name) {
    std::string s(name);
    CharLowerBuffA(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

// "." and ".." are not items of the list.
bool IsDot(const char* name) {
    return name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2]));
}

int64_t SizeOf(const WIN32_FIND_DATAA& e) {
    return static_cast<int64_t>((uint64_t(e.nFileSizeHigh) << 32) | e.nFileSizeLow);
}

// What the list knew of the folder before the change.
std::unordered_map<std::string, Known> Snapshot(const std::string& folder) {
    std::unordered_map<std::string, Known> known;
    WIN32_FIND_DATAA e;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &e);
    if (find == INVALID_HANDLE_VALUE) return known;
    do
        if (!IsDot(e.cFileName))
            known.emplace(Folded(e.cFileName),
                          Known{SizeOf(e), e.dwFileAttributes, e.ftLastWriteTime, false});
    while (FindNextFileA(find, &e));
    FindClose(find);
    return known;
}

// The floor: enumerate, look up, compare; returns the number of entries new, changed or gone.
int Compare(const std::string& folder, std::unordered_map<std::string, Known>& known) {
    int changes = 0;
    WIN32_FIND_DATAA e;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &e);
    if (find == INVALID_HANDLE_VALUE) return 0;
    char folded[MAX_PATH];
    do {
        if (IsDot(e.cFileName)) continue;
        const size_t n = strnlen(e.cFileName, MAX_PATH - 1);
        std::memcpy(folded, e.cFileName, n);
        CharLowerBuffA(folded, static_cast<DWORD>(n));
        auto it = known.find(std::string(folded, n));
        if (it == known.end()) {
            ++changes;
            continue;
        }
        it->second.seen = true;
        if (it->second.size != SizeOf(e) || it->second.attr != e.dwFileAttributes ||
            CompareFileTime(&it->second.time, &e.ftLastWriteTime) != 0)
            ++changes;
    } while (FindNextFileA(find, &e));
    FindClose(find);
    for (auto& [name, k] : known) {
        changes += !k.seen;
        k.seen = false;
    }
    return changes;
}

void WriteFile(const std::string& path, size_t bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    std::string data(bytes, 'x');
    DWORD written = 0;
    ::WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(h);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string profile = bench::TakeProfileArgument(args);
    if (args.size() < 2) {
        std::printf("usage: dir_refresh_floor_bench.exe rounds folder-of-10000 [--profile file]\n");
        return 2;
    }
    const int rounds = std::max(1, std::atoi(args[0].c_str()));
    const std::string folder = args[1];
    const std::string grown = folder + "\\image 000042.jpg", extra = folder + "\\added by the bench.jpg";
    if (GetFileAttributesA(grown.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("%s is missing\n", grown.c_str());
        return 1;
    }
    kovalin::Application().Initialize();
    kovalin::TForm form(kovalin::TFormParams{.caption = "Bench", .clientWidth = 600, .clientHeight = 400});
    shell::TDriveInfo drives;
    filelist::TDirView view(
        form,
        kovalin::TListView::Params{.width = 600, .height = 400, .viewStyle = kovalin::TViewStyle::vsReport},
        drives);
    view.SetPath(folder);
    int sizeEvents = 0;
    view.OnFileSizeChanged = [&sizeEvents](filelist::TDirView&, kovalin::TListItem&) { ++sizeEvents; };

    struct Change {
        const char* what;
        void (*make)(const std::string& grown, const std::string& extra, int round);
        void (*undo)(const std::string& grown, const std::string& extra);
    };
    const Change changes[] = {
        {"a file grew", [](const std::string& g, const std::string&, int r) { WriteFile(g, size_t(r) + 1); },
         [](const std::string& g, const std::string&) { WriteFile(g, 0); }},
        {"a file came", [](const std::string&, const std::string& x, int) { WriteFile(x, 10); },
         [](const std::string&, const std::string& x) { DeleteFileA(x.c_str()); }},
        {"a file went", [](const std::string& g, const std::string&, int) { DeleteFileA(g.c_str()); },
         [](const std::string& g, const std::string&) { WriteFile(g, 0); }},
    };

    bench::FloorRounds::PrintHeader("refresh", rounds);
    for (const Change& change : changes) {
        bench::FloorRounds table;
        int floorChanges = 0;
        const int itemsBefore = view.ItemCount();
        for (int r = 0; r <= rounds; ++r) {
            auto known = Snapshot(folder);
            change.make(grown, extra, r);
            double e = 0, f = 0, p = 0;
            auto enumerate = [&] { e = bench::TimeOf([&] { bench::EnumerateFolder(folder); }); };
            auto floor = [&] { f = bench::TimeOf([&] { floorChanges = Compare(folder, known); }); };
            auto product = [&] { p = bench::TimeOf([&] { view.RefreshDirectory(); }); };
            bench::RunRound(r, enumerate, floor, product);
            if (r > 0) table.Add(e, f, p);
            change.undo(grown, extra);
            view.RefreshDirectory();
        }
        char what[64];
        std::snprintf(what, sizeof what, "RefreshDirectory, %s", change.what);
        table.Print(what, 1.3);
        if (floorChanges != 1 || view.ItemCount() != itemsBefore)
            std::printf("  the floor saw %d changes, the list has %d items (%d before)\n", floorChanges,
                        view.ItemCount(), itemsBefore);
    }
    std::printf("%d size changes reported\n", sizeEvents);

    if (!profile.empty())
        for (const Change& change : changes)
            for (int r = 0; r < 10; ++r) {
                change.make(grown, extra, r);
                {
                    bench::Sampling sampling(profile.c_str(), "refresh");
                    view.RefreshDirectory();
                }
                change.undo(grown, extra);
                view.RefreshDirectory();
            }
    return 0;
}
