// Keys and mouse for the hex view tests, sent the way the control receives them from a user:
// the modifier state set on the thread, then the key or mouse message.
#pragma once

#include "plugins/hex/hexeditor.h"

#include <windows.h>

#include <string>

namespace hextest {

struct Mods {
    bool shift = false, ctrl = false;
};

void Press(HWND h, WORD key, Mods mods = {});
void Type(HWND h, char ch);
// The centre of a cell in client coordinates.
POINT CellCentre(kvhex::THexEditor& ed, int col, int64_t row);
void MouseDown(HWND h, POINT at, bool doubleClick = false);
void MouseDrag(HWND h, POINT to);
void MouseUp(HWND h, POINT at);

// A file of `size` bytes whose byte i is i mod 256.
std::string CountingBytes(size_t size);

} // namespace hextest
