// A windowed control that paints itself: mouse, click and key events, a cursor and a context menu.
// It never erases its background, since Paint covers it all, so it does not flicker.
#pragma once

#include "kovalin/WinControl.h"

#include <functional>

namespace kovalin {

class TPopupMenu;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// The modifier keys and mouse buttons held, as MK_* flags plus kShiftAlt for the Alt key.
using TShiftState = UINT;
inline constexpr TShiftState kShiftAlt = 0x1000;
TShiftState KeyboardShiftState();

class TCustomControl : public TWinControl {
public:
    struct Params {
        int left = 0, top = 0, width = 100, height = 100;
        bool visible = true;
        bool tabStop = false;
    };
    TCustomControl(TWinControl& parent, const Params& p);

    HCURSOR Cursor() const { return cursor_; }
    // null: the arrow.
    void SetCursor(HCURSOR cursor);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    // Shown at the pointer on a right click; stays the caller's.
    void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }

    std::function<void(TMouseButton, TShiftState, int x, int y)> OnMouseDown;
    std::function<void(TMouseButton, TShiftState, int x, int y)> OnMouseUp;
    std::function<void(TShiftState, int x, int y)> OnMouseMove;
    // A left press and release on the control.
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void()> OnResize;
    // A key went down while the control had the focus; true when the handler used it.
    std::function<bool(WORD key, TShiftState shift)> OnKeyDown;

protected:
    virtual void Paint(HDC dc) = 0;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void MouseDown(TMouseButton button, WPARAM wParam, LPARAM lParam);
    void MouseUp(TMouseButton button, WPARAM wParam, LPARAM lParam);

    HCURSOR cursor_ = nullptr;
    TPopupMenu* popupMenu_ = nullptr;
    bool leftPressed_ = false;
};

} // namespace kovalin
