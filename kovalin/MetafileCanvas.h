// A canvas that records into a metafile: drawing on it lands in the recording, which the metafile
// receives when the canvas ends.
#pragma once

#include "kovalin/Canvas.h"

#include <windows.h>

namespace kovalin {

class TMetafile;

class TMetafileCanvas : public TCanvas {
public:
    // Records a picture of the metafile's Width x Height pixels of the reference device (the
    // screen when null). Handle() is null when the system could not start the recording.
    TMetafileCanvas(TMetafile& metafile, HDC referenceDevice);
    // Ends the recording and hands it to the metafile; a recording that could not be finished
    // leaves the metafile without a handle.
    ~TMetafileCanvas();

private:
    TMetafile& metafile_;
};

} // namespace kovalin
