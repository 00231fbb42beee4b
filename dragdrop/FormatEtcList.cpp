#include "dragdrop/FormatEtcList.h"

#include "kovalin/Exceptions.h"

namespace dragdrop {

FORMATETC MakeFormatEtc(CLIPFORMAT format, DWORD tymed, DWORD aspect, LONG lindex) {
    FORMATETC f{};
    f.cfFormat = format;
    f.ptd = nullptr;
    f.dwAspect = aspect;
    f.lindex = lindex;
    f.tymed = tymed;
    return f;
}

void TFormatEtcList::Check(int index) const {
    if (index < 0 || index >= Count()) throw kovalin::ERangeError("Invalid item index");
}

const FORMATETC& TFormatEtcList::Item(int index) const {
    Check(index);
    return items_[static_cast<size_t>(index)];
}

void TFormatEtcList::SetItem(int index, const FORMATETC& value) {
    Check(index);
    items_[static_cast<size_t>(index)] = Plain(value);
}

void TFormatEtcList::Delete(int index) {
    Check(index);
    items_.erase(items_.begin() + index);
}

int TFormatEtcList::IndexOf(CLIPFORMAT format) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[static_cast<size_t>(i)].cfFormat == format) return i;
    return -1;
}

} // namespace dragdrop
