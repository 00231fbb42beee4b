#include "kovalin/Bitmap.h"

#include "kovalin/Exceptions.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kovalin {

namespace {

// A BITMAPINFO with room for a full 256-entry colour table.
struct BitmapInfo256 {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
    BITMAPINFO* get() { return reinterpret_cast<BITMAPINFO*>(this); }
};

} // namespace

UniqueHPalette ClonePalette(HPALETTE source) {
    if (!source) return UniqueHPalette();
    PALETTEENTRY entries[256];
    UINT n = GetPaletteEntries(source, 0, 256, entries);
    std::vector<char> buf(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(n);
    std::memcpy(lp->palPalEntry, entries, n * sizeof(PALETTEENTRY));
    return UniqueHPalette(CreatePalette(lp));
}

int BitsPerPixel(TPixelFormat format) {
    switch (format) {
    case TPixelFormat::pf8bit:
        return 8;
    case TPixelFormat::pf32bit:
        return 32;
    case TPixelFormat::pf24bit:
    default:
        return 24;
    }
}

TBitmap::~TBitmap() {
    canvas_.reset();
    if (dc_) {
        SelectObject(dc_.get(), dcOldBitmap_);
        if (dcOldPalette_) SelectPalette(dc_.get(), dcOldPalette_, FALSE);
    }
}

void TBitmap::FillInfo(BITMAPINFO* info) const {
    auto* bi = reinterpret_cast<BitmapInfo256*>(info);
    std::memset(bi, 0, sizeof *bi);
    bi->header.biSize = sizeof(BITMAPINFOHEADER);
    bi->header.biWidth = width_;
    bi->header.biHeight = -height_; // top-down
    bi->header.biPlanes = 1;
    bi->header.biBitCount = static_cast<WORD>(BitsPerPixel(format_));
    bi->header.biCompression = BI_RGB;
    if (format_ == TPixelFormat::pf8bit) {
        PALETTEENTRY entries[256]{};
        UINT n = 0;
        if (palette_) {
            n = GetPaletteEntries(palette_.get(), 0, 256, entries);
        } else {
            // Without a palette an 8-bit bitmap shows its indices as grey levels.
            for (n = 0; n < 256; ++n)
                entries[n] = {BYTE(n), BYTE(n), BYTE(n), 0};
        }
        for (UINT i = 0; i < n; ++i)
            bi->colors[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
        bi->header.biClrUsed = 256;
    }
}

void TBitmap::Recreate(int width, int height, TPixelFormat format, bool keepPixels) {
    width = std::max(0, width);
    height = std::max(0, height);
    if (dc_) SelectObject(dc_.get(), dcOldBitmap_); // the old bitmap may be read through another DC
    UniqueHBitmap old(std::move(bitmap_));
    int oldW = width_, oldH = height_;
    TPixelFormat oldFormat = format_;
    void* oldBits = bits_;
    int oldPitch = pitch_;

    width_ = width;
    height_ = height;
    format_ = format;
    bits_ = nullptr;
    pitch_ = ((width * BitsPerPixel(format) + 31) / 32) * 4;
    if (width > 0 && height > 0) {
        BitmapInfo256 info;
        FillInfo(info.get());
        HBITMAP h = CreateDIBSection(nullptr, info.get(), DIB_RGB_COLORS, &bits_, nullptr, 0);
        if (!h) {
            bitmap_ = std::move(old);
            width_ = oldW;
            height_ = oldH;
            format_ = oldFormat;
            bits_ = oldBits;
            pitch_ = oldPitch;
            throw EOutOfResources(Format("Out of system resources (bitmap %d x %d)", width, height));
        }
        bitmap_.reset(h);
        if (keepPixels && old && oldW > 0 && oldH > 0) {
            GdiFlush();
            if (oldFormat == format) {
                size_t rowBytes = static_cast<size_t>(std::min(oldW, width) * BitsPerPixel(format) / 8);
                for (int y = 0; y < std::min(oldH, height); ++y)
                    std::memcpy(static_cast<char*>(bits_) + static_cast<size_t>(y) * pitch_,
                                static_cast<char*>(oldBits) + static_cast<size_t>(y) * oldPitch, rowBytes);
            } else {
                // Different formats: let GDI convert through two memory DCs.
                UniqueMemoryDC src(CreateCompatibleDC(nullptr)), dst(CreateCompatibleDC(nullptr));
                SelectGuard s(src.get(), old.get()), d(dst.get(), h);
                BitBlt(dst.get(), 0, 0, std::min(oldW, width), std::min(oldH, height), src.get(), 0, 0,
                       SRCCOPY);
            }
        }
    }
    if (dc_) SelectIntoCanvas();
}

void TBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_) return;
    Recreate(width, height, format_, true);
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == format_) return;
    Recreate(width_, height_, format, true);
    Changed();
}

