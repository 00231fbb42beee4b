// The "Working..." window that shows how far a filter has got. At most one exists in the
// process; the filter's progress reports create, fill and end it.
#pragma once

#include "plugins/xfbridge/FilterRecord.h"
#include "plugins/xfbridge/Owned.h"

#include <windows.h>

namespace xfbridge {

class TProgressWindow {
public:
    TProgressWindow(const TProgressWindow&) = delete;
    TProgressWindow& operator=(const TProgressWindow&) = delete;

    // The callback handed to filters: the first report opens the window with total as its
    // range, a later report of 0 closes it, any other moves the bar.
    static void __cdecl Report(int32 done, int32 total);
    // The window of the process, or null.
    static TProgressWindow* Current();
    // Closes the window if there is one.
    static void CloseCurrent();
    // Closes the window and gives up its class: the code that draws it is being unloaded.
    static void Unregister();

    HWND Handle() const { return window_.get(); }
    int32 Position() const { return position_; }
    int32 RangeMax() const { return rangeMax_; }
    // The bar's inner area, in client coordinates, and how much of it is filled.
    RECT BarRect() const;
    int FilledWidth() const;

    // Moves the bar, never past the range; redraws it only when the filled width changes.
    void SetPosition(int32 position);

private:
    explicit TProgressWindow(int32 rangeMax);
    ~TProgressWindow();

    static bool RegisterClassOnce(HINSTANCE instance);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void PaintBar(HDC dc);
    void PaintFrame(HDC dc) const;

    OwnedWindow window_;
    int32 rangeMax_ = 100;
    int32 position_ = 0;
    int shownWidth_ = 0;
};

} // namespace xfbridge
