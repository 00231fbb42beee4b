// Drag detection with the process-wide low-level mouse hook: one detection at a time, for the
// component that owns the hook.
#pragma once

#include <windows.h>

namespace dragdrop {

class TDragDrop;

class TDragDetector {
public:
    // Starts detection for the component (ending another component's first).
    static void Begin(TDragDrop* owner, int button, POINT screenPoint);
    // Whether the component's detection runs (waiting for movement, or cancelled and waiting
    // for the buttons to be released).
    static bool Detecting(const TDragDrop* owner) { return owner && owner_ == owner && hook_; }
    // Ends the component's detection, if it has one, without reporting.
    static void Forget(TDragDrop* owner);
    // The component whose drag loop runs now, or none.
    static TDragDrop* Dragging() { return dragging_; }
    static void SetDragging(TDragDrop* owner) { dragging_ = owner; }
    // The message posted to the control to start the drag outside the hook.
    static UINT StartDragMessage();

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    static void Mouse(UINT msg, POINT pt);
    static void Finish(int status);
    static void Unhook();

    static inline HHOOK hook_ = nullptr;
    static inline TDragDrop* owner_ = nullptr;
    static inline TDragDrop* dragging_ = nullptr;
};

} // namespace dragdrop
