// Deleting, copying and moving 10 000 small files through the file list (its commands, with the
// lists brought in line with the disk afterwards) against the same SHFileOperation call made
// directly, in the same run. Prints each round, the medians and the ratio of each operation
// (target 1.2), and where the list's time goes: before the shell call (reading the selection, the
// clipboard, the checks ahead of the operation), in it, and after it (the checks after it and
// bringing the lists in line with the disk), with the system calls the program made in each.
//
//   file_ops_bench.exe [rounds [files [delete|copy|move]]] [--profile samples.txt]
//
// With --profile the list's side of every round is sampled (bench/profile_report.py reads the
// file; sampling slows it by a few per cent, so take figures from a run without). BENCH_DETAIL=1
// prints every side of every round; BENCH_LIST_ONLY=1 leaves out the direct calls (for profiling).
//
// Under Wine every new file costs a scan of its folder, so the files of each round are made on
// the host side: the bench starts the host's /bin/sh for that (Wine runs host programs too) in a
// folder below Z:\tmp, and removes it the same way at the end.
#include "bench/BenchTiming.h"
#include "bench/CallMeter.h"
#include "bench/FloorTable.h"
#include "bench/SamplingProfiler.h"
#include "filelist/DirView.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "shell/ClipboardMode.h"

#include <windows.h>

#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// --- where the time goes -----------------------------------------------------------------------

enum Meter { mShell, mAttributes, mFind, mSend, mClipboard, kMeters };
const char* const kMeterNames[kMeters] = {"SHFileOperation", "GetFileAttributes", "FindFirst/NextFile",
                                          "SendMessage", "clipboard calls"};
using Counts = std::array<bench::CallCount, kMeters>;
Counts meters;
// The counts when the last shell call began and ended, to split a command into its three phases.
Counts atShellStart, atShellEnd;
double shellStart = 0, shellEnd = 0;

decltype(&SHFileOperationA) realShFileOperation;
decltype(&GetFileAttributesA) realGetFileAttributes;
decltype(&FindFirstFileA) realFindFirstFile;
decltype(&FindFirstFileExA) realFindFirstFileEx;
decltype(&FindNextFileA) realFindNextFile;
decltype(&SendMessageA) realSendMessage;
decltype(&OleSetClipboard) realOleSetClipboard;
decltype(&OleGetClipboard) realOleGetClipboard;
decltype(&OpenClipboard) realOpenClipboard;
decltype(&CloseClipboard) realCloseClipboard;
decltype(&EmptyClipboard) realEmptyClipboard;
decltype(&IsClipboardFormatAvailable) realIsClipboardFormatAvailable;

int WINAPI MeteredShFileOperation(LPSHFILEOPSTRUCTA op) {
    atShellStart = meters;
    shellStart = bench::Seconds();
    int result;
    {
        bench::TimedCall t(meters[mShell]);
        result = realShFileOperation(op);
    }
    shellEnd = bench::Seconds();
    atShellEnd = meters;
    return result;
}
DWORD WINAPI MeteredGetFileAttributes(LPCSTR name) {
    bench::TimedCall t(meters[mAttributes]);
    return realGetFileAttributes(name);
}
HANDLE WINAPI MeteredFindFirstFile(LPCSTR name, LPWIN32_FIND_DATAA data) {
    bench::TimedCall t(meters[mFind]);
    return realFindFirstFile(name, data);
}
HANDLE WINAPI MeteredFindFirstFileEx(LPCSTR name, FINDEX_INFO_LEVELS level, LPVOID data,
                                     FINDEX_SEARCH_OPS search, LPVOID filter, DWORD flags) {
    bench::TimedCall t(meters[mFind]);
    return realFindFirstFileEx(name, level, data, search, filter, flags);
}
BOOL WINAPI MeteredFindNextFile(HANDLE find, LPWIN32_FIND_DATAA data) {
    bench::TimedCall t(meters[mFind]);
    return realFindNextFile(find, data);
}
LRESULT WINAPI MeteredSendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    bench::TimedCall t(meters[mSend]);
    return realSendMessage(window, msg, wParam, lParam);
}
HRESULT WINAPI MeteredOleSetClipboard(LPDATAOBJECT data) {
    bench::TimedCall t(meters[mClipboard]);
    return realOleSetClipboard(data);
}
HRESULT WINAPI MeteredOleGetClipboard(LPDATAOBJECT* data) {
    bench::TimedCall t(meters[mClipboard]);
    return realOleGetClipboard(data);
}

