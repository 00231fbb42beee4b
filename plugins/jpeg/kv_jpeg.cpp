// Entry points of the JPEG plug-in library.
#include "kovalin/Application.h"
#include "kovalin/Bitmap.h"
#include "plugin_api/KPlug.h"
#include "plugins/jpeg/info.h"
#include "plugins/jpeg/jpeg.h"

using namespace kovalin;
using namespace kvjpeg;

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID processEnds) {
    // Only bookkeeping under the loader lock: the entries are dropped when a host frees the library;
    // when the process ends its memory goes with it.
    if (reason == DLL_PROCESS_DETACH && !processEnds) UnregisterJPEGFormat();
    return TRUE;
}

extern "C" HBITMAP WINAPI KPLUGopen(LPCSTR fileName, LPCSTR, HWND) {
    try {
        RegisterJPEGFormat();
        TJPEGImage jpg;
        jpg.LoadFromFile(fileName ? fileName : "");
        // The decoded bitmap itself becomes the result: drawing it into a second bitmap of the
        // same size would only copy every pixel once more.
        std::unique_ptr<TBitmap> bmp = jpg.ReleaseBitmap();
        bmp->SetPixelFormat(TPixelFormat::pf24bit); // greyscale decodes to 8 bits with a palette
        return bmp->ReleaseHandle();
    } catch (...) {
        return nullptr;
    }
}

extern "C" BOOL WINAPI KPLUGinfo(LPCSTR fileName, KPlugUnused, KPlugUnused, HWND appWindow) {
    try {
        RegisterJPEGFormat();
        Application().SetHandle(appWindow);
        TJPEGImage jpg;
        jpg.LoadFromFile(fileName ? fileName : "");
        if (jpg.Empty()) return FALSE; // an empty file is no JPEG of any kind
        TfrmInfo frmInfo;
        if (jpg.Grayscale()) frmInfo.lblColor->SetCaption("Grayscale JPEG");
        frmInfo.ShowModal();
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}
