// Expanding a folder of 10 000 subfolders in the drive tree (reading, nodes, the control expanding
// and painting them) against its floor in the same run: a bare tree view control of the same size
// and styles and font, in a window of its own, filled on expanding with the same 10 000 folders in the
// locale's name order (a sort key each), text given at insertion, images and the children flag
// through callbacks (the folder icons; a button for a folder that has a subfolder, looked up when
// the control asks), hidden folders in grey by custom drawing. The enumeration alone is printed
// beside them, and the heap bytes per node.
//
//   tree_expand_floor_bench.exe [rounds] [folder] [--profile samples.txt]
//
// Without a folder it uses (and makes, when needed) %TEMP%\kv_drive_tree_bench;
// bench/floor_benches.sh makes its folder from the host side, which is much faster.
#include "bench/FloorTable.h"
#include "bench/HeapCounter.h"
#include "bench/SamplingProfiler.h"
#include "drivetree/DriveView.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "shell/IEDriveInfo.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

using bench::Seconds;

const int kFolders = 10000;

struct Folder {
    std::string name;
    DWORD attr;
    int hasSubFolder = -1; // not looked up yet
};

std::vector<Folder> ListFolders(const std::string& folder) {
    std::vector<Folder> out;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*.*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(fd.cFileName[0] == '.' && (!fd.cFileName[1] || (fd.cFileName[1] == '.' && !fd.cFileName[2]))))
            out.push_back({fd.cFileName, fd.dwFileAttributes});
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return out;
}

bool HasSubFolder(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*.*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do
        found = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != '.';
    while (!found && FindNextFileA(h, &fd));
    FindClose(h);
    return found;
}

void MakeFolders(const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    if (ListFolders(folder).size() == kFolders) return;
    std::printf("making %d folders in %s...\n", kFolders, folder.c_str());
    char name[64];
    for (int i = 0; i < kFolders; ++i) {
        std::snprintf(name, sizeof name, "\\%s folder %05d", (i * 7919 % 3) ? "Photo" : "photo",
                      i * 7919 % kFolders);
        CreateDirectoryA((folder + name).c_str(), nullptr);
    }
}

// The bare control and the least it is told.
class FloorTree {
public:
    FloorTree(std::string folder, HFONT font) : folder_(std::move(folder)) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &FloorTree::HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "FloorTreeHost";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        RegisterClassA(&wc);
        RECT r{0, 0, 320, 600};
        AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
        host_ = CreateWindowExA(0, "FloorTreeHost", "Floor tree", WS_OVERLAPPEDWINDOW, 400, 0,
                                r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, this);
        tree_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                                    TVS_LINESATROOT,
                                0, 0, 320, 600, host_, nullptr, wc.hInstance, nullptr);
        // The font the product's controls use: it decides what measuring the captions costs.
        SendMessageA(tree_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SHFILEINFOA info{};
        const UINT flags = SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
        auto small = reinterpret_cast<HIMAGELIST>(
            SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags));
        folderIcon_ = info.iIcon;
        auto open = reinterpret_cast<HIMAGELIST>(
            SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags | SHGFI_OPENICON));
        openIcon_ = info.iIcon;
        SendMessageA(tree_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(small));
        SendMessageA(tree_, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(open));
        TVINSERTSTRUCTA is{};
        is.hParent = TVI_ROOT;
        is.hInsertAfter = TVI_LAST;
        is.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        is.item.pszText = const_cast<char*>("kv_drive_tree_bench");
        is.item.cChildren = 1;
        is.item.iImage = folderIcon_;
        is.item.iSelectedImage = openIcon_;
        is.item.lParam = -1;
        parent_ = reinterpret_cast<HTREEITEM>(
            SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&is)));
        ShowWindow(host_, SW_SHOWNOACTIVATE);
    }
    ~FloorTree() { DestroyWindow(host_); }
    HWND Tree() const { return tree_; }
    void Expand() { SendMessageA(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent_)); }
    // Back to unread: collapsed, children removed.
    void Reset() {
        SendMessageA(tree_, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, reinterpret_cast<LPARAM>(parent_));
        folders_.clear();
    }
    int Count() const { return static_cast<int>(SendMessageA(tree_, TVM_GETCOUNT, 0, 0)) - 1; }

