// The JPEG image: compressed bytes shared between copies, decoded on demand into a bitmap with
// the decoder settings of the object (scale, smoothing, grayscale, colour reduction, speed).
#pragma once

#include "kovalin/Bitmap.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Graphic.h"
#include "kovalin/Stream.h"

#include <cstdint>
#include <memory>

namespace kvjpeg {

// Codec failures: "JPEG error #n" with the codec's message code.
class EJPEG : public kovalin::EInvalidGraphic {
    using EInvalidGraphic::EInvalidGraphic;
};

enum class TJPEGPerformance : uint8_t { jpBestQuality, jpBestSpeed };
enum class TJPEGPixelFormat : uint8_t { jf24Bit, jf8Bit };
enum class TJPEGScale : uint8_t { jsFullSize, jsHalf, jsQuarter, jsEighth };
using TJPEGQualityRange = uint8_t; // 1..100

// The settings every new image starts with.
struct TJPEGDefaults {
    TJPEGQualityRange CompressionQuality = 90;
    bool Grayscale = false;
    TJPEGPerformance Performance = TJPEGPerformance::jpBestQuality;
    TJPEGPixelFormat PixelFormat = TJPEGPixelFormat::jf24Bit;
    bool ProgressiveDisplay = false;
    bool ProgressiveEncoding = false;
    TJPEGScale Scale = TJPEGScale::jsFullSize;
    bool Smoothing = true;
};

// The process-wide defaults; the pixel format is 8-bit when the screen shows 8 or fewer bits per
// pixel (read once).
TJPEGDefaults& JPEGDefaults();

// Compressed image data and what the frame header said about it, shared by assigned copies.
struct TJPEGData {
    std::unique_ptr<kovalin::TMemoryStream> Data; // absent: no JPEG data
    int32_t Height = 0;
    int32_t Width = 0;
    bool Grayscale = false;
};

// Rows of pixels somewhere in memory, three (blue, green, red) or four (blue, green, red, unused)
// bytes each; pitch is the distance from one row to the next and may be negative.
struct TPixelRows {
    int width = 0;
    int height = 0;
    const uint8_t* first = nullptr; // the top row
    ptrdiff_t pitch = 0;
    int bytesPerPixel = 3;
};

class TJPEGImage : public kovalin::TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;

    // Reads everything from the stream's position to its end and reads the frame header.
    void LoadFromStream(kovalin::TStream& stream) override;
    // Writes the compressed bytes, compressing the bitmap first when there are none.
    void SaveToStream(kovalin::TStream& stream) override;
    // Compresses the bitmap now unless compressed bytes are held already.
    void JPEGNeeded();
    // Compresses the rows now, with this image's settings, into fresh data; the rows are not kept.
    void CompressRows(const TPixelRows& rows);
    // The persistence form: a 32-bit little-endian byte count, then the JPEG bytes (0: no data).
    void ReadData(kovalin::TStream& stream);
    void WriteData(kovalin::TStream& stream);

    void Draw(kovalin::TCanvas& canvas, const RECT& rect) override;
    int Width() override;
    int Height() override;
    // A compressed image keeps its size: both raise EInvalidGraphicOperation.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool Empty() override;

    HPALETTE Palette() override;
    void SetPalette(HPALETTE palette) override;

    // Shares the other image's data and copies its decoded bitmap, if any.
    void Assign(const TJPEGImage& source);
    // Takes a copy of the bitmap; compressing it waits until the bytes are needed.
    void Assign(const kovalin::TBitmap& source);
    // The bitmap receives a copy of the decoded image.
    void AssignTo(kovalin::TBitmap& dest);
    // The clipboard carries the decoded bitmap: loading takes the clipboard's bitmap as the image
    // (compressed again only when the bytes are needed), saving decodes and hands its bitmap out.
    void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
    void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;
    bool Equals(kovalin::TGraphic& other);

    // Decodes if needed; the image keeps the bitmap.
    kovalin::TBitmap& Bitmap();
    // Decodes if needed and gives the bitmap away; the next demand decodes again.
    std::unique_ptr<kovalin::TBitmap> ReleaseBitmap();
    void DIBNeeded() { Bitmap(); }

    // True when decoding to grey or the file itself is greyscale.
    bool Grayscale() const;
    void SetGrayscale(bool value);
    TJPEGPerformance Performance() const { return performance_; }
    void SetPerformance(TJPEGPerformance value);
    TJPEGPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TJPEGPixelFormat value);
    bool ProgressiveDisplay() const { return progressiveDisplay_; }
    void SetProgressiveDisplay(bool value);
    bool ProgressiveEncoding() const { return progressiveEncoding_; }
    void SetProgressiveEncoding(bool value) { progressiveEncoding_ = value; }
    TJPEGScale Scale() const { return scale_; }
    void SetScale(TJPEGScale value);
    bool Smoothing() const { return smoothing_; }
    void SetSmoothing(bool value);
    TJPEGQualityRange CompressionQuality() const { return quality_; }
    void SetCompressionQuality(TJPEGQualityRange value) { quality_ = value; }

    const TJPEGData& Data() const { return *data_; }

private:
    struct Decoder;
    void SetupDecoder(Decoder& dec);
    void Compress();
    void Decode();
    void CalcOutputDimensions();
    void FreeBitmap();
    void NewImage();
    void Notify();
    friend struct Decoder;

    std::shared_ptr<TJPEGData> data_;
    std::unique_ptr<kovalin::TBitmap> bitmap_;
    kovalin::UniqueHPalette palette_;
    int32_t scaledWidth_ = 0;
    int32_t scaledHeight_ = 0;
    bool changed_ = false;

    TJPEGQualityRange quality_;
    bool grayscale_;
    TJPEGPerformance performance_;
    TJPEGPixelFormat pixelFormat_;
    bool progressiveDisplay_;
    bool progressiveEncoding_;
    TJPEGScale scale_;
    bool smoothing_;
};

// Puts TJPEGImage in the picture format registry under "jpeg" and "jpg" (once, however often it is
// called), and takes it out again. Every entry point registers on its way in rather than DllMain
// at load: it loads strings and allocates, which is no work for the loader lock.
void RegisterJPEGFormat();
void UnregisterJPEGFormat();

} // namespace kvjpeg
