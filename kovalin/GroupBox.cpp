#include "kovalin/GroupBox.h"

namespace kovalin {

TGroupBox::TGroupBox(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    CreateParams cp = ChildParams("BUTTON", p.left, p.top, p.width, p.height);
    cp.style |= BS_GROUPBOX | WS_CLIPCHILDREN;
    cp.exStyle = WS_EX_CONTROLPARENT; // Tab moves through the controls inside
    cp.caption = p.caption;
    // The frame is the parent of its controls: their notifications must pass through the object.
    cp.subclass = true;
    CreateHandle(cp);
}

} // namespace kovalin
