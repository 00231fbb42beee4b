// The print preview: a scrolling view that records pages as metafiles, shows the current one on a
// simulated sheet at the chosen zoom, and plays the pages back on the printer.
#pragma once

#include "kovalin/Canvas.h"
#include "kovalin/Graphic.h"
#include "kovalin/Handles.h"
#include "kovalin/Metafile.h"
#include "kovalin/MetafileCanvas.h"
#include "kovalin/ScrollBox.h"
#include "plugins/print/MetaFileList.h"
#include "plugins/print/PaperPreview.h"
#include "plugins/print/Units.h"

#include <functional>
#include <memory>
#include <string>

namespace kvprint {

enum TZoomState : uint8_t { zsZoomOther, zsZoomToWidth, zsZoomToHeight, zsZoomToFit };
enum TPreviewState : uint8_t { psIdle, psComposing, psPrinting };
enum TPreviewOrientation : uint8_t { poPortrait, poLandscape };

class TPrintPreview : public kovalin::TScrollBox {
public:
    using TNotifyEvent = std::function<void(TPrintPreview& sender)>;
    using TPreviewPrintProgress =
        std::function<void(TPrintPreview& sender, int pageNum, int progress, bool& abortIt)>;

    // What a form sets on the component before it first lays itself out.
    struct Params {
        TUnits units = mmHiMetric;
        int margin = 700; // each of the four, in the units above
        std::string fontName = "Arial";
        bool smoothScroll = false, trackingScroll = false;
    };
    TPrintPreview(kovalin::TWinControl& parent, const Params& p);
    ~TPrintPreview() override;

    TUnits Units() const { return units_; }
    void SetUnits(TUnits value);
    TPaperType PaperType() const { return paperType_; }
    void SetPaperType(TPaperType value);
    int PaperWidth() const { return paperWidth_; }
    void SetPaperWidth(int value);
    int PaperHeight() const { return paperHeight_; }
    void SetPaperHeight(int value);
    TPreviewOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPreviewOrientation value);
    int Zoom() const { return zoom_; }
    void SetZoom(int value);
    TZoomState ZoomState() const { return zoomState_; }
    void SetZoomState(TZoomState value);
    int MinMargin() const { return minMargin_; }
    int MarginLeft() const { return marginLeft_; }
    int MarginRight() const { return marginRight_; }
    int MarginTop() const { return marginTop_; }
    int MarginBottom() const { return marginBottom_; }
    void SetMarginLeft(int value) { marginLeft_ = std::max(value, minMargin_); }
    void SetMarginRight(int value) { marginRight_ = std::max(value, minMargin_); }
    void SetMarginTop(int value) { marginTop_ = std::max(value, minMargin_); }
    void SetMarginBottom(int value) { marginBottom_ = std::max(value, minMargin_); }
    const TPaperPreviewOptions& PaperView() const { return paperView_; }
    void SetPaperView(const TPaperPreviewOptions& value) { paperView_.Assign(value); }
    TPaperPreviewOptions& PaperViewOptions() { return paperView_; }
    bool UseTempFile() const { return pages_.UseTempFile(); }
    void SetUseTempFile(bool value) { pages_.SetUseTempFile(value); }
    bool FastDraw() const { return fastDraw_; }
    void SetFastDraw(bool value);
    bool FastPrint() const { return fastPrint_; }
    void SetFastPrint(bool value) { fastPrint_ = value; }
    bool ZoomSavePos() const { return zoomSavePos_; }
    void SetZoomSavePos(bool value) { zoomSavePos_ = value; }
    const std::string& PrintJobTitle() const { return printJobTitle_; }
    void SetPrintJobTitle(const std::string& value) { printJobTitle_ = value; }
    const std::string& FontName() const { return fontName_; }
    int FontSize() const { return fontSize_; }

