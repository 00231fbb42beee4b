#include "dragdrop/DropSource.h"

#include "dragdrop/DragDrop.h"

namespace dragdrop {

HRESULT TDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState) {
    HRESULT result;
    const bool left = keyState & MK_LBUTTON, right = keyState & MK_RBUTTON;
    if (escapePressed || (left && right))
        result = DRAGDROP_S_CANCEL;
    else if (left || right)
        result = S_OK;
    else
        result = DRAGDROP_S_DROP;
    if (!owner_) return result;
    try {
        if (owner_->OnQueryContinueDrag)
            owner_->OnQueryContinueDrag(escapePressed != FALSE, keyState, result);
    } catch (const std::exception& e) {
        owner_->ReportError(e.what());
        return DRAGDROP_S_CANCEL;
    } catch (...) {
        return DRAGDROP_S_CANCEL;
    }
    return result;
}

HRESULT TDropSource::GiveFeedback(DWORD effect) {
    lastFeedback_ = effect;
    if (!owner_) return DRAGDROP_S_USEDEFAULTCURSORS;
    try {
        HRESULT result = DRAGDROP_S_USEDEFAULTCURSORS;
        if (owner_->OnGiveFeedback) owner_->OnGiveFeedback(effect, result);
        const bool scrolling = effect & deScroll;
        TDropEffects shown = effect & deLink   ? deLink
                             : effect & deMove ? deMove
                             : effect & deCopy ? deCopy
                                               : deNone;
        if (shown != deNone) {
            if (HCURSOR own = owner_->DragCursor(shown, scrolling)) {
                SetCursor(own);
                return S_OK;
            }
        }
        return result;
    } catch (const std::exception& e) {
        owner_->ReportError(e.what());
    } catch (...) {
    }
    return DRAGDROP_S_USEDEFAULTCURSORS;
}

} // namespace dragdrop
