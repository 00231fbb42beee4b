#include "plugins/print/Preview.h"

#include "kovalin/Application.h"
#include "kovalin/Cursors.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Printer.h"
#include "plugins/print/ErrorDisplay.h"

#include <algorithm>

namespace kvprint {

using namespace kovalin;

namespace {

const char kNoPageMemory[] = "Not enough memory to create a new page";

class EOutOfMemory : public Exception {
public:
    EOutOfMemory() : Exception(kNoPageMemory) {}
};

bool AnyPrinter() {
    return !Printer().Printers().empty();
}

} // namespace

TPrintPreview::TPrintPreview(TWinControl& parent, const Params& p)
    : TScrollBox(parent, {.left = 0,
                          .top = 0,
                          .width = 100,
                          .height = 100,
                          .color = COLOR_BTNFACE,
                          .tracking = p.trackingScroll,
                          .border = false}) {
    HorzScrollBar().SetSmooth(p.smoothScroll);
    VertScrollBar().SetSmooth(p.smoothScroll);
    paperView_.OnChange = [this](TPaperPreviewOptions&) { OptionsChanged(); };
    paper_ = std::make_unique<TPaperPreview>(*this, false);
    paper_->OnPaint = [this](TPaperPreview& s, TCanvas& c, const RECT& r) { PaintPage(s, c, r); };
    paper_->OnClick = [this] {
        if (OnClick) OnClick();
    };
    paper_->OnDblClick = [this] {
        if (OnClick) OnClick();
    };
    paper_->OnMouseDown = [this](TMouseButton b, TShiftState s, int x, int y) { PaperMouseDown(b, s, x, y); };
    paper_->OnMouseMove = [this](TShiftState s, int x, int y) { PaperMouseMove(s, x, y); };
    paper_->OnMouseUp = [this](TMouseButton b, TShiftState s, int x, int y) {
        if (OnMouseUp) OnMouseUp(b, s, x, y);
    };
    fontName_ = p.fontName;
    UpdatePrinterInfo();
    SetUnits(p.units);
    SetMarginLeft(p.margin);
    SetMarginRight(p.margin);
    SetMarginTop(p.margin);
    SetMarginBottom(p.margin);
    SetAlign(TAlign::alClient);
    UpdatePrinterInfo();
    UpdateLayout();
}

TPrintPreview::~TPrintPreview() {
    destroying_ = true;
    pageCanvas_.reset();
    pageRecording_.reset();
    Clear();
    paper_.reset();
}

// ---- printer information and settings ----

void TPrintPreview::UpdatePrinterInfo() {
    printerInstalled_ = AnyPrinter();
    if (!printerInstalled_) {
        deviceDpiX_ = ScreenPixelsPerInchX();
        deviceDpiY_ = ScreenPixelsPerInchY();
    } else if (!Printer().Printing()) {
        try {
            Printer().SetOrientation(orientation_ == poLandscape ? TPrinterOrientation::poLandscape
                                                                 : TPrinterOrientation::poPortrait);
            HDC dc = Printer().Handle();
            deviceDpiX_ = GetDeviceCaps(dc, LOGPIXELSX);
            deviceDpiY_ = GetDeviceCaps(dc, LOGPIXELSY);
        } catch (const Exception&) {
            // A listed printer that cannot be opened counts as none.
            printerInstalled_ = false;
            deviceDpiX_ = ScreenPixelsPerInchX();
            deviceDpiY_ = ScreenPixelsPerInchY();
        }
    }
    devicePageWidth_ = ConvertUnits(paperWidth_, deviceDpiX_, units_, mmPixel);
    devicePageHeight_ = ConvertUnits(paperHeight_, deviceDpiY_, units_, mmPixel);
}

void TPrintPreview::SetUnits(TUnits value) {
    if (value == units_) return;
    minMargin_ = ConvertUnits(minMargin_, deviceDpiY_, units_, value);
    marginLeft_ = ConvertUnits(marginLeft_, deviceDpiX_, units_, value);
    marginRight_ = ConvertUnits(marginRight_, deviceDpiX_, units_, value);
    marginTop_ = ConvertUnits(marginTop_, deviceDpiY_, units_, value);
    marginBottom_ = ConvertUnits(marginBottom_, deviceDpiY_, units_, value);
    paperWidth_ = ConvertUnits(paperWidth_, deviceDpiX_, units_, value);
    paperHeight_ = ConvertUnits(paperHeight_, deviceDpiY_, units_, value);
    fontSize_ = ConvertUnits(fontSize_, deviceDpiY_, units_, value);
    if (pageCanvas_) {
        pagePenWidth_ = ConvertUnits(pagePenWidth_, deviceDpiY_, units_, value);
        TUnits old = units_;
        units_ = value;
        ApplyPageMapping();
        SelectPageFont();
        units_ = old;
    }
    units_ = value;
}

void TPrintPreview::SetPaperType(TPaperType value) {
    if (value == paperType_) return;
    paperType_ = value;
    if (value == pCustom) return;
    const TPaperSizeInfo& size = PaperSize(value);
    int w = ConvertUnits(size.Width, deviceDpiX_, mmLoMetric, units_);
    int h = ConvertUnits(size.Height, deviceDpiY_, mmLoMetric, units_);
    if (orientation_ == poLandscape) std::swap(w, h);
    paperWidth_ = w;
    paperHeight_ = h;
    UpdatePrinterInfo();
    UpdateLayout();
}

void TPrintPreview::SetPaperWidth(int value) {
    value = std::clamp(value, 1, 32767);
    if (value == paperWidth_) return;
    paperType_ = pCustom;
    paperWidth_ = value;
    UpdatePrinterInfo();
    UpdateLayout();
}

void TPrintPreview::SetPaperHeight(int value) {
    value = std::clamp(value, 1, 32767);
    if (value == paperHeight_) return;
    paperType_ = pCustom;
    paperHeight_ = value;
    UpdatePrinterInfo();
    UpdateLayout();
}

void TPrintPreview::SetOrientation(TPreviewOrientation value) {
    if (value == orientation_ || state_ == psComposing) return;
    orientation_ = value;
    std::swap(paperWidth_, paperHeight_);
    UpdatePrinterInfo();
    UpdateLayout();
}

void TPrintPreview::SetZoom(int value) {
    if (value == zoom_ && zoomState_ == zsZoomOther) return;
    zoom_ = value;
    zoomState_ = zsZoomOther;
    UpdateLayout();
}

void TPrintPreview::SetZoomState(TZoomState value) {
    if (value == zoomState_) return;
    zoomState_ = value;
    UpdateLayout();
}

void TPrintPreview::SetFastDraw(bool value) {
    if (value == fastDraw_) return;
    fastDraw_ = value;
    paper_->Invalidate();
}

void TPrintPreview::OptionsChanged() {
    paper_->SetPaperColor(paperView_.PaperColor());
    paper_->SetBorderColor(paperView_.BorderColor());
    paper_->SetBorderSize(paperView_.BorderWidth());
    paper_->SetShadowColor(paperView_.ShadowColor());
    paper_->SetShadowSize(paperView_.ShadowWidth());
    paper_->SetPopupMenu(paperView_.PopupMenu());
    UpdateLayout();
}

// ---- composing ----

void TPrintPreview::ApplyPageMapping() {
    HDC dc = pageCanvas_->Handle();
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, paperWidth_, paperHeight_, nullptr);
    SetViewportExtEx(dc, devicePageWidth_, devicePageHeight_, nullptr);
}

