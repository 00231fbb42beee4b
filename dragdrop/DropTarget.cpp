#include "dragdrop/DropTarget.h"

#include "dragdrop/DragDrop.h"
#include "dragdrop/DropMenu.h"
#include "dragdrop/WaitCursor.h"
#include "kovalin/WinControl.h"

namespace dragdrop {

namespace {

bool TakesDataOnEnter(TRenderDataOn mode) {
    return mode == TRenderDataOn::rdoEnter || mode == TRenderDataOn::rdoEnterAndDropSync ||
           mode == TRenderDataOn::rdoEnterAndDropAsync;
}

} // namespace

TDropTarget::TDropTarget(TDragDrop* owner) : owner_(owner) {
    for (Axis* axis : {&horz_, &vert_}) {
        axis->start.SetEnabled(false);
        axis->repeat.SetEnabled(false);
        axis->start.SetOnTimer([this, axis] {
            try {
                StartDelayPassed(*axis);
            } catch (const std::exception& e) {
                if (owner_) owner_->ReportError(e.what());
            }
        });
        axis->repeat.SetOnTimer([this, axis] {
            try {
                Step(*axis);
            } catch (const std::exception& e) {
                if (owner_) owner_->ReportError(e.what());
            }
        });
    }
}

void TDropTarget::Detach() {
    StopScrolling();
    owner_ = nullptr;
}

POINT TDropTarget::ClientPoint(POINTL screen) const {
    POINT p{screen.x, screen.y};
    if (HWND h = owner_ ? owner_->ControlHandle() : nullptr) ScreenToClient(h, &p);
    return p;
}

bool TDropTarget::OwnDragRefused() const {
    return owner_->Dragging() && !owner_->acceptOwnDnD_;
}

TDropEffects TDropTarget::Effect(DWORD keyState, DWORD allowed) const {
    return ComputeDropEffect(keyState, owner_->targetEffects_, allowed, OwnDragRefused());
}

// Every callback keeps exceptions inside: the system's frames lie above it.
template <typename Fn> static HRESULT Guarded(TDragDrop* owner, DWORD* effect, Fn&& fn) {
    if (!effect) return E_INVALIDARG;
    if (!owner) {
        *effect = deNone;
        return S_OK;
    }
    try {
        fn();
        return S_OK;
    } catch (const std::exception& e) {
        *effect = deNone;
        owner->ReportError(e.what());
    } catch (...) {
        *effect = deNone;
    }
    return S_OK;
}

HRESULT TDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) {
    return Guarded(owner_, effect, [&] {
        rightButton_ = keyState & MK_RBUTTON;
        accepted_ = false;
        owner_->dragAllowed_ = *effect;
        if (TakesDataOnEnter(owner_->renderDataOn_)) owner_->TakeData(data);
        TDropEffects e = Effect(keyState, *effect);
        bool accept = owner_->DropAcceptable(data);
        if (owner_->OnDragEnter) owner_->OnDragEnter(data, keyState, ClientPoint(point), e, accept);
        accepted_ = accept;
        if (!accept || OwnDragRefused()) e = deNone;
        *effect = e;
    });
}

void TDropTarget::Drag(DWORD keyState, POINTL point, DWORD* effect) {
    UpdateScrolling(vert_);
    UpdateScrolling(horz_);
    owner_->dragAllowed_ = *effect;
    TDropEffects e = Effect(keyState, *effect);
    if (owner_->OnDragOver) owner_->OnDragOver(keyState, ClientPoint(point), e);
    if (!accepted_ || OwnDragRefused())
        e = deNone;
    else if (owner_->vertScrolling_ || owner_->horzScrolling_)
        e |= deScroll;
    *effect = e;
}

HRESULT TDropTarget::DragOver(DWORD keyState, POINTL point, DWORD* effect) {
    return Guarded(owner_, effect, [&] { Drag(keyState, point, effect); });
}

HRESULT TDropTarget::DragLeave() {
    if (!owner_) return S_OK;
    try {
        accepted_ = false;
        StopScrolling();
        if (owner_->OnDragLeave) owner_->OnDragLeave();
    } catch (const std::exception& e) {
        owner_->ReportError(e.what());
    } catch (...) {
    }
    return S_OK;
}

HRESULT TDropTarget::Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) {
    HRESULT hr = Guarded(owner_, effect, [&] { DoDrop(data, keyState, point, effect); });
    accepted_ = false;
    return hr;
}

void TDropTarget::DoDrop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) {
    const DWORD allowed = *effect;
    owner_->dragAllowed_ = allowed;
    *effect = deNone;
    const POINT client = ClientPoint(point);
    TDropEffects e = Effect(keyState, allowed);
    if (owner_->OnDragOver) owner_->OnDragOver(keyState, client, e);
    StopScrolling();
    if (!accepted_ || OwnDragRefused()) return;

    if (owner_->DropHandler(data, keyState, POINT{point.x, point.y}, e)) {
        if (owner_->OnDropHandlerSucceeded) owner_->OnDropHandlerSucceeded(keyState, client, e);
        *effect = e;
        return;
    }
    if (rightButton_ && owner_->targetPopupMenu_ && e != deNone)
        e = RunMenu(data, keyState, point, e, allowed);
    if (owner_->OnDrop) owner_->OnDrop(data, keyState, client, e);
    if (e == deNone) return;

    HWND control = owner_->ControlHandle();
    if (owner_->bringToFront_ && control) SetForegroundWindow(GetAncestor(control, GA_ROOT));
    owner_->lastEffect_ = e;
    owner_->lastKeys_ = keyState;
    owner_->lastPoint_ = client;
    const TRenderDataOn mode = owner_->renderDataOn_;
    if (mode == TRenderDataOn::rdoDropSync || mode == TRenderDataOn::rdoEnterAndDropSync) {
        TWaitCursor wait;
        owner_->TakeData(data);
    } else if (mode == TRenderDataOn::rdoDropAsync || mode == TRenderDataOn::rdoEnterAndDropAsync) {
        if (data) data->AddRef();
        owner_->pendingData_.reset(data);
    }
    owner_->dropPending_ = true;
    if (control) PostMessageA(control, TDragDrop::ProcessDroppedMessage(), 0, 0);
    *effect = e;
}

