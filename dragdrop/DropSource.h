// The drop source of a drag that a TDragDrop runs: when to go on, drop or cancel, and which
// cursor to show.
#pragma once

#include "dragdrop/DDInterfacedObject.h"

#include <oleidl.h>

namespace dragdrop {

class TDragDrop;

class TDropSource : public TDDInterfacedObject, public IDropSource {
public:
    explicit TDropSource(TDragDrop* owner) : owner_(owner) {}
    // The component goes away before the system lets go of the object.
    void Detach() { owner_ = nullptr; }
    // The effect of the last feedback: what the target under the cursor offered last.
    DWORD LastFeedback() const { return lastFeedback_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return QueryOne<IDropSource>(this, riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    STDMETHODIMP QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    STDMETHODIMP GiveFeedback(DWORD effect) override;

private:
    TDragDrop* owner_;
    DWORD lastFeedback_ = 0;
};

} // namespace dragdrop
