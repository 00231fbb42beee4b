// The file list's icons of a folder of 10 000 programs (each with an icon of its own): the time
// from the end of the load until every visible row has its icon, fetched by the icon update
// thread against fetched while drawing on the user-interface thread, in the same run; and the
// longest time a message posted to the user-interface thread waited meanwhile (target: 50 ms).
//
//   icon_thread_bench.exe [rounds [folder]]
//
// Without a folder it makes one (slow under Wine: every new file costs a scan of its folder);
// from the host side, for example
//   mkdir -p /tmp/kovalin-icons && (cd /tmp/kovalin-icons && seq -f 'p%05g.exe' 0 9999 | xargs touch)
//   scripts/wine-run.sh build/x86_64/bin/icon_thread_bench.exe 5 'Z:\tmp\kovalin-icons'
#include "bench/BenchTiming.h"
#include "filelist/DirView.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "tests/support/TestFiles.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::Seconds;

constexpr UINT kProbe = WM_APP + 7;

// Posts a time-stamped message every 5 ms; the window notes how long each waited.
struct Prober {
    HWND window = nullptr;
    std::atomic<bool> run{false};
    double longest = 0;
    double base = Seconds();
    HANDLE thread = nullptr;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == kProbe) {
            auto* self = reinterpret_cast<Prober*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            const double posted = self->base + static_cast<double>(lParam) / 1e6;
            self->longest = std::max(self->longest, Seconds() - posted);
            static_cast<void>(wParam);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    static DWORD WINAPI Post(void* param) {
        auto* self = static_cast<Prober*>(param);
        while (self->run) {
            // Microseconds since the start, which a 32-bit parameter holds for half an hour.
            PostMessageA(self->window, kProbe, 0, static_cast<LPARAM>((Seconds() - self->base) * 1e6));
            Sleep(5);
        }
        return 0;
    }
    Prober() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KovalinProbe";
        RegisterClassA(&wc);
        window =
            CreateWindowA("KovalinProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Prober() { DestroyWindow(window); }
    void Start() {
        longest = 0;
        run = true;
        thread = CreateThread(nullptr, 0, Post, this, 0, nullptr);
    }
    void Stop() {
        run = false;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
};

void PumpOnce() {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool VisibleIconsKnown(filelist::TDirView& view) {
    const kovalin::TListItem* top = view.TopItem();
    const int first = top ? top->Index() : 0;
    const int last = std::min(view.ItemCount(), first + view.VisibleRowCount());
    for (int i = first; i < last; ++i)
        if (view.ItemData(i)->IconPending) return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    kovalin::Application().Initialize();
    testsupport::TempDir dir;
    std::string folder = dir / "programs";
    if (argc > 2) {
        folder = argv[2];
    } else {
        CreateDirectoryA(folder.c_str(), nullptr);
        for (int i = 0; i < 10000; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "\\p%05d.exe", i);
            HANDLE h =
                CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
    }
    kovalin::TForm form(kovalin::TFormParams{.caption = "Icons", .clientWidth = 600, .clientHeight = 500});
    shell::TDriveInfo drives;
    filelist::TDirView view(
        form,
        kovalin::TListView::Params{.width = 600, .height = 500, .viewStyle = kovalin::TViewStyle::vsReport},
        drives);
    form.Show();
    Prober prober;
    double loadedAt = 0;
    view.OnLoaded = [&](filelist::TDirView&) { loadedAt = Seconds(); };
    view.SetPath(folder);

    std::vector<double> direct, threaded, directStall, threadStall;
    for (int r = 0; r < 2 * rounds + 2; ++r) {
        const bool useThread = r % 2 == 1;
        view.SetUseIconUpdateThread(useThread);
        view.Reload(false);
        prober.Start();
        while (!VisibleIconsKnown(view))
            PumpOnce();
        const double took = Seconds() - loadedAt;
        prober.Stop();
        if (r < 2) continue; // the first of each warms the shell's caches
        (useThread ? threaded : direct).push_back(took);
        (useThread ? threadStall : directStall).push_back(prober.longest);
    }
    const double d = Median(direct), t = Median(threaded);
    std::printf("%d items, %d rows in view: icons drawn directly %.1f ms, by the icon thread %.1f ms, "
                "ratio %.2f\n",
                view.ItemCount(), view.VisibleRowCount(), d * 1000, t * 1000, t / d);
    std::printf("longest wait of a posted message: directly %.1f ms, with the icon thread %.1f ms "
                "(target 50 ms)\n",
                Median(directStall) * 1000, *std::max_element(threadStall.begin(), threadStall.end()) * 1000);
    return 0;
}
