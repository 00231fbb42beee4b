// The "Print Preview" window: the preview of the image on its paper, with a tool bar for paper,
// printer, orientation, zoom, position, redrawing, printing and closing.
#pragma once

#include "kovalin/Bitmap.h"
#include "kovalin/Form.h"
#include "kovalin/ImageList.h"
#include "kovalin/Menus.h"
#include "kovalin/ToolBar.h"
#include "plugins/print/Preview.h"

#include <memory>

namespace kvprint {

// Where the image goes on the paper, in tenths of a millimetre; kept while the library is loaded.
struct TImagePosition {
    int X = 0, Y = 0;
};

class TfrmPrint : public kovalin::TForm {
public:
    // The image and the position stay the caller's and must outlive the window.
    TfrmPrint(HWND owner, kovalin::TBitmap& image, TImagePosition& position);
    ~TfrmPrint() override;

    // Puts the image on a fresh page at the position.
    void DrawImage();
    // The "Set Position" dialog; a confirmed position redraws the page.
    void SetPosition();
    void PrinterSetup();

    kovalin::TImageList imgPrint;
    std::unique_ptr<kovalin::TToolBar> tbrPrintMain;
    kovalin::TToolButton *tbnPaper, *tbnPrinterSetup, *tbnSettings, *tbnZoom, *tbnPosition, *tbnDraw,
        *tbnPrint, *tbnClose;
    std::unique_ptr<TPrintPreview> prwPrint;
    kovalin::TPopupMenu popPaper, popSettings, popZoom;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void BuildMenus();

    kovalin::TBitmap& image_;
    TImagePosition& position_;
};

} // namespace kvprint
