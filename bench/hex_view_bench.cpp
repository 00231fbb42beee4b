// The hex viewer on one large file, each measurement in a child process of its own so that memory
// figures belong to that measurement alone:
//   - KPLUGtool until the grid has been painted once, against a plain CopyFile of the same file
//     (the viewer works on a copy, so the copy is the floor);
//   - peak working set once the view shows, and after the thumb has been dragged from the top of
//     the file to its bottom;
//   - Page Down held for 1000 steps, each painted before the next.
//
// Make the files sparse from the Linux side, then run under wine64:
//   truncate -s 2G /tmp/hexbench/big.bin; truncate -s 2M /tmp/hexbench/small.bin
//   hex_view_bench.exe Z:\tmp\hexbench\big.bin [rounds]
#include "bench/BenchTiming.h"
#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "tests/support/ScrollThumbDrag.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using bench::Median;
using bench::Seconds;

double PeakMB() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

std::string TempCopyName() {
    char dir[MAX_PATH], name[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "hxb", 0, name);
    return name;
}

FILE* g_out = stdout;

int CopyChild(const std::string& path) {
    std::string dest = TempCopyName();
    double t0 = Seconds();
    BOOL ok = CopyFileA(path.c_str(), dest.c_str(), FALSE);
    double t = Seconds() - t0;
    DeleteFileA(dest.c_str());
    std::fprintf(g_out, "copy %.4f %d\n", t, ok ? 1 : 0);
    return ok ? 0 : 1;
}

// What the viewer child measures, driven from a message hook inside the tool's modal loop.
struct ViewRun {
    double start = 0, firstPaint = -1;
    double peakShown = 0, peakEnd = 0, pageStep = 0;
    HWND grid = nullptr;
    bool paintSeen = false, measured = false;
    HHOOK hook = nullptr;
};
ViewRun g_run;

bool IsViewerGrid(HWND h) {
    char cls[64] = {}, caption[64] = {};
    GetClassNameA(h, cls, sizeof cls);
    HWND top = GetAncestor(h, GA_ROOT);
    GetWindowTextA(top, caption, sizeof caption);
    return std::string(cls) == "KovalinWindow" && top != h && std::string(caption) == "Hex Viewer" &&
           (GetWindowLongA(h, GWL_STYLE) & WS_VSCROLL);
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && !g_run.measured) {
        if (g_run.paintSeen) {
            // The first paint of the grid has run: the message after it is the one we posted.
            g_run.measured = true;
            g_run.firstPaint = Seconds() - g_run.start;
            g_run.peakShown = PeakMB();
            HWND grid = g_run.grid;
            double t0 = Seconds();
            for (int i = 0; i < 1000; ++i) {
                SendMessageA(grid, WM_KEYDOWN, VK_NEXT, 1);
                UpdateWindow(grid);
            }
            g_run.pageStep = (Seconds() - t0) / 1000.0;
            SendMessageA(grid, WM_KEYDOWN, VK_HOME, 1); // back up to the top, then drag through it all
            std::thread([grid] {
                testsupport::DragScrollThumb(grid, 1.0, 100, 15);
                Sleep(300);
                PostMessageA(GetAncestor(grid, GA_ROOT), WM_CLOSE, 0, 0);
            }).detach();
        } else if (msg->message == WM_PAINT && IsViewerGrid(msg->hwnd)) {
            g_run.grid = msg->hwnd;
            g_run.paintSeen = true;
            PostMessageA(msg->hwnd, WM_NULL, 0, 0);
        }
    }
    return CallNextHookEx(g_run.hook, code, wParam, lParam);
}

int ViewChild(const std::string& path) {
    kplug::TPluginLibrary lib("kv_hex.dll");
    auto tool = lib.Entry<TKPLUGtool>(kKPLUGtool);
    if (!tool) {
        std::fprintf(g_out, "error kv_hex.dll not found\n");
        return 1;
    }
    g_run.hook = SetWindowsHookExA(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
    g_run.start = Seconds();
    tool(0, path.c_str(), nullptr, nullptr);
    UnhookWindowsHookEx(g_run.hook);
    g_run.peakEnd = PeakMB();
    std::fprintf(g_out, "view %.4f %.2f %.2f %.4f\n", g_run.firstPaint, g_run.peakShown, g_run.peakEnd,
                 g_run.pageStep * 1000.0);
    return g_run.measured ? 0 : 1;
}

// Runs this program again with the arguments and returns the line it printed into a file (its
// output through a pipe would need every process it starts to let go of the pipe first).
std::string RunChild(const std::string& args) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string result = TempCopyName();
    std::string cmd = "\"";
    cmd += exe;
    cmd += "\" ";
    cmd += args;
    cmd += " \"";
    cmd += result;
    cmd += "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string out;
    if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        if (FILE* f = std::fopen(result.c_str(), "rb")) {
            char buf[512];
            size_t n = std::fread(buf, 1, sizeof buf, f);
            out.assign(buf, n);
            std::fclose(f);
        }
    }
    DeleteFileA(result.c_str());
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4) {
        g_out = std::fopen(argv[3], "wb");
        if (!g_out) return 1;
        int r = std::string(argv[1]) == "--copy" ? CopyChild(argv[2]) : ViewChild(argv[2]);
        std::fclose(g_out);
        return r;
    }
    if (argc < 2) {
        std::printf("usage: hex_view_bench.exe <file> [rounds]\n");
        return 2;
    }
    std::string path = argv[1];
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    WIN32_FILE_ATTRIBUTE_DATA fa{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &fa);
    double sizeMB = static_cast<double>((static_cast<int64_t>(fa.nFileSizeHigh) << 32) | fa.nFileSizeLow) /
                    (1024.0 * 1024.0);
    std::vector<double> copy, first, shown, end, step;
    for (int r = 0; r < rounds; ++r) {
        double c = 0, f = 0, s = 0, e = 0, p = 0;
        int ok = 0;
        std::sscanf(RunChild("--copy \"" + path + "\"").c_str(), "copy %lf %d", &c, &ok);
        std::string v = RunChild("--view \"" + path + "\"");
        if (std::sscanf(v.c_str(), "view %lf %lf %lf %lf", &f, &s, &e, &p) != 4 || !ok) {
            std::printf("round %d failed: %s\n", r, v.c_str());
            return 1;
        }
        copy.push_back(c);
        first.push_back(f);
        shown.push_back(s);
        end.push_back(e);
        step.push_back(p);
        std::printf("round %d: copy %.3f s, first paint %.3f s, peak %.1f / %.1f MB, page down %.3f ms\n", r,
                    c, f, s, e, p);
    }
    double mc = Median(copy), mf = Median(first);
    std::printf("file %.1f MB, %d rounds (medians)\n", sizeMB, rounds);
    std::printf("KPLUGtool to first paint: %.3f s; CopyFile: %.3f s; ratio %.3f (target <= 1.2)\n", mf, mc,
                mf / mc);
    std::printf("peak working set: %.1f MB once shown, %.1f MB after dragging to the bottom (target <= 64)\n",
                Median(shown), Median(end));
    std::printf("Page Down, 1000 steps: %.3f ms per step\n", Median(step));
    return 0;
}
