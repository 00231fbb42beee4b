// A growable list of data format descriptions, as a data object offers them.
#pragma once

#include <cstddef>
#include <windows.h>

#include <objidl.h>

#include <vector>

namespace dragdrop {

#if defined(__i386__)
// What the list stores is the system's record itself; on 32-bit Windows it is 20 bytes.
static_assert(sizeof(FORMATETC) == 20);
static_assert(offsetof(FORMATETC, cfFormat) == 0 && offsetof(FORMATETC, ptd) == 4 &&
              offsetof(FORMATETC, dwAspect) == 8 && offsetof(FORMATETC, lindex) == 12 &&
              offsetof(FORMATETC, tymed) == 16);
#endif

// A description for a clipboard format with no device target.
FORMATETC MakeFormatEtc(CLIPFORMAT format, DWORD tymed = TYMED_HGLOBAL, DWORD aspect = DVASPECT_CONTENT,
                        LONG lindex = -1);

class TFormatEtcList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // Reading or replacing outside the list throws ERangeError "Invalid item index".
    const FORMATETC& Item(int index) const;
    void SetItem(int index, const FORMATETC& value);
    void Add(const FORMATETC& value) { items_.push_back(Plain(value)); }
    void Delete(int index);
    void Clear() { items_.clear(); }
    // The position of the first description of the clipboard format, or -1.
    int IndexOf(CLIPFORMAT format) const;
    const std::vector<FORMATETC>& Items() const { return items_; }

private:
    // Device targets are not kept: the list never owns memory of its callers.
    static FORMATETC Plain(FORMATETC f) {
        f.ptd = nullptr;
        return f;
    }
    void Check(int index) const;
    std::vector<FORMATETC> items_;
};

} // namespace dragdrop
