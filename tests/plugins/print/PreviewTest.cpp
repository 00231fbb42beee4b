#include "kovalin/Bitmap.h"
#include "kovalin/Cursors.h"
#include "kovalin/Form.h"
#include "plugins/print/Preview.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kovalin;
using namespace kvprint;
using testsupport::RunUntilIdle;

namespace {

class PreviewTest : public ::testing::Test {
protected:
    TForm form{{.caption = "Preview test", .left = 10, .top = 10, .clientWidth = 400, .clientHeight = 300}};
    std::unique_ptr<TPrintPreview> prw;
    int changes = 0;

    void SetUp() override {
        Cursors().SetCursor(crHand, LoadCursor(nullptr, IDC_HAND), false);
        form.Show();
        prw = std::make_unique<TPrintPreview>(form, TPrintPreview::Params{.units = mmLoMetric, .margin = 69});
        prw->OnChange = [this](TPrintPreview&) { ++changes; };
        RunUntilIdle();
    }

    // Pages each filled with its own colour, in paper units.
    void Compose(int pages) {
        prw->BeginDoc();
        for (int i = 0; i < pages; ++i) {
            if (i > 0) prw->NewPage();
            RECT r{0, 0, prw->PaperWidth(), prw->PaperHeight()};
            prw->Canvas().FillRect(r, RGB(10 * (i + 1), 0, 0));
        }
        prw->EndDoc();
    }

    void Key(WORD vk) { SendMessageA(prw->Handle(), WM_KEYDOWN, vk, 0); }
};

// The paper control's pixels as it paints itself.
struct Snapshot {
    TBitmap bmp;
    explicit Snapshot(TPaperPreview& paper) {
        bmp.SetSize(paper.Width(), paper.Height());
        bmp.Canvas().FillRect({0, 0, bmp.Width(), bmp.Height()}, RGB(1, 2, 3));
        SendMessageA(paper.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bmp.Canvas().Handle()),
                     PRF_CLIENT);
        GdiFlush();
    }
    COLORREF At(int x, int y) { return GetPixel(bmp.Canvas().Handle(), x, y); }
};

} // namespace

TEST_F(PreviewTest, StartsWithTheDefaultsInTheFormsUnits) {
    EXPECT_EQ(prw->Units(), mmLoMetric);
    EXPECT_EQ(prw->PaperType(), pA4);
    EXPECT_EQ(prw->PaperWidth(), 2100);
    EXPECT_EQ(prw->PaperHeight(), 2970);
    EXPECT_EQ(prw->MinMargin(), 60);
    EXPECT_EQ(prw->MarginLeft(), 69);
    EXPECT_EQ(prw->FontSize(), 20);
    EXPECT_EQ(prw->ZoomState(), zsZoomToFit);
    EXPECT_EQ(prw->Zoom(), 100);
    EXPECT_TRUE(prw->FastDraw() && prw->FastPrint() && prw->ZoomSavePos());
    EXPECT_EQ(prw->CurrentPage(), 0);
    EXPECT_FALSE(prw->Paper().Visible());
    EXPECT_EQ(prw->DevicePageWidth(), ConvertUnits(2100, prw->DeviceDpiX(), mmLoMetric, mmPixel));
    prw->SetMarginTop(10);
    EXPECT_EQ(prw->MarginTop(), 60);
    prw->SetUnits(mmHiMetric);
    EXPECT_EQ(prw->PaperWidth(), 21000);
    EXPECT_EQ(prw->MarginTop(), 600);
}

TEST_F(PreviewTest, PaperSettersClampSwapAndMakeTheSheetCustom) {
    prw->SetPaperWidth(0);
    EXPECT_EQ(prw->PaperWidth(), 1);
    EXPECT_EQ(prw->PaperType(), pCustom);
    prw->SetPaperType(pA4);
    prw->SetPaperHeight(-20);
    EXPECT_EQ(prw->PaperHeight(), 1);
    EXPECT_EQ(prw->PaperType(), pCustom);
    prw->SetPaperType(pA4);
    prw->SetPaperWidth(40000);
    EXPECT_EQ(prw->PaperWidth(), 32767);
    EXPECT_EQ(prw->PaperType(), pCustom);
    // The same width as now is no change: the type stays.
    prw->SetPaperType(pA4);
    prw->SetPaperWidth(2100);
    EXPECT_EQ(prw->PaperType(), pA4);

    prw->SetOrientation(poLandscape);
    EXPECT_EQ(prw->PaperWidth(), 2970);
    EXPECT_EQ(prw->PaperHeight(), 2100);
    prw->SetPaperType(pLetter);
    EXPECT_EQ(prw->PaperWidth(), 2794);
    prw->SetPaperType(pA4);
    EXPECT_EQ(prw->PaperWidth(), 2970);
    EXPECT_EQ(prw->PaperHeight(), 2100);
    EXPECT_EQ(prw->DevicePageWidth(), ConvertUnits(2970, prw->DeviceDpiX(), mmLoMetric, mmPixel));
}

