// The eight 16 x 16 pictures of the print preview's tool bar, drawn from the art in the source.
#pragma once

#include "kovalin/ImageList.h"

namespace kvprint {

enum TToolImage {
    tiPaper,
    tiPrinterSetup,
    tiSettings,
    tiZoom,
    tiPosition,
    tiDraw,
    tiPrint,
    tiClose,
    tiCount
};

// Adds the pictures to the list in the order above.
void AddToolImages(kovalin::TImageList& list);

} // namespace kvprint
