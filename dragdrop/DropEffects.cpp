#include "dragdrop/DropEffects.h"
#include <initializer_list>

namespace dragdrop {

TDropEffects ComputeDropEffect(DWORD keyState, TDropEffects target, TDropEffects source,
                               bool refusedOwnDrag) {
    if (refusedOwnDrag) return deNone;
    const bool shift = keyState & MK_SHIFT;
    const bool ctrl = keyState & MK_CONTROL;
    // The keys choose among what the target takes; the source has the last word only without them.
    if (shift && !ctrl && (target & deMove)) return deMove;
    if (shift && ctrl && (target & deLink)) return deLink;
    for (TDropEffects e : {deCopy, deMove, deLink})
        if ((target & e) && (source & e)) return e;
    return deNone;
}

TDragResult DragResultOf(HRESULT loopResult, DWORD effect, DWORD lastFeedback, bool ntFamily) {
    if (loopResult == DRAGDROP_S_CANCEL) return TDragResult::drCancelled;
    if (loopResult != DRAGDROP_S_DROP) return TDragResult::drInvalid;
    effect &= ~deScroll;
    if (effect & deMove) return TDragResult::drMove;
    if (effect & deCopy) return TDragResult::drCopy;
    if (effect & deLink) return TDragResult::drLink;
    // A target that moved the files itself reports no effect on the NT family. Some systems also
    // end a drag over a refusing target as a drop without effect: that one moved nothing.
    if ((lastFeedback & (deCopy | deMove | deLink)) == deNone) return TDragResult::drCancelled;
    return ntFamily ? TDragResult::drMove : TDragResult::drCancelled;
}

bool IsNtFamily() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return true;
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

} // namespace dragdrop
