// The simulated sheet: a self-painted control with a border and a drop shadow, and the options
// object that describes its look.
#pragma once

#include "kovalin/Canvas.h"
#include "kovalin/CustomControl.h"

#include <functional>

namespace kovalin {
class TPopupMenu;
}

namespace kvprint {

inline constexpr int crHand = 10;

class TPaperPreviewOptions {
public:
    TPaperPreviewOptions();

    COLORREF BorderColor() const { return borderColor_; }
    void SetBorderColor(COLORREF value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    int Cursor() const { return cursor_; }
    void SetCursor(int value);
    int DragCursor() const { return dragCursor_; }
    void SetDragCursor(int value);
    COLORREF PaperColor() const { return paperColor_; }
    void SetPaperColor(COLORREF value);
    kovalin::TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(kovalin::TPopupMenu* value);
    COLORREF ShadowColor() const { return shadowColor_; }
    void SetShadowColor(COLORREF value);
    int ShadowWidth() const { return shadowWidth_; }
    void SetShadowWidth(int value);

    // Copies all eight properties through the setters.
    void Assign(const TPaperPreviewOptions& source);

    // Runs after any property changed.
    std::function<void(TPaperPreviewOptions&)> OnChange;

private:
    void Changed();

    COLORREF borderColor_;
    int borderWidth_ = 1;
    int cursor_ = 0;
    int dragCursor_ = crHand;
    COLORREF paperColor_;
    kovalin::TPopupMenu* popupMenu_ = nullptr;
    COLORREF shadowColor_;
    int shadowWidth_ = 3;
};

class TPaperPreview : public kovalin::TCustomControl {
public:
    using TPaperPaintEvent =
        std::function<void(TPaperPreview& sender, kovalin::TCanvas& canvas, const RECT& pageRect)>;

    // Created 105 x 148 pixels.
    TPaperPreview(kovalin::TWinControl& parent, bool visible);

    COLORREF BorderColor() const { return borderColor_; }
    void SetBorderColor(COLORREF value);
    int BorderSize() const { return borderSize_; }
    void SetBorderSize(int value);
    COLORREF PaperColor() const { return paperColor_; }
    void SetPaperColor(COLORREF value);
    COLORREF ShadowColor() const { return shadowColor_; }
    void SetShadowColor(COLORREF value);
    int ShadowSize() const { return shadowSize_; }
    void SetShadowSize(int value);

    // The sheet without border and shadow.
    int PaperWidth() const;
    void SetPaperWidth(int value);
    int PaperHeight() const;
    void SetPaperHeight(int value);
    // Where the page lies within the control.
    RECT PageRect() const;

    // Draws the page; the drawing is clipped to the page rectangle.
    TPaperPaintEvent OnPaint;

protected:
    void Paint(HDC dc) override;

private:
    COLORREF borderColor_;
    int borderSize_ = 1;
    COLORREF paperColor_;
    COLORREF shadowColor_;
    int shadowSize_ = 3;
};

// Control size from paper size and back: paper + 2 x border + shadow.
inline int PaperToControl(int paper, int border, int shadow) {
    return paper + 2 * border + shadow;
}

} // namespace kvprint
