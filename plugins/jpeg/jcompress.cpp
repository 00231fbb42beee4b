// The encode side of the JPEG image: the decoded bitmap compressed with the image's quality,
// grayscale and progression settings into fresh shared data.
#include "plugins/jpeg/JpegLib.h"
#include "plugins/jpeg/jerrors.h"
#include "plugins/jpeg/jpeg.h"

#include <vector>

namespace kvjpeg {

using namespace kovalin;

namespace {

// Compressed output collected in a memory stream, a large block at a time.
struct MemoryDestination : jpeg_destination_mgr {
    static constexpr size_t kBlock = 1 << 20;
    TMemoryStream* out;
    std::vector<JOCTET> buffer = std::vector<JOCTET>(kBlock);

    static void Init(j_compress_ptr cinfo) {
        auto* self = static_cast<MemoryDestination*>(cinfo->dest);
        self->next_output_byte = self->buffer.data();
        self->free_in_buffer = self->buffer.size();
    }
    static boolean Empty(j_compress_ptr cinfo) {
        auto* self = static_cast<MemoryDestination*>(cinfo->dest);
        // The whole block is full, whatever free_in_buffer says.
        self->out->WriteBuffer(self->buffer.data(), self->buffer.size());
        self->next_output_byte = self->buffer.data();
        self->free_in_buffer = self->buffer.size();
        return TRUE;
    }
    static void Term(j_compress_ptr cinfo) {
        auto* self = static_cast<MemoryDestination*>(cinfo->dest);
        self->out->WriteBuffer(self->buffer.data(), self->buffer.size() - self->free_in_buffer);
    }

    MemoryDestination(j_compress_ptr cinfo, TMemoryStream& stream) : out(&stream) {
        init_destination = Init;
        empty_output_buffer = Empty;
        term_destination = Term;
        cinfo->dest = this;
    }
};

// A compressor with its error manager; destroyed however compression ends.
struct Encoder {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    Encoder() {
        InitErrorMgr(err);
        c.err = &err;
        jpeg_create_compress(&c);
    }
    ~Encoder() { jpeg_destroy_compress(&c); }
};

} // namespace

void TJPEGImage::Compress() {
    if (!bitmap_ || bitmap_->Width() <= 0 || bitmap_->Height() <= 0) {
        data_ = std::make_shared<TJPEGData>();
        data_->Data = std::make_unique<TMemoryStream>(); // nothing to compress: empty data
        return;
    }
    // The codec reads three bytes a pixel; other formats go through a converted copy.
    TBitmap* source = bitmap_.get();
    std::unique_ptr<TBitmap> converted;
    if (source->PixelFormat() != TPixelFormat::pf24bit) {
        converted = std::make_unique<TBitmap>();
        converted->Assign(*source);
        converted->SetPixelFormat(TPixelFormat::pf24bit);
        source = converted.get();
    }
    TPixelRows rows;
    rows.width = source->Width();
    rows.height = source->Height();
    rows.first = static_cast<const uint8_t*>(source->ScanLine(0));
    rows.pitch =
        rows.height > 1 ? static_cast<const uint8_t*>(source->ScanLine(1)) - rows.first : source->RowPitch();
    CompressRows(rows);
}

void TJPEGImage::CompressRows(const TPixelRows& rows) {
    data_ = std::make_shared<TJPEGData>();
    auto out = std::make_unique<TMemoryStream>();
    if (rows.width <= 0 || rows.height <= 0 || !rows.first) {
        data_->Data = std::move(out);
        return;
    }
    data_->Width = rows.width;
    data_->Height = rows.height;

    Encoder enc;
    jpeg_compress_struct& c = enc.c;
    MemoryDestination dest(&c, *out);
    c.image_width = static_cast<JDIMENSION>(rows.width);
    c.image_height = static_cast<JDIMENSION>(rows.height);
    // Pixels go in in their own byte order; a fourth byte is skipped by the codec.
    c.input_components = rows.bytesPerPixel == 4 ? 4 : 3;
    c.in_color_space = rows.bytesPerPixel == 4 ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality_, TRUE);
    if (grayscale_) {
        data_->Grayscale = true;
        jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    }
    if (progressiveEncoding_) jpeg_simple_progression(&c);

    auto row = [&](JDIMENSION y) {
        return const_cast<JSAMPROW>(rows.first + static_cast<ptrdiff_t>(y) * rows.pitch);
    };
    bool oneByOne = rows.pitch < 1 || rows.pitch % 4 != 0;
    try {
        Progress(TProgressStage::psStarting, 0, false, RECT{0, 0, 0, 0}, std::string());
        jpeg_start_compress(&c, TRUE);
        if (oneByOne) {
            while (c.next_scanline < c.image_height) {
                JSAMPROW one = row(c.next_scanline);
                jpeg_write_scanlines(&c, &one, 1);
            }
        } else {
            std::vector<JSAMPROW> all(c.image_height);
            for (JDIMENSION y = 0; y < c.image_height; ++y)
                all[y] = row(y);
            while (c.next_scanline < c.image_height)
                jpeg_write_scanlines(&c, all.data() + c.next_scanline, c.image_height - c.next_scanline);
        }
        jpeg_finish_compress(&c);
        Progress(TProgressStage::psEnding, 100, false, RECT{0, 0, 0, 0}, std::string());
    } catch (const EAbort&) {
        data_ = std::make_shared<TJPEGData>();
        data_->Data = std::make_unique<TMemoryStream>();
        return;
    } catch (...) {
        Progress(TProgressStage::psEnding, 0, false, RECT{0, 0, 0, 0}, std::string());
        throw;
    }
    data_->Data = std::move(out);
}

void TJPEGImage::JPEGNeeded() {
    if (!data_->Data || data_->Data->Size() == 0) Compress();
}

void TJPEGImage::SaveToStream(TStream& stream) {
    JPEGNeeded();
    if (data_->Data->Size() > 0)
        stream.WriteBuffer(data_->Data->Memory(), static_cast<size_t>(data_->Data->Size()));
}

} // namespace kvjpeg
