#include "dragdrop/DragDrop.h"

#include "dragdrop/DataObject.h"
#include "dragdrop/DragDetector.h"
#include "dragdrop/DropSource.h"
#include "dragdrop/DropTarget.h"
#include "shell/WaitCursor.h"
#include "kovalin/WinControl.h"

#include <commctrl.h>
#include <ole2.h>

namespace dragdrop {

namespace {

const UINT_PTR kSubclassId = 0x44444450;

int CursorSlot(TDropEffects effect) {
    return effect == deLink ? 0 : effect == deMove ? 1 : effect == deCopy ? 2 : -1;
}

} // namespace

UINT TDragDrop::ProcessDroppedMessage() {
    static const UINT message = RegisterWindowMessageA("DDM_ProcessDropped");
    return message;
}

TDragDrop::TDragDrop() : target_(new TDropTarget(this)) {
    // Nothing runs from the options between drags: each scroll step reads them afresh.
    scrollOptions_.OnChange = [] {};
}

TDragDrop::~TDragDrop() {
    TDragDetector::Forget(this);
    if (TDragDetector::Dragging() == this) TDragDetector::SetDragging(nullptr);
    Unhook();
    target_->Detach();
}

IDropTarget* TDragDrop::DropTarget() const {
    return target_.get();
}

HWND TDragDrop::ControlHandle() const {
    return control_ ? control_->Handle() : nullptr;
}

void TDragDrop::SetDragDropControl(kovalin::TWinControl* control) {
    if (control == control_) return;
    Unhook();
    control_ = control;
    UpdateState();
}

void TDragDrop::SetSourceEffects(TDropEffects value) {
    sourceEffects_ = value & (deCopy | deMove | deLink);
    UpdateState();
}

void TDragDrop::SetTargetEffects(TDropEffects value) {
    targetEffects_ = value & (deCopy | deMove | deLink);
    UpdateState();
}

void TDragDrop::SetDragCursor(TDropEffects effect, bool scrolling, HCURSOR cursor) {
    int slot = CursorSlot(effect);
    if (slot >= 0) cursors_[scrolling ? 1 : 0][slot] = cursor;
}

HCURSOR TDragDrop::DragCursor(TDropEffects effect, bool scrolling) const {
    int slot = CursorSlot(effect);
    return slot >= 0 ? cursors_[scrolling ? 1 : 0][slot] : nullptr;
}

void TDragDrop::UpdateState() {
    HWND h = ControlHandle();
    if (hooked_ && hooked_ != h) Unhook();
    const bool wantSubclass = h && (sourceEffects_ || targetEffects_);
    const bool wantRegistered = h && targetEffects_;
    if (wantSubclass && !subclassed_) {
        if (SetWindowSubclass(h, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
            subclassed_ = true;
            hooked_ = h;
        }
    }
    if (wantRegistered && !registered_ && subclassed_ && ole_.Ready()) {
        // The lock keeps the target alive for the system while the window is registered.
        CoLockObjectExternal(target_.get(), TRUE, FALSE);
        if (SUCCEEDED(RegisterDragDrop(h, target_.get())))
            registered_ = true;
        else
            CoLockObjectExternal(target_.get(), FALSE, TRUE);
    }
    if (!wantRegistered && registered_) {
        RevokeDragDrop(hooked_);
        CoLockObjectExternal(target_.get(), FALSE, TRUE);
        registered_ = false;
    }
    if (!wantSubclass && subclassed_) Unhook();
}

void TDragDrop::Unhook() {
    if (registered_) {
        RevokeDragDrop(hooked_);
        CoLockObjectExternal(target_.get(), FALSE, TRUE);
        registered_ = false;
    }
    if (subclassed_) {
        RemoveWindowSubclass(hooked_, SubclassProc, kSubclassId);
        subclassed_ = false;
    }
    hooked_ = nullptr;
    vertScrolling_ = horzScrolling_ = false;
}

LRESULT CALLBACK TDragDrop::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR data) {
    auto* self = reinterpret_cast<TDragDrop*>(data);
    // The control's own procedure comes first, then this component's part.
    LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
    try {
        self->ControlMessage(hwnd, msg, wParam, lParam);
    } catch (const std::exception& e) {
        self->ReportError(e.what());
    } catch (...) {
        self->ReportError("Unknown error");
    }
    return result;
}

LRESULT TDragDrop::ControlMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (autoDetectDnD_ && sourceEffects_) {
            POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(hwnd, &p);
            StartDetection(msg == WM_LBUTTONDOWN ? 1 : 2, p);
        }
        break;
    case WM_VSCROLL:
        vertScrolling_ = LOWORD(wParam) != SB_ENDSCROLL;
        break;
    case WM_HSCROLL:
        horzScrolling_ = LOWORD(wParam) != SB_ENDSCROLL;
        break;
    case WM_DESTROY:
        // The control goes: its registration and procedure go with it, and so does the
        // component's hold on it.
        TDragDetector::Forget(this);
        Unhook();
        control_ = nullptr;
        break;
    default:
        if (msg == ProcessDroppedMessage() && dropPending_)
            ProcessDropped();
        else if (msg == TDragDetector::StartDragMessage() && detectStatus_ == TDragDetectStatus::ddsDrag) {
            Execute();
            detectStatus_ = TDragDetectStatus::ddsNone;
        }
        break;
    }
    return 0;
}

