// System drag and drop for one window control: registration as drop target, drag detection
// with the mouse, the drag as source, the drop effect from the keys, auto-scroll at the edges,
// the drop menu of a right-button drag, and the dropped data handed over after the drag loop.
#pragma once

#include "dragdrop/DropEffects.h"
#include "dragdrop/OleSession.h"
#include "dragdrop/ScrollDetect.h"
#include "kovalin/ComPtr.h"

#include <functional>
#include <string>

namespace kovalin {
class TWinControl;
}

namespace dragdrop {

class TDropTarget;
class TDropSource;

// Where drag detection stands: idle, a press of the left or right button waiting for movement,
// cancelled by the other button, or a drag started.
enum class TDragDetectStatus { ddsNone, ddsLeft, ddsRight, ddsCancelled, ddsDrag };

class TDragDrop {
public:
    TDragDrop();
    TDragDrop(const TDragDrop&) = delete;
    TDragDrop& operator=(const TDragDrop&) = delete;
    virtual ~TDragDrop();

    kovalin::TWinControl* DragDropControl() const { return control_; }
    void SetDragDropControl(kovalin::TWinControl* control);
    TDropEffects SourceEffects() const { return sourceEffects_; }
    void SetSourceEffects(TDropEffects value);
    TDropEffects TargetEffects() const { return targetEffects_; }
    void SetTargetEffects(TDropEffects value);
    bool AcceptOwnDnD() const { return acceptOwnDnD_; }
    void SetAcceptOwnDnD(bool value) { acceptOwnDnD_ = value; }
    bool AutoDetectDnD() const { return autoDetectDnD_; }
    void SetAutoDetectDnD(bool value) { autoDetectDnD_ = value; }
    int DragDetectDelta() const { return dragDetectDelta_; }
    void SetDragDetectDelta(int value) { dragDetectDelta_ = value; }
    bool BringToFront() const { return bringToFront_; }
    void SetBringToFront(bool value) { bringToFront_ = value; }
    bool TargetPopupMenu() const { return targetPopupMenu_; }
    void SetTargetPopupMenu(bool value) { targetPopupMenu_ = value; }
    TRenderDataOn RenderDataOn() const { return renderDataOn_; }
    void SetRenderDataOn(TRenderDataOn value) { renderDataOn_ = value; }
    TSourceCompatibility SourceCompatibility() const { return sourceCompatibility_; }
    void SetSourceCompatibility(TSourceCompatibility value) { sourceCompatibility_ = value; }
    TScrollDetectOptions& ScrollDetectOptions() { return scrollOptions_; }

    // The owner's own drag cursors (link, move, copy; with and without the scroll flag); none
    // means the system's.
    void SetDragCursor(TDropEffects effect, bool scrolling, HCURSOR cursor);
    HCURSOR DragCursor(TDropEffects effect, bool scrolling) const;

    // The drop target object the control is registered with.
    IDropTarget* DropTarget() const;
    // Whether the control is registered as drop target and its window procedure replaced.
    bool Registered() const { return registered_; }
    bool Subclassed() const { return subclassed_; }

    // Starts drag detection for a press of the left (1) or right (2) button at the screen point,
    // as AutoDetectDnD does on its own.
    void StartDetection(int button, POINT screenPoint);
    TDragDetectStatus DetectStatus() const { return detectStatus_; }

    // Runs the system drag loop with the data object the owner makes.
    TDragResult Execute();
    // What the last drag of this component ended with.
    TDragResult LastDragResult() const { return lastDragResult_; }
    // Whether a drag of this component is running now.
    bool Dragging() const;

    bool CopyToClipboard();
    bool PasteFromClipboard();

    // What the source of the drag over the control allows (its effects at the last enter, over or
    // drop).
    TDropEffects DragSourceEffects() const { return dragAllowed_; }

    // After a drop: what it ended with.
    TDropEffects LastEffect() const { return lastEffect_; }
    DWORD LastKeyState() const { return lastKeys_; }
    POINT LastDropPoint() const { return lastPoint_; }

    // Reports an exception caught at a system boundary (OnError, else a message box).
    void ReportError(const std::string& message);

    // The registered message that carries the deferred drop step.
    static UINT ProcessDroppedMessage();

