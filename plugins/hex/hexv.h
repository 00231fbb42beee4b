// TfrmHex: the "Hex Viewer" window, a read-only hex view of one file at a time with a tool bar to
// open another file or close the window.
#pragma once

#include "kovalin/FileDialog.h"
#include "kovalin/Form.h"
#include "kovalin/ImageList.h"
#include "kovalin/ToolBar.h"
#include "plugins/hex/hexeditor.h"

#include <memory>

namespace kvhex {

class TfrmHex : public kovalin::TForm {
public:
    // A window owned by `owner` (the application window when null), centred on it.
    explicit TfrmHex(HWND owner = nullptr);
    ~TfrmHex() override;

    std::unique_ptr<kovalin::TImageList> imlHex;
    std::unique_ptr<kovalin::TToolBar> tbrHex;
    kovalin::TToolButton* tbnOpen = nullptr;
    kovalin::TToolButton* tbnClose = nullptr;
    std::unique_ptr<THexEditor> edtHex;
    kovalin::TOpenDialog dlgHexOpen;

    void tbnOpenClick();
    void tbnCloseClick();

private:
    struct IconDeleter {
        void operator()(HICON icon) const { DestroyIcon(icon); }
    };
    std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter> icon_;
};

} // namespace kvhex
