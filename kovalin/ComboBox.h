// A drop-down list over the system's COMBOBOX whose items the owner draws, all of one height.
// Selection and list notifications arrive as events; drawing and measuring go to virtual methods.
#pragma once

#include "kovalin/WinControl.h"

#include <functional>
#include <string>

namespace kovalin {

class TComboBox : public TWinControl {
public:
    struct Params {
        int left = 0, top = 0, width = 145, height = 21;
        bool visible = true;
        bool tabStop = true;
    };
    TComboBox(TWinControl& parent, const Params& params);

    int ItemCount() const;
    std::string Item(int index) const;
    int AddItem(const std::string& text);
    void ClearItems();
    // -1 when nothing is selected; setting it sends no change notification.
    int ItemIndex() const;
    void SetItemIndex(int index);

    // Height of the list items and of the selection field.
    int ItemHeight() const;
    void SetItemHeight(int listHeight, int fieldHeight);
    // Items the open list shows without scrolling.
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int value);
    // Width of the open list; the control never makes it narrower than itself.
    int DroppedWidth() const;
    void SetDroppedWidth(int width);
    bool DroppedDown() const;
    void SetDroppedDown(bool value);

    HFONT Font() const;

    std::function<void()> OnChange;       // the user chose another item
    std::function<void()> OnDropDown;     // the list is about to open
    std::function<void()> OnSelEndOk;     // the list closes with the choice confirmed
    std::function<void()> OnSelEndCancel; // the list closes with the choice abandoned

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void CommandNotify(WORD code) override;
    // The control took another font (WM_SETFONT).
    virtual void FontChanged() {}
    bool DrawItemNotify(DRAWITEMSTRUCT& item) override;
    bool MeasureItemNotify(MEASUREITEMSTRUCT& item) override;

    virtual void Change();
    virtual void DropDown();
    virtual void CloseUp() {}
    virtual void SelEndOk();
    virtual void SelEndCancel();
    // Paints one item (or the empty selection field, itemID -1) in the usual selection colours.
    virtual void DrawItem(const DRAWITEMSTRUCT& item);

    // Fills the item's rectangle in the selection or window colour and leaves the matching text
    // colours in the device context.
    static void FillItem(const DRAWITEMSTRUCT& item);

private:
    void ApplyDropDownCount();
    int dropDownCount_ = 8;
};

} // namespace kovalin
