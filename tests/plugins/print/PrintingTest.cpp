// Printing to the real PDF printer and measuring what came out on the sheet.
#include "kovalin/Form.h"
#include "kovalin/Handles.h"
#include "kovalin/Registry.h"
#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "plugins/print/Preview.h"
#include "tests/plugins/print/PrintFixtures.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace kovalin;
using namespace kvprint;
using namespace printtest;
using namespace testsupport;

namespace {

const int kRenderDpi = 100;
// One tenth of a millimetre in pixels of the rendering.
double Px(int tenthsOfMm) {
    return tenthsOfMm / 254.0 * kRenderDpi;
}

class PrintingTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (PdfFolder().empty()) GTEST_SKIP() << "no PDF printer set up (KOVALIN_PDF_OUT)";
        ASSERT_TRUE(PrinterListed()) << "the PDF printer is not listed";
    }
};

class PreviewPrintingTest : public PrintingTest {
protected:
    TForm form{{.caption = "Printing test", .clientWidth = 300, .clientHeight = 300}};
    std::unique_ptr<TPrintPreview> prw;
    int before = 0, after = 0, aborts = 0;

    void SetUp() override {
        PrintingTest::SetUp();
        if (IsSkipped()) return;
        prw = std::make_unique<TPrintPreview>(form, TPrintPreview::Params{.units = mmLoMetric, .margin = 69});
        prw->OnBeforePrint = [this](TPrintPreview&) { ++before; };
        prw->OnAfterPrint = [this](TPrintPreview&) { ++after; };
        prw->OnAbort = [this](TPrintPreview&) { ++aborts; };
    }

    // Pages with a block in the page's own colour, 20 mm in from the top-left corner.
    void Compose(const std::vector<COLORREF>& colours) {
        prw->BeginDoc();
        for (size_t i = 0; i < colours.size(); ++i) {
            if (i > 0) prw->NewPage();
            prw->Canvas().FillRect({200, 200, 700, 600}, colours[i]);
        }
        prw->EndDoc();
    }
};

} // namespace

TEST_F(PreviewPrintingTest, RangeBelowOnePrintsTheFirstPageOnly) {
    EXPECT_TRUE(prw->PrinterInstalled());
    EXPECT_EQ(prw->DeviceDpiX(), 300);
    prw->SetPrintJobTitle("range test");
    Compose({RGB(255, 0, 0), RGB(0, 160, 0), RGB(0, 0, 255)});
    std::set<std::string> old = PdfFiles();
    prw->PrintRange(0, 0);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    EXPECT_EQ(prw->State(), psIdle);
    std::string pdf = WaitForNewPdf(old);
    ASSERT_FALSE(pdf.empty());
    EXPECT_NE(pdf.find("range"), std::string::npos) << pdf; // the job title names the file
    std::vector<Raster> pages = RenderPdf(pdf, kRenderDpi);
    ASSERT_EQ(pages.size(), 1u);
    RECT red = FindColour(pages[0], RGB(255, 0, 0));
    EXPECT_NEAR(red.left, Px(200), 1.5);
    EXPECT_NEAR(red.top, Px(200), 1.5);
    EXPECT_NEAR(red.right - red.left, Px(500), 1.5);
    EXPECT_EQ(FindColour(pages[0], RGB(0, 0, 255)).right, 0);
    // An A4 sheet: 8.27 x 11.69 inches.
    EXPECT_NEAR(pages[0].width, 827, 2);
    EXPECT_NEAR(pages[0].height, 1169, 2);
}

TEST_F(PreviewPrintingTest, WithoutPagesNothingIsPrinted) {
    prw->PrintRange(1, 3);
    prw->Print();
    EXPECT_EQ(before, 0);
    EXPECT_EQ(after, 0);
}

