#include "dragdrop/ScrollDetect.h"

namespace dragdrop {

TScrollDirection ScrollDirectionAt(int pos, int size, const TScrollDetectArea& nearArea,
                                   const TScrollDetectArea& farArea) {
    const int nearFrom = nearArea.Margin, nearTo = nearArea.Margin + nearArea.Range;
    const int farTo = size - farArea.Margin - 1, farFrom = farTo - farArea.Range;
    // In a control too small for both areas the cursor is always in one of them: no scrolling.
    if (nearTo >= farFrom) return TScrollDirection::sdNone;
    if (pos >= nearFrom && pos <= nearTo) return TScrollDirection::sdNear;
    if (pos >= farFrom && pos <= farTo) return TScrollDirection::sdFar;
    return TScrollDirection::sdNone;
}

bool CanScroll(HWND control, int bar, TScrollDirection direction) {
    if (direction == TScrollDirection::sdNone || !control) return false;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    if (!GetScrollInfo(control, bar, &si)) return false;
    if (direction == TScrollDirection::sdNear) return si.nPos > si.nMin;
    const int page = si.nPage > 0 ? static_cast<int>(si.nPage) - 1 : 0;
    return si.nPos < si.nMax - page;
}

} // namespace dragdrop
