#include "plugins/jpeg/jpeg.h"

#include "kovalin/Handles.h"
#include "kovalin/Module.h"
#include "kovalin/PictureFormats.h"
#include "plugins/jpeg/JpegLib.h"
#include "plugins/jpeg/jerrors.h"
#include "plugins/jpeg/jconsts.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace kvjpeg {

using namespace kovalin;

std::string JpegText(unsigned id) {
    return ResourceString(ThisModule(), id);
}

TJPEGDefaults& JPEGDefaults() {
    static TJPEGDefaults defaults = [] {
        TJPEGDefaults d;
        ScreenDC screen;
        int bits = GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
        d.PixelFormat = bits <= 8 ? TJPEGPixelFormat::jf8Bit : TJPEGPixelFormat::jf24Bit;
        return d;
    }();
    return defaults;
}

namespace {

// Fatal codec errors become EJPEG carrying only the message code; warnings and traces are dropped.
void ErrorExit(j_common_ptr cinfo) {
    throw EJPEG(Format(JpegText(sJPEGError).c_str(), cinfo->err->msg_code));
}
void OutputMessage(j_common_ptr) {}
void EmitMessage(j_common_ptr, int) {}
void FormatMessageNothing(j_common_ptr, char* buffer) {
    buffer[0] = '\0';
}
void ResetErrorMgr(j_common_ptr cinfo) {
    cinfo->err->num_warnings = 0;
    cinfo->err->msg_code = 0;
}

} // namespace

void InitErrorMgr(jpeg_error_mgr& err) {
    jpeg_std_error(&err);
    err.error_exit = ErrorExit;
    err.output_message = OutputMessage;
    err.emit_message = EmitMessage;
    err.format_message = FormatMessageNothing;
    err.reset_error_mgr = ResetErrorMgr;
}

namespace {

// Source over the compressed bytes in memory. Running out of bytes is an error: a truncated
// file is reported, not padded out with grey.
struct MemorySource : jpeg_source_mgr {
    static void Init(j_decompress_ptr) {}
    static boolean Fill(j_decompress_ptr cinfo) {
        ERREXIT(cinfo,
                static_cast<MemorySource*>(cinfo->src)->total == 0 ? JERR_INPUT_EMPTY : JERR_INPUT_EOF);
        return FALSE;
    }
    static void Skip(j_decompress_ptr cinfo, long count) {
        if (count <= 0) return;
        jpeg_source_mgr* src = cinfo->src;
        if (static_cast<size_t>(count) > src->bytes_in_buffer) ERREXIT(cinfo, JERR_INPUT_EOF);
        src->next_input_byte += count;
        src->bytes_in_buffer -= static_cast<size_t>(count);
    }
    static void Term(j_decompress_ptr) {}

    size_t total;

    void Attach(j_decompress_ptr cinfo, const TMemoryStream* data) {
        init_source = Init;
        fill_input_buffer = Fill;
        skip_input_data = Skip;
        resync_to_restart = jpeg_resync_to_restart;
        term_source = Term;
        next_input_byte = data ? data->Memory() : nullptr;
        bytes_in_buffer = data ? static_cast<size_t>(data->Size()) : 0;
        total = bytes_in_buffer;
        cinfo->src = this;
    }
};

// Reads the frame header of the bytes; throws EJPEG when they are not a JPEG image.
struct HeaderReader {
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    MemorySource src{};
    explicit HeaderReader(const TMemoryStream& data) {
        InitErrorMgr(err);
        d.err = &err;
        jpeg_create_decompress(&d);
        src.Attach(&d, &data);
    }
    ~HeaderReader() { jpeg_destroy_decompress(&d); }
};

HPALETTE PaletteFromColorMap(const jpeg_decompress_struct& d) {
    int n = std::min(d.actual_number_of_colors, 256);
    std::vector<char> buf(sizeof(LOGPALETTE) + static_cast<size_t>(n) * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(n);
    bool grey = d.out_color_space == JCS_GRAYSCALE;
    for (int i = 0; i < n; ++i) {
        PALETTEENTRY& e = lp->palPalEntry[i];
        if (grey) {
            e.peRed = e.peGreen = e.peBlue = d.colormap[0][i];
        } else {
            e.peRed = d.colormap[2][i];
            e.peGreen = d.colormap[1][i];
            e.peBlue = d.colormap[0][i];
        }
        e.peFlags = 0;
    }
    return CreatePalette(lp);
}

} // namespace

// A decompressor with everything it points at; destroyed however decoding ends.
struct TJPEGImage::Decoder {
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    MemorySource src{};
    struct Progress : jpeg_progress_mgr {
        TJPEGImage* image;
        DWORD lastTick;
        int lastPercent;
    } progress{};
    // What the final pass uses after fast intermediate passes of progressive display.
    J_DCT_METHOD dctMethod = JDCT_ISLOW;
    boolean twoPass = TRUE;
    J_DITHER_MODE dither = JDITHER_FS;
    bool buffered = false;
    bool cmyk = false;