TEST_F(PreviewTest, OrientationHoldsWhileComposing) {
    prw->BeginDoc();
    prw->SetOrientation(poLandscape);
    EXPECT_EQ(prw->Orientation(), poPortrait);
    EXPECT_EQ(prw->PaperWidth(), 2100);
    prw->EndDoc();
    prw->SetOrientation(poLandscape);
    EXPECT_EQ(prw->Orientation(), poLandscape);
}

TEST_F(PreviewTest, ZoomValueSwitchesToPercentEvenWhenUnchanged) {
    ASSERT_EQ(prw->ZoomState(), zsZoomToFit);
    prw->SetZoom(100);
    EXPECT_EQ(prw->ZoomState(), zsZoomOther);
    EXPECT_EQ(prw->Zoom(), 100);
    prw->SetZoomState(zsZoomToWidth);
    prw->SetZoom(5000); // no bounds
    EXPECT_EQ(prw->Zoom(), 5000);
    EXPECT_EQ(prw->ZoomState(), zsZoomOther);
}

TEST_F(PreviewTest, DocumentPagesAndCurrentPage) {
    int begins = 0, ends = 0, newPages = 0;
    prw->OnBeginDoc = [&](TPrintPreview&) { ++begins; };
    prw->OnEndDoc = [&](TPrintPreview&) { ++ends; };
    prw->OnNewPage = [&](TPrintPreview&) { ++newPages; };
    Compose(3);
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(newPages, 3);
    EXPECT_EQ(prw->PageCount(), 3);
    EXPECT_EQ(prw->CurrentPage(), 1);
    EXPECT_EQ(prw->State(), psIdle);
    EXPECT_TRUE(prw->Paper().Visible());
    prw->SetCurrentPage(9);
    EXPECT_EQ(prw->CurrentPage(), 3);
    prw->SetCurrentPage(-4);
    EXPECT_EQ(prw->CurrentPage(), 1);

    // Page keys walk the pages; at either end nothing changes and nobody hears of it.
    changes = 0;
    Key(VK_PRIOR);
    EXPECT_EQ(prw->CurrentPage(), 1);
    EXPECT_EQ(changes, 0);
    Key(VK_NEXT);
    Key(VK_NEXT);
    EXPECT_EQ(prw->CurrentPage(), 3);
    EXPECT_EQ(changes, 2);
    Key(VK_NEXT);
    EXPECT_EQ(prw->CurrentPage(), 3);
    EXPECT_EQ(changes, 2);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    Key(VK_PRIOR);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(prw->CurrentPage(), 1);

    // A fresh document replaces the old one.
    changes = 0;
    Compose(1);
    EXPECT_EQ(prw->PageCount(), 1);
    EXPECT_GE(changes, 2); // cleared, then the page
    prw->Clear();
    EXPECT_EQ(prw->PageCount(), 0);
    EXPECT_EQ(prw->CurrentPage(), 0);
    EXPECT_FALSE(prw->Paper().Visible());
    prw->SetCurrentPage(1);
    EXPECT_EQ(prw->CurrentPage(), 0);
}

TEST_F(PreviewTest, PagesAreRecordedInPaperUnits) {
    prw->BeginDoc();
    // The right half of the top quarter, in tenths of a millimetre from the paper's corner.
    prw->Canvas().FillRect({1050, 0, 2100, 742}, RGB(0, 0, 0));
    prw->EndDoc();
    TBitmap bmp;
    bmp.SetSize(210, 297);
    bmp.Canvas().FillRect({0, 0, 210, 297}, RGB(255, 255, 255));
    bmp.Canvas().StretchDraw({0, 0, 210, 297}, prw->Pages().Items(0));
    GdiFlush();
    HDC dc = bmp.Canvas().Handle();
    EXPECT_EQ(GetPixel(dc, 160, 30), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 100, 30), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 110, 30), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 160, 80), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 160, 70), RGB(0, 0, 0));
}