void TPrintPreview::SelectPageFont() {
    HDC dc = pageCanvas_->Handle();
    UniqueHFont font(CreateFontA(-fontSize_, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                 fontName_.c_str()));
    UniqueHPen pen(CreatePen(PS_SOLID, pagePenWidth_, RGB(0, 0, 0)));
    if (font) SelectObject(dc, font.get());
    if (pen) SelectObject(dc, pen.get());
    // The previous ones are no longer selected anywhere and go now.
    pageFont_ = std::move(font);
    pagePen_ = std::move(pen);
}

void TPrintPreview::OpenPage() {
    auto recording = std::make_unique<TMetafile>();
    recording->SetWidth(devicePageWidth_);
    recording->SetHeight(devicePageHeight_);
    auto canvas = std::make_unique<TMetafileCanvas>(*recording, nullptr);
    if (!canvas->Handle()) throw EOutOfMemory();
    pageRecording_ = std::move(recording);
    pageCanvas_ = std::move(canvas);
    pagePenWidth_ = 1;
    ApplyPageMapping();
    SelectPageFont();
}

void TPrintPreview::ClosePage() {
    // The recording ends with its canvas; the font and pen are deselected with it.
    pageCanvas_.reset();
    pageFont_.reset();
    pagePen_.reset();
    if (pageRecording_ && !pageRecording_->HandleAllocated()) {
        pageRecording_.reset();
        throw EOutOfMemory();
    }
}

