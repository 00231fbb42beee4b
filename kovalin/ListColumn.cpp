#include "kovalin/ListColumn.h"

#include "kovalin/ListView.h"

namespace kovalin {

int ColumnFormat(TAlignment alignment) {
    switch (alignment) {
    case TAlignment::taRightJustify:
        return LVCFMT_RIGHT;
    case TAlignment::taCenter:
        return LVCFMT_CENTER;
    case TAlignment::taLeftJustify:
    default:
        return LVCFMT_LEFT;
    }
}

void TListColumn::SetCaption(const std::string& value) {
    caption_ = value;
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT;
    col.pszText = const_cast<char*>(caption_.c_str());
    owner_.Send(LVM_SETCOLUMNA, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&col));
}

int TListColumn::Width() const {
    return static_cast<int>(owner_.Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(index_)));
}

void TListColumn::SetWidth(int value) {
    width_ = value;
    owner_.Send(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index_), MAKELPARAM(value, 0));
}

void TListColumn::SetAlignment(TAlignment value) {
    alignment_ = value;
    LVCOLUMNA col{};
    col.mask = LVCF_FMT;
    col.fmt = ColumnFormat(value);
    owner_.Send(LVM_SETCOLUMNA, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&col));
}

} // namespace kovalin