TEST_F(PreviewTest, GraphicsKeepTheirSizeOnScreen) {
    ScreenDC screen;
    int ppi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    // One inch of screen pixels is 2.54 cm.
    EXPECT_EQ(prw->ScreenToUnits(ppi), 254);
    EXPECT_EQ(prw->ScreenToUnits(0), 0);
}

TEST_F(PreviewTest, SmallPaperIsCentredLargePaperSitsAtTheMargin) {
    Compose(1);
    prw->SetZoom(6);
    RunUntilIdle();
    RECT client = prw->ClientRect();
    TPaperPreview& paper = prw->Paper();
    EXPECT_FALSE(prw->CanScrollHorz());
    EXPECT_FALSE(prw->CanScrollVert());
    EXPECT_EQ(paper.Left(), (client.right - paper.Width()) / 2);
    EXPECT_EQ(paper.Top(), (client.bottom - paper.Height()) / 2);
    EXPECT_EQ(paper.Cursor(), LoadCursor(nullptr, IDC_ARROW));
    EXPECT_FALSE(prw->HorzScrollBar().IsScrollBarVisible());

    prw->SetZoom(400);
    RunUntilIdle();
    EXPECT_TRUE(prw->CanScrollHorz());
    EXPECT_TRUE(prw->CanScrollVert());
    EXPECT_EQ(paper.Left(), -prw->HorzScrollBar().Position());
    EXPECT_EQ(paper.Top(), -prw->VertScrollBar().Position());
    EXPECT_EQ(paper.Cursor(), LoadCursor(nullptr, IDC_HAND));
    EXPECT_TRUE(prw->HorzScrollBar().IsScrollBarVisible());
    EXPECT_EQ(prw->HorzScrollBar().Range(), paper.Width());
    ScreenDC screen;
    int expectW = MulDivRound(prw->DevicePageWidth(), 400 * GetDeviceCaps(screen.get(), LOGPIXELSX),
                              prw->DeviceDpiX() * 100);
    EXPECT_EQ(paper.PaperWidth(), expectW);

    // Scrolled to the middle, a closer zoom keeps the middle in view.
    prw->HorzScrollBar().SetPosition(prw->HorzScrollBar().Range() / 2 - client.right / 2);
    int before = prw->HorzScrollBar().Position() * 100 / (prw->HorzScrollBar().Range() - client.right);
    prw->SetZoom(800);
    RunUntilIdle();
    int after = prw->HorzScrollBar().Position() * 100 /
                (prw->HorzScrollBar().Range() - static_cast<int>(prw->ClientRect().right));
    EXPECT_NEAR(after, before, 3);

    // Home and End on the keyboard move to the ends of the bar.
    Key(VK_HOME);
    EXPECT_EQ(prw->HorzScrollBar().Position(), 0);
    Key(VK_END);
    EXPECT_EQ(prw->HorzScrollBar().Position(), prw->HorzScrollBar().Range() - prw->ClientRect().right);
}

TEST_F(PreviewTest, FitModesFillTheView) {
    Compose(1);
    TPaperPreview& paper = prw->Paper();
    RECT c = prw->ClientRect();
    // A4 in a wide view: the height fits.
    EXPECT_EQ(paper.Height(), c.bottom);
    EXPECT_LE(paper.Width(), c.right);
    EXPECT_NEAR(static_cast<double>(paper.PaperWidth()) / paper.PaperHeight(), 2100.0 / 2970.0, 0.01);
    prw->SetZoomState(zsZoomToWidth);
    RunUntilIdle();
    c = prw->ClientRect();
    EXPECT_EQ(paper.Width(), c.right); // the client already lost the vertical bar's width
    EXPECT_FALSE(prw->HorzScrollBar().IsScrollBarVisible());
    EXPECT_TRUE(prw->VertScrollBar().IsScrollBarVisible());
    prw->SetZoomState(zsZoomToHeight);
    RunUntilIdle();
    c = prw->ClientRect();
    EXPECT_EQ(paper.Height(), c.bottom);
    EXPECT_EQ(paper.Left(), (c.right - paper.Width()) / 2);
}

