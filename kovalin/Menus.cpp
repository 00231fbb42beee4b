#include "kovalin/Menus.h"

#include "kovalin/Exceptions.h"
#include "kovalin/Handles.h"

namespace kovalin {

namespace {

void CollectCommands(const TMenuItem& parent, std::vector<TMenuItem*>& out) {
    for (const auto& item : parent.Items) {
        if (!item->Items.empty())
            CollectCommands(*item, out);
        else if (!item->IsLine())
            out.push_back(item.get());
    }
}

void FillMenu(HMENU menu, const TMenuItem& parent, UINT& nextId) {
    for (const auto& item : parent.Items) {
        if (!item->Items.empty()) {
            UniqueHMenu sub(CreatePopupMenu());
            FillMenu(sub.get(), *item, nextId);
            // An appended submenu belongs to its menu from then on.
            if (item->Visible && AppendMenuA(menu, MF_POPUP | MF_STRING | (item->Enabled ? 0 : MF_GRAYED),
                                             reinterpret_cast<UINT_PTR>(sub.get()), item->Caption.c_str()))
                (void)sub.release();
        } else if (item->IsLine()) {
            if (item->Visible) AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            UINT id = nextId++;
            if (item->Visible)
                AppendMenuA(menu,
                            MF_STRING | (item->Enabled ? 0 : MF_GRAYED) | (item->Checked ? MF_CHECKED : 0),
                            id, item->Caption.c_str());
        }
    }
}

} // namespace

std::vector<TMenuItem*> TPopupMenu::Commands() const {
    std::vector<TMenuItem*> out;
    CollectCommands(root_, out);
    return out;
}

HMENU TPopupMenu::CreateHandle() const {
    UniqueHMenu menu(CreatePopupMenu());
    if (!menu) RaiseLastOSError("CreatePopupMenu");
    UINT id = 1;
    FillMenu(menu.get(), root_, id);
    return menu.release();
}

TMenuItem* TPopupMenu::Popup(HWND owner, int x, int y) {
    UINT chosen = 0;
    {
        UniqueHMenu menu(CreateHandle());
        // The owner must be the foreground window, or the menu does not close when the user clicks
        // elsewhere.
        SetForegroundWindow(owner);
        chosen = static_cast<UINT>(
            TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y,
                           0, owner, nullptr));
    }
    std::vector<TMenuItem*> commands = Commands();
    if (chosen == 0 || chosen > commands.size()) return nullptr;
    TMenuItem* item = commands[chosen - 1];
    item->Click();
    return item;
}

} // namespace kovalin
