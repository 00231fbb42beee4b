// Menu items and popup menus as plain descriptions; a menu's window handle is made when it is shown.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kovalin {

struct TMenuItem {
    // "-" makes the item a separator line.
    std::string Caption;
    bool Visible = true;
    bool Enabled = true;
    bool Checked = false;
    std::function<void()> OnClick;
    // An item with items of its own opens a submenu.
    std::vector<std::unique_ptr<TMenuItem>> Items;

    void Click() {
        if (OnClick) OnClick();
    }
    TMenuItem& Add(std::string caption, std::function<void()> onClick = nullptr) {
        auto item = std::make_unique<TMenuItem>();
        item->Caption = std::move(caption);
        item->OnClick = std::move(onClick);
        Items.push_back(std::move(item));
        return *Items.back();
    }
    bool IsLine() const { return Caption == "-"; }
};

class TPopupMenu {
public:
    TMenuItem& Add(std::string caption, std::function<void()> onClick = nullptr) {
        return root_.Add(std::move(caption), std::move(onClick));
    }
    size_t Count() const { return root_.Items.size(); }
    TMenuItem& Item(size_t index) const { return *root_.Items.at(index); }

    // Shows the menu at the screen point, owned by `owner`, and runs the chosen item's OnClick
    // after the menu has closed; returns that item or nullptr when the user chose nothing.
    TMenuItem* Popup(HWND owner, int x, int y);
    // The menu as the system shows it; the caller destroys it. Item command ids are 1-based
    // positions in Commands().
    HMENU CreateHandle() const;
    // Every item that can be chosen, in menu order (submenus depth first).
    std::vector<TMenuItem*> Commands() const;

private:
    TMenuItem root_;
};

} // namespace kovalin