private:
    void Fill() {
        const double t0 = Seconds();
        folders_ = ListFolders(folder_);
        const double t1 = Seconds();
        std::vector<std::string> keys(folders_.size());
        char key[512];
        for (size_t i = 0; i < folders_.size(); ++i) {
            const int n = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE,
                                       folders_[i].name.c_str(), -1, key, sizeof key);
            keys[i].assign(key, static_cast<size_t>(std::max(n, 0)));
        }
        std::vector<size_t> order(folders_.size());
        std::iota(order.begin(), order.end(), size_t{0});
        std::sort(order.begin(), order.end(), [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
        const double t2 = Seconds();
        TVINSERTSTRUCTA is{};
        is.hParent = parent_;
        is.hInsertAfter = TVI_LAST;
        is.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        is.item.iImage = I_IMAGECALLBACK;
        is.item.iSelectedImage = I_IMAGECALLBACK;
        is.item.cChildren = I_CHILDRENCALLBACK;
        for (size_t i : order) {
            is.item.pszText = const_cast<char*>(folders_[i].name.c_str());
            is.item.lParam = static_cast<LPARAM>(i);
            SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&is));
        }
        if (GetEnvironmentVariableA("BENCH_DETAIL", nullptr, 0))
            std::printf("  floor: list %.1f, keys and sort %.1f, insert %.1f ms\n", (t1 - t0) * 1000,
                        (t2 - t1) * 1000, (Seconds() - t2) * 1000);
    }

    LRESULT Notify(NMHDR& h) {
        switch (h.code) {
        case TVN_ITEMEXPANDINGA:
        case TVN_ITEMEXPANDINGW: {
            auto& nm = reinterpret_cast<NMTREEVIEWA&>(h);
            if ((nm.action & TVE_EXPAND) && nm.itemNew.hItem == parent_ && folders_.empty()) Fill();
            return FALSE;
        }
        case TVN_GETDISPINFOA:
        case TVN_GETDISPINFOW: {
            auto& di = reinterpret_cast<NMTVDISPINFOA&>(h);
            if (di.item.mask & TVIF_IMAGE) di.item.iImage = folderIcon_;
            if (di.item.mask & TVIF_SELECTEDIMAGE) di.item.iSelectedImage = openIcon_;
            if ((di.item.mask & TVIF_CHILDREN) && di.item.lParam >= 0 &&
                static_cast<size_t>(di.item.lParam) < folders_.size()) {
                Folder& f = folders_[static_cast<size_t>(di.item.lParam)];
                if (f.hasSubFolder < 0) f.hasSubFolder = HasSubFolder(folder_ + "\\" + f.name) ? 1 : 0;
                di.item.cChildren = f.hasSubFolder;
            }
            return 0;
        }
        case NM_CUSTOMDRAW: {
            auto& cd = reinterpret_cast<NMTVCUSTOMDRAW&>(h);
            if (cd.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
            if (cd.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
                const LPARAM i = cd.nmcd.lItemlParam;
                if (i >= 0 && static_cast<size_t>(i) < folders_.size() &&
                    (folders_[static_cast<size_t>(i)].attr & FILE_ATTRIBUTE_HIDDEN) &&
                    !(cd.nmcd.uItemState & CDIS_SELECTED))
                    cd.clrText = GetSysColor(COLOR_GRAYTEXT);
            }
            return CDRF_DODEFAULT;
        }
        }
        return 0;
    }

    static LRESULT CALLBACK HostProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrA(
                w, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
        auto* self = reinterpret_cast<FloorTree*>(GetWindowLongPtrA(w, GWLP_USERDATA));
        if (msg == WM_NOTIFY && self) return self->Notify(*reinterpret_cast<NMHDR*>(lp));
        return DefWindowProcA(w, msg, wp, lp);
    }

    std::string folder_;
    HWND host_ = nullptr, tree_ = nullptr;
    HTREEITEM parent_ = nullptr;
    int folderIcon_ = 0, openIcon_ = 0;
    std::vector<Folder> folders_;
};