void TPrintPreview::AddClosedPage() {
    std::unique_ptr<TMetafile> recording = std::move(pageRecording_);
    if (recording) pages_.Add(*recording);
}

void TPrintPreview::ShowFirstPage() {
    if (currentPage_ == 0) {
        currentPage_ = 1;
        paper_->SetVisible(true);
        UpdateScrollRange();
        paper_->Invalidate();
    }
}

void TPrintPreview::BeginDoc() {
    if (state_ == psComposing) return;
    Clear();
    UpdatePrinterInfo();
    state_ = psComposing;
    Fire(OnBeginDoc);
    NewPage();
}

void TPrintPreview::NewPage() {
    if (state_ != psComposing) return;
    if (pageCanvas_ || pageRecording_) {
        ClosePage();
        AddClosedPage();
        ShowFirstPage();
        Fire(OnChange);
    }
    OpenPage();
    Fire(OnNewPage);
}

void TPrintPreview::EndDoc() {
    if (state_ != psComposing) return;
    ClosePage();
    AddClosedPage();
    ShowFirstPage();
    Fire(OnChange);
    Fire(OnEndDoc);
    state_ = psIdle;
}

void TPrintPreview::Clear() {
    pageCanvas_.reset();
    pageRecording_.reset();
    pageFont_.reset();
    pagePen_.reset();
    pages_.Clear();
    state_ = psIdle;
    currentPage_ = 0;
    aborted_ = false;
    if (paper_) paper_->SetVisible(false);
    if (!destroying_) Fire(OnChange);
}

TCanvas& TPrintPreview::Canvas() {
    if (state_ == psComposing && pageCanvas_) return *pageCanvas_;
    return Printer().Canvas();
}

int TPrintPreview::ScreenToUnits(int value) const {
    int hundredths = ConvertUnits(value, ScreenPixelsPerInchY(), mmPixel, mmHiEnglish);
    return ConvertUnits(hundredths, deviceDpiY_, mmHiEnglish, units_);
}

void TPrintPreview::DrawGraphicAt(int x, int y, TGraphic& graphic) {
    RECT r{x, y, x + ScreenToUnits(graphic.Width()), y + ScreenToUnits(graphic.Height())};
    Canvas().StretchDraw(r, graphic);
}

void TPrintPreview::SetCurrentPage(int value) {
    if (PageCount() == 0) return;
    value = std::clamp(value, 1, PageCount());
    if (value == currentPage_) return;
    currentPage_ = value;
    paper_->Invalidate();
    Fire(OnChange);
}

// ---- showing ----