    bool PrinterInstalled() const { return printerInstalled_; }
    int DeviceDpiX() const { return deviceDpiX_; }
    int DeviceDpiY() const { return deviceDpiY_; }
    int DevicePageWidth() const { return devicePageWidth_; }
    int DevicePageHeight() const { return devicePageHeight_; }
    bool Aborted() const { return aborted_; }
    TPreviewState State() const { return state_; }
    bool CanScrollHorz() const { return canScrollHorz_; }
    bool CanScrollVert() const { return canScrollVert_; }
    int CurrentPage() const { return currentPage_; }
    void SetCurrentPage(int value);
    int PageCount() const { return pages_.Count(); }
    TMetaFileList& Pages() { return pages_; }
    TPaperPreview& Paper() { return *paper_; }

    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Clear();
    // The open page while composing, the printer's canvas otherwise.
    kovalin::TCanvas& Canvas();
    // The graphic at (x, y) in Units, at the physical size it has on the screen.
    void DrawGraphicAt(int x, int y, kovalin::TGraphic& graphic);
    // A length in screen pixels in Units, through whole hundredths of an inch.
    int ScreenToUnits(int value) const;

    void Print();
    void PrintRange(int first, int last);

    void UpdatePrinterInfo();
    void UpdateLayout();

    TNotifyEvent OnBeginDoc, OnEndDoc, OnNewPage, OnAbort, OnChange, OnBeforePrint, OnAfterPrint;
    TPreviewPrintProgress OnPrintProgress;
    std::function<void()> OnClick, OnDblClick;
    std::function<void(kovalin::TMouseButton, kovalin::TShiftState, int x, int y)> OnMouseDown, OnMouseUp;
    std::function<void(kovalin::TShiftState, int x, int y)> OnMouseMove;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Resize() override;

private:
    void Fire(const TNotifyEvent& e) {
        if (e) e(*this);
    }
    void OpenPage();
    void ClosePage();
    void AddClosedPage();
    void ApplyPageMapping();
    void SelectPageFont();
    void ShowFirstPage();
    void PaintPage(TPaperPreview& sender, kovalin::TCanvas& canvas, const RECT& pageRect);
    void PaperMouseDown(kovalin::TMouseButton button, kovalin::TShiftState shift, int x, int y);
    void PaperMouseMove(kovalin::TShiftState shift, int x, int y);
    bool KeyDown(WORD key, kovalin::TShiftState shift);
    void OptionsChanged();
    void ApplyPaperToPrinter();
    RECT PhysicalPageRect();
    void DrawPageOnPrinter(int index, const RECT& sheet);
    void DoLayout();

    std::unique_ptr<TPaperPreview> paper_;
    TPaperPreviewOptions paperView_;
    std::string printJobTitle_;
    TMetaFileList pages_;
    std::unique_ptr<kovalin::TMetafile> pageRecording_;
    std::unique_ptr<kovalin::TMetafileCanvas> pageCanvas_;
    kovalin::UniqueHFont pageFont_;
    kovalin::UniqueHPen pagePen_;
    int pagePenWidth_ = 1;
    TUnits units_ = mmHiMetric;
    bool printerInstalled_ = false;
    int deviceDpiX_ = 96, deviceDpiY_ = 96;
    int devicePageWidth_ = 0, devicePageHeight_ = 0;
    int minMargin_ = 600;
    bool aborted_ = false;
    int marginLeft_ = 700, marginRight_ = 700, marginTop_ = 700, marginBottom_ = 700;
    TPreviewOrientation orientation_ = poPortrait;
    int currentPage_ = 0;
    TPaperType paperType_ = pA4;
    int paperWidth_ = 21000, paperHeight_ = 29700;
    TPreviewState state_ = psIdle;
    int zoom_ = 100;
    TZoomState zoomState_ = zsZoomToFit;
    bool fastDraw_ = true, fastPrint_ = true, zoomSavePos_ = true;
    std::string fontName_ = "Arial";
    int fontSize_ = 200;
    POINT dragStart_{0, 0};
    bool canScrollHorz_ = false, canScrollVert_ = false;
    bool destroying_ = false;
    int layoutDepth_ = 0;
    bool layoutAgain_ = false;
};

} // namespace kvprint