BOOL WINAPI MeteredOpenClipboard(HWND owner) {
    bench::TimedCall t(meters[mClipboard]);
    return realOpenClipboard(owner);
}
BOOL WINAPI MeteredCloseClipboard() {
    bench::TimedCall t(meters[mClipboard]);
    return realCloseClipboard();
}
BOOL WINAPI MeteredEmptyClipboard() {
    bench::TimedCall t(meters[mClipboard]);
    return realEmptyClipboard();
}
BOOL WINAPI MeteredIsClipboardFormatAvailable(UINT format) {
    bench::TimedCall t(meters[mClipboard]);
    return realIsClipboardFormatAvailable(format);
}

template <typename F> void Patch(const char* dll, const char* name, F& real, F hook) {
    real = reinterpret_cast<F>(bench::PatchImport(dll, name, reinterpret_cast<void*>(hook)));
    if (!real) {
        std::printf("cannot meter %s\n", name);
        std::exit(2);
    }
}

void InstallMeters() {
    Patch("shell32.dll", "SHFileOperationA", realShFileOperation, &MeteredShFileOperation);
    Patch("kernel32.dll", "GetFileAttributesA", realGetFileAttributes, &MeteredGetFileAttributes);
    Patch("kernel32.dll", "FindFirstFileA", realFindFirstFile, &MeteredFindFirstFile);
    Patch("kernel32.dll", "FindFirstFileExA", realFindFirstFileEx, &MeteredFindFirstFileEx);
    Patch("kernel32.dll", "FindNextFileA", realFindNextFile, &MeteredFindNextFile);
    Patch("user32.dll", "SendMessageA", realSendMessage, &MeteredSendMessage);
    Patch("ole32.dll", "OleSetClipboard", realOleSetClipboard, &MeteredOleSetClipboard);
    Patch("ole32.dll", "OleGetClipboard", realOleGetClipboard, &MeteredOleGetClipboard);
    Patch("user32.dll", "OpenClipboard", realOpenClipboard, &MeteredOpenClipboard);
    Patch("user32.dll", "CloseClipboard", realCloseClipboard, &MeteredCloseClipboard);
    Patch("user32.dll", "EmptyClipboard", realEmptyClipboard, &MeteredEmptyClipboard);
    Patch("user32.dll", "IsClipboardFormatAvailable", realIsClipboardFormatAvailable,
          &MeteredIsClipboardFormatAvailable);
}

Counts Difference(const Counts& later, const Counts& earlier) {
    Counts d;
    for (int m = 0; m < kMeters; ++m) {
        d[m].calls = later[m].calls - earlier[m].calls;
        d[m].seconds = later[m].seconds - earlier[m].seconds;
    }
    return d;
}

// One command through the list, split at its shell call.
struct Phases {
    double total = 0, before = 0, shell = 0, after = 0;
    Counts beforeCalls, afterCalls;
};

// The metered calls of a phase, and what of its time they leave to the program itself.
std::string Describe(double seconds, const Counts& calls) {
    char text[160];
    std::snprintf(text, sizeof text, "%.0f ms", seconds * 1000);
    std::string s = text;
    double metered = 0;
    for (int m = mAttributes; m < kMeters; ++m) {
        if (!calls[m].calls) continue;
        std::snprintf(text, sizeof text, "; %s %lld x %.0f ms", kMeterNames[m], calls[m].calls,
                      calls[m].seconds * 1000);
        s += text;
        metered += calls[m].seconds;
    }
    std::snprintf(text, sizeof text, "; the rest %.0f ms", (seconds - metered) * 1000);
    return s + text;
}

using bench::Median;
using bench::Seconds;

const std::string kHostRoot = "/tmp/kovalin-fileops-" + std::to_string(GetCurrentProcessId());
const std::string kRoot = "Z:\\tmp\\kovalin-fileops-" + std::to_string(GetCurrentProcessId());

