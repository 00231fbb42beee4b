// Entry point of the print library: the image on the preview's paper, shown or printed at once.
#include "kovalin/Application.h"
#include "kovalin/Bitmap.h"
#include "kovalin/Cursors.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Module.h"
#include "kovalin/Registry.h"
#include "plugin_api/KPlug.h"
#include "plugins/print/Dib.h"
#include "plugins/print/ErrorDisplay.h"
#include "plugins/print/PaperPreview.h"
#include "plugins/print/PrintSettings.h"
#include "plugins/print/view.h"

#include <memory>
#include <string>

using namespace kovalin;
using namespace kvprint;

namespace {

// What outlives a call: the position on the paper and our copy of the latest image.
struct LibraryState {
    TImagePosition position;
    TBitmap image;
    std::string fileName;
};

LibraryState& State() {
    static LibraryState state;
    return state;
}

void RegisterCursorsOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    if (HCURSOR hand = LoadCursorA(ThisModule(), "CURSOR_HAND")) Cursors().SetCursor(crHand, hand, false);
}

// A 24-bit copy of the caller's bitmap, read through GDI whatever kind it is; the caller's handle
// is left as it was.
void CopyImage(HBITMAP source, TBitmap& into) {
    BITMAP info{};
    into.SetPixelFormat(TPixelFormat::pf24bit);
    if (!source || !GetObjectA(source, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight == 0) {
        into.SetSize(0, 0);
        return;
    }
    int w = info.bmWidth, h = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    into.SetSize(w, h);
    BITMAPINFO bi = DibInfo24(w, h);
    ScreenDC screen;
    GetDIBits(screen.get(), source, 0, static_cast<UINT>(h), into.ScanLine(0), &bi, DIB_RGB_COLORS);
}

} // namespace

extern "C" BOOL WINAPI DoPrint(HWND appWindow, HBITMAP image, LPCSTR fileName, BYTE printAtOnce) {
    try {
        Application().SetHandle(appWindow);
        RegisterCursorsOnce();
        TRegistry reg;
        reg.OpenKey(kPrintKey, true);
        LibraryState& state = State();
        CopyImage(image, state.image);
        state.fileName = fileName ? fileName : "";
        TfrmPrint frmPrint(appWindow, state.image, state.position);
        RestoreSettings(reg, frmPrint);
        frmPrint.prwPrint->SetPrintJobTitle(FileNamePart(state.fileName));
        frmPrint.DrawImage();
        if (printAtOnce)
            frmPrint.prwPrint->Print();
        else
            frmPrint.ShowModal();
        SaveSettings(reg, frmPrint);
    } catch (const std::exception& e) {
        // Nothing may cross into the host: the error is shown here, and the call still ends as usual.
        ShowError(e);
    } catch (...) {
    }
    return TRUE;
}
