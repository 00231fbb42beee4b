#include "filelist/DragFilesImage.h"

#include "filelist/ListTexts.h"
#include "kovalin/Module.h"

#include <algorithm>

namespace filelist {

namespace {

std::string Counted(int role, unsigned count) {
    // The text is a resource of ours, but a count goes in only where it says "%u".
    std::string text = ListText(role);
    const size_t at = text.find("%u");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(count));
    return text;
}

TDragFilesPicture BarePicture() {
    TDragFilesPicture picture;
    picture.bitmap.reset(static_cast<HBITMAP>(
        LoadImageA(kovalin::ThisModule(), "DRAGFILES", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    if (picture.bitmap && GetObjectA(picture.bitmap.get(), sizeof info, &info))
        picture.size = SIZE{info.bmWidth, info.bmHeight};
    return picture;
}

// Selects an object into a DC for the guard's lifetime.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() { SelectObject(dc_, old_); }

private:
    HDC dc_;
    HGDIOBJ old_;
};

} // namespace

std::string DragCaption(unsigned files, unsigned folders) {
    std::string caption;
    if (files) caption = Counted(DVT_DRAG_FILES, files);
    if (folders) {
        if (!caption.empty()) caption += ", ";
        caption += Counted(DVT_DRAG_DIRS, folders);
    }
    return caption;
}

TDragFilesPicture DragFilesPicture(HFONT font, const std::string& caption) {
    TDragFilesPicture bare = BarePicture();
    if (!bare.bitmap || caption.empty()) return bare;

    kovalin::UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    kovalin::UniqueMemoryDC source(CreateCompatibleDC(nullptr));
    if (!dc || !source) return bare;
    SIZE text{};
    TEXTMETRICA metrics{};
    {
        Selection f(dc.get(), font ? font : GetStockObject(DEFAULT_GUI_FONT));
        if (!GetTextExtentPoint32A(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &text) ||
            !GetTextMetricsA(dc.get(), &metrics))
            return bare;
    }
    const int top = std::max(24 - static_cast<int>(metrics.tmHeight), 0);
    TDragFilesPicture picture;
    picture.size = SIZE{text.cx + kDragCaptionLeft,
                        std::max(static_cast<int>(bare.size.cy), top + static_cast<int>(metrics.tmHeight))};
    // A 24-bit section: the image list masks by colour, which needs exact white.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = picture.size.cx;
    bi.bmiHeader.biHeight = picture.size.cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    picture.bitmap.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!picture.bitmap) return bare;
    {
        Selection target(dc.get(), picture.bitmap.get());
        Selection from(source.get(), bare.bitmap.get());
        RECT all{0, 0, picture.size.cx, picture.size.cy};
        FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        BitBlt(dc.get(), 0, 0, bare.size.cx, bare.size.cy, source.get(), 0, 0, SRCCOPY);
        Selection f(dc.get(), font ? font : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc.get(), TRANSPARENT);
        SetTextColor(dc.get(), RGB(0, 0, 0));
        if (!TextOutA(dc.get(), kDragCaptionLeft, top, caption.c_str(), static_cast<int>(caption.size())))
            return bare;
    }
    return picture;
}

} // namespace filelist