// Runs the script with the host's shell and waits until it has ended. The handle Wine gives for
// a host program does not wait for it, so the script leaves a mark when it is done.
bool RunHost(const std::string& script) {
    static int runs = 0;
    const std::string mark =
        "/tmp/kovalin-fileops-done-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs);
    std::string windowsMark = "Z:" + mark;
    for (char& c : windowsMark)
        if (c == '/') c = '\\';
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = "Z:\\bin\\sh -c \"" + script + "; touch " + mark + "\"";
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    while (GetFileAttributesA(windowsMark.c_str()) == INVALID_FILE_ATTRIBUTES)
        Sleep(20);
    DeleteFileA(windowsMark.c_str());
    return true;
}

// A fresh "src" folder of `count` files of 64 bytes and an empty "dst" folder beside it.
void MakeFolders(int count) {
    const std::string last = std::to_string(count - 1);
    RunHost("rm -rf " + kHostRoot + " && mkdir -p " + kHostRoot + "/src " + kHostRoot + "/dst && cd " +
            kHostRoot + "/src && seq -f f%06g.dat 0 " + last +
            " | xargs sh -c 'printf %064d 0 | tee $* >/dev/null' x");
}

std::string ZeroSeparated(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& p : paths)
        list += p + '\0';
    return list + '\0';
}

std::vector<std::string> SourcePaths(int count, const std::string& folder) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "\\f%06d.dat", i);
        paths.push_back(folder + name);
    }
    return paths;
}

template <typename F> double Time(F&& f) {
    const double t = Seconds();
    f();
    return Seconds() - t;
}

int CountFiles(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*.dat").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do
        ++n;
    while (FindNextFileA(find, &entry));
    FindClose(find);
    return n;
}

// The call the list's file operator makes for the operation, made directly.
void ShellCall(UINT operation, int count) {
    const std::string src = kRoot + "\\src", dst = kRoot + "\\dst";
    const std::vector<std::string> sources = SourcePaths(count, src);
    const std::string from = ZeroSeparated(sources);
    std::string to;
    SHFILEOPSTRUCTA op{};
    op.wFunc = operation;
    op.pFrom = from.c_str();
    op.lpszProgressTitle = "Filesystem Operation";
    switch (operation) {
    case FO_DELETE:
        op.fFlags = FOF_NOCONFIRMMKDIR | FOF_NOCONFIRMATION;
        break;
    case FO_COPY:
        to = ZeroSeparated({dst});
        op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR;
        break;
    case FO_MOVE:
        // Several plain files moved into one folder are named one by one, as the operator does.
        to = ZeroSeparated(SourcePaths(count, dst));
        op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR | FOF_MULTIDESTFILES;
        break;
    }
    op.pTo = to.empty() ? nullptr : to.c_str();
    SHFileOperationA(&op);
}

