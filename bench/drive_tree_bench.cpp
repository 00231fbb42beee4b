// Opening a folder with 10 000 subfolders in the drive tree (the read, the nodes, the control
// expanding and painting them) against a plain FindFirstFile/FindNextFile enumeration of the same
// folder, in the same run. Prints both medians and their ratio.
//
//   drive_tree_bench.exe [rounds] [--keep]    (--keep leaves the folder for the next run)
#include "bench/BenchTiming.h"
#include "drivetree/DriveView.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kFolders = 10000;

using bench::Median;
using bench::Seconds;

int Enumerate(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*.*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int dirs = 0;
    do {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != '.') ++dirs;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return dirs;
}

void MakeFolders(const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    if (Enumerate(folder) == kFolders) return;
    std::printf("making %d folders in %s...\n", kFolders, folder.c_str());
    char name[64];
    for (int i = 0; i < kFolders; ++i) {
        // Not in name order on disk, and a mix of letter cases, as real folders come.
        std::snprintf(name, sizeof name, "\\%s folder %05d", (i * 7919 % 3) ? "Photo" : "photo",
                      i * 7919 % kFolders);
        CreateDirectoryA((folder + name).c_str(), nullptr);
    }
}

void RemoveFolders(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do
            if (fd.cFileName[0] != '.') RemoveDirectoryA((folder + "\\" + fd.cFileName).c_str());
        while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(folder.c_str());
}

void Settle(HWND tree) {
    UpdateWindow(tree);
    kovalin::Application().ProcessMessages();
}

} // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    bool keep = argc > 2 && std::strcmp(argv[2], "--keep") == 0;
    CoInitialize(nullptr);
    kovalin::Application().Initialize();

    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string folder = std::string(tmp) + "kv_drive_tree_bench";
    MakeFolders(folder);

    kovalin::TForm form({.caption = "Drive tree bench", .clientWidth = 320, .clientHeight = 600});
    shell::TDriveInfo drives;
    drivetree::TDriveView view(form, {.width = 320, .height = 600}, drives);
    view.SetDimmHiddenDirs(true);
    view.Loaded();
    drivetree::TTreeNode* node = view.FindNodeToPath(folder);
    if (!node) {
        std::printf("cannot find %s in the tree\n", folder.c_str());
        return 1;
    }
    node->MakeVisible();
    view.SetTopItem(node);
    form.Show();
    Settle(view.Handle());

    std::vector<double> plain, expand, expandOnly;
    for (int round = 0; round < rounds + 1; ++round) {
        double t0 = Seconds();
        int found = Enumerate(folder);
        double t1 = Seconds();

        double t2 = Seconds();
        node->Expand(false);
        double t3 = Seconds();

        Settle(view.Handle());
        double t4 = Seconds();
        if (node->Count() != kFolders || found != kFolders) {
            std::printf("expected %d folders, the tree has %d, the enumeration found %d\n", kFolders,
                        node->Count(), found);
            return 1;
        }
        if (round > 0) { // the first round warms the caches
            plain.push_back(t1 - t0);
            expand.push_back(t4 - t2);
            expandOnly.push_back(t3 - t2);
        }
        // Back to unread for the next round.
        node->Collapse(false);
        view.DeleteSubNodes(node);
        drivetree::TDriveView::NodeData(node)->Scanned = false;
        node->SetHasChildren(true);
        Settle(view.Handle());
    }

    double p = Median(plain), e = Median(expand), eo = Median(expandOnly);
    std::printf("folder with %d subfolders, median of %d rounds\n", kFolders, rounds);
    std::printf("  FindFirstFile/FindNextFile:       %8.1f ms\n", p * 1000);
    std::printf("  expand in the tree (and paint):   %8.1f ms   (expand alone %.1f ms)\n", e * 1000,
                eo * 1000);
    std::printf("  ratio: %.2f   (expand alone %.2f)\n", e / p, eo / p);
    if (!keep) RemoveFolders(folder);
    return 0;
}
