// What the print tests share: the folder the PDF printer writes to, waiting for a printed file,
// rendering it to pixels, finding a colour on the sheet, and test images.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace printtest {

// The printer's output folder as the Linux side names it (empty when the tests run without one).
std::string PdfFolder();
// The PDF files in it now.
std::set<std::string> PdfFiles();
// A PDF that was not among `before`, once it is complete; empty when none came in time.
std::string WaitForNewPdf(const std::set<std::string>& before, DWORD timeoutMs = 30000);
// Whether Windows lists a printer at all.
bool PrinterListed();

struct Raster {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    COLORREF At(int x, int y) const {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return RGB(p[0], p[1], p[2]);
    }
};
// Every page of the PDF at the resolution, rendered by poppler.
std::vector<Raster> RenderPdf(const std::string& pdf, int dpi);
// The bounding box of the pixels close to the colour; empty when there are none.
RECT FindColour(const Raster& page, COLORREF colour, int tolerance = 40);

// A device-independent bitmap of one colour that the caller deletes.
HBITMAP SolidBitmap(int width, int height, COLORREF colour);

} // namespace printtest
