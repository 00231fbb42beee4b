#include "kovalin/Metafile.h"

#include "kovalin/Canvas.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Stream.h"

#include <cstring>
#include <vector>

namespace kovalin {

TMetafile::~TMetafile() {
    Clear();
}

void TMetafile::SetHandle(HENHMETAFILE handle) {
    if (handle == handle_) return;
    if (handle_) DeleteEnhMetaFile(handle_);
    handle_ = handle;
    Changed();
}

void TMetafile::Clear() {
    if (handle_) DeleteEnhMetaFile(handle_);
    handle_ = nullptr;
    width_ = height_ = 0;
}

void TMetafile::Draw(TCanvas& canvas, const RECT& rect) {
    if (!handle_) return;
    PlayEnhMetaFile(canvas.Handle(), handle_, &rect);
}

void TMetafile::SaveToStream(TStream& stream) {
    UINT size = handle_ ? GetEnhMetaFileBits(handle_, 0, nullptr) : 0;
    if (size == 0) throw EInvalidGraphicOperation("Cannot save an empty metafile");
    std::vector<BYTE> bits(size);
    GetEnhMetaFileBits(handle_, size, bits.data());
    stream.WriteBuffer(bits.data(), bits.size());
}

void TMetafile::LoadFromStream(TStream& stream) {
    ENHMETAHEADER header;
    stream.ReadBuffer(&header, sizeof header);
    if (header.iType != EMR_HEADER || header.dSignature != ENHMETA_SIGNATURE || header.nBytes < sizeof header)
        throw EInvalidGraphic("Invalid metafile");
    std::vector<BYTE> bits(header.nBytes);
    std::memcpy(bits.data(), &header, sizeof header);
    stream.ReadBuffer(bits.data() + sizeof header, bits.size() - sizeof header);
    HENHMETAFILE h = SetEnhMetaFileBits(static_cast<UINT>(bits.size()), bits.data());
    if (!h) throw EInvalidGraphic("Invalid metafile");
    SetHandle(h);
    // The frame is kept in hundredths of a millimetre; the device's own pixel size gives it back
    // in the pixels it was recorded with.
    int frameW = header.rclFrame.right - header.rclFrame.left;
    int frameH = header.rclFrame.bottom - header.rclFrame.top;
    width_ = header.szlMillimeters.cx > 0
                 ? MulDiv(frameW, header.szlDevice.cx, header.szlMillimeters.cx * 100)
                 : 0;
    height_ = header.szlMillimeters.cy > 0
                  ? MulDiv(frameH, header.szlDevice.cy, header.szlMillimeters.cy * 100)
                  : 0;
}

} // namespace kovalin