    Decoder() {
        InitErrorMgr(err);
        d.err = &err;
        jpeg_create_decompress(&d);
    }
    ~Decoder() { jpeg_destroy_decompress(&d); }

    static void OnProgress(j_common_ptr cinfo) {
        auto* p = static_cast<Progress*>(cinfo->progress);
        if (p->pass_limit <= 0 || p->total_passes <= 0) return;
        int percent =
            static_cast<int>((static_cast<double>(p->pass_counter) / p->pass_limit + p->completed_passes) *
                             100 / p->total_passes);
        DWORD now = GetTickCount();
        if (percent == p->lastPercent || now - p->lastTick < 500) return;
        p->lastPercent = percent;
        p->lastTick = now;
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        RECT done{0, 0, static_cast<LONG>(d->output_width), static_cast<LONG>(d->output_scanline)};
        p->image->Progress(TProgressStage::psRunning, percent, false, done, std::string());
    }
};

TJPEGImage::TJPEGImage() : data_(std::make_shared<TJPEGData>()) {
    const TJPEGDefaults& def = JPEGDefaults();
    quality_ = def.CompressionQuality;
    grayscale_ = def.Grayscale;
    performance_ = def.Performance;
    pixelFormat_ = def.PixelFormat;
    progressiveDisplay_ = def.ProgressiveDisplay;
    progressiveEncoding_ = def.ProgressiveEncoding;
    scale_ = def.Scale;
    smoothing_ = def.Smoothing;
}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Notify() {
    changed_ = true;
    Changed();
}

void TJPEGImage::FreeBitmap() {
    bitmap_.reset();
}

void TJPEGImage::NewImage() {
    data_ = std::make_shared<TJPEGData>();
    FreeBitmap();
}

void TJPEGImage::LoadFromStream(TStream& stream) {
    NewImage();
    int64_t size = stream.Size() - stream.Position();
    auto bytes = std::make_unique<TMemoryStream>();
    bytes->SetSize(size);
    stream.ReadBuffer(bytes->Memory(), static_cast<size_t>(size));
    data_->Data = std::move(bytes);
    if (size > 0) {
        HeaderReader h(*data_->Data);
        jpeg_read_header(&h.d, TRUE);
        data_->Width = static_cast<int32_t>(h.d.image_width);
        data_->Height = static_cast<int32_t>(h.d.image_height);
        data_->Grayscale = h.d.jpeg_color_space == JCS_GRAYSCALE;
        progressiveEncoding_ = jpeg_has_multiple_scans(&h.d) != FALSE;
    }
    Notify();
}

void TJPEGImage::ReadData(TStream& stream) {
    uint32_t count = 0;
    stream.ReadBuffer(&count, sizeof count);
    if (count == 0) {
        NewImage();
        Notify();
        return;
    }
    TMemoryStream part;
    part.SetSize(count);
    stream.ReadBuffer(part.Memory(), count);
    LoadFromStream(part);
}

void TJPEGImage::WriteData(TStream& stream) {
    uint32_t count = data_->Data ? static_cast<uint32_t>(data_->Data->Size()) : 0;
    stream.WriteBuffer(&count, sizeof count);
    if (count) stream.WriteBuffer(data_->Data->Memory(), count);
}

void TJPEGImage::SetupDecoder(Decoder& dec) {
    jpeg_decompress_struct& d = dec.d;
    dec.progress.progress_monitor = Decoder::OnProgress;
    dec.progress.image = this;
    dec.progress.lastTick = GetTickCount();
    dec.progress.lastPercent = -1;
    d.progress = &dec.progress;
    dec.src.Attach(&d, data_->Data.get());
    jpeg_read_header(&d, TRUE);

    d.scale_num = 1;
    d.scale_denom = 1u << static_cast<unsigned>(scale_);
    d.do_block_smoothing = smoothing_;

    // Colour pixels cross into the bitmap in its own blue-green-red order.
    dec.cmyk = d.out_color_space == JCS_CMYK;
    if (d.out_color_space == JCS_RGB) d.out_color_space = JCS_EXT_BGR;
    if (grayscale_) {
        d.out_color_space = JCS_GRAYSCALE;
        dec.cmyk = false;
    }
    // Colour reduction works on one or three components; four-component files decode to 24 bits.
    if (!dec.cmyk && (pixelFormat_ == TJPEGPixelFormat::jf8Bit || d.out_color_space == JCS_GRAYSCALE)) {
        d.quantize_colors = TRUE;
        d.desired_number_of_colors = 236;
    }
    if (performance_ == TJPEGPerformance::jpBestSpeed) {
        d.dct_method = JDCT_IFAST;
        d.two_pass_quantize = FALSE;
        d.dither_mode = JDITHER_ORDERED;
    }
    dec.dctMethod = d.dct_method;
    dec.twoPass = d.two_pass_quantize;
    dec.dither = d.dither_mode;

    if (progressiveDisplay_ && jpeg_has_multiple_scans(&d)) {
        d.buffered_image = TRUE;
        d.enable_2pass_quant = d.two_pass_quantize;
        d.dct_method = JDCT_IFAST;
        d.two_pass_quantize = FALSE;
        d.dither_mode = JDITHER_ORDERED;
        dec.buffered = true;
    }
}

void TJPEGImage::CalcOutputDimensions() {
    Decoder dec;
    SetupDecoder(dec);
    jpeg_calc_output_dimensions(&dec.d);
    scaledWidth_ = static_cast<int32_t>(dec.d.output_width);
    scaledHeight_ = static_cast<int32_t>(dec.d.output_height);
}

namespace {

// Reads every remaining row of the current output pass into the bitmap.
void ReadRows(jpeg_decompress_struct& d, TBitmap& bmp, bool cmyk) {
    if (d.output_height == 0) return;
    if (cmyk) {
        // Adobe files store inverted CMYK: each channel times K gives the colour.
        std::vector<JSAMPLE> row(static_cast<size_t>(d.output_width) * 4);
        JSAMPROW rows[1] = {row.data()};
        while (d.output_scanline < d.output_height) {
            JDIMENSION y = d.output_scanline;
            if (jpeg_read_scanlines(&d, rows, 1) != 1) break;
            auto* out = static_cast<BYTE*>(bmp.ScanLine(static_cast<int>(y)));
            for (JDIMENSION x = 0; x < d.output_width; ++x) {
                const JSAMPLE* p = &row[x * 4];
                int k = p[3];
                out[x * 3 + 0] = static_cast<BYTE>(p[2] * k / 255);
                out[x * 3 + 1] = static_cast<BYTE>(p[1] * k / 255);
                out[x * 3 + 2] = static_cast<BYTE>(p[0] * k / 255);
            }
        }
        return;
    }
    auto* first = static_cast<BYTE*>(bmp.ScanLine(0));
    ptrdiff_t pitch = d.output_height > 1 ? static_cast<BYTE*>(bmp.ScanLine(1)) - first : bmp.RowPitch();
    // Rows that lie evenly spaced and aligned can be handed to the codec several at a time.
    int batch = (pitch < 1 || pitch % 4 != 0) ? 1 : std::max(1, d.rec_outbuf_height);
    std::vector<JSAMPROW> rows(static_cast<size_t>(batch));
    while (d.output_scanline < d.output_height) {
        JDIMENSION y = d.output_scanline;
        int n = static_cast<int>(std::min<JDIMENSION>(static_cast<JDIMENSION>(batch), d.output_height - y));
        for (int i = 0; i < n; ++i)
            rows[static_cast<size_t>(i)] = batch == 1 ? static_cast<BYTE*>(bmp.ScanLine(static_cast<int>(y)))
                                                      : first + (static_cast<ptrdiff_t>(y) + i) * pitch;
        if (jpeg_read_scanlines(&d, rows.data(), static_cast<JDIMENSION>(n)) == 0) break;
    }
}

} // namespace

void TJPEGImage::Decode() {
    if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
    Decoder dec;
    SetupDecoder(dec);
    jpeg_decompress_struct& d = dec.d;
    bitmap_->Clear();
    bool eightBit = pixelFormat_ == TJPEGPixelFormat::jf8Bit || d.out_color_space == JCS_GRAYSCALE;
    eightBit = eightBit && d.quantize_colors;
    try {
        Progress(TProgressStage::psStarting, 0, false, RECT{0, 0, 0, 0}, std::string());
        bool paletteSupplied = false;
        if (palette_) {
            if (eightBit && !dec.cmyk) {
                PALETTEENTRY entries[256];
                UINT n = GetPaletteEntries(palette_.get(), 0, 256, entries);
                if (n > 0) {
                    int comps = d.out_color_space == JCS_GRAYSCALE ? 1 : 3;
                    d.colormap = (*d.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d), JPOOL_IMAGE, n,
                                                        static_cast<JDIMENSION>(comps));
                    for (UINT i = 0; i < n; ++i) {
                        if (comps == 1) {
                            d.colormap[0][i] = entries[i].peRed;
                        } else {
                            d.colormap[2][i] = entries[i].peRed;
                            d.colormap[1][i] = entries[i].peGreen;
                            d.colormap[0][i] = entries[i].peBlue;
                        }
                    }
                    d.actual_number_of_colors = static_cast<int>(n);
                    bitmap_->SetPalette(ClonePalette(palette_.get()).release());
                    paletteSupplied = true;
                }
            } else {
                palette_.reset();
            }
        }
        jpeg_start_decompress(&d);
        bitmap_->SetPixelFormat(eightBit ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
        bitmap_->SetSize(static_cast<int>(d.output_width), static_cast<int>(d.output_height));

        bool buildPalette = eightBit && d.quantize_colors && !paletteSupplied;
        if (dec.buffered) {
            bool firstPass = true;
            while (!jpeg_input_complete(&d)) {
                jpeg_start_output(&d, d.input_scan_number);
                if (firstPass && buildPalette) bitmap_->SetPalette(PaletteFromColorMap(d));
                firstPass = false;
                ReadRows(d, *bitmap_, dec.cmyk);
                jpeg_finish_output(&d);
            }
            d.dct_method = dec.dctMethod;
            d.two_pass_quantize = dec.twoPass;
            d.dither_mode = dec.dither;
            bool newMap = d.quantize_colors && d.two_pass_quantize && !paletteSupplied;
            if (newMap) d.colormap = nullptr; // the final pass builds its own colour map
            jpeg_start_output(&d, d.input_scan_number);
            if (newMap && buildPalette) bitmap_->SetPalette(PaletteFromColorMap(d));
            ReadRows(d, *bitmap_, dec.cmyk);
            jpeg_finish_output(&d);
        } else {
            if (buildPalette) bitmap_->SetPalette(PaletteFromColorMap(d));
            ReadRows(d, *bitmap_, dec.cmyk);
        }
        jpeg_finish_decompress(&d);
        Progress(TProgressStage::psEnding, 100, false, RECT{0, 0, 0, 0}, std::string());
        if (changed_) Changed();
    } catch (const EAbort&) {
        // The user stopped decoding: keep what is there.
    } catch (...) {
        Progress(TProgressStage::psEnding, 0, false, RECT{0, 0, 0, 0}, std::string());
        throw;
    }
}

TBitmap& TJPEGImage::Bitmap() {
    if (!bitmap_ || bitmap_->Empty()) Decode();
    return *bitmap_;
}

std::unique_ptr<TBitmap> TJPEGImage::ReleaseBitmap() {
    Bitmap();
    return std::move(bitmap_);
}

void TJPEGImage::Draw(TCanvas& canvas, const RECT& rect) {
    canvas.StretchDraw(rect, Bitmap());
}

int TJPEGImage::Width() {
    if (bitmap_) return bitmap_->Width();
    if (scale_ == TJPEGScale::jsFullSize) return data_->Width;
    CalcOutputDimensions();
    return scaledWidth_;
}

int TJPEGImage::Height() {
    if (bitmap_) return bitmap_->Height();
    if (scale_ == TJPEGScale::jsFullSize) return data_->Height;
    CalcOutputDimensions();
    return scaledHeight_;
}

void TJPEGImage::SetWidth(int) {
    throw EInvalidGraphicOperation(JpegText(sChangeJPGSize));
}
void TJPEGImage::SetHeight(int) {
    throw EInvalidGraphicOperation(JpegText(sChangeJPGSize));
}

bool TJPEGImage::Empty() {
    bool noData = !data_->Data || data_->Data->Size() == 0;
    return noData && (!bitmap_ || bitmap_->Empty());
}

bool TJPEGImage::Grayscale() const {
    return grayscale_ || data_->Grayscale;
}

HPALETTE TJPEGImage::Palette() {
    if (bitmap_ && bitmap_->Palette()) return bitmap_->Palette();
    if (!palette_ && pixelFormat_ == TJPEGPixelFormat::jf24Bit) {
        ScreenDC screen;
        if (GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES) <= 8)
            palette_.reset(CreateHalftonePalette(screen.get()));
    }
    return palette_.get();
}

