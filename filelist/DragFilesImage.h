// The picture a drag of several items shows: the program's "DRAGFILES" bitmap, widened to the
// right by a caption that counts the dragged files and folders.
#pragma once

#include "kovalin/Handles.h"

#include <windows.h>

#include <string>

namespace filelist {

// Where the cursor sits on that picture.
inline constexpr POINT kDragFilesHotSpot{25, 20};
// The caption starts right of the 32-pixel picture.
inline constexpr int kDragCaptionLeft = 33;

// "%u Files" with the file count and/or "%u Directories" with the folder count, in the user's
// language, joined by ", "; empty when both counts are 0.
std::string DragCaption(unsigned files, unsigned folders);

struct TDragFilesPicture {
    kovalin::UniqueHBitmap bitmap;
    SIZE size{};
};

// The "DRAGFILES" bitmap on white (the transparent colour), with the caption drawn in `font` at
// x = 33 and y = max(24 - font height, 0); 33 + the caption's width wide. Without a caption, or
// when drawing it fails, the bare 32 x 32 picture. An empty picture when even that cannot be had.
TDragFilesPicture DragFilesPicture(HFONT font, const std::string& caption);

} // namespace filelist
