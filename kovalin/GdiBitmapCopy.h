// Reading a GDI bitmap handle of any kind (device-dependent or a DIB section, any depth, rows
// stored either way) into a bitmap of the framework, as 24-bit pixels.
#pragma once

#include "kovalin/Bitmap.h"

namespace kovalin {

// Raises EInvalidGraphic when the handle is no bitmap.
void CopyGdiBitmap(HBITMAP source, TBitmap& dest);

} // namespace kovalin
