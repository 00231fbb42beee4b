#include "kovalin/MetafileCanvas.h"

#include "kovalin/Handles.h"
#include "kovalin/Metafile.h"

namespace kovalin {

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile, HDC referenceDevice) : metafile_(metafile) {
    ScreenDC screen;
    HDC ref = referenceDevice ? referenceDevice : screen.get();
    // The frame is in hundredths of a millimetre, from the device's own size of a pixel, so that the
    // picture covers exactly Width x Height of its pixels.
    int hres = GetDeviceCaps(ref, HORZRES), vres = GetDeviceCaps(ref, VERTRES);
    int hsize = GetDeviceCaps(ref, HORZSIZE), vsize = GetDeviceCaps(ref, VERTSIZE);
    RECT frame{0, 0, hres > 0 ? MulDiv(metafile.Width(), hsize * 100, hres) : 0,
               vres > 0 ? MulDiv(metafile.Height(), vsize * 100, vres) : 0};
    SetHandle(CreateEnhMetaFileA(ref, nullptr, &frame, nullptr));
}

TMetafileCanvas::~TMetafileCanvas() {
    if (HDC dc = Handle()) {
        SetHandle(nullptr);
        metafile_.SetHandle(CloseEnhMetaFile(dc));
    }
}

} // namespace kovalin
