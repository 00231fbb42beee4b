// JPEG files made by the codec for tests, and the codec's own decode of them for comparison.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct JpegOptions {
    int width = 64;
    int height = 48;
    bool progressive = false;
    bool grayscale = false;
    int restartInterval = 0; // in MCU rows; 0 for none
    int quality = 90;
    bool cmyk = false; // four components as Adobe stores them: C, M, Y hold R, G, B and K is 255
};

// Encodes a deterministic pattern (gradients and fine detail) with the given options.
std::string MakeJpeg(const JpegOptions& options);

// Pixels as 3 bytes each in blue-green-red order, rows top-down and tightly packed.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgr;
    const uint8_t* At(int x, int y) const { return &bgr[(static_cast<size_t>(y) * width + x) * 3]; }
};

// The codec's decode with the decoder's default settings; greyscale output is reduced to 236
// levels, as an image decoded to 8 bits per pixel is.
Pixels ReferenceDecode(const std::string& jpegBytes);

// Any bitmap read back through GDI as 24-bit pixels.
Pixels BitmapPixels(HBITMAP bitmap);

} // namespace testsupport
