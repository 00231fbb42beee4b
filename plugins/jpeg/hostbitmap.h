// A bitmap handed in by the host: the handle is ours from the start of the call and deleted at
// its end, whatever happens in between. A DIB section of 24 or 32 bits is read where it lies;
// anything else is read into a framework bitmap first.
#pragma once

#include "kovalin/Bitmap.h"
#include "kovalin/Handles.h"
#include "plugins/jpeg/jpeg.h"

#include <memory>
#include <optional>

namespace kvjpeg {

class THostBitmap {
public:
    // Takes the handle over; raises EInvalidGraphic when it is no bitmap (it is deleted still).
    explicit THostBitmap(HBITMAP handle);

    // The pixels in place, when the handle's memory can be read as it is.
    const std::optional<TPixelRows>& Rows() const { return rows_; }
    // The pixels as a framework bitmap, read through GDI on first use.
    kovalin::TBitmap& Bitmap();

private:
    kovalin::UniqueHBitmap handle_;
    std::optional<TPixelRows> rows_;
    std::unique_ptr<kovalin::TBitmap> bitmap_;
};

} // namespace kvjpeg
