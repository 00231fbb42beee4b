// The system clipboard as the editor uses it for pictures: a graphic goes onto it in its
// clipboard form and comes back from the bitmap on it, also between programs.
#pragma once

#include "kovalin/Graphic.h"

#include <windows.h>

namespace kovalin {

class TClipboard {
public:
    // Opens the clipboard for the window, waiting a little while another program holds it;
    // raises EOSError when it stays taken.
    explicit TClipboard(HWND owner);
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;
    ~TClipboard();

    bool HasFormat(UINT format) const;
    // Empties the clipboard and puts the graphic's clipboard form (and its palette) on it.
    void Assign(TGraphic& graphic);
    // Loads the bitmap on the clipboard into the graphic; false when there is none.
    bool AssignTo(TGraphic& graphic);
};

} // namespace kovalin
