// String-table ids of the JPEG library's texts (jconsts.rc holds the texts).
#pragma once

#define sChangeJPGSize 65520 // "Cannot change the size of a JPEG image"
#define sJPEGError 65521     // "JPEG error #%d"
#define sJPEGImageFile 65522 // "JPEG Image File"

#ifndef RC_INVOKED
#include <string>

namespace kvjpeg {
// A text of the string table, loaded from the module this code is linked into.
std::string JpegText(unsigned id);
} // namespace kvjpeg
#endif