void TDragDrop::StartDetection(int button, POINT screenPoint) {
    if (!sourceEffects_ || (button != 1 && button != 2)) return;
    // The press of the second button reaches the control after it has cancelled the detection:
    // it starts nothing new until both are up.
    if (TDragDetector::Detecting(this)) return;
    TDragDetector::Begin(this, button, screenPoint);
}

bool TDragDrop::Dragging() const {
    return TDragDetector::Dragging() == this;
}

TDragResult TDragDrop::Execute() {
    lastDragResult_ = TDragResult::drInvalid;
    if (!sourceEffects_ || TDragDetector::Dragging() || !ole_.Ready()) return lastDragResult_;
    kovalin::ComPtr<IDataObject> data = CreateDataObject();
    if (!data) return lastDragResult_;
    if (auto* own = dynamic_cast<TDataObject*>(data.get())) {
        own->SetCheckLindex(sourceCompatibility_ & scCheckLindex);
        own->SetCheckAspect(sourceCompatibility_ & scCheckdwAspect);
    }
    kovalin::ComPtr<TDropSource> source(new TDropSource(this));
    struct DragScope {
        TDropSource* source;
        explicit DragScope(TDragDrop* owner, TDropSource* s) : source(s) {
            TDragDetector::SetDragging(owner);
        }
        ~DragScope() {
            TDragDetector::SetDragging(nullptr);
            source->Detach();
        }
    } scope(this, source.get());
    DWORD effect = deNone;
    HRESULT hr = DoDragDrop(data.get(), source.get(), sourceEffects_, &effect);
    lastDragResult_ = DragResultOf(hr, effect, source->LastFeedback(), IsNtFamily());
    return lastDragResult_;
}

bool TDragDrop::CopyToClipboard() {
    if (!ole_.Ready()) return false;
    kovalin::ComPtr<IDataObject> data = CreateDataObject();
    return data && OleSetClipboard(data.get()) == S_OK;
}

bool TDragDrop::PasteFromClipboard() {
    if (!ole_.Ready()) return false;
    kovalin::ComPtr<IDataObject> data;
    if (FAILED(OleGetClipboard(data.put())) || !data) return false;
    lastEffect_ = deCopy;
    lastKeys_ = 0;
    lastPoint_ = POINT{-1, -1};
    {
        shell::TWaitCursor wait;
        TakeData(data.get());
    }
    if (OnProcessDropped) OnProcessDropped(lastKeys_, lastPoint_, lastEffect_);
    return true;
}

void TDragDrop::ProcessDropped() {
    dropPending_ = false;
    if (pendingData_) {
        kovalin::ComPtr<IDataObject> data = std::move(pendingData_);
        shell::TWaitCursor wait;
        TakeData(data.get());
    }
    if (OnProcessDropped) OnProcessDropped(lastKeys_, lastPoint_, lastEffect_);
}

void TDragDrop::MenuPopup(HMENU menu, IDataObject* data, UINT& nextCommand, DWORD keyState, POINT point) {
    if (OnMenuPopup) OnMenuPopup(menu, data, nextCommand, keyState, point);
}

bool TDragDrop::MenuExecCmd(HMENU menu, IDataObject* data, UINT command, DWORD keyState, POINT point) {
    bool succeeded = false;
    if (OnMenuExecCmd) OnMenuExecCmd(menu, data, command, keyState, point, succeeded);
    return succeeded;
}

void TDragDrop::MenuDestroy(HMENU menu) {
    if (OnMenuDestroy) OnMenuDestroy(menu);
}

void TDragDrop::ReportError(const std::string& message) {
    try {
        if (OnError) {
            OnError(message);
            return;
        }
    } catch (...) {
    }
    MessageBoxA(ControlHandle(), message.c_str(), "Error", MB_OK | MB_ICONERROR);
}

bool SystemDrawsDragImages() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&version)) return true; // unknown: assume a system that draws them
#pragma GCC diagnostic pop
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT || version.dwMinorVersion != 0;
}

} // namespace dragdrop
