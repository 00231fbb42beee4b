#include "kovalin/Graphic.h"

#include "kovalin/Exceptions.h"
#include "kovalin/Stream.h"

namespace kovalin {

void TGraphic::LoadFromStream(TStream&) {
    throw EInvalidGraphicOperation("Cannot load this graphic from a stream");
}
void TGraphic::SaveToStream(TStream&) {
    throw EInvalidGraphicOperation("Cannot save this graphic to a stream");
}

void TGraphic::LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) {
    throw EInvalidGraphicOperation("Cannot load this graphic from the clipboard");
}
void TGraphic::SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) {
    throw EInvalidGraphicOperation("Cannot put this graphic on the clipboard");
}

void TGraphic::LoadFromFile(const std::string& fileName) {
    TFileStream f(fileName, TFileMode::fmOpenRead);
    LoadFromStream(f);
}

void TGraphic::SaveToFile(const std::string& fileName) {
    TFileStream f(fileName, TFileMode::fmCreate);
    SaveToStream(f);
}

void TGraphic::Changed() {
    modified_ = true;
    if (OnChange) OnChange(*this);
}

void TGraphic::Progress(TProgressStage stage, int percentDone, bool redrawNow, const RECT& r,
                        const std::string& msg) {
    if (OnProgress) OnProgress(*this, stage, percentDone, redrawNow, r, msg);
}

} // namespace kovalin
