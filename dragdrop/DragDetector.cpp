#include "dragdrop/DragDetector.h"

#include "dragdrop/DragDrop.h"

#include <cstdlib>

namespace dragdrop {

UINT TDragDetector::StartDragMessage() {
    static const UINT message = RegisterWindowMessageA("KovalinDragStart");
    return message;
}

void TDragDetector::Begin(TDragDrop* owner, int button, POINT pt) {
    if (owner_ && owner_ != owner) Finish(static_cast<int>(TDragDetectStatus::ddsNone));
    Unhook();
    owner_ = owner;
    owner->detectStatus_ = button == 2 ? TDragDetectStatus::ddsRight : TDragDetectStatus::ddsLeft;
    owner->detectStart_ = pt;
    if (owner->OnDragDetect) owner->OnDragDetect(0, pt, pt, owner->detectStatus_);
    // The hook may have been set by the handler; the owner may also have changed its mind.
    if (owner_ == owner && !hook_)
        hook_ = SetWindowsHookExA(WH_MOUSE_LL, HookProc, GetModuleHandleA(nullptr), 0);
    if (!hook_ && owner_ == owner) {
        owner->detectStatus_ = TDragDetectStatus::ddsNone;
        owner_ = nullptr;
    }
}

void TDragDetector::Forget(TDragDrop* owner) {
    if (owner_ != owner) return;
    Unhook();
    owner->detectStatus_ = TDragDetectStatus::ddsNone;
    owner_ = nullptr;
}

void TDragDetector::Unhook() {
    if (hook_) UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
}

// Ends detection with a last report of the status.
void TDragDetector::Finish(int status) {
    TDragDrop* owner = owner_;
    Unhook();
    owner_ = nullptr;
    if (!owner) return;
    owner->detectStatus_ = static_cast<TDragDetectStatus>(status);
    POINT now;
    GetCursorPos(&now);
    if (owner->OnDragDetect) owner->OnDragDetect(0, owner->detectStart_, now, owner->detectStatus_);
}

void TDragDetector::Mouse(UINT msg, POINT pt) {
    TDragDrop* owner = owner_;
    if (!owner) return;
    const TDragDetectStatus s = owner->detectStatus_;
    const bool left = s == TDragDetectStatus::ddsLeft, right = s == TDragDetectStatus::ddsRight;
    switch (msg) {
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        // The button that started it, or either one after a cancel, ends detection.
        if (s == TDragDetectStatus::ddsCancelled || (left && msg == WM_LBUTTONUP) ||
            (right && msg == WM_RBUTTONUP))
            Finish(static_cast<int>(TDragDetectStatus::ddsNone));
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if ((left && msg == WM_RBUTTONDOWN) || (right && msg == WM_LBUTTONDOWN)) {
            owner->detectStatus_ = TDragDetectStatus::ddsCancelled;
            if (owner->OnDragDetect) owner->OnDragDetect(0, owner->detectStart_, pt, owner->detectStatus_);
        }
        break;
    case WM_MOUSEMOVE:
        if ((left || right) && (std::abs(pt.x - owner->detectStart_.x) > owner->dragDetectDelta_ ||
                                std::abs(pt.y - owner->detectStart_.y) > owner->dragDetectDelta_)) {
            Unhook();
            owner_ = nullptr;
            owner->detectStatus_ = TDragDetectStatus::ddsDrag;
            if (owner->OnDragDetect) owner->OnDragDetect(0, owner->detectStart_, pt, owner->detectStatus_);
            // The drag loop must not run inside the hook: it would hold up all mouse input.
            if (HWND h = owner->ControlHandle()) PostMessageA(h, StartDragMessage(), 0, 0);
        }
        break;
    }
}

LRESULT CALLBACK TDragDetector::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    HHOOK hook = hook_;
    if (code == HC_ACTION) {
        try {
            const auto* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
            Mouse(static_cast<UINT>(wParam), info->pt);
        } catch (const std::exception& e) {
            if (owner_) owner_->ReportError(e.what());
        } catch (...) {
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

} // namespace dragdrop
