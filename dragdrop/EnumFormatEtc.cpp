#include "dragdrop/EnumFormatEtc.h"

#include <new>

namespace dragdrop {

HRESULT TEnumFormatEtc::Next(ULONG celt, FORMATETC* rgelt, ULONG* fetched) {
    if (!rgelt || (celt > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    while (n < celt && pos_ < items_.size())
        rgelt[n++] = items_[pos_++];
    if (fetched) *fetched = n;
    return n == celt ? S_OK : S_FALSE;
}

HRESULT TEnumFormatEtc::Skip(ULONG celt) {
    size_t left = items_.size() - pos_;
    if (celt > left) {
        pos_ = items_.size();
        return S_FALSE;
    }
    pos_ += celt;
    return S_OK;
}

HRESULT TEnumFormatEtc::Reset() {
    pos_ = 0;
    return S_OK;
}

HRESULT TEnumFormatEtc::Clone(IEnumFORMATETC** out) {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) TEnumFormatEtc(items_, pos_);
    return *out ? S_OK : E_OUTOFMEMORY;
}

} // namespace dragdrop
