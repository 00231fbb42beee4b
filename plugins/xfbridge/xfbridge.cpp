// The filter bridge library: KPLUGfilter runs the Prismatica filter file over the caller's image
// and hands back the result as a new bitmap.
#include "plugin_api/KPlug.h"
#include "plugins/xfbridge/Dib.h"
#include "plugins/xfbridge/FilterHost.h"
#include "plugins/xfbridge/FilterLocator.h"
#include "plugins/xfbridge/ProgressWindow.h"

using namespace xfbridge;

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // A progress window left open by a filter must not outlive the code that paints it. At
    // process exit (reserved set) windows go with the process and may not be touched.
    if (reason == DLL_PROCESS_DETACH && !reserved) TProgressWindow::Unregister();
    return TRUE;
}

extern "C" HBITMAP __cdecl KPLUGfilter(KPlugUnused, KPlugUnused, HBITMAP bitmap) {
    try {
        const std::string filter = LocateFilter();
        if (filter.empty()) return nullptr;
        OwnedGlobal image = BitmapToDib(bitmap);
        if (!image) return nullptr;
        {
            GlobalLockGuard lock(image.get());
            auto* header = static_cast<const BITMAPINFOHEADER*>(lock.data());
            if (!header || header->biBitCount != 24) return nullptr; // palette images are not filtered
        }
        if (!RunFilter(filter, image.get())) return nullptr;
        return DibToScreenBitmap(image.get());
    } catch (...) {
        return nullptr;
    }
}
