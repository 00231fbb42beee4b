#include "tests/plugins/hex/HexInput.h"

namespace hextest {

namespace {
void SetMods(Mods m) {
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE shift = m.shift ? 0x80 : 0, ctrl = m.ctrl ? 0x80 : 0;
    keys[VK_SHIFT] = keys[VK_LSHIFT] = shift;
    keys[VK_CONTROL] = keys[VK_LCONTROL] = ctrl;
    SetKeyboardState(keys);
}
} // namespace

void Press(HWND h, WORD key, Mods mods) {
    SetMods(mods);
    SendMessageA(h, WM_KEYDOWN, key, 1);
    SendMessageA(h, WM_KEYUP, key, 0xC0000001);
    SetMods({});
}

void Type(HWND h, char ch) {
    SendMessageA(h, WM_KEYDOWN, static_cast<WPARAM>(VkKeyScanA(ch) & 0xFF), 1);
    SendMessageA(h, WM_CHAR, static_cast<unsigned char>(ch), 1);
}

POINT CellCentre(kvhex::THexEditor& ed, int col, int64_t row) {
    RECT r = ed.CellRect(col, row);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void MouseDown(HWND h, POINT at, bool doubleClick) {
    SendMessageA(h, doubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
}

void MouseDrag(HWND h, POINT to) {
    SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(to.x), static_cast<WORD>(to.y)));
}

void MouseUp(HWND h, POINT at) {
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

std::string CountingBytes(size_t size) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>(i & 0xFF);
    return s;
}

} // namespace hextest
