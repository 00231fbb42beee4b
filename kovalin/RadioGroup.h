// A captioned group frame holding one column of radio buttons, of which at most one is checked.
#pragma once

#include "kovalin/Handles.h"
#include "kovalin/WinControl.h"

#include <functional>
#include <string>
#include <vector>

namespace kovalin {

class TRadioGroup : public TWinControl {
public:
    struct Params {
        std::string caption;
        int left = 0, top = 0, width = 185, height = 105;
        std::vector<std::string> items;
        int itemIndex = -1; // -1: no item checked
    };
    TRadioGroup(TWinControl& parent, const Params& p);
    ~TRadioGroup() override;

    int ItemCount() const { return static_cast<int>(buttons_.size()); }
    std::string Item(int index) const;
    // The checked item, -1 when none is.
    int ItemIndex() const;
    // Checks the item and clears the others; -1 (or an index outside the items) clears them all.
    void SetItemIndex(int index);

    // The window of an item's radio button.
    HWND ButtonHandle(int index) const { return buttons_.at(static_cast<size_t>(index)).get(); }

    // The user checked an item.
    std::function<void()> OnClick;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void ArrangeButtons();

    UniqueHWnd frame_;
    std::vector<UniqueHWnd> buttons_;
};

} // namespace kovalin
