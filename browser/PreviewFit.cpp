#include "browser/PreviewFit.h"

#include <cmath>

namespace browser {

int RoundHalfEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

TPreviewFit FitPreview(int clientWidth, int clientHeight, int imageWidth, int imageHeight) {
    double ratio = double(imageWidth) / double(imageHeight > 0 ? imageHeight : 1);
    if (ratio <= 0) ratio = 1;
    int availWidth = clientWidth - 2, availHeight = clientHeight - 2;
    int x0, x1, y0, y1;
    if (availHeight < availWidth / ratio) {
        // The height limits: full available height, centred across the whole client width.
        int drawnWidth = RoundHalfEven(availHeight * ratio);
        x0 = RoundHalfEven((clientWidth - drawnWidth) / 2.0);
        x1 = x0 + drawnWidth;
        y0 = 0;
        y1 = availHeight;
    } else {
        int drawnHeight = RoundHalfEven(availWidth / ratio);
        x0 = 0;
        x1 = availWidth;
        y0 = RoundHalfEven((clientHeight - drawnHeight) / 2.0);
        y1 = y0 + drawnHeight;
    }
    return {RECT{x0, y0, x1, y1}, RECT{x0 + 1, y0 + 1, x1 - 1, y1 - 1}};
}

} // namespace browser