void TPrintPreview::PaintPage(TPaperPreview&, TCanvas& canvas, const RECT& r) {
    if (currentPage_ < 1 || currentPage_ > PageCount()) return;
    TMetafile& page = pages_.Items(currentPage_ - 1);
    if (fastDraw_) {
        canvas.StretchDraw(r, page);
        return;
    }
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    UniqueMemoryDC mem(CreateCompatibleDC(canvas.Handle()));
    UniqueHBitmap bmp(CreateCompatibleBitmap(canvas.Handle(), w, h));
    if (!mem || !bmp) return;
    SelectGuard sel(mem.get(), bmp.get());
    TCanvas off(mem.get());
    off.FillRect({0, 0, w, h}, paper_->PaperColor());
    off.StretchDraw({0, 0, w, h}, page);
    BitBlt(canvas.Handle(), r.left, r.top, w, h, mem.get(), 0, 0, SRCCOPY);
}

void TPrintPreview::Resize() {
    TScrollBox::Resize();
    UpdateLayout();
}

void TPrintPreview::UpdateLayout() {
    if (!paper_ || destroying_) return;
    // Showing or hiding a scroll bar resizes the client area and asks for the layout again; that
    // request is run once the current pass has finished.
    if (layoutDepth_ > 0) {
        layoutAgain_ = true;
        return;
    }
    ++layoutDepth_;
    try {
        for (int pass = 0; pass < 3; ++pass) {
            layoutAgain_ = false;
            DoLayout();
            if (!layoutAgain_) break;
        }
    } catch (...) {
        --layoutDepth_;
        throw;
    }
    --layoutDepth_;
}

void TPrintPreview::DoLayout() {
    TControlScrollBar& hb = HorzScrollBar();
    TControlScrollBar& vb = VertScrollBar();
    RECT client = ClientRect();
    int W = client.right - 2 * hb.Margin();
    int H = client.bottom - 2 * vb.Margin();
    int hPercent = 0, vPercent = 0;
    if (zoomSavePos_) {
        int hDiv = hb.Range() - W + 1, vDiv = vb.Range() - H - 1;
        if (hDiv != 0 && vDiv != 0) {
            hPercent = hb.Position() * 100 / hDiv;
            vPercent = vb.Position() * 100 / vDiv;
        }
    }
    hb.SetPosition(0);
    vb.SetPosition(0);
    bool autoScroll = AutoScroll();
    SetAutoScroll(false);

    int b = paper_->BorderSize(), s = paper_->ShadowSize();
    int cw = 0, ch = 0;
    auto fitWidth = [&] {
        cw = W;
        int pw = cw - 2 * b - s;
        ch =
            PaperToControl(devicePageWidth_ ? MulDivRound(pw, devicePageHeight_, devicePageWidth_) : 0, b, s);
    };
    auto fitHeight = [&] {
        ch = H;
        int ph = ch - 2 * b - s;
        cw = PaperToControl(devicePageHeight_ ? MulDivRound(ph, devicePageWidth_, devicePageHeight_) : 0, b,
                            s);
    };
    switch (zoomState_) {
    case zsZoomOther:
        cw = PaperToControl(MulDivRound(devicePageWidth_, zoom_ * ScreenPixelsPerInchX(), deviceDpiX_ * 100),
                            b, s);
        ch = PaperToControl(MulDivRound(devicePageHeight_, zoom_ * ScreenPixelsPerInchY(), deviceDpiY_ * 100),
                            b, s);
        break;
    case zsZoomToWidth:
        hb.SetRange(0);
        fitWidth();
        break;
    case zsZoomToHeight:
        vb.SetRange(0);
        fitHeight();
        break;
    case zsZoomToFit:
        hb.SetRange(0);
        vb.SetRange(0);
        if (W > 0 && devicePageWidth_ > 0 &&
            static_cast<double>(H) / W > static_cast<double>(devicePageHeight_) / devicePageWidth_)
            fitWidth();
        else
            fitHeight();
        break;
    }
    canScrollHorz_ = cw > W;
    int left = canScrollHorz_ ? hb.Margin() : (W - cw) / 2 + hb.Margin();
    canScrollVert_ = ch > H;
    int top = canScrollVert_ ? vb.Margin() : (H - ch) / 2 + vb.Margin();
    paper_->SetBounds(left, top, cw, ch);

    // The ranges the restored auto-scroll works out from the paper are the ones the saved
    // positions are taken back to.
    SetAutoScroll(autoScroll);
    if (zoomSavePos_) {
        hb.SetPosition(hPercent * (hb.Range() - W) / 100);
        vb.SetPosition(vPercent * (vb.Range() - H) / 100);
    }
    paper_->Invalidate();
    paper_->SetCursor(
        Cursors().Cursor(canScrollHorz_ || canScrollVert_ ? paperView_.DragCursor() : paperView_.Cursor()));
}

