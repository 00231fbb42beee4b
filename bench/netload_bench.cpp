// LoadFile of one address into a local file, timed inside the process, with the process's
// private memory sampled while the download window runs. bench/netload_bench.sh serves the file
// and times curl on the same address for the ratio.
//
//   netload_bench.exe URL LOCALFILE [rounds]
//   prints: seconds=<median> bytes=<file size> mem_growth_kb=<largest growth seen> result=<type>
#include "bench/BenchTiming.h"
#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

size_t MemoryInUse() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    // Wine leaves PrivateUsage at zero; the working set is what it does count.
    return pmc.WorkingSetSize;
}

size_t g_before = 0, g_peak = 0;

void CALLBACK Sample(HWND, UINT, UINT_PTR, DWORD) {
    g_peak = std::max(g_peak, MemoryInUse());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: netload_bench URL LOCALFILE [rounds]\n");
        return 2;
    }
    int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    kplug::TPluginLibrary lib("netload.dll");
    auto loadFile = lib.Entry<TLoadFile>(kLoadFile);
    if (!loadFile) {
        std::fprintf(stderr, "netload.dll not found beside the program's plugins folder\n");
        return 1;
    }
    std::vector<double> times;
    std::string result;
    size_t growth = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, Sample);
    for (int i = 0; i < rounds; ++i) {
        DeleteFileA(argv[2]);
        g_before = g_peak = MemoryInUse();
        double t0 = bench::Seconds();
        result = loadFile(nullptr, argv[1], argv[2], "", "");
        times.push_back(bench::Seconds() - t0);
        growth = std::max(growth, g_peak - g_before);
    }
    KillTimer(nullptr, timer);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(argv[2], GetFileExInfoStandard, &data);
    unsigned long long bytes =
        (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    std::printf("seconds=%.3f bytes=%llu mem_growth_kb=%zu result=%s\n", bench::Median(times), bytes,
                growth / 1024, result.c_str());
    return 0;
}
