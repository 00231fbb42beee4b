#include "tests/support/ScrollThumbDrag.h"

namespace testsupport {

namespace {
void MouseAt(int x, int y, DWORD flags) {
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = x * 65535 / (sw - 1);
    in.mi.dy = y * 65535 / (sh - 1);
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}
} // namespace

void DragScrollThumb(HWND window, double fraction, int steps, DWORD stepMs) {
    SCROLLBARINFO sb{};
    sb.cbSize = sizeof sb;
    if (!GetScrollBarInfo(window, OBJID_VSCROLL, &sb)) return;
    int x = (sb.rcScrollBar.left + sb.rcScrollBar.right) / 2;
    int from = sb.rcScrollBar.top + (sb.xyThumbTop + sb.xyThumbBottom) / 2;
    int top = sb.rcScrollBar.top + sb.dxyLineButton, bottom = sb.rcScrollBar.bottom - sb.dxyLineButton - 1;
    int to = top + static_cast<int>((bottom - top) * fraction);
    MouseAt(x, from, 0);
    Sleep(100);
    MouseAt(x, from, MOUSEEVENTF_LEFTDOWN);
    for (int i = 1; i <= steps; ++i) {
        Sleep(stepMs);
        MouseAt(x, from + (to - from) * i / steps, 0);
    }
    Sleep(150);
    MouseAt(x, to, MOUSEEVENTF_LEFTUP);
}

} // namespace testsupport
