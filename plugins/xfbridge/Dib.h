// The device-independent image a filter works on: one movable global block holding the header,
// the colour table and the bottom-up pixel rows, made from and turned back into GDI bitmaps.
#pragma once

#include "plugins/xfbridge/Owned.h"

#include <windows.h>

#include <cstdint>

namespace xfbridge {

// Bits per pixel of the image made from a bitmap of the given planes times bits per pixel.
WORD DibBitCount(int sourceBits);
// Bytes of one row of pixels, padded to a multiple of 4.
LONG DibStride(LONG width, WORD bitCount);

// Copies the bitmap (left unchanged) into a new zero-initialised block; none when the handle is
// null, its description cannot be read, memory runs out or the bits cannot be fetched.
OwnedGlobal BitmapToDib(HBITMAP bitmap);

// A locked 24-bit image seen as rows: the top row first, each `stride` bytes above the previous.
struct DibRows {
    BITMAPINFOHEADER* header = nullptr;
    BYTE* pixels = nullptr; // the first byte of the bottom row
    LONG stride = 0;
    BYTE* topRow = nullptr;
};
// Where the pixels of a locked image start: after the three masks for bit fields, else after
// the colour table of biClrUsed entries.
BYTE* DibPixelStart(BITMAPINFOHEADER* header);
DibRows DibRowsOf(BITMAPINFOHEADER* header);

// A new bitmap for the screen with the pixels of a 24-bit image; null on failure.
HBITMAP DibToScreenBitmap(HGLOBAL dib);

} // namespace xfbridge
