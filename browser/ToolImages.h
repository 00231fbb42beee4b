// The four 16 x 16 images of the main tool bar, drawn at start-up: new folder, open in the
// editor, full screen and print.
#pragma once

#include "kovalin/ImageList.h"

namespace browser {

void AddToolImages(kovalin::TImageList& list);

} // namespace browser
