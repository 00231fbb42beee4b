#include "kovalin/ComboBox.h"

#include <vector>

namespace kovalin {

TComboBox::TComboBox(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    CreateParams cp;
    cp.className = "COMBOBOX";
    cp.style = WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
    if (p.visible) cp.style |= WS_VISIBLE;
    if (p.tabStop) cp.style |= WS_TABSTOP;
    cp.left = p.left;
    cp.top = p.top;
    cp.width = p.width;
    cp.height = p.height;
    cp.id = NextControlId();
    cp.subclass = true; // to hear of font changes
    CreateHandle(cp);
    ApplyDropDownCount();
}

int TComboBox::ItemCount() const {
    return static_cast<int>(SendMessageA(Handle(), CB_GETCOUNT, 0, 0));
}

std::string TComboBox::Item(int index) const {
    LRESULT n = SendMessageA(Handle(), CB_GETLBTEXTLEN, index, 0);
    if (n == CB_ERR) return {};
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    LRESULT got = SendMessageA(Handle(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buf.data()));
    return got == CB_ERR ? std::string() : std::string(buf.data(), static_cast<size_t>(got));
}

int TComboBox::AddItem(const std::string& text) {
    return static_cast<int>(SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

void TComboBox::ClearItems() {
    SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
}

int TComboBox::ItemIndex() const {
    return static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(int index) {
    SendMessageA(Handle(), CB_SETCURSEL, index, 0);
}

int TComboBox::ItemHeight() const {
    return static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, 0, 0));
}

void TComboBox::SetItemHeight(int listHeight, int fieldHeight) {
    SendMessageA(Handle(), CB_SETITEMHEIGHT, 0, listHeight);
    SendMessageA(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), fieldHeight);
    ApplyDropDownCount();
}

void TComboBox::SetDropDownCount(int value) {
    dropDownCount_ = value;
    ApplyDropDownCount();
}

// The window height of a drop-down list combo box is the selection field with its frame plus the
// open list; without the visual styles there is no message that counts items for us.
void TComboBox::ApplyDropDownCount() {
    RECT r{};
    GetWindowRect(Handle(), &r);
    int field = static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    int height = field + 6 + ItemHeight() * (dropDownCount_ > 0 ? dropDownCount_ : 1) + 2;
    SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TComboBox::DroppedWidth() const {
    return static_cast<int>(SendMessageA(Handle(), CB_GETDROPPEDWIDTH, 0, 0));
}

void TComboBox::SetDroppedWidth(int width) {
    SendMessageA(Handle(), CB_SETDROPPEDWIDTH, width, 0);
}

bool TComboBox::DroppedDown() const {
    return SendMessageA(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TComboBox::SetDroppedDown(bool value) {
    SendMessageA(Handle(), CB_SHOWDROPDOWN, value, 0);
}

HFONT TComboBox::Font() const {
    auto font = reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

LRESULT TComboBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
    if (msg == WM_SETFONT) FontChanged();
    return result;
}

void TComboBox::CommandNotify(WORD code) {
    switch (code) {
    case CBN_SELCHANGE:
        Change();
        break;
    case CBN_DROPDOWN:
        DropDown();
        break;
    case CBN_CLOSEUP:
        CloseUp();
        break;
    case CBN_SELENDOK:
        SelEndOk();
        break;
    case CBN_SELENDCANCEL:
        SelEndCancel();
        break;
    }
}

void TComboBox::Change() {
    if (OnChange) OnChange();
}
void TComboBox::DropDown() {
    if (OnDropDown) OnDropDown();
}
void TComboBox::SelEndOk() {
    if (OnSelEndOk) OnSelEndOk();
}
void TComboBox::SelEndCancel() {
    if (OnSelEndCancel) OnSelEndCancel();
}

bool TComboBox::DrawItemNotify(DRAWITEMSTRUCT& item) {
    DrawItem(item);
    return true;
}

bool TComboBox::MeasureItemNotify(MEASUREITEMSTRUCT& item) {
    item.itemHeight = static_cast<UINT>(ItemHeight());
    return true;
}

void TComboBox::FillItem(const DRAWITEMSTRUCT& item) {
    bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetBkColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
}

void TComboBox::DrawItem(const DRAWITEMSTRUCT& item) {
    FillItem(item);
    if (static_cast<int>(item.itemID) < 0) return;
    RECT r = item.rcItem;
    r.left += 2;
    std::string text = Item(static_cast<int>(item.itemID));
    DrawTextA(item.hDC, text.c_str(), static_cast<int>(text.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

} // namespace kovalin
