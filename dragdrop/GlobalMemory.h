// Global memory blocks as data formats travel in them, and an owner for storage media.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <string>

namespace dragdrop {

// A movable, shareable, zero-initialised block holding the bytes; null when out of memory.
HGLOBAL GlobalFromBytes(const std::string& bytes);
// The whole block (GlobalSize bytes); empty for none.
std::string BytesFromGlobal(HGLOBAL block);

// A storage medium released exactly once (ReleaseStgMedium).
class TStgMedium {
public:
    TStgMedium() = default;
    TStgMedium(const TStgMedium&) = delete;
    TStgMedium& operator=(const TStgMedium&) = delete;
    ~TStgMedium() { Reset(); }
    STGMEDIUM* Put() {
        Reset();
        return &m_;
    }
    const STGMEDIUM& Get() const { return m_; }
    void Reset() {
        if (m_.tymed != TYMED_NULL) ReleaseStgMedium(&m_);
        m_ = STGMEDIUM{};
    }

private:
    STGMEDIUM m_{};
};

// Asks the data object for a format in global memory and returns its bytes; false when it
// has none.
bool GetGlobalData(IDataObject* data, CLIPFORMAT format, std::string& bytes);

} // namespace dragdrop
