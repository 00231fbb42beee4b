#include "plugins/print/PaperPreview.h"

#include "kovalin/Handles.h"

namespace kvprint {

using namespace kovalin;

TPaperPreviewOptions::TPaperPreviewOptions()
    : borderColor_(RGB(0, 0, 0)), paperColor_(RGB(255, 255, 255)),
      shadowColor_(GetSysColor(COLOR_BTNSHADOW)) {}

void TPaperPreviewOptions::Changed() {
    if (OnChange) OnChange(*this);
}

#define KVPRINT_SETTER(Name, field, Type)                                                                    \
    void TPaperPreviewOptions::Set##Name(Type value) {                                                       \
        if (field == value) return;                                                                          \
        field = value;                                                                                       \
        Changed();                                                                                           \
    }
KVPRINT_SETTER(BorderColor, borderColor_, COLORREF)
KVPRINT_SETTER(BorderWidth, borderWidth_, int)
KVPRINT_SETTER(Cursor, cursor_, int)
KVPRINT_SETTER(DragCursor, dragCursor_, int)
KVPRINT_SETTER(PaperColor, paperColor_, COLORREF)
KVPRINT_SETTER(PopupMenu, popupMenu_, kovalin::TPopupMenu*)
KVPRINT_SETTER(ShadowColor, shadowColor_, COLORREF)
KVPRINT_SETTER(ShadowWidth, shadowWidth_, int)
#undef KVPRINT_SETTER

void TPaperPreviewOptions::Assign(const TPaperPreviewOptions& s) {
    if (&s == this) return;
    SetBorderColor(s.borderColor_);
    SetBorderWidth(s.borderWidth_);
    SetCursor(s.cursor_);
    SetDragCursor(s.dragCursor_);
    SetPaperColor(s.paperColor_);
    SetPopupMenu(s.popupMenu_);
    SetShadowColor(s.shadowColor_);
    SetShadowWidth(s.shadowWidth_);
}

TPaperPreview::TPaperPreview(TWinControl& parent, bool visible)
    : TCustomControl(parent, {.left = 0, .top = 0, .width = 105, .height = 148, .visible = visible}),
      borderColor_(RGB(0, 0, 0)), paperColor_(RGB(255, 255, 255)),
      shadowColor_(GetSysColor(COLOR_BTNSHADOW)) {}

#define KVPRINT_PAPER_SETTER(Name, field, Type)                                                              \
    void TPaperPreview::Set##Name(Type value) {                                                              \
        if (field == value) return;                                                                          \
        field = value;                                                                                       \
        Invalidate();                                                                                        \
    }
KVPRINT_PAPER_SETTER(BorderColor, borderColor_, COLORREF)
KVPRINT_PAPER_SETTER(BorderSize, borderSize_, int)
KVPRINT_PAPER_SETTER(PaperColor, paperColor_, COLORREF)
KVPRINT_PAPER_SETTER(ShadowColor, shadowColor_, COLORREF)
KVPRINT_PAPER_SETTER(ShadowSize, shadowSize_, int)
#undef KVPRINT_PAPER_SETTER

int TPaperPreview::PaperWidth() const {
    return Width() - 2 * borderSize_ - shadowSize_;
}

void TPaperPreview::SetPaperWidth(int value) {
    SetBounds(Left(), Top(), PaperToControl(value, borderSize_, shadowSize_), Height());
}

int TPaperPreview::PaperHeight() const {
    return Height() - 2 * borderSize_ - shadowSize_;
}

void TPaperPreview::SetPaperHeight(int value) {
    SetBounds(Left(), Top(), Width(), PaperToControl(value, borderSize_, shadowSize_));
}

RECT TPaperPreview::PageRect() const {
    RECT c = ClientRect();
    return {borderSize_, borderSize_, c.right - shadowSize_ - borderSize_,
            c.bottom - shadowSize_ - borderSize_};
}

void TPaperPreview::Paint(HDC dc) {
    RECT c = ClientRect();
    int w = c.right, h = c.bottom, s = shadowSize_;
    RECT page = PageRect();
    SetROP2(dc, R2_COPYPEN);
    if (borderSize_ > 0) {
        LOGBRUSH lb{BS_SOLID, borderColor_, 0};
        UniqueHPen pen(ExtCreatePen(PS_GEOMETRIC | PS_INSIDEFRAME | PS_SOLID, static_cast<DWORD>(borderSize_),
                                    &lb, 0, nullptr));
        SelectGuard p(dc, pen.get());
        SelectGuard b(dc, GetStockObject(HOLLOW_BRUSH));
        Rectangle(dc, 0, 0, w - s, h - s);
    }
    TCanvas canvas(dc);
    if (s > 0) {
        canvas.FillRect({w - s, s, w, h}, shadowColor_);
        canvas.FillRect({s, h - s, w, h}, shadowColor_);
        // The corners beside the shadow show what lies below the sheet.
        COLORREF back = GetSysColor(COLOR_BTNFACE);
        canvas.FillRect({w - s, 0, w, s}, back);
        canvas.FillRect({0, h - s, s, h}, back);
    }
    canvas.FillRect(page, paperColor_);
    if (OnPaint) {
        UniqueHandle<detail::NullTraits<HRGN, detail::DeleteGdi>> clip(
            CreateRectRgn(page.left, page.top, page.right, page.bottom));
        SelectClipRgn(dc, clip.get());
        OnPaint(*this, canvas, page);
        SelectClipRgn(dc, nullptr);
    }
}

} // namespace kvprint
