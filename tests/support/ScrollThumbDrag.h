// Dragging a window's vertical scroll-bar thumb with real mouse input, as a user does. Call it
// from a thread other than the window's: the drag runs in the scroll bar's own loop there.
#pragma once

#include <windows.h>

namespace testsupport {

// Presses on the thumb, moves in `steps` steps of `stepMs` to `fraction` (0 top .. 1 bottom) of
// the track and lets go.
void DragScrollThumb(HWND window, double fraction, int steps, DWORD stepMs);

} // namespace testsupport