TEST_F(PreviewPrintingTest, SlowPrintingMakesAJobPerPageOnTheBitmapRoute) {
    prw->SetFastPrint(false);
    prw->SetOrientation(poLandscape);
    Compose({RGB(255, 0, 0), RGB(0, 0, 255)});
    std::set<std::string> old = PdfFiles();
    prw->Print();
    std::string first = WaitForNewPdf(old);
    ASSERT_FALSE(first.empty());
    old.insert(first.substr(first.rfind('/') + 1));
    std::string second = WaitForNewPdf(old);
    ASSERT_FALSE(second.empty());
    std::vector<Raster> a = RenderPdf(first, kRenderDpi), b = RenderPdf(second, kRenderDpi);
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    // Landscape A4, the block where it was drawn, in either job's own colour.
    EXPECT_NEAR(a[0].width, 1169, 2);
    // The two jobs may finish in either order.
    const Raster& redPage = FindColour(a[0], RGB(255, 0, 0)).right ? a[0] : b[0];
    const Raster& bluePage = &redPage == &a[0] ? b[0] : a[0];
    RECT one = FindColour(redPage, RGB(255, 0, 0)), two = FindColour(bluePage, RGB(0, 0, 255));
    EXPECT_NEAR(one.left, Px(200), 1.5);
    EXPECT_NEAR(one.top, Px(200), 1.5);
    EXPECT_NEAR(two.left, Px(200), 1.5);
}

TEST_F(PreviewPrintingTest, AbortFromProgressStopsTheJob) {
    Compose({RGB(255, 0, 0), RGB(0, 160, 0), RGB(0, 0, 255)});
    std::vector<std::pair<int, int>> seen;
    prw->OnPrintProgress = [&](TPrintPreview&, int page, int percent, bool& abortIt) {
        seen.emplace_back(page, percent);
        if (page == 2 && percent > 33) abortIt = true;
    };
    prw->Print();
    EXPECT_TRUE(prw->Aborted());
    EXPECT_EQ(aborts, 1);
    EXPECT_EQ(after, 0);
    EXPECT_EQ(prw->State(), psIdle);
    std::vector<std::pair<int, int>> expected{{1, 0}, {1, 33}, {2, 33}, {2, 67}};
    EXPECT_EQ(seen, expected);
    // A fresh run is allowed again and completes.
    prw->OnPrintProgress = nullptr;
    std::set<std::string> old = PdfFiles();
    prw->PrintRange(3, 3);
    EXPECT_FALSE(prw->Aborted());
    EXPECT_FALSE(WaitForNewPdf(old).empty());
}

// Run once before the printer is set up (and skipped whenever one is listed).
TEST(NoPrinterTest, LayoutUsesTheScreenAndPrintingDoesNothing) {
    if (PrinterListed()) GTEST_SKIP() << "a printer is installed";
    TForm form{{.caption = "No printer", .clientWidth = 300, .clientHeight = 300}};
    TPrintPreview prw(form, {.units = mmLoMetric, .margin = 69});
    ScreenDC screen;
    EXPECT_FALSE(prw.PrinterInstalled());
    EXPECT_EQ(prw.DeviceDpiX(), GetDeviceCaps(screen.get(), LOGPIXELSX));
    EXPECT_EQ(prw.DeviceDpiY(), GetDeviceCaps(screen.get(), LOGPIXELSY));
    EXPECT_EQ(prw.DevicePageWidth(), ConvertUnits(2100, prw.DeviceDpiX(), mmLoMetric, mmPixel));
    prw.BeginDoc();
    prw.Canvas().FillRect({0, 0, 100, 100}, RGB(0, 0, 0));
    prw.EndDoc();
    int before = 0;
    prw.OnBeforePrint = [&](TPrintPreview&) { ++before; };
    prw.Print();
    EXPECT_EQ(before, 0);
    EXPECT_EQ(prw.State(), psIdle);

    kplug::TPluginLibrary lib{"print.dll"};
    auto doPrint = lib.Entry<TDoPrint>(kDoPrint);
    ASSERT_NE(doPrint, nullptr);
    HBITMAP image = SolidBitmap(20, 20, RGB(255, 0, 0));
    kovalin::TRegistry reg;
    reg.DeleteKey("\\Software\\Kovalin\\Vodedi\\Print");
    EXPECT_EQ(doPrint(form.Handle(), image, "none.bmp", 1), TRUE);
    DeleteObject(image);
    EXPECT_TRUE(reg.OpenKeyReadOnly("\\Software\\Kovalin\\Vodedi\\Print"));
    EXPECT_EQ(reg.ReadInteger("PaperWidth"), 2100);
}
