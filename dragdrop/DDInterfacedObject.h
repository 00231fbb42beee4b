// The reference count shared by the drag-and-drop COM objects, and a count of the live ones so
// that leaks and double releases show up.
#pragma once

#include <windows.h>

#include <atomic>

namespace dragdrop {

class TDDInterfacedObject {
public:
    TDDInterfacedObject(const TDDInterfacedObject&) = delete;
    TDDInterfacedObject& operator=(const TDDInterfacedObject&) = delete;

    // Objects of this family that exist now, in this process.
    static long LiveObjects() { return live_.load(); }

protected:
    // A new object holds one reference, which its creator takes over.
    TDDInterfacedObject() { ++live_; }
    virtual ~TDDInterfacedObject() { --live_; }

    ULONG AddRefImpl() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG ReleaseImpl() {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n < 0 ? 0 : n);
    }

private:
    LONG refs_ = 1;
    static inline std::atomic<long> live_{0};
};

// QueryInterface for an object that offers IUnknown and one interface I.
template <typename I> HRESULT QueryOne(I* self, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == __uuidof(I)) {
        *ppv = self;
        self->AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

} // namespace dragdrop
