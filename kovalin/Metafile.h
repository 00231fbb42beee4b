// An enhanced metafile (a vector recording of GDI calls) as a graphic: replays itself stretched into
// a rectangle and travels through streams in the enhanced-metafile file form.
#pragma once

#include "kovalin/Graphic.h"

#include <windows.h>

namespace kovalin {

class TMetafile : public TGraphic {
public:
    TMetafile() = default;
    ~TMetafile() override;

    HENHMETAFILE Handle() const { return handle_; }
    // Takes the recording over; the previous one is deleted.
    void SetHandle(HENHMETAFILE handle);
    bool HandleAllocated() const { return handle_ != nullptr; }

    // The size of the picture in pixels of the device it was recorded for.
    int Width() override { return width_; }
    int Height() override { return height_; }
    void SetWidth(int value) override { width_ = value; }
    void SetHeight(int value) override { height_ = value; }
    bool Empty() override { return handle_ == nullptr; }

    void Draw(TCanvas& canvas, const RECT& rect) override;
    // The enhanced-metafile file form: header first, its size says how much follows.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    void Clear();

private:
    HENHMETAFILE handle_ = nullptr;
    int width_ = 0, height_ = 0;
};

} // namespace kovalin
