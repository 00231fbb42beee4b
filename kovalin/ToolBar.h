// A flat tool bar of buttons with images and captions beside them, separators and slots for other
// controls (a combo box) sitting on the bar. Buttons show the short part of their hint as a tooltip
// and make it the application's hint while the mouse is over them.
#pragma once

#include "kovalin/WinControl.h"

#include <commctrl.h>

#include <functional>
#include <memory>
#include <vector>

namespace kovalin {

class TToolBar;
class TPopupMenu;

class TToolButton {
public:
    int Id() const { return id_; }
    std::string Caption() const { return caption_; }
    std::string Hint() const { return hint_; }
    bool Enabled() const;
    void SetEnabled(bool value);
    // The button's rectangle in the bar's client coordinates.
    RECT BoundsRect() const;
    // As if the user clicked it: OnClick when it is enabled; a button with a drop-down menu
    // drops the menu down instead.
    void Click();

    // The whole button drops this menu down below itself (it stays the caller's); nullptr makes
    // it a plain button again.
    TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(TPopupMenu* menu);
    // Shows the drop-down menu below the button; returns when it has closed.
    void DropDown();

    std::function<void()> OnClick;

private:
    friend class TToolBar;
    TToolButton(TToolBar& bar, int id, std::string caption, std::string hint)
        : bar_(bar), id_(id), caption_(std::move(caption)), hint_(std::move(hint)) {}
    TToolBar& bar_;
    int id_;
    std::string caption_, hint_;
    TPopupMenu* dropdownMenu_ = nullptr;
};

class TToolBar : public TWinControl {
public:
    struct Params {
        int height = 22;
        int buttonWidth = 99;
        HIMAGELIST images = nullptr; // stays the caller's
        std::string caption;
    };
    TToolBar(TWinControl& parent, const Params& p);
    ~TToolBar() override;

    TToolButton& AddButton(const std::string& caption, int imageIndex, const std::string& hint, bool enabled);
    void AddSeparator(int width);
    // Reserves room for another control on the bar; place it on the returned rectangle.
    RECT AddControlSlot(int width);
    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TToolButton& Button(int index) { return *buttons_[static_cast<size_t>(index)]; }
    TToolButton* ButtonById(int id) const;

    // Makes the bar as high as its buttons.
    void AutoSize();

protected:
    void CommandMessage(WPARAM wParam) override;
    LRESULT NotifyHandler(NMHDR& header) override;

private:
    friend class TToolButton;

    std::vector<std::unique_ptr<TToolButton>> buttons_;
    std::string tipText_; // the tooltip text handed out last, kept alive for the control
};

} // namespace kovalin
