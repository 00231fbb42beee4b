#include "plugins/hex/hexcolors.h"

namespace kvhex {

COLORREF Complement(COLORREF c) {
    return RGB(255 - GetRValue(c), 255 - GetGValue(c), 255 - GetBValue(c));
}

TColors::TColors()
    : background_(GetSysColor(COLOR_WINDOW)), oddComplement_(Complement(oddColumn_)),
      evenComplement_(Complement(evenColumn_)) {}

void TColors::Set(COLORREF& field, COLORREF value) {
    field = value;
    if (OnChange) OnChange();
}

void TColors::SetOddColumn(COLORREF c) {
    oddComplement_ = Complement(c);
    Set(oddColumn_, c);
}

void TColors::SetEvenColumn(COLORREF c) {
    evenComplement_ = Complement(c);
    Set(evenColumn_, c);
}

} // namespace kvhex
