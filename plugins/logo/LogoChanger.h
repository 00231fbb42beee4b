// The logo changer tool: the host's image, reduced to the fixed 256-colour layout, becomes the
// start-up, shutting-down or turn-off logo of the 95/98/Me family of Windows.
#pragma once

#include <windows.h>

namespace kvlogo {

inline constexpr char kMessageCaption[] = "Kovalin Vodedi";

// Runs the tool with its dialogs owned by `owner`. Refusals (another platform, an image not
// 320 x 400) are shown and end the tool; errors writing the file are raised.
void RunLogoChanger(HWND owner, HBITMAP image);

} // namespace kvlogo