void TJPEGImage::SetPalette(HPALETTE palette) {
    if (palette == palette_.get()) return;
    if (bitmap_ && bitmap_->Palette() != palette) FreeBitmap();
    palette_.reset(palette);
    Notify();
}

void TJPEGImage::Assign(const TJPEGImage& source) {
    if (&source == this) return;
    data_ = source.data_;
    FreeBitmap();
    if (source.bitmap_) {
        bitmap_ = std::make_unique<TBitmap>();
        bitmap_->Assign(*source.bitmap_);
    }
    Notify();
}

void TJPEGImage::Assign(const TBitmap& source) {
    NewImage();
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->Assign(source);
    data_->Width = bitmap_->Width();
    data_->Height = bitmap_->Height();
    Notify();
}

void TJPEGImage::AssignTo(TBitmap& dest) {
    dest.Assign(Bitmap());
}

void TJPEGImage::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
    auto pasted = std::make_unique<TBitmap>();
    pasted->LoadFromClipboardFormat(format, data, palette);
    NewImage();
    bitmap_ = std::move(pasted);
    data_->Width = bitmap_->Width();
    data_->Height = bitmap_->Height();
    Notify();
}

void TJPEGImage::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
    Bitmap().SaveToClipboardFormat(format, data, palette);
}

bool TJPEGImage::Equals(TGraphic& other) {
    auto* o = dynamic_cast<TJPEGImage*>(&other);
    if (!o) return false;
    if (o->data_ == data_) return true;
    const TMemoryStream* a = data_->Data.get();
    const TMemoryStream* b = o->data_->Data.get();
    if (a && b)
        return a->Size() == b->Size() &&
               std::memcmp(a->Memory(), b->Memory(), static_cast<size_t>(a->Size())) == 0;
    return false;
}

