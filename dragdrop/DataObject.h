// The data object a drag or the clipboard offers: a list of formats, each rendered on request.
#pragma once

#include "dragdrop/DDInterfacedObject.h"
#include "dragdrop/FormatEtcList.h"

#include <map>
#include <string>

namespace dragdrop {

class TDataObject : public TDDInterfacedObject, public IDataObject {
public:
    TDataObject() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return QueryOne<IDataObject>(this, riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
    STDMETHODIMP DUnadvise(DWORD) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override;

    TFormatEtcList& Formats() { return formats_; }
    // Whether a request must also match the index and the aspect of an offered format.
    void SetCheckLindex(bool value) { checkLindex_ = value; }
    void SetCheckAspect(bool value) { checkAspect_ = value; }

protected:
    // Fills medium (global memory by default) for an offered format; false or an exception
    // means the format could not be made.
    virtual bool RenderData(const FORMATETC& format, STGMEDIUM& medium);

private:
    // S_OK for a match, else the mismatch of the description that came closest.
    HRESULT Match(const FORMATETC& request, int& index) const;

    TFormatEtcList formats_;
    bool checkLindex_ = true;
    bool checkAspect_ = true;
    // What consumers handed in through SetData, by clipboard format.
    std::map<CLIPFORMAT, std::string> stored_;
};

} // namespace dragdrop
