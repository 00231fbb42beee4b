// Printing a 6000 x 4000 image through the print preview, with FastPrint on and off, against the
// same bitmap printed with a bare StartDoc / StretchDIBits / EndDoc, each timed until the PDF
// printer's file is complete; and the preview's repaint at 100 % and 1600 %.
//
// Needs the PDF printer of the print tests: KOVALIN_PDF_OUT=<folder> tests/plugins/print/cups-pdf.sh
// setup, then run this with the same KOVALIN_PDF_OUT (see README).
#include "bench/BenchTiming.h"
#include "kovalin/Bitmap.h"
#include "kovalin/Form.h"
#include "kovalin/Printer.h"
#include "plugins/print/Dib.h"
#include "plugins/print/Preview.h"
#include "tests/plugins/print/PrintFixtures.h"

#include <cstdio>
#include <cstring>

using namespace kovalin;
using namespace kvprint;

namespace {

void FillImage(TBitmap& bmp) {
    bmp.SetPixelFormat(TPixelFormat::pf24bit);
    bmp.SetSize(6000, 4000);
    for (int y = 0; y < bmp.Height(); ++y) {
        auto* row = static_cast<uint8_t*>(bmp.ScanLine(y));
        for (int x = 0; x < bmp.Width(); ++x) {
            row[3 * x] = static_cast<uint8_t>(x * 255 / 6000);
            row[3 * x + 1] = static_cast<uint8_t>(y * 255 / 4000);
            row[3 * x + 2] = static_cast<uint8_t>((x ^ y) & 0xFF);
        }
    }
}

// Seconds from the call until the printer's PDF is complete.
template <typename F> double TimeToPdf(F print) {
    std::set<std::string> before = printtest::PdfFiles();
    double t0 = bench::Seconds();
    print();
    std::string pdf = printtest::WaitForNewPdf(before, 600000);
    double t = bench::Seconds() - t0;
    if (pdf.empty()) std::printf("  (no PDF came)\n");
    return t;
}

void BarePrint(TBitmap& bmp) {
    HDC dc = Printer().Handle();
    DOCINFOA info{};
    info.cbSize = sizeof info;
    info.lpszDocName = "bare";
    StartDocA(dc, &info);
    StartPage(dc);
    BITMAPINFO bi = DibInfo24(bmp.Width(), bmp.Height());
    // The same size on the sheet as the preview gives it: its size on the screen.
    ScreenDC screen;
    int ppi = GetDeviceCaps(screen.get(), LOGPIXELSX);
    int w = MulDiv(bmp.Width(), GetDeviceCaps(dc, LOGPIXELSX), ppi);
    int h = MulDiv(bmp.Height(), GetDeviceCaps(dc, LOGPIXELSY), ppi);
    StretchDIBits(dc, 0, 0, w, h, 0, 0, bmp.Width(), bmp.Height(), bmp.ScanLine(0), &bi, DIB_RGB_COLORS,
                  SRCCOPY);
    EndPage(dc);
    EndDoc(dc);
}

double RepaintSeconds(TPrintPreview& prw) {
    std::vector<double> runs;
    for (int i = 0; i < 5; ++i) {
        double t0 = bench::Seconds();
        RedrawWindow(prw.Paper().Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        runs.push_back(bench::Seconds() - t0);
    }
    return bench::Median(runs);
}

} // namespace

int main() {
    if (printtest::PdfFolder().empty() || !printtest::PrinterListed()) {
        std::printf("Set up the PDF printer first (see the header of this file).\n");
        return 1;
    }
    TForm form({.caption = "Print benchmark", .clientWidth = 800, .clientHeight = 600});
    form.Show();
    TPrintPreview prw(form, {.units = mmLoMetric, .margin = 69});
    prw.SetOrientation(poLandscape);
    TBitmap image;
    FillImage(image);

    double t0 = bench::Seconds();
    prw.BeginDoc();
    prw.DrawGraphicAt(0, 0, image);
    prw.EndDoc();
    double compose = bench::Seconds() - t0;

    double bare = TimeToPdf([&] { BarePrint(image); });
    prw.SetFastPrint(true);
    double fast = TimeToPdf([&] { prw.Print(); });
    prw.SetFastPrint(false);
    double slow = TimeToPdf([&] { prw.Print(); });
    double bare2 = TimeToPdf([&] { BarePrint(image); });
    double baseline = (bare + bare2) / 2;

    prw.SetZoom(100);
    double at100 = RepaintSeconds(prw);
    prw.SetZoom(1600);
    double at1600 = RepaintSeconds(prw);

    std::printf("6000 x 4000 image on landscape A4 through the PDF printer\n");
    std::printf("  compose (one page):              %7.3f s\n", compose);
    std::printf("  bare StretchDIBits to PDF:       %7.3f s (baseline, mean of %.3f and %.3f)\n", baseline,
                bare, bare2);
    std::printf("  preview, FastPrint on:           %7.3f s  ratio %.2f\n", fast, fast / baseline);
    std::printf("  preview, FastPrint off:          %7.3f s  ratio %.2f\n", slow, slow / baseline);
    std::printf("  repaint at  100 %%:               %7.3f s\n", at100);
    std::printf("  repaint at 1600 %%:               %7.3f s  ratio %.2f\n", at1600, at1600 / at100);
    return 0;
}
