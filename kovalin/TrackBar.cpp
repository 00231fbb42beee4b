#include "kovalin/TrackBar.h"

#include <commctrl.h>

namespace kovalin {

TTrackBar::TTrackBar(TWinControl& parent, const Params& p)
    : TWinControl(&parent), frequency_(p.frequency), reported_(p.position) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    CreateParams cp = ChildParams(TRACKBAR_CLASSA, p.left, p.top, p.width, p.height);
    cp.style |= WS_TABSTOP | TBS_AUTOTICKS;
    cp.style |= p.orientation == TTrackBarOrientation::trVertical ? TBS_VERT : TBS_HORZ;
    switch (p.tickMarks) {
    case TTickMark::tmTopLeft:
        cp.style |= TBS_TOP;
        break;
    case TTickMark::tmBoth:
        cp.style |= TBS_BOTH;
        break;
    case TTickMark::tmBottomRight:
        cp.style |= TBS_BOTTOM;
        break;
    }
    CreateHandle(cp);
    SendMessageA(Handle(), TBM_SETRANGEMIN, FALSE, p.min);
    SendMessageA(Handle(), TBM_SETRANGEMAX, FALSE, p.max);
    SendMessageA(Handle(), TBM_SETPAGESIZE, 0, p.pageSize);
    SendMessageA(Handle(), TBM_SETLINESIZE, 0, p.lineSize);
    SendMessageA(Handle(), TBM_SETTICFREQ, static_cast<WPARAM>(p.frequency), 0);
    SendMessageA(Handle(), TBM_SETPOS, TRUE, p.position);
    reported_ = Position();
}

int TTrackBar::Min() const {
    return static_cast<int>(SendMessageA(Handle(), TBM_GETRANGEMIN, 0, 0));
}
int TTrackBar::Max() const {
    return static_cast<int>(SendMessageA(Handle(), TBM_GETRANGEMAX, 0, 0));
}
void TTrackBar::SetRange(int min, int max) {
    SendMessageA(Handle(), TBM_SETRANGEMIN, FALSE, min);
    SendMessageA(Handle(), TBM_SETRANGEMAX, TRUE, max);
    // The ticks follow the range.
    SendMessageA(Handle(), TBM_SETTICFREQ, static_cast<WPARAM>(frequency_), 0);
    reported_ = Position();
}

int TTrackBar::Position() const {
    return static_cast<int>(SendMessageA(Handle(), TBM_GETPOS, 0, 0));
}
void TTrackBar::SetPosition(int value) {
    SendMessageA(Handle(), TBM_SETPOS, TRUE, value);
    reported_ = Position();
}

int TTrackBar::PageSize() const {
    return static_cast<int>(SendMessageA(Handle(), TBM_GETPAGESIZE, 0, 0));
}
void TTrackBar::SetPageSize(int value) {
    SendMessageA(Handle(), TBM_SETPAGESIZE, 0, value);
}
int TTrackBar::LineSize() const {
    return static_cast<int>(SendMessageA(Handle(), TBM_GETLINESIZE, 0, 0));
}

void TTrackBar::SetFrequency(int value) {
    frequency_ = value;
    SendMessageA(Handle(), TBM_SETTICFREQ, static_cast<WPARAM>(value), 0);
}

void TTrackBar::ScrollNotify(WORD) {
    // A drag sends a notification for each step and another when it ends; report each new place once.
    int pos = Position();
    if (pos == reported_) return;
    reported_ = pos;
    if (OnChange) OnChange();
}

} // namespace kovalin
