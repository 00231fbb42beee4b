#include "kovalin/RadioGroup.h"

#include "kovalin/Exceptions.h"
#include "kovalin/Module.h"

#include <algorithm>

namespace kovalin {

namespace {

HWND CreateChild(HWND parent, const char* text, DWORD style, int left, int top, int width, int height,
                 UINT_PTR id, HFONT font) {
    HWND h = CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | style, left, top, width, height,
                             parent, reinterpret_cast<HMENU>(id), ThisModule(), nullptr);
    if (!h) RaiseLastOSError("CreateWindowEx");
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return h;
}

int TextHeight(HWND window, HFONT font) {
    WindowDC dc(window);
    SelectGuard sel(dc.get(), font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc.get(), &tm);
    return tm.tmHeight;
}

} // namespace

TRadioGroup::TRadioGroup(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    // The group is a container of its own, so that the buttons' notifications come here and dialog
    // navigation (Tab into the group, arrows between its items) goes through it.
    CreateParams cp = ChildParams(nullptr, p.left, p.top, p.width, p.height);
    cp.exStyle |= WS_EX_CONTROLPARENT;
    CreateHandle(cp);
    frame_.reset(
        CreateChild(Handle(), p.caption.c_str(), BS_GROUPBOX, 0, 0, p.width, p.height, 0, ControlFont()));
    for (size_t i = 0; i < p.items.size(); ++i) {
        // The first item opens the group of radio buttons and is the one Tab stops at.
        DWORD style = BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
        buttons_.emplace_back(
            CreateChild(Handle(), p.items[i].c_str(), style, 0, 0, 0, 0, NextControlId(), ControlFont()));
    }
    ArrangeButtons();
    SetItemIndex(p.itemIndex);
}

TRadioGroup::~TRadioGroup() {
    buttons_.clear();
    frame_.reset();
}

void TRadioGroup::ArrangeButtons() {
    if (buttons_.empty()) return;
    RECT r = ClientRect();
    // The items share the room below the caption line evenly.
    int top = TextHeight(Handle(), ControlFont()) + 1;
    int room = std::max(0, static_cast<int>(r.bottom) - top - 4);
    int n = ItemCount();
    int each = room / n;
    top += (room % n) / 2;
    for (int i = 0; i < n; ++i)
        SetWindowPos(buttons_[static_cast<size_t>(i)].get(), nullptr, 8, top + i * each,
                     std::max(0, static_cast<int>(r.right) - 16), each, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string TRadioGroup::Item(int index) const {
    HWND h = ButtonHandle(index);
    char text[256];
    int n = GetWindowTextA(h, text, sizeof text);
    return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

int TRadioGroup::ItemIndex() const {
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (SendMessageA(buttons_[i].get(), BM_GETCHECK, 0, 0) == BST_CHECKED) return static_cast<int>(i);
    return -1;
}

void TRadioGroup::SetItemIndex(int index) {
    for (size_t i = 0; i < buttons_.size(); ++i)
        SendMessageA(buttons_[i].get(), BM_SETCHECK,
                     static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED, 0);
}

LRESULT TRadioGroup::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        HWND from = reinterpret_cast<HWND>(lParam);
        if (std::any_of(buttons_.begin(), buttons_.end(),
                        [&](const UniqueHWnd& b) { return b.get() == from; })) {
            if (OnClick) OnClick();
            return 0;
        }
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace kovalin
