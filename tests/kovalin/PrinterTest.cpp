// The printer object on the PDF printer of the print tests' fixture.
#include "kovalin/Exceptions.h"
#include "kovalin/Printer.h"
#include "tests/plugins/print/PrintFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kovalin;

TEST(PrinterTest, ListSelectionDeviceModeAndOrientation) {
    if (printtest::PdfFolder().empty()) GTEST_SKIP() << "no PDF printer set up";
    TPrinter printer;
    std::vector<std::string> list = printer.Printers();
    auto it = std::find(list.begin(), list.end(), "PDF");
    ASSERT_NE(it, list.end());
    // The default printer stands at its place in the list.
    EXPECT_EQ(printer.PrinterIndex(), static_cast<int>(it - list.begin()));
    std::string device, driver, port;
    HGLOBAL devMode = nullptr;
    printer.GetPrinter(device, driver, port, devMode);
    EXPECT_EQ(device, "PDF");
    ASSERT_NE(devMode, nullptr);
    auto* dm = static_cast<DEVMODEA*>(GlobalLock(devMode));
    EXPECT_STREQ(reinterpret_cast<const char*>(dm->dmDeviceName), "PDF");
    GlobalUnlock(devMode);

    EXPECT_EQ(printer.Orientation(), TPrinterOrientation::poPortrait);
    EXPECT_GT(printer.PageHeight(), printer.PageWidth());
    printer.SetOrientation(TPrinterOrientation::poLandscape);
    EXPECT_EQ(printer.Orientation(), TPrinterOrientation::poLandscape);
    EXPECT_GT(printer.PageWidth(), printer.PageHeight());
    EXPECT_EQ(GetDeviceCaps(printer.Handle(), LOGPIXELSX), 300);

    EXPECT_THROW(printer.SetPrinterIndex(static_cast<int>(list.size())), ERangeError);
    EXPECT_THROW(printer.NewPage(), Exception);
    EXPECT_FALSE(printer.Printing());
    printer.SetTitle("printer object");
    auto old = printtest::PdfFiles();
    printer.BeginDoc();
    EXPECT_TRUE(printer.Printing());
    EXPECT_THROW(printer.SetOrientation(TPrinterOrientation::poPortrait), Exception);
    printer.Abort();
    EXPECT_TRUE(printer.Aborted());
    EXPECT_FALSE(printer.Printing());
}
