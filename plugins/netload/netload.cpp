// Entry point of the web loader library.
#include "kovalin/Application.h"
#include "plugin_api/KPlug.h"
#include "plugins/netload/load.h"

using namespace netload;

namespace {

// What the library keeps between calls: the arguments of the latest call and its result,
// which the caller reads until the next call or until the library is unloaded.
struct TLoaderValues {
    TLoadRequest request;
    std::string result;
};

TLoaderValues& LoaderValues() {
    static TLoaderValues values;
    return values;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

extern "C" LPCSTR WINAPI LoadFile(HWND appWindow, LPCSTR url, LPCSTR localFile, LPCSTR agent,
                                  LPCSTR referer) {
    TLoaderValues& values = LoaderValues();
    try {
        kovalin::Application().SetHandle(appWindow);
        values.request = {url ? url : "", localFile ? localFile : "", agent ? agent : "",
                          referer ? referer : ""};
        TfrmLoad frmLoad(values.request, values.result);
        frmLoad.ShowModal();
    } catch (...) {
        values.result.clear();
    }
    return values.result.c_str();
}
