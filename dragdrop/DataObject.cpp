#include "dragdrop/DataObject.h"

#include "dragdrop/EnumFormatEtc.h"
#include "dragdrop/GlobalMemory.h"
#include "shell/WaitCursor.h"

#include <new>

namespace dragdrop {

HRESULT TDataObject::Match(const FORMATETC& request, int& index) const {
    index = -1;
    // Ranks how far a description got before it failed; the best one names the answer.
    HRESULT best = DV_E_FORMATETC;
    int bestRank = 0;
    for (int i = 0; i < formats_.Count(); ++i) {
        const FORMATETC& f = formats_.Item(i);
        if (f.cfFormat != request.cfFormat) continue;
        if (!(f.tymed & request.tymed)) {
            if (bestRank < 1) best = DV_E_TYMED, bestRank = 1;
            continue;
        }
        if (checkLindex_ && f.lindex != request.lindex) {
            if (bestRank < 2) best = DV_E_LINDEX, bestRank = 2;
            continue;
        }
        if (checkAspect_ && f.dwAspect != request.dwAspect) {
            if (bestRank < 3) best = DV_E_DVASPECT, bestRank = 3;
            continue;
        }
        index = i;
        return S_OK;
    }
    return best;
}

HRESULT TDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!format || !medium) return E_POINTER;
    *medium = STGMEDIUM{};
    try {
        int index;
        if (Match(*format, index) != S_OK) return DV_E_FORMATETC;
        FORMATETC wanted = formats_.Item(index);
        wanted.tymed &= format->tymed;
        shell::TWaitCursor wait;
        bool made = RenderData(wanted, *medium);
        if (made && medium->tymed != TYMED_NULL) return S_OK;
        if (medium->tymed != TYMED_NULL) ReleaseStgMedium(medium);
    } catch (...) {
        if (medium->tymed != TYMED_NULL) ReleaseStgMedium(medium);
    }
    *medium = STGMEDIUM{};
    return E_FAIL;
}

bool TDataObject::RenderData(const FORMATETC& format, STGMEDIUM& medium) {
    auto it = stored_.find(format.cfFormat);
    if (it == stored_.end() || !(format.tymed & TYMED_HGLOBAL)) return false;
    medium.hGlobal = GlobalFromBytes(it->second);
    medium.tymed = medium.hGlobal ? TYMED_HGLOBAL : TYMED_NULL;
    return medium.hGlobal != nullptr;
}

HRESULT TDataObject::GetDataHere(FORMATETC*, STGMEDIUM*) {
    return E_NOTIMPL;
}

HRESULT TDataObject::QueryGetData(FORMATETC* format) {
    if (!format) return E_POINTER;
    try {
        int index;
        return Match(*format, index);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT TDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
}

HRESULT TDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) {
    if (!format || !medium) return E_POINTER;
    try {
        // Only global memory can be kept; the consumer's block is copied.
        if (medium->tymed != TYMED_HGLOBAL) return DV_E_TYMED;
        std::string bytes = BytesFromGlobal(medium->hGlobal);
        FORMATETC f = *format;
        f.tymed = TYMED_HGLOBAL;
        int at = formats_.IndexOf(f.cfFormat);
        if (at >= 0)
            formats_.SetItem(at, f);
        else
            formats_.Add(f);
        stored_[f.cfFormat] = std::move(bytes);
        if (release) ReleaseStgMedium(medium);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT TDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    try {
        *out = new TEnumFormatEtc(formats_.Items());
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT TDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) {
    return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT TDataObject::DUnadvise(DWORD) {
    return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT TDataObject::EnumDAdvise(IEnumSTATDATA**) {
    return OLE_E_ADVISENOTSUPPORTED;
}

} // namespace dragdrop
