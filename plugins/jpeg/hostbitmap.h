// A bitmap handed in by the host: the handle is ours from the start of the call and deleted at
// its end, whatever happens in between; its pixels are read into a framework bitmap.
#pragma once

#include "kovalin/Bitmap.h"
#include "kovalin/GdiBitmapCopy.h"
#include "kovalin/Handles.h"

namespace kvjpeg {

class THostBitmap {
public:
    // Takes the handle over; raises when it is no bitmap (the handle is still deleted).
    explicit THostBitmap(HBITMAP handle) : handle_(handle) { kovalin::CopyGdiBitmap(handle, bitmap_); }
    kovalin::TBitmap& Bitmap() { return bitmap_; }

private:
    kovalin::UniqueHBitmap handle_;
    kovalin::TBitmap bitmap_;
};

} // namespace kvjpeg
