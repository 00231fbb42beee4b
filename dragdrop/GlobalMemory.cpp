#include "dragdrop/GlobalMemory.h"

#include "dragdrop/FormatEtcList.h"

#include <cstring>

namespace dragdrop {

HGLOBAL GlobalFromBytes(const std::string& bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, bytes.empty() ? 1 : bytes.size());
    if (!h) return nullptr;
    if (void* p = GlobalLock(h)) {
        if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
        GlobalUnlock(h);
        return h;
    }
    GlobalFree(h);
    return nullptr;
}

std::string BytesFromGlobal(HGLOBAL block) {
    if (!block) return {};
    SIZE_T size = GlobalSize(block);
    const void* p = GlobalLock(block);
    if (!p) return {};
    std::string bytes(static_cast<const char*>(p), size);
    GlobalUnlock(block);
    return bytes;
}

bool GetGlobalData(IDataObject* data, CLIPFORMAT format, std::string& bytes) {
    bytes.clear();
    if (!data || !format) return false;
    FORMATETC f = MakeFormatEtc(format);
    TStgMedium medium;
    if (FAILED(data->GetData(&f, medium.Put())) || medium.Get().tymed != TYMED_HGLOBAL) return false;
    bytes = BytesFromGlobal(medium.Get().hGlobal);
    return true;
}

} // namespace dragdrop
