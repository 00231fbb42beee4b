// The drop target of a TDragDrop's control: the effect of a drag over it, the drop with its menu,
// and auto-scroll at the control's edges with a start and a repeat timer per direction.
#pragma once

#include "dragdrop/DDInterfacedObject.h"
#include "dragdrop/DropEffects.h"
#include "dragdrop/ScrollDetect.h"
#include "kovalin/Timer.h"

#include <oleidl.h>

namespace dragdrop {

class TDragDrop;

class TDropTarget : public TDDInterfacedObject, public IDropTarget {
public:
    explicit TDropTarget(TDragDrop* owner);
    // The component goes away: scrolling stops and later calls are refused.
    void Detach();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return QueryOne<IDropTarget>(this, riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    STDMETHODIMP DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    STDMETHODIMP DragLeave() override;
    STDMETHODIMP Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

    // Whether an auto-scroll direction is waiting for its start delay or stepping.
    bool ScrollPending(bool vertical) const;

private:
    struct Axis {
        bool vertical;
        TScrollDirection direction = TScrollDirection::sdNone;
        kovalin::TTimer start;
        kovalin::TTimer repeat;
        explicit Axis(bool v) : vertical(v) {}
    };

    POINT ClientPoint(POINTL screen) const;
    bool OwnDragRefused() const;
    TDropEffects Effect(DWORD keyState, DWORD allowed) const;
    void Drag(DWORD keyState, POINTL point, DWORD* effect);
    void DoDrop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect);
    TDropEffects RunMenu(IDataObject* data, DWORD keyState, POINTL point, TDropEffects effect, DWORD allowed);

    TScrollDirection Wanted(const Axis& axis) const;
    void UpdateScrolling(Axis& axis);
    void StartDelayPassed(Axis& axis);
    void Step(Axis& axis);
    void Restart(Axis& axis, TScrollDirection direction);
    void StopRepeat(Axis& axis);
    void StopScrolling();

    TDragDrop* owner_;
    bool accepted_ = false;
    bool rightButton_ = false;
    Axis horz_{false};
    Axis vert_{true};
};

} // namespace dragdrop
