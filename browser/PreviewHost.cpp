#include "browser/PreviewHost.h"

#include "browser/PreviewFit.h"
#include "kovalin/Application.h"
#include "kovalin/ErrorMode.h"
#include "kovalin/Handles.h"
#include "plugin_api/PluginMap.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace browser {

namespace {

std::string LowerCase(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

} // namespace

TPreviewHost::TPreviewHost(kovalin::TPanel& pane, kovalin::TImage& image) : pane_(pane), image_(image) {}

bool TPreviewHost::IsSupported(const std::string& extension) {
    return !kplug::OpenPluginFor(LowerCase(extension)).empty();
}

void TPreviewHost::Preview(const std::string& fileName) {
    size_t dot = fileName.find_last_of('.');
    std::string ext = dot == std::string::npos ? std::string() : LowerCase(fileName.substr(dot + 1));
    // Loaded for this one call: the library is free to be replaced between previews. The map may
    // only name a file of the plug-in folder.
    kplug::TPluginLibrary library(kplug::OpenPluginFor(ext));
    auto open = library.Entry<TKPLUGopen>(kKPLUGopen);
    if (!open) return;
    HBITMAP bitmap = nullptr;
    {
        // The file may be on a drive without a disk: no system box for that.
        kovalin::TErrorModeScope quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        bitmap = open(fileName.c_str(), ext.c_str(), kovalin::Application().Handle());
    }
    if (bitmap)
        DoPreview(bitmap);
    else
        ClearPreview();
}

void TPreviewHost::SetShown(bool shown) {
    shown_ = shown;
    if (OnShownChange) OnShownChange(shown);
}

void TPreviewHost::DoPreview(HBITMAP handle) {
    kovalin::UniqueHBitmap bitmap(handle); // the browser owns what the plug-in returned
    pane_.SetCaption("");
    image_.SetVisible(true);
    SetShown(true);

    BITMAP info{};
    if (!GetObjectA(bitmap.get(), sizeof info, &info)) return;
    RECT client = image_.ClientRect();
    TPreviewFit fit = FitPreview(client.right, client.bottom, info.bmWidth, std::abs(info.bmHeight));

    kovalin::TBitmap& surface = image_.Picture();
    surface.SetSize(client.right, client.bottom);
    HDC dc = surface.Canvas().Handle();
    // The whole surface in the face colour first, so nothing of an earlier, smaller picture stays.
    RECT all{0, 0, client.right, client.bottom};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));

    kovalin::UniqueMemoryDC source(CreateCompatibleDC(dc));
    {
        kovalin::SelectGuard select(source.get(), bitmap.get());
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, fit.image.left, fit.image.top, fit.image.right - fit.image.left,
                   fit.image.bottom - fit.image.top, source.get(), 0, 0, info.bmWidth,
                   std::abs(info.bmHeight), SRCCOPY);
    }
    FrameRect(dc, &fit.frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    GdiFlush();
    image_.Invalidate();
}

void TPreviewHost::ClearPreview() {
    SetShown(false);
    kovalin::TBitmap& surface = image_.Picture();
    if (!surface.Empty()) {
        RECT all{0, 0, surface.Width(), surface.Height()};
        FillRect(surface.Canvas().Handle(), &all, GetSysColorBrush(COLOR_BTNFACE));
    }
    image_.SetVisible(false);
    pane_.SetCaption(kNoPreviewCaption);
}

} // namespace browser
