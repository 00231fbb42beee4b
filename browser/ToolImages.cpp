#include "browser/ToolImages.h"

#include "kovalin/Bitmap.h"
#include "kovalin/Handles.h"

namespace browser {

namespace {

constexpr COLORREF kTransparent = RGB(255, 0, 255);

void Fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
    RECT rc{l, t, r, b};
    kovalin::UniqueHBrush brush(CreateSolidBrush(c));
    FillRect(dc, &rc, brush.get());
}

void Frame(HDC dc, int l, int t, int r, int b, COLORREF c) {
    RECT rc{l, t, r, b};
    kovalin::UniqueHBrush brush(CreateSolidBrush(c));
    FrameRect(dc, &rc, brush.get());
}

void Polygon(HDC dc, const POINT* points, int count, COLORREF fill, COLORREF line) {
    kovalin::UniqueHBrush brush(CreateSolidBrush(fill));
    kovalin::UniqueHPen pen(CreatePen(PS_SOLID, 1, line));
    kovalin::SelectGuard b(dc, brush.get()), p(dc, pen.get());
    ::Polygon(dc, points, count);
}

// A yellow folder with a spark in its top-right corner.
void NewFolder(HDC dc, int x) {
    const POINT folder[] = {{x + 1, 4}, {x + 5, 4}, {x + 6, 5}, {x + 12, 5}, {x + 12, 13}, {x + 1, 13}};
    Polygon(dc, folder, 6, RGB(240, 200, 70), RGB(150, 110, 20));
    Fill(dc, x + 2, 7, x + 12, 8, RGB(255, 230, 140));
    const COLORREF spark = RGB(230, 120, 0);
    Fill(dc, x + 13, 0, x + 14, 5, spark);
    Fill(dc, x + 11, 2, x + 16, 3, spark);
    Fill(dc, x + 12, 1, x + 13, 2, spark);
    Fill(dc, x + 14, 3, x + 15, 4, spark);
}

// A framed landscape: sky, sun and a green hill.
void Picture(HDC dc, int x) {
    Fill(dc, x + 1, 2, x + 15, 14, RGB(120, 180, 240));
    Fill(dc, x + 10, 4, x + 13, 7, RGB(255, 220, 60));
    const POINT hill[] = {{x + 2, 13}, {x + 6, 7}, {x + 10, 11}, {x + 12, 9}, {x + 14, 13}};
    Polygon(dc, hill, 5, RGB(60, 150, 60), RGB(40, 110, 40));
    Frame(dc, x + 0, 1, x + 16, 15, RGB(90, 60, 30));
}

// A screen with arrows pointing into its four corners.
void FullScreen(HDC dc, int x) {
    Fill(dc, x + 0, 1, x + 16, 13, RGB(40, 40, 40));
    Fill(dc, x + 2, 3, x + 14, 11, RGB(120, 180, 240));
    Fill(dc, x + 6, 13, x + 10, 15, RGB(90, 90, 90));
    const COLORREF arrow = RGB(255, 255, 255);
    for (int i = 0; i < 3; ++i) {
        Fill(dc, x + 3 + i, 4, x + 4 + i, 5, arrow);
        Fill(dc, x + 3, 4 + i, x + 4, 5 + i, arrow);
        Fill(dc, x + 12 - i, 4, x + 13 - i, 5, arrow);
        Fill(dc, x + 12, 4 + i, x + 13, 5 + i, arrow);
        Fill(dc, x + 3 + i, 9, x + 4 + i, 10, arrow);
        Fill(dc, x + 3, 9 - i, x + 4, 10 - i, arrow);
        Fill(dc, x + 12 - i, 9, x + 13 - i, 10, arrow);
        Fill(dc, x + 12, 9 - i, x + 13, 10 - i, arrow);
    }
}

// A grey printer with a sheet coming out of it.
void Printer(HDC dc, int x) {
    Fill(dc, x + 4, 1, x + 12, 7, RGB(255, 255, 255));
    Frame(dc, x + 4, 1, x + 12, 7, RGB(80, 80, 80));
    Fill(dc, x + 1, 6, x + 15, 12, RGB(190, 190, 190));
    Frame(dc, x + 1, 6, x + 15, 12, RGB(60, 60, 60));
    Fill(dc, x + 12, 8, x + 14, 9, RGB(0, 170, 0));
    Fill(dc, x + 4, 11, x + 12, 15, RGB(255, 255, 255));
    Frame(dc, x + 4, 11, x + 12, 15, RGB(80, 80, 80));
}

} // namespace

void AddToolImages(kovalin::TImageList& list) {
    kovalin::TBitmap strip;
    strip.SetSize(64, 16);
    HDC dc = strip.Canvas().Handle();
    Fill(dc, 0, 0, 64, 16, kTransparent);
    NewFolder(dc, 0);
    Picture(dc, 16);
    FullScreen(dc, 32);
    Printer(dc, 48);
    // The image list wants the bitmap out of the drawing context.
    kovalin::UniqueHBitmap bitmap(strip.ReleaseHandle());
    list.AddMasked(bitmap.get(), kTransparent);
}

} // namespace browser
