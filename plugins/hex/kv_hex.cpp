// Entry point of the hex viewer library.
#include "kovalin/Application.h"
#include "plugin_api/KPlug.h"
#include "plugins/hex/hexv.h"

using namespace kovalin;

extern "C" BOOL WINAPI KPLUGtool(KPlugUnused, LPCSTR fileName, HWND appWindow, HBITMAP) {
    try {
        Application().SetHandle(appWindow);
        kvhex::TfrmHex frmHex(appWindow);
        // A path that cannot be read leaves the empty document in place.
        if (fileName) frmHex.edtHex->LoadFromFile(fileName);
        frmHex.ShowModal();
    } catch (...) {
        // Nothing crosses back into the host.
    }
    return 0;
}
