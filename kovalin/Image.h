// A window that shows a bitmap it holds, at its top-left corner; what the bitmap does not cover
// shows the button face.
#pragma once

#include "kovalin/Bitmap.h"
#include "kovalin/WinControl.h"

namespace kovalin {

class TImage : public TWinControl {
public:
    struct Params {
        int left = 0, top = 0, width = 105, height = 105;
    };
    TImage(TWinControl& parent, const Params& p);

    // The bitmap shown. Draw on its canvas, then call Invalidate to show the change.
    TBitmap& Picture() { return picture_; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    TBitmap picture_;
};

} // namespace kovalin
