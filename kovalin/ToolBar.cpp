#include "kovalin/ToolBar.h"

#include "kovalin/Application.h"
#include "kovalin/Menus.h"

#include <algorithm>

namespace kovalin {

bool TToolButton::Enabled() const {
    return SendMessageA(bar_.Handle(), TB_ISBUTTONENABLED, static_cast<WPARAM>(id_), 0) != 0;
}

void TToolButton::SetEnabled(bool value) {
    SendMessageA(bar_.Handle(), TB_ENABLEBUTTON, static_cast<WPARAM>(id_),
                 MAKELPARAM(value ? TRUE : FALSE, 0));
}

RECT TToolButton::BoundsRect() const {
    RECT r{};
    SendMessageA(bar_.Handle(), TB_GETRECT, static_cast<WPARAM>(id_), reinterpret_cast<LPARAM>(&r));
    return r;
}

void TToolButton::Click() {
    if (!Enabled()) return;
    if (dropdownMenu_)
        DropDown();
    else if (OnClick)
        OnClick();
}

void TToolButton::SetDropdownMenu(TPopupMenu* menu) {
    dropdownMenu_ = menu;
    SendMessageA(bar_.Handle(), TB_SETEXTENDEDSTYLE, 0,
                 SendMessageA(bar_.Handle(), TB_GETEXTENDEDSTYLE, 0, 0) | TBSTYLE_EX_DRAWDDARROWS);
    TBBUTTONINFOA info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_STYLE;
    info.fsStyle = static_cast<BYTE>(menu ? BTNS_WHOLEDROPDOWN : BTNS_BUTTON);
    SendMessageA(bar_.Handle(), TB_SETBUTTONINFOA, static_cast<WPARAM>(id_), reinterpret_cast<LPARAM>(&info));
}

void TToolButton::DropDown() {
    if (!dropdownMenu_) return;
    RECT r = BoundsRect();
    MapWindowPoints(bar_.Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
    // The button's tooltip would stay above the open menu.
    if (HWND tips = reinterpret_cast<HWND>(SendMessageA(bar_.Handle(), TB_GETTOOLTIPS, 0, 0)))
        SendMessageA(tips, TTM_POP, 0, 0);
    // The button stays pressed while its menu is open.
    SendMessageA(bar_.Handle(), TB_PRESSBUTTON, static_cast<WPARAM>(id_), MAKELPARAM(TRUE, 0));
    dropdownMenu_->Popup(GetAncestor(bar_.Handle(), GA_ROOT), r.left, r.bottom);
    SendMessageA(bar_.Handle(), TB_PRESSBUTTON, static_cast<WPARAM>(id_), MAKELPARAM(FALSE, 0));
}

TToolBar::TToolBar(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    // The parent's layout places the bar; the bar must not move itself to the top.
    CreateParams cp = ChildParams(TOOLBARCLASSNAMEA, 0, 0, 100, p.height);
    cp.style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS |
                CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE;
    cp.caption = p.caption;
    // Subclassed, so that controls placed on the bar have their notifications routed.
    cp.subclass = true;
    CreateHandle(cp);
    SendMessageA(Handle(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    if (p.images) SendMessageA(Handle(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(p.images));
    // Buttons are buttonWidth wide, unless a caption would be cut short: the widest caption
    // then sets the width of them all.
    SendMessageA(Handle(), TB_SETBUTTONWIDTH, 0, MAKELPARAM(p.buttonWidth, 2 * p.buttonWidth));
    // The bar's tooltip control reports to the bar's parent about itself; mapping it to this
    // object brings its text requests here.
    if (HWND tips = reinterpret_cast<HWND>(SendMessageA(Handle(), TB_GETTOOLTIPS, 0, 0)))
        ClaimWindow(tips, this);
    SetAlign(TAlign::alTop);
}

TToolBar::~TToolBar() {
    if (HWND tips = reinterpret_cast<HWND>(SendMessageA(Handle(), TB_GETTOOLTIPS, 0, 0)))
        ClaimWindow(tips, nullptr);
}

TToolButton& TToolBar::AddButton(const std::string& caption, int imageIndex, const std::string& hint,
                                 bool enabled) {
    int id = static_cast<int>(NextControlId());
    buttons_.push_back(std::unique_ptr<TToolButton>(new TToolButton(*this, id, caption, hint)));
    TBBUTTON b{};
    b.iBitmap = imageIndex;
    b.idCommand = id;
    b.fsState = enabled ? TBSTATE_ENABLED : 0;
    b.fsStyle = BTNS_BUTTON;
    b.iString = reinterpret_cast<INT_PTR>(buttons_.back()->caption_.c_str());
    SendMessageA(Handle(), TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&b));
    return *buttons_.back();
}

void TToolBar::AddSeparator(int width) {
    TBBUTTON b{};
    b.iBitmap = width;
    b.fsStyle = BTNS_SEP;
    SendMessageA(Handle(), TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&b));
}

RECT TToolBar::AddControlSlot(int width) {
    AddSeparator(width);
    int index = static_cast<int>(SendMessageA(Handle(), TB_BUTTONCOUNT, 0, 0)) - 1;
    RECT r{};
    SendMessageA(Handle(), TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    r.right = r.left + width;
    return r;
}

TToolButton* TToolBar::ButtonById(int id) const {
    for (const auto& b : buttons_)
        if (b->id_ == id) return b.get();
    return nullptr;
}

void TToolBar::AutoSize() {
    int height = 0;
    for (const auto& b : buttons_) {
        RECT r = b->BoundsRect();
        height = std::max<int>(height, r.bottom);
    }
    if (height > 0 && height != Height()) {
        SetBounds(Left(), Top(), Width(), height);
        if (Parent()) Parent()->AlignControls();
    }
}

void TToolBar::CommandMessage(WPARAM wParam) {
    if (TToolButton* b = ButtonById(LOWORD(wParam))) b->Click();
}

LRESULT TToolBar::NotifyHandler(NMHDR& header) {
    switch (header.code) {
    case TTN_GETDISPINFOA: {
        auto& info = reinterpret_cast<NMTTDISPINFOA&>(header);
        TToolButton* b = ButtonById(static_cast<int>(header.idFrom));
        tipText_ = b ? GetShortHint(b->Hint()) : std::string();
        info.lpszText = const_cast<char*>(tipText_.c_str());
        info.hinst = nullptr;
        return 0;
    }
    case TBN_HOTITEMCHANGE: {
        auto& hot = reinterpret_cast<NMTBHOTITEM&>(header);
        TToolButton* b = (hot.dwFlags & HICF_LEAVING) ? nullptr : ButtonById(hot.idNew);
        Application().SetHint(b ? b->Hint() : std::string());
        return 0;
    }
    case TBN_DROPDOWN: {
        auto& info = reinterpret_cast<NMTOOLBARA&>(header);
        if (TToolButton* b = ButtonById(info.iItem); b && b->dropdownMenu_) {
            b->DropDown();
            return TBDDRET_DEFAULT;
        }
        return TBDDRET_NODEFAULT;
    }
    }
    return 0;
}

} // namespace kovalin
