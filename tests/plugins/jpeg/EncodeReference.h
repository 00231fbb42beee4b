// What the codec itself makes of a picture, for comparing the library's files byte for byte, and
// the bitmap handles a host hands over.
#pragma once

#include "tests/support/JpegFixtures.h"

#include <windows.h>

#include <string>

namespace testsupport {

// A photograph-like picture: smooth gradients, edges and noise, in blue-green-red order.
Pixels PhotoPixels(int width, int height);

// The codec's compression with its default settings and baseline tables at the quality.
std::string ReferenceEncode(const Pixels& pixels, int quality, bool grayscale = false,
                            bool progressive = false);

enum class HostBitmapKind { BottomUpDib24, TopDownDib32, DeviceDependent, TopDownDib24, BottomUpDib32 };
inline constexpr HostBitmapKind kAllHostBitmapKinds[] = {
    HostBitmapKind::BottomUpDib24, HostBitmapKind::TopDownDib32, HostBitmapKind::DeviceDependent,
    HostBitmapKind::TopDownDib24, HostBitmapKind::BottomUpDib32};
// A new bitmap holding the pixels, made the way a host might make it.
HBITMAP MakeHostBitmap(const Pixels& pixels, HostBitmapKind kind);

// The stored quality of the plug-in, saved and put back by the fixture.
class StoredQuality {
public:
    StoredQuality();
    ~StoredQuality();
    StoredQuality(const StoredQuality&) = delete;
    StoredQuality& operator=(const StoredQuality&) = delete;
    void Set(const std::string& text) const;
    void Remove() const;
    // The text, "<missing>" when there is no value.
    std::string Get() const;

private:
    bool had_ = false;
    std::string old_;
};

} // namespace testsupport
