// Enumerator over a private copy of a data object's format descriptions.
#pragma once

#include "dragdrop/DDInterfacedObject.h"

#include <objidl.h>

#include <vector>

namespace dragdrop {

class TEnumFormatEtc : public TDDInterfacedObject, public IEnumFORMATETC {
public:
    explicit TEnumFormatEtc(std::vector<FORMATETC> items, size_t position = 0)
        : items_(std::move(items)), pos_(position) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return QueryOne<IEnumFORMATETC>(this, riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    STDMETHODIMP Next(ULONG celt, FORMATETC* rgelt, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG celt) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumFORMATETC** out) override;

private:
    std::vector<FORMATETC> items_;
    size_t pos_;
};

} // namespace dragdrop