TDropEffects TDropTarget::RunMenu(IDataObject* data, DWORD keyState, POINTL point, TDropEffects e,
                                  DWORD allowed) {
    TMenuHandle menu(BuildDropMenu(owner_->targetEffects_ & allowed, e));
    if (!menu.get()) return deNone;
    const POINT client = ClientPoint(point);
    UINT next = dmFirstCustom;
    owner_->MenuPopup(menu.get(), data, next, keyState, client);
    HWND control = owner_->ControlHandle();
    UINT command = static_cast<UINT>(TrackPopupMenuEx(
        menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, point.x, point.y, control, nullptr));
    TDropEffects chosen = EffectOfCommand(command);
    if (command > dmSeparator) {
        if (owner_->MenuExecCmd(menu.get(), data, command, keyState, client) && owner_->OnMenuSucceeded)
            owner_->OnMenuSucceeded(keyState, client);
        chosen = deNone;
    }
    owner_->MenuDestroy(menu.get());
    return chosen;
}

// --- auto-scroll --------------------------------------------------------------------------

TScrollDirection TDropTarget::Wanted(const Axis& axis) const {
    if (!owner_) return TScrollDirection::sdNone;
    const TScrollDetectOptions& o = owner_->scrollOptions_;
    HWND control = owner_->ControlHandle();
    if (!control || !(axis.vertical ? o.VertScrolling() : o.HorzScrolling())) return TScrollDirection::sdNone;
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(control, &p);
    RECT r;
    GetClientRect(control, &r);
    // The cursor must be over the control to ask for anything.
    if (p.x < 0 || p.y < 0 || p.x >= r.right || p.y >= r.bottom) return TScrollDirection::sdNone;
    TScrollDirection d = axis.vertical ? ScrollDirectionAt(p.y, r.bottom, o.AreaTop(), o.AreaBottom())
                                       : ScrollDirectionAt(p.x, r.right, o.AreaLeft(), o.AreaRight());
    return CanScroll(control, axis.vertical ? SB_VERT : SB_HORZ, d) ? d : TScrollDirection::sdNone;
}

void TDropTarget::StopRepeat(Axis& axis) {
    if (axis.repeat.Enabled()) {
        axis.repeat.SetEnabled(false);
        if (HWND control = owner_ ? owner_->ControlHandle() : nullptr)
            SendMessageA(control, axis.vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
    }
}

void TDropTarget::Restart(Axis& axis, TScrollDirection d) {
    StopRepeat(axis);
    axis.start.SetEnabled(false);
    axis.direction = d;
    if (d == TScrollDirection::sdNone) return;
    axis.start.SetInterval(owner_->scrollOptions_.StartDelay());
    axis.start.SetEnabled(true);
}

void TDropTarget::UpdateScrolling(Axis& axis) {
    TScrollDirection d = Wanted(axis);
    if (d != axis.direction) Restart(axis, d);
}

void TDropTarget::StartDelayPassed(Axis& axis) {
    axis.start.SetEnabled(false);
    if (!owner_) return;
    axis.repeat.SetInterval(owner_->scrollOptions_.ScrollDelay());
    axis.repeat.SetEnabled(true);
    Step(axis);
}

void TDropTarget::Step(Axis& axis) {
    if (!owner_) return;
    TScrollDirection d = Wanted(axis);
    if (d != axis.direction) {
        Restart(axis, d);
        return;
    }
    const TScrollDetectOptions& o = owner_->scrollOptions_;
    UINT interval = o.ScrollDelay();
    bool page = axis.vertical ? o.VertPageScroll() : o.HorzPageScroll();
    if (owner_->OnBeforeScrolling) owner_->OnBeforeScrolling(axis.vertical, interval, page);
    if (interval != axis.repeat.Interval()) axis.repeat.SetInterval(interval);
    const bool toNear = d == TScrollDirection::sdNear;
    // SB_LINEUP/SB_LINELEFT and the others share their values in both directions.
    WORD code = page ? (toNear ? SB_PAGEUP : SB_PAGEDOWN) : (toNear ? SB_LINEUP : SB_LINEDOWN);
    if (HWND control = owner_->ControlHandle())
        SendMessageA(control, axis.vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, 0), 0);
    if (axis.vertical && owner_ && owner_->OnAfterScrolling) owner_->OnAfterScrolling();
}

void TDropTarget::StopScrolling() {
    for (Axis* axis : {&horz_, &vert_}) {
        StopRepeat(*axis);
        axis->start.SetEnabled(false);
        axis->direction = TScrollDirection::sdNone;
    }
}

bool TDropTarget::ScrollPending(bool vertical) const {
    const Axis& a = vertical ? vert_ : horz_;
    return a.start.Enabled() || a.repeat.Enabled();
}

} // namespace dragdrop