TEST_F(PreviewTest, DraggingTheSheetScrollsTheView) {
    Compose(1);
    prw->SetZoom(400);
    RunUntilIdle();
    TPaperPreview& paper = prw->Paper();
    prw->HorzScrollBar().SetPosition(200);
    prw->VertScrollBar().SetPosition(200);
    SendMessageA(paper.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 300));
    SendMessageA(paper.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(330, 280));
    SendMessageA(paper.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(330, 280));
    EXPECT_EQ(prw->HorzScrollBar().Position(), 170);
    EXPECT_EQ(prw->VertScrollBar().Position(), 220);
    EXPECT_EQ(GetFocus(), prw->Handle());
    // Without the left button the pointer only moves.
    SendMessageA(paper.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(prw->HorzScrollBar().Position(), 170);
}

TEST_F(PreviewTest, PaperPaintsBorderShadowAndPage) {
    Compose(1);
    TPaperPreview& paper = prw->Paper();
    int w = paper.Width(), h = paper.Height();
    Snapshot shot(paper);
    COLORREF face = GetSysColor(COLOR_BTNFACE), shadow = GetSysColor(COLOR_BTNSHADOW);
    EXPECT_EQ(shot.At(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(shot.At(w - 4, h / 2), RGB(0, 0, 0));
    EXPECT_EQ(shot.At(w - 1, h / 2), shadow);
    EXPECT_EQ(shot.At(w / 2, h - 1), shadow);
    EXPECT_EQ(shot.At(w - 1, 0), face);
    EXPECT_EQ(shot.At(0, h - 1), face);
    // The page (one colour all over) fills the sheet inside the border.
    EXPECT_EQ(shot.At(w / 2, h / 2), RGB(10, 0, 0));
    EXPECT_EQ(shot.At(1, 1), RGB(10, 0, 0));

    // The same picture the slow way, through an off-screen bitmap.
    prw->SetFastDraw(false);
    Snapshot slow(paper);
    EXPECT_EQ(slow.At(w / 2, h / 2), RGB(10, 0, 0));
    EXPECT_EQ(slow.At(0, 0), RGB(0, 0, 0));

    // The look comes from the options.
    TPaperPreviewOptions look;
    look.SetBorderWidth(0);
    look.SetShadowWidth(6);
    look.SetShadowColor(RGB(0, 128, 0));
    prw->SetPaperView(look);
    EXPECT_EQ(paper.BorderSize(), 0);
    EXPECT_EQ(paper.ShadowSize(), 6);
    Snapshot restyled(paper);
    EXPECT_EQ(restyled.At(paper.Width() - 2, paper.Height() / 2), RGB(0, 128, 0));
    EXPECT_EQ(restyled.At(0, 0), RGB(10, 0, 0));
}

TEST(PaperPreviewOptionsTest, SettersReportChangesAndAssignCopiesAll) {
    TPaperPreviewOptions a, b;
    int changes = 0;
    a.OnChange = [&](TPaperPreviewOptions&) { ++changes; };
    a.SetBorderWidth(1); // the default: no change
    EXPECT_EQ(changes, 0);
    a.SetBorderWidth(2);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(a.DragCursor(), crHand);
    EXPECT_EQ(a.Cursor(), 0);
    b.SetBorderColor(RGB(1, 1, 1));
    b.SetBorderWidth(4);
    b.SetCursor(3);
    b.SetDragCursor(4);
    b.SetPaperColor(RGB(2, 2, 2));
    b.SetShadowColor(RGB(3, 3, 3));
    b.SetShadowWidth(5);
    changes = 0;
    a.Assign(b);
    EXPECT_EQ(changes, 7);
    EXPECT_EQ(a.BorderColor(), RGB(1, 1, 1));
    EXPECT_EQ(a.BorderWidth(), 4);
    EXPECT_EQ(a.Cursor(), 3);
    EXPECT_EQ(a.DragCursor(), 4);
    EXPECT_EQ(a.PaperColor(), RGB(2, 2, 2));
    EXPECT_EQ(a.ShadowColor(), RGB(3, 3, 3));
    EXPECT_EQ(a.ShadowWidth(), 5);
}
