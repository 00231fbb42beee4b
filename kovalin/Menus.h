// Menu items and popup menus as plain descriptions; a menu's window handle is made when it is shown.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kovalin {

struct TMenuItem {
    std::string Caption;
    bool Visible = true;
    bool Enabled = true;
    bool Checked = false;
    std::function<void()> OnClick;

    void Click() {
        if (OnClick) OnClick();
    }
};

class TPopupMenu {
public:
    TMenuItem& Add(std::string caption, std::function<void()> onClick = nullptr) {
        auto item = std::make_unique<TMenuItem>();
        item->Caption = std::move(caption);
        item->OnClick = std::move(onClick);
        items_.push_back(std::move(item));
        return *items_.back();
    }
    size_t Count() const { return items_.size(); }
    TMenuItem& Item(size_t index) const { return *items_.at(index); }

private:
    std::vector<std::unique_ptr<TMenuItem>> items_;
};

} // namespace kovalin