void Settle(HWND tree) {
    UpdateWindow(tree);
    kovalin::Application().ProcessMessages();
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string profile = bench::TakeProfileArgument(args);
    const int rounds = !args.empty() ? std::max(1, std::atoi(args[0].c_str())) : 7;
    std::string folder;
    if (args.size() > 1) {
        folder = args[1];
    } else {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        folder = std::string(tmp) + "kv_drive_tree_bench";
        MakeFolders(folder);
    }
    CoInitialize(nullptr);
    kovalin::Application().Initialize();

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
    FloorTree floorTree(folder, reinterpret_cast<HFONT>(SendMessageA(view.Handle(), WM_GETFONT, 0, 0)));
    Settle(floorTree.Tree());

    auto resetProduct = [&] {
        node->Collapse(false);
        view.DeleteSubNodes(node);
        drivetree::TDriveView::NodeData(node)->Scanned = false;
        node->SetHasChildren(true);
        Settle(view.Handle());
    };

    bench::FloorRounds table;
    size_t bytesPerNode = 0;
    const size_t entries = bench::EnumerateFolder(folder);
    for (int r = 0; r <= rounds; ++r) {
        double e = 0, f = 0, p = 0;
        auto enumerate = [&] { e = bench::TimeOf([&] { bench::EnumerateFolder(folder); }); };
        auto floor = [&] {
            const double t = Seconds();
            floorTree.Expand();
            const double t1 = Seconds();
            Settle(floorTree.Tree());
            f = Seconds() - t;
            if (GetEnvironmentVariableA("BENCH_DETAIL", nullptr, 0))
                std::printf("  floor: expand %.1f, paint %.1f ms\n", (t1 - t) * 1000,
                            (Seconds() - t1) * 1000);
        };
        auto product = [&] {
            const size_t before = bench::HeapBytes();
            const double t = Seconds();
            node->Expand(false);
            const double t1 = Seconds();
            Settle(view.Handle());
            p = Seconds() - t;
            if (GetEnvironmentVariableA("BENCH_DETAIL", nullptr, 0))
                std::printf("  product: expand %.1f, paint %.1f ms\n", (t1 - t) * 1000,
                            (Seconds() - t1) * 1000);
            bytesPerNode = (bench::HeapBytes() - before) / static_cast<size_t>(std::max(node->Count(), 1));
        };
        bench::RunRound(r, enumerate, floor, product);
        if (node->Count() != floorTree.Count() || node->Count() + 2 != static_cast<int>(entries)) {
            std::printf("the tree has %d folders, the floor %d, the folder %zu entries\n", node->Count(),
                        floorTree.Count(), entries);
            return 1;
        }
        if (r > 0) table.Add(e, f, p);
        resetProduct();
        floorTree.Reset();
        Settle(floorTree.Tree());
    }
    bench::FloorRounds::PrintHeader("expand", rounds);
    char what[64];
    std::snprintf(what, sizeof what, "expand, %zu subfolders", entries - 2);
    table.Print(what, 2.0);
    std::printf("%-30s heap per node: %zu bytes\n", "", bytesPerNode);

    if (!profile.empty())
        for (int r = 0; r < 10; ++r) {
            {
                bench::Sampling sampling(profile.c_str(), "expand");
                node->Expand(false);
                Settle(view.Handle());
            }
            {
                bench::Sampling sampling(profile.c_str(), "floor");
                floorTree.Expand();
                Settle(floorTree.Tree());
            }
            resetProduct();
            floorTree.Reset();
            Settle(floorTree.Tree());
        }
    return 0;
}