struct Lists {
    explicit Lists(kovalin::TForm& form)
        : source(form, kovalin::TListView::Params{.width = 600, .height = 400, .multiSelect = true}, drives),
          target(form, kovalin::TListView::Params{.width = 600, .height = 400, .multiSelect = true}, drives) {
        source.SetConfirmDelete(false);
        source.SetPath(kRoot + "\\src");
        target.SetPath(kRoot + "\\dst");
        source.SelectAll();
        source.Item(0).SetSelected(false); // ".."
    }
    shell::TDriveInfo drives;
    filelist::TDirView source, target;
};

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string profile = bench::TakeProfileArgument(args);
    const int rounds = args.size() > 0 ? std::max(1, std::atoi(args[0].c_str())) : 3;
    const int count = args.size() > 1 ? std::max(10, std::atoi(args[1].c_str())) : 10000;
    const std::string only = args.size() > 2 ? args[2] : "";
    const bool listOnly = getenv("BENCH_LIST_ONLY") != nullptr;
    InstallMeters();
    OleInitialize(nullptr);
    kovalin::Application().Initialize();
    kovalin::TForm form(kovalin::TFormParams{.caption = "Bench", .clientWidth = 600, .clientHeight = 400});

    struct Operation {
        const char* name;
        UINT shell;
        // What the user does in the lists: delete the selection, or cut / copy and paste it.
        std::function<void(Lists&)> command;
    };
    const Operation operations[] = {
        {"delete", FO_DELETE, [](Lists& l) { l.source.DeleteSelectedFiles(false); }},
        {"copy", FO_COPY,
         [](Lists& l) {
             l.source.CopyToClipBoard();
             l.target.PasteFromClipBoard();
         }},
        {"move", FO_MOVE,
         [](Lists& l) {
             l.source.CutToClipBoard();
             l.target.PasteFromClipBoard();
         }},
    };
    bool wrong = false;
    for (const Operation& op : operations) {
        if (!only.empty() && only != op.name) continue;
        std::vector<double> direct, list;
        std::vector<Phases> phases;
        for (int r = 0; r < rounds; ++r) {
            // Alternating which side goes first evens out what the disk cache gives either.
            for (int side = 0; side < 2; ++side) {
                const bool throughList = (side == 0) == (r % 2 == 0);
                if (!throughList && listOnly) continue;
                MakeFolders(count);
                if (throughList) {
                    Lists lists(form);
                    if (lists.source.SelCount() != count)
                        std::printf("  only %d selected\n", lists.source.SelCount());
                    Phases p;
                    const Counts start = meters;
                    shellStart = shellEnd = 0;
                    {
                        bench::Sampling sampling(profile.c_str(), op.name);
                        const double t = bench::Seconds();
                        op.command(lists);
                        p.total = bench::Seconds() - t;
                        if (shellStart > 0) {
                            p.before = shellStart - t;
                            p.shell = shellEnd - shellStart;
                            p.after = t + p.total - shellEnd;
                            p.beforeCalls = Difference(atShellStart, start);
                            p.afterCalls = Difference(meters, atShellEnd);
                        }
                    }
                    list.push_back(p.total);
                    phases.push_back(p);
                    const int shown = lists.target.ItemCount() - 1;
                    if (op.shell != FO_DELETE && shown != count) {
                        std::printf("  the target list shows %d files\n", shown);
                        wrong = true;
                    }
                } else {
                    direct.push_back(Time([&] { ShellCall(op.shell, count); }));
                }
                if (getenv("BENCH_DETAIL"))
                    std::printf("  %s round %d %s: %.0f ms\n", op.name, r + 1, throughList ? "list" : "shell",
                                (throughList ? list.back() : direct.back()) * 1000);
                const int inSource = CountFiles(kRoot + "\\src"), inTarget = CountFiles(kRoot + "\\dst");
                const int expectSource = op.shell == FO_COPY ? count : 0;
                const int expectTarget = op.shell == FO_DELETE ? 0 : count;
                if (inSource != expectSource || inTarget != expectTarget) {
                    std::printf("  %s %s left %d in src, %d in dst\n", op.name,
                                throughList ? "(list)" : "(shell)", inSource, inTarget);
                    wrong = true;
                }
            }
            shell::SetClipboardMode(shell::TClipboardMode::None);
        }
        if (direct.empty()) direct.push_back(0);
        const double d = Median(direct), l = Median(list);
        std::printf("%-6s %d files: SHFileOperation %.0f ms, file list %.0f ms, ratio %.2f (target 1.2)\n",
                    op.name, count, d * 1000, l * 1000, l / d);
        std::string each;
        for (size_t r = 0; r < direct.size() && r < list.size(); ++r) {
            char text[64];
            std::snprintf(text, sizeof text, "%s%.0f/%.0f", r ? ", " : "", list[r] * 1000, direct[r] * 1000);
            each += text;
        }
        std::printf("  rounds (list/direct ms): %s\n", each.c_str());
        // The round of the median list time tells where its time went.
        const Phases& p =
            *std::find_if(phases.begin(), phases.end(), [l](const Phases& x) { return x.total == l; });
        std::printf("  list: the shell call %.0f ms (direct %.0f ms), before it %s\n", p.shell * 1000,
                    d * 1000, Describe(p.before, p.beforeCalls).c_str());
        std::printf("  after it %s\n", Describe(p.after, p.afterCalls).c_str());
        std::fflush(stdout);
    }
    RunHost("rm -rf " + kHostRoot);
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    OleUninitialize();
    return wrong ? 1 : 0;
}