    std::function<void(DWORD keyState, POINT start, POINT current, TDragDetectStatus status)> OnDragDetect;
    std::function<void(IDataObject* data, DWORD keyState, POINT point, TDropEffects& effect, bool& accept)>
        OnDragEnter;
    std::function<void(DWORD keyState, POINT point, TDropEffects& effect)> OnDragOver;
    std::function<void()> OnDragLeave;
    std::function<void(IDataObject* data, DWORD keyState, POINT point, TDropEffects& effect)> OnDrop;
    std::function<void(bool escapePressed, DWORD keyState, HRESULT& result)> OnQueryContinueDrag;
    std::function<void(TDropEffects effect, HRESULT& result)> OnGiveFeedback;
    std::function<void(DWORD keyState, POINT point, TDropEffects effect)> OnProcessDropped;
    // Before each auto-scroll step: may change the interval (ms) and whether a page is scrolled.
    std::function<void(bool vertical, UINT& interval, bool& pageScroll)> OnBeforeScrolling;
    std::function<void()> OnAfterScrolling;
    // The drop menu before it shows: commands from firstCommand upward are the owner's.
    std::function<void(HMENU menu, IDataObject* data, UINT firstCommand, DWORD keyState, POINT point)>
        OnMenuPopup;
    std::function<void(HMENU menu, IDataObject* data, UINT command, DWORD keyState, POINT point,
                       bool& succeeded)>
        OnMenuExecCmd;
    std::function<void(HMENU menu)> OnMenuDestroy;
    std::function<void(DWORD keyState, POINT point)> OnMenuSucceeded;
    std::function<void(DWORD keyState, POINT point, TDropEffects effect)> OnDropHandlerSucceeded;
    // An error inside a system callback, which must not leave it; shown in a message box when
    // nobody listens.
    std::function<void(const std::string& message)> OnError;

protected:
    // The data object of a drag about to start; none means no drag.
    virtual kovalin::ComPtr<IDataObject> CreateDataObject() { return {}; }
    // Whether a drag entering with this data may drop here.
    virtual bool DropAcceptable(IDataObject* /*data*/) { return true; }
    // Takes the dropped (or pasted) data.
    virtual void TakeData(IDataObject* /*data*/) {}
    // A drop onto an item that takes it itself; true when it did.
    virtual bool DropHandler(IDataObject* /*data*/, DWORD /*keyState*/, POINT /*screenPoint*/,
                             TDropEffects /*effect*/) {
        return false;
    }
    // Around the drop menu; the defaults report the events.
    virtual void MenuPopup(HMENU menu, IDataObject* data, UINT& nextCommand, DWORD keyState, POINT point);
    virtual bool MenuExecCmd(HMENU menu, IDataObject* data, UINT command, DWORD keyState, POINT point);
    virtual void MenuDestroy(HMENU menu);

    HWND ControlHandle() const;

private:
    friend class TDropTarget;
    friend class TDropSource;
    friend class TDragDetector;

    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    LRESULT ControlMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Registration and subclassing as the properties now ask.
    void UpdateState();
    void Unhook();
    void ProcessDropped();
    TDragResult RunDrag();

    TOleUser ole_;
    kovalin::TWinControl* control_ = nullptr;
    HWND hooked_ = nullptr; // the window whose procedure is replaced
    TDropEffects sourceEffects_ = deNone;
    TDropEffects targetEffects_ = deNone;
    bool acceptOwnDnD_ = false;
    bool autoDetectDnD_ = false;
    int dragDetectDelta_ = 10;
    bool bringToFront_ = false;
    bool targetPopupMenu_ = true;
    TRenderDataOn renderDataOn_ = TRenderDataOn::rdoDropSync;
    TSourceCompatibility sourceCompatibility_ = scCheckLindex | scCheckdwAspect;
    TScrollDetectOptions scrollOptions_;
    HCURSOR cursors_[2][3] = {}; // [scrolling][link, move, copy]

    bool registered_ = false;
    bool subclassed_ = false;
    kovalin::ComPtr<TDropTarget> target_;

    TDragDetectStatus detectStatus_ = TDragDetectStatus::ddsNone;
    POINT detectStart_{};

    // Scroll messages the control has had without their end-scroll message yet.
    bool vertScrolling_ = false;
    bool horzScrolling_ = false;

    // The drop waiting for the posted step.
    TDropEffects lastEffect_ = deNone;
    TDropEffects dragAllowed_ = deNone;
    DWORD lastKeys_ = 0;
    POINT lastPoint_{};
    kovalin::ComPtr<IDataObject> pendingData_;
    bool dropPending_ = false;
    TDragResult lastDragResult_ = TDragResult::drInvalid;
};

// Whether this system draws drag images well (the first Windows 95 does not).
bool SystemDrawsDragImages();

} // namespace dragdrop
