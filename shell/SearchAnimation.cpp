#include "shell/SearchAnimation.h"

#include <commctrl.h>

#include <utility>

namespace shell {

namespace {
// The animation resource of the shell's folder search.
constexpr WORD kSearchFolderAvi = 150;
} // namespace

TSearchAnimation::TSearchAnimation(HWND parent, int num, int den) {
    if (!parent) return;
    // Sized by the clip it opens.
    kovalin::UniqueHWnd anim(CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | ACS_TRANSPARENT | ACS_AUTOPLAY,
                                             0, 0, 0, 0, parent, nullptr, GetModuleHandleA(nullptr),
                                             nullptr));
    if (!anim) return;
    HMODULE shell32 = GetModuleHandleA("shell32.dll");
    if (!shell32 || !SendMessageA(anim.get(), ACM_OPENA, reinterpret_cast<WPARAM>(shell32),
                                  reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(kSearchFolderAvi))))
        return;
    RECT r{}, client{};
    GetWindowRect(anim.get(), &r);
    GetClientRect(parent, &client);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(anim.get(), HWND_TOP, (client.right - w) * num / den, (client.bottom - h) / 2, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOSIZE);
    window_ = std::move(anim);
}

} // namespace shell
