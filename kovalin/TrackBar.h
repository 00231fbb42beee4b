// A slider over a range of integers (the common track bar): page step, tick marks and OnChange
// whenever the user moves it.
#pragma once

#include "kovalin/WinControl.h"

#include <functional>

namespace kovalin {

enum class TTrackBarOrientation { trHorizontal, trVertical };
enum class TTickMark { tmBottomRight, tmTopLeft, tmBoth };

class TTrackBar : public TWinControl {
public:
    struct Params {
        int left = 0, top = 0, width = 150, height = 45;
        TTrackBarOrientation orientation = TTrackBarOrientation::trHorizontal;
        TTickMark tickMarks = TTickMark::tmBottomRight;
        int min = 0, max = 10;
        int position = 0;
        int pageSize = 2;  // what Page Up, Page Down and a click beside the thumb move by
        int frequency = 1; // a tick every this many positions
        int lineSize = 1;  // what an arrow key moves by
    };
    TTrackBar(TWinControl& parent, const Params& p);

    int Min() const;
    int Max() const;
    void SetRange(int min, int max);
    int Position() const;
    // Moves the thumb without OnChange: only the user's moves are reported.
    void SetPosition(int value);
    int PageSize() const;
    void SetPageSize(int value);
    int LineSize() const;
    int Frequency() const { return frequency_; }
    void SetFrequency(int value);

    // The thumb moved (keyboard, mouse or wheel); the new position is already in place.
    std::function<void()> OnChange;

protected:
    void ScrollNotify(WORD code) override;

private:
    int frequency_;
    int reported_; // the position OnChange last saw, so that repeated notifications do not repeat it
};

} // namespace kovalin
