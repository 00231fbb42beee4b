// A device-independent bitmap that owns its HBITMAP (and palette) and can hand the handle over.
#pragma once

#include "kovalin/Canvas.h"
#include "kovalin/Graphic.h"
#include "kovalin/Handles.h"

#include <memory>

namespace kovalin {

enum class TPixelFormat { pf8bit, pf24bit, pf32bit };

class TBitmap : public TGraphic {
public:
    TBitmap() = default;
    ~TBitmap() override;

    HBITMAP Handle() const { return bitmap_.get(); }
    // Hands the HBITMAP to the caller, who deletes it; the bitmap is empty afterwards.
    [[nodiscard]] HBITMAP ReleaseHandle();

    TPixelFormat PixelFormat() const { return format_; }
    // Changing the format of a non-empty bitmap converts its pixels.
    void SetPixelFormat(TPixelFormat format);

    int Width() override { return width_; }
    int Height() override { return height_; }
    void SetWidth(int value) override { SetSize(value, height_); }
    void SetHeight(int value) override { SetSize(width_, value); }
    // Keeps the pixels that fit in the new size.
    void SetSize(int width, int height);
    bool Empty() override { return width_ <= 0 || height_ <= 0; }

    // Rows are stored top-down; ScanLine(y + 1) - ScanLine(y) is the row pitch, a multiple of 4.
    void* ScanLine(int row);
    int RowPitch() const { return pitch_; }

    // The palette of an 8-bit bitmap; the bitmap owns the handle it is given.
    HPALETTE Palette() override { return palette_.get(); }
    void SetPalette(HPALETTE palette) override;

    // A canvas whose drawing lands in this bitmap.
    TCanvas& Canvas();

    void Draw(TCanvas& canvas, const RECT& rect) override;
    // Takes a copy of another bitmap's pixels, format and palette.
    void Assign(const TBitmap& source);
    // The clipboard's form: CF_BITMAP with a device-dependent copy of the pixels and, for an
    // 8-bit bitmap, a copy of the palette. The caller owns both handles (SetClipboardData takes
    // them). An empty bitmap raises EInvalidGraphicOperation.
    void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;
    // Takes a copy of a CF_BITMAP bitmap, drawn with the palette when one is given; any other
    // format raises EInvalidGraphic. The handles stay the caller's.
    void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
    void Clear();

private:
    void Recreate(int width, int height, TPixelFormat format, bool keepPixels);
    void FillInfo(BITMAPINFO* info) const;
    void SelectIntoCanvas();

    UniqueHBitmap bitmap_;
    UniqueHPalette palette_;
    void* bits_ = nullptr;
    int width_ = 0, height_ = 0, pitch_ = 0;
    TPixelFormat format_ = TPixelFormat::pf24bit;

    UniqueMemoryDC dc_;
    HGDIOBJ dcOldBitmap_ = nullptr;
    HPALETTE dcOldPalette_ = nullptr;
    std::unique_ptr<TCanvas> canvas_;
};

int BitsPerPixel(TPixelFormat format);

// A palette of the same entries, for a second owner; empty for none.
UniqueHPalette ClonePalette(HPALETTE source);

} // namespace kovalin