// ---- mouse and keys ----

void TPrintPreview::PaperMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (Enabled() && GetFocus() != Handle()) SetFocus();
    dragStart_ = {x, y};
    if (OnMouseDown) OnMouseDown(button, shift, x, y);
}

void TPrintPreview::PaperMouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(shift, x, y);
    if (!(shift & MK_LBUTTON)) return;
    RECT client = ClientRect();
    if (canScrollHorz_) {
        int dx = x - dragStart_.x;
        TControlScrollBar& hb = HorzScrollBar();
        if (AutoScroll() && hb.IsScrollBarVisible()) {
            hb.SetPosition(hb.Position() - dx);
        } else {
            int left =
                std::clamp(paper_->Left() + dx,
                           static_cast<int>(client.right) - hb.Margin() - paper_->Width(), hb.Margin());
            paper_->SetBounds(left, paper_->Top(), paper_->Width(), paper_->Height());
        }
    }
    if (canScrollVert_) {
        int dy = y - dragStart_.y;
        TControlScrollBar& vb = VertScrollBar();
        if (AutoScroll() && vb.IsScrollBarVisible()) {
            vb.SetPosition(vb.Position() - dy);
        } else {
            int top =
                std::clamp(paper_->Top() + dy,
                           static_cast<int>(client.bottom) - vb.Margin() - paper_->Height(), vb.Margin());
            paper_->SetBounds(paper_->Left(), top, paper_->Width(), paper_->Height());
        }
    }
}

bool TPrintPreview::KeyDown(WORD key, TShiftState shift) {
    const TShiftState mods = shift & (MK_SHIFT | MK_CONTROL | kShiftAlt);
    bool plain = mods == 0, ctrl = mods == MK_CONTROL;
    if (!plain && !ctrl) return false;
    TControlScrollBar& hb = HorzScrollBar();
    TControlScrollBar& vb = VertScrollBar();
    RECT client = ClientRect();
    switch (key) {
    case VK_HOME:
        (plain ? hb : vb).SetPosition(0);
        return true;
    case VK_END:
        (plain ? hb : vb).SetPosition(plain ? hb.Range() : vb.Range());
        return true;
    case VK_LEFT:
        hb.SetPosition(hb.Position() - (plain ? hb.Increment() : client.right));
        return true;
    case VK_RIGHT:
        hb.SetPosition(hb.Position() + (plain ? hb.Increment() : client.right));
        return true;
    case VK_UP:
        vb.SetPosition(vb.Position() - (plain ? vb.Increment() : client.bottom));
        return true;
    case VK_DOWN:
        vb.SetPosition(vb.Position() + (plain ? vb.Increment() : client.bottom));
        return true;
    case VK_PRIOR:
        SetCurrentPage(plain ? currentPage_ - 1 : 1);
        return true;
    case VK_NEXT:
        SetCurrentPage(plain ? currentPage_ + 1 : PageCount());
        return true;
    }
    return false;
}

LRESULT TPrintPreview::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        if (KeyDown(static_cast<WORD>(wParam), KeyboardShiftState())) return 0;
        break;
    case WM_LBUTTONDOWN:
        if (Enabled() && GetFocus() != Handle()) SetFocus();
        break;
    case WM_SETTINGCHANGE:
        if (lParam && lstrcmpiA(reinterpret_cast<const char*>(lParam), "Windows") == 0) {
            UpdatePrinterInfo();
            UpdateLayout();
        }
        break;
    }
    return TScrollBox::WndProc(msg, wParam, lParam);
}

} // namespace kvprint