void TJPEGImage::SetGrayscale(bool value) {
    if (grayscale_ == value) return;
    FreeBitmap();
    grayscale_ = value;
    Notify();
}

void TJPEGImage::SetPerformance(TJPEGPerformance value) {
    if (performance_ == value) return;
    FreeBitmap();
    performance_ = value;
    Notify();
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat value) {
    if (pixelFormat_ == value) return;
    FreeBitmap();
    pixelFormat_ = value;
    Notify();
}

void TJPEGImage::SetProgressiveDisplay(bool value) {
    if (progressiveDisplay_ == value) return;
    FreeBitmap();
    progressiveDisplay_ = value;
    Notify();
}

void TJPEGImage::SetScale(TJPEGScale value) {
    if (scale_ == value) return;
    FreeBitmap();
    scale_ = value;
    Notify();
}

void TJPEGImage::SetSmoothing(bool value) {
    if (smoothing_ == value) return;
    FreeBitmap();
    smoothing_ = value;
    Notify();
}

namespace {
const char kFormatOwner = 0; // identifies this library's entries in the format registry
// The entry points may be called from more than one thread of the host.
std::mutex formatLock;
bool formatRegistered = false;
} // namespace

void RegisterJPEGFormat() {
    std::lock_guard<std::mutex> lock(formatLock);
    if (formatRegistered) return;
    std::string description = JpegText(sJPEGImageFile);
    auto create = [] { return std::unique_ptr<TGraphic>(new TJPEGImage); };
    TPictureFormats::Register("jpeg", description, create, &kFormatOwner);
    TPictureFormats::Register("jpg", description, create, &kFormatOwner);
    formatRegistered = true;
}

void UnregisterJPEGFormat() {
    std::lock_guard<std::mutex> lock(formatLock);
    TPictureFormats::Unregister(&kFormatOwner);
    formatRegistered = false;
}

} // namespace kvjpeg
