// Where the preview pane draws an image: scaled to fit inside a one-pixel black frame, centred
// across the pane's full client size.
#pragma once

#include <windows.h>

namespace browser {

struct TPreviewFit {
    RECT frame; // the one-pixel frame, right and bottom exclusive
    RECT image; // where the image is stretched to, inside the frame
};

// v to the nearest integer, halves to the even neighbour.
int RoundHalfEven(double v);

// The fit of an image of imageWidth x imageHeight into a client area of clientWidth x clientHeight.
// An image without height is treated as one pixel high, so it still gets a frame.
TPreviewFit FitPreview(int clientWidth, int clientHeight, int imageWidth, int imageHeight);

} // namespace browser
