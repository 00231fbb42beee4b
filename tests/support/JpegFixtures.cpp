#include "tests/support/JpegFixtures.h"

#include "plugins/jpeg/JpegLib.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace testsupport {

namespace {

void Fail(j_common_ptr cinfo) {
    char msg[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, msg);
    throw std::runtime_error(msg);
}

uint8_t PatternValue(int x, int y, int c, int w, int h) {
    // Smooth ramps in each channel plus a checker of fine detail, so that chroma subsampling and
    // the DCT both have something to do.
    int ramp = c == 0   ? x * 255 / std::max(1, w - 1)
               : c == 1 ? y * 255 / std::max(1, h - 1)
                        : (x + y) * 127 / std::max(1, w + h - 2);
    int detail = ((x / 3 + y / 5) % 2) ? 24 : -24;
    return static_cast<uint8_t>(std::min(255, std::max(0, ramp + detail)));
}

} // namespace

std::string MakeJpeg(const JpegOptions& o) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    err.error_exit = Fail;
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(o.width);
    c.image_height = static_cast<JDIMENSION>(o.height);
    c.input_components = o.grayscale ? 1 : o.cmyk ? 4 : 3;
    c.in_color_space = o.grayscale ? JCS_GRAYSCALE : o.cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, o.quality, TRUE);
    if (o.progressive) jpeg_simple_progression(&c);
    c.restart_in_rows = o.restartInterval;
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(o.width) * c.input_components);
    while (c.next_scanline < c.image_height) {
        int y = static_cast<int>(c.next_scanline);
        for (int x = 0; x < o.width; ++x)
            for (int k = 0; k < c.input_components; ++k)
                row[static_cast<size_t>(x) * c.input_components + k] =
                    k == 3 ? 255 : PatternValue(x, y, k, o.width, o.height);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    std::string bytes(reinterpret_cast<char*>(out), size);
    jpeg_destroy_compress(&c);
    free(out);
    return bytes;
}

Pixels ReferenceDecode(const std::string& bytes) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    err.error_exit = Fail;
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d, TRUE);
    bool grey = d.out_color_space == JCS_GRAYSCALE;
    if (grey) {
        d.quantize_colors = TRUE;
        d.desired_number_of_colors = 236;
    } else {
        d.out_color_space = JCS_EXT_BGR;
    }
    jpeg_start_decompress(&d);
    Pixels p;
    p.width = static_cast<int>(d.output_width);
    p.height = static_cast<int>(d.output_height);
    p.bgr.resize(static_cast<size_t>(p.width) * p.height * 3);
    std::vector<JSAMPLE> row(static_cast<size_t>(p.width) * 3);
    while (d.output_scanline < d.output_height) {
        int y = static_cast<int>(d.output_scanline);
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&d, rows, 1);
        uint8_t* dst = &p.bgr[static_cast<size_t>(y) * p.width * 3];
        for (int x = 0; x < p.width; ++x) {
            if (grey) {
                uint8_t v = d.colormap[0][row[static_cast<size_t>(x)]];
                dst[x * 3] = dst[x * 3 + 1] = dst[x * 3 + 2] = v;
            } else {
                for (int k = 0; k < 3; ++k)
                    dst[x * 3 + k] = row[static_cast<size_t>(x) * 3 + k];
            }
        }
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return p;
}

Pixels BitmapPixels(HBITMAP bitmap) {
    BITMAP bm{};
    Pixels p;
    if (!GetObjectA(bitmap, sizeof bm, &bm)) return p;
    p.width = bm.bmWidth;
    p.height = bm.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = p.width;
    bi.bmiHeader.biHeight = -p.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    size_t stride = (static_cast<size_t>(p.width) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> raw(stride * p.height);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(p.height), raw.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    p.bgr.resize(static_cast<size_t>(p.width) * p.height * 3);
    for (int y = 0; y < p.height; ++y)
        std::copy_n(&raw[stride * y], static_cast<size_t>(p.width) * 3,
                    &p.bgr[static_cast<size_t>(y) * p.width * 3]);
    return p;
}

} // namespace testsupport
