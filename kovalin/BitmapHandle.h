// Copies of bitmaps that belong to someone else, such as a host's image handed to a plug-in:
// read through GDI, whether the handle is a device-dependent bitmap or a DIB section.
#pragma once

#include "kovalin/Bitmap.h"

#include <windows.h>

#include <memory>

namespace kovalin {

// A 24-bit copy of the bitmap's pixels; the handle stays its owner's. A handle that is not a
// bitmap raises EInvalidGraphic.
std::unique_ptr<TBitmap> CopyBitmapHandle(HBITMAP source);

} // namespace kovalin
