#include "kovalin/UpDown.h"

#include "kovalin/Edit.h"

#include <commctrl.h>

namespace kovalin {

TUpDown::TUpDown(TWinControl& parent, TEdit& associate, const Params& p)
    : TWinControl(&parent), increment_(p.increment) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
    CreateParams cp = ChildParams(UPDOWN_CLASSA, 0, 0, 17, associate.Height());
    cp.style |= UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | (p.wrap ? UDS_WRAP : 0);
    CreateHandle(cp);
    SendMessageA(Handle(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(associate.Handle()), 0);
    SetRange(p.min, p.max);
    SetIncrement(p.increment);
    SetPosition(p.position);
}

int TUpDown::Min() const {
    int lo = 0, hi = 0;
    SendMessageA(Handle(), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
    return lo;
}

int TUpDown::Max() const {
    int lo = 0, hi = 0;
    SendMessageA(Handle(), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
    return hi;
}

void TUpDown::SetRange(int min, int max) {
    SendMessageA(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(min), static_cast<LPARAM>(max));
}

void TUpDown::SetIncrement(int value) {
    increment_ = value;
    UDACCEL accel{0, static_cast<UINT>(value)};
    SendMessageA(Handle(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}

bool TUpDown::Wrap() const {
    return (GetWindowLongA(Handle(), GWL_STYLE) & UDS_WRAP) != 0;
}

int TUpDown::Position() const {
    return static_cast<int>(SendMessageA(Handle(), UDM_GETPOS32, 0, 0));
}

void TUpDown::SetPosition(int value) {
    SendMessageA(Handle(), UDM_SETPOS32, 0, static_cast<LPARAM>(value));
}

} // namespace kovalin
