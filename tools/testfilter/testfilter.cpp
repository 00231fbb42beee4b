// A filter library for trying the filter bridge: it follows the published filter interface,
// inverts every colour of the image on its second continue call and reports progress.
//
// XFTEST_FILTER holds comma-separated switches for the faults a real filter may show:
//   fail-init       the library refuses to load (its initialisation fails)
//   fail-continue   the first continue call reports an error
//   keep-params     the parameters call leaves a parameters handle for the host to free
//   over-total      progress is reported past the total
//   no-final-done   the closing report of 0 is left out
//   pause           waits four seconds with the bar half full
// XFTEST_FILTER_LOG names a file that gets one line per call with what the filter was given.
#include "plugins/xfbridge/FilterRecord.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

using namespace xfbridge;

namespace {

const intptr_t kDataMark = 0x5EED;
const int16 kFilterError = -30100;

std::string Env(const char* name) {
    char buffer[1024];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

bool Switch(const char* name) {
    const std::string all = Env("XFTEST_FILTER");
    const size_t n = std::strlen(name);
    for (size_t at = all.find(name); at != std::string::npos; at = all.find(name, at + 1)) {
        const bool starts = at == 0 || all[at - 1] == ',';
        const bool ends = at + n == all.size() || all[at + n] == ',';
        if (starts && ends) return true;
    }
    return false;
}

void Log(const std::string& line) {
    const std::string path = Env("XFTEST_FILTER_LOG");
    if (path.empty()) return;
    if (FILE* f = std::fopen(path.c_str(), "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

std::string ModulePath(HMODULE module) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, sizeof path);
    return path;
}

std::string Num(long long v) {
    return std::to_string(v);
}

bool WorkingWindowShown() {
    HWND w = FindWindowA(nullptr, "Working...");
    return w && IsWindowVisible(w);
}

void Progress(FilterRecord* r, int32 done, int32 total) {
    if (!r->progressProc) return;
    r->progressProc(done, total);
    Log("progress " + Num(done) + " " + Num(total) + " window=" + (WorkingWindowShown() ? "1" : "0"));
}

// Everything the host filled in, as the filter sees it on its first continue call.
std::string Describe(const FilterRecord* r, const intptr_t* data) {
    std::string s = "size=" + Num(r->imageSize.h) + "x" + Num(r->imageSize.v);
    s += " planes=" + Num(r->planes);
    s += " rect=" + Num(r->filterRect.top) + "," + Num(r->filterRect.left) + "," + Num(r->filterRect.bottom) +
         "," + Num(r->filterRect.right);
    s += " inRowBytes=" + Num(r->inRowBytes) + " inColumnBytes=" + Num(r->inColumnBytes) +
         " inPlaneBytes=" + Num(r->inPlaneBytes);
    s += std::string(" outData=") + (r->outData ? "set" : "null");
    char sig[16];
    std::snprintf(sig, sizeof sig, "%08lX", static_cast<unsigned long>(r->hostSig));
    s += std::string(" hostSig=") + sig + " mode=" + Num(r->imageMode);
    s += " back=" + Num(r->backColor[0]) + "," + Num(r->backColor[1]) + "," + Num(r->backColor[2]) + "," +
         Num(r->backColor[3]);
    s += " fore=" + Num(r->foreColor[0]) + "," + Num(r->foreColor[1]) + "," + Num(r->foreColor[2]) + "," +
         Num(r->foreColor[3]);
    const auto* platform = static_cast<const PlatformData*>(r->platformData);
    s += " owner=" + (platform ? Num(platform->hwnd) : std::string("none"));
    s += std::string(" suites=") +
         (r->bufferProcs || r->handleProcs || r->resourceProcs || r->abortProc ? "some" : "none");
    s += std::string(" data=") + (*data == kDataMark ? "kept" : "lost");
    const auto* top = static_cast<const unsigned char*>(r->inData);
    if (top) s += " topLeft=" + Num(top[0]) + "," + Num(top[1]) + "," + Num(top[2]);
    return s;
}

// The parameters a real filter keeps between runs: a handle block pointing at the data block.
void KeepParameters(FilterRecord* r) {
    HGLOBAL dataBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 64);
    HGLOBAL handleBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(char*));
    auto* handle = static_cast<char**>(GlobalLock(handleBlock));
    *handle = static_cast<char*>(GlobalLock(dataBlock));
    std::strcpy(*handle, "test filter settings");
    r->parameters = handle;
}

void Invert(FilterRecord* r) {
    const int rows = r->filterRect.bottom - r->filterRect.top;
    const int columns = r->filterRect.right - r->filterRect.left;
    Progress(r, 0, 100);
    for (int y = 0; y < rows; ++y) {
        auto* row = static_cast<unsigned char*>(r->outData) + static_cast<ptrdiff_t>(y) * r->outRowBytes;
        for (int x = 0; x < columns; ++x)
            for (int plane = 0; plane < r->planes; ++plane) {
                unsigned char& v = row[x * r->outColumnBytes + plane * r->outPlaneBytes];
                v = static_cast<unsigned char>(255 - v);
            }
        if (y == rows / 2) {
            Progress(r, 50, 100);
            if (Switch("pause")) Sleep(4000);
        }
    }
    Progress(r, Switch("over-total") ? 150 : 100, 100);
    if (!Switch("no-final-done")) Progress(r, 0, 100);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        Log("attach " + ModulePath(module));
        if (Switch("fail-init")) return FALSE;
    }
    return TRUE;
}

extern "C" void __cdecl ENTRYPOINT(int16 selector, FilterRecord* r, intptr_t* data, int16* result) {
    static int continues = 0;
    *result = 0;
    switch (selector) {
    case filterSelectorParameters:
        Log("selector 1");
        if (Switch("keep-params")) KeepParameters(r);
        break;
    case filterSelectorPrepare:
        Log("selector 2");
        // A real filter asks for what it wants here; this host is expected to pay no attention.
        r->inRect = Rect{0, 0, 1, 1};
        r->bufferSpace = 1;
        break;
    case filterSelectorStart:
        Log(std::string("selector 3 inData=") + (r->inData ? "set" : "null"));
        *data = kDataMark;
        continues = 0;
        break;
    case filterSelectorContinue:
        if (++continues == 1) {
            Log("selector 4 first " + Describe(r, data));
            if (Switch("fail-continue")) *result = kFilterError;
        } else {
            Log(std::string("selector 4 second same=") + (r->outData == r->inData ? "1" : "0") +
                " outRowBytes=" + Num(r->outRowBytes) + " outColumnBytes=" + Num(r->outColumnBytes) +
                " outPlaneBytes=" + Num(r->outPlaneBytes));
            Invert(r);
        }
        break;
    case filterSelectorFinish:
        Log("selector 5");
        *data = 0;
        break;
    default:
        Log("selector " + Num(selector));
        break;
    }
}