void* TBitmap::ScanLine(int row) {
    if (!bits_ || row < 0 || row >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
    GdiFlush(); // drawing through GDI may still be queued
    return static_cast<char*>(bits_) + static_cast<size_t>(row) * pitch_;
}

void TBitmap::SetPalette(HPALETTE palette) {
    if (palette == palette_.get()) return;
    palette_.reset(palette);
    if (bitmap_ && format_ == TPixelFormat::pf8bit) {
        BitmapInfo256 info;
        FillInfo(info.get());
        if (dc_) {
            SelectIntoCanvas();
            SetDIBColorTable(dc_.get(), 0, 256, info.colors);
        } else {
            UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
            SelectGuard sel(dc.get(), bitmap_.get());
            SetDIBColorTable(dc.get(), 0, 256, info.colors);
        }
    } else if (dc_) {
        SelectIntoCanvas();
    }
    Changed();
}

void TBitmap::SelectIntoCanvas() {
    HGDIOBJ prev = SelectObject(dc_.get(), bitmap_ ? static_cast<HGDIOBJ>(bitmap_.get()) : dcOldBitmap_);
    if (!dcOldBitmap_) dcOldBitmap_ = prev;
    if (palette_) {
        HPALETTE prevPal = SelectPalette(dc_.get(), palette_.get(), FALSE);
        if (!dcOldPalette_) dcOldPalette_ = prevPal;
        RealizePalette(dc_.get());
    }
}

TCanvas& TBitmap::Canvas() {
    if (!dc_) {
        dc_.reset(CreateCompatibleDC(nullptr));
        if (!dc_) RaiseLastOSError("CreateCompatibleDC");
        canvas_ = std::make_unique<TCanvas>(dc_.get());
        SelectIntoCanvas();
    }
    return *canvas_;
}

HBITMAP TBitmap::ReleaseHandle() {
    if (dc_) SelectObject(dc_.get(), dcOldBitmap_); // a bitmap selected into a DC cannot be used elsewhere
    GdiFlush();
    HBITMAP h = bitmap_.release();
    bits_ = nullptr;
    width_ = height_ = pitch_ = 0;
    return h;
}

void TBitmap::Clear() {
    if (dc_) SelectObject(dc_.get(), dcOldBitmap_);
    bitmap_.reset();
    bits_ = nullptr;
    width_ = height_ = pitch_ = 0;
}

void TBitmap::Draw(TCanvas& canvas, const RECT& rect) {
    if (Empty()) return;
    GdiFlush();
    BitmapInfo256 info;
    FillInfo(info.get());
    HDC dc = canvas.Handle();
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w == width_ && h == height_) {
        SetDIBitsToDevice(dc, rect.left, rect.top, width_, height_, 0, 0, 0, height_, bits_, info.get(),
                          DIB_RGB_COLORS);
    } else {
        // The default BLACKONWHITE mode ruins colour images when shrinking.
        int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, rect.left, rect.top, w, h, 0, 0, width_, height_, bits_, info.get(), DIB_RGB_COLORS,
                      SRCCOPY);
        SetStretchBltMode(dc, oldMode);
    }
}

void TBitmap::Assign(const TBitmap& source) {
    if (&source == this) return;
    palette_ = ClonePalette(source.palette_.get());
    Recreate(source.width_, source.height_, source.format_, false);
    if (bits_ && source.bits_) {
        GdiFlush();
        std::memcpy(bits_, source.bits_, static_cast<size_t>(pitch_) * height_);
    }
    Changed();
}

void TBitmap::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
    format = CF_BITMAP;
    data = nullptr;
    palette = nullptr;
    if (Empty()) throw EInvalidGraphicOperation("An empty bitmap has nothing for the clipboard");
    UniqueHBitmap copy;
    {
        ScreenDC screen;
        copy.reset(CreateCompatibleBitmap(screen.get(), width_, height_));
    }
    if (!copy) RaiseLastOSError("CreateCompatibleBitmap");
    UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    if (!dc) RaiseLastOSError("CreateCompatibleDC");
    {
        SelectGuard select(dc.get(), copy.get());
        GdiFlush();
        BitBlt(dc.get(), 0, 0, width_, height_, Canvas().Handle(), 0, 0, SRCCOPY);
    }
    UniqueHPalette pal = ClonePalette(palette_.get());
    data = copy.release();
    palette = pal.release();
}

void TBitmap::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
    BITMAP info{};
    if (format != CF_BITMAP || !data || !GetObjectA(data, sizeof info, &info))
        throw EInvalidGraphic("The clipboard holds no bitmap");
    UniqueMemoryDC source(CreateCompatibleDC(nullptr));
    if (!source) RaiseLastOSError("CreateCompatibleDC");
    // The colours as the clipboard's palette gives them; the copy keeps them as true colour.
    palette_.reset();
    Recreate(info.bmWidth, std::abs(info.bmHeight), TPixelFormat::pf24bit, false);
    {
        SelectGuard select(source.get(), data);
        HPALETTE old = palette ? SelectPalette(source.get(), palette, FALSE) : nullptr;
        if (palette) RealizePalette(source.get());
        BitBlt(Canvas().Handle(), 0, 0, width_, height_, source.get(), 0, 0, SRCCOPY);
        if (old) SelectPalette(source.get(), old, FALSE);
        GdiFlush();
    }
    Changed();
}

} // namespace kovalin
