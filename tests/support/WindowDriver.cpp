#include "tests/support/WindowDriver.h"

#include <commctrl.h>

#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <map>

namespace testsupport {

void RunUntilIdle() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void PumpMessages(DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        RunUntilIdle();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
    RunUntilIdle();
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        RunUntilIdle();
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

std::string WindowText(HWND hwnd) {
    char buf[1024];
    int n = GetWindowTextA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string ClassOf(HWND hwnd) {
    char buf[256];
    int n = GetClassNameA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

namespace {

BOOL CALLBACK CollectWindow(HWND h, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
}

struct TopWindowSearch {
    const std::string* caption;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND h, LPARAM p) {
    auto* s = reinterpret_cast<TopWindowSearch*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == s->pid && IsWindowVisible(h) && WindowText(h) == *s->caption) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> list;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&list));
    return list;
}

HWND FindChild(HWND parent, const std::string& className, const std::string& text) {
    for (HWND h : ChildWindows(parent))
        if (lstrcmpiA(ClassOf(h).c_str(), className.c_str()) == 0 && (text.empty() || WindowText(h) == text))
            return h;
    return nullptr;
}

HWND FindTopWindow(const std::string& caption, DWORD processId) {
    TopWindowSearch s{&caption, processId, nullptr};
    EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

namespace {
struct ClassSearch {
    const std::string* className;
    HWND found;
};
BOOL CALLBACK MatchClass(HWND h, LPARAM p) {
    auto* s = reinterpret_cast<ClassSearch*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(h) && ClassOf(h) == *s->className) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND FindTopWindowOfClass(const std::string& className) {
    ClassSearch s{&className, nullptr};
    EnumWindows(MatchClass, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

namespace {
std::map<UINT_PTR, WhenWindowAppears*>& Watchers() {
    static std::map<UINT_PTR, WhenWindowAppears*> m;
    return m;
}
} // namespace

WhenWindowAppears::WhenWindowAppears(std::string caption, std::function<void(HWND)> action,
                                     std::string className)
    : caption_(std::move(caption)), className_(std::move(className)), action_(std::move(action)) {
    timer_ = SetTimer(nullptr, 0, 20, Tick);
    Watchers()[timer_] = this;
}

WhenWindowAppears::~WhenWindowAppears() {
    KillTimer(nullptr, timer_);
    Watchers().erase(timer_);
}

void CALLBACK WhenWindowAppears::Tick(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Watchers().find(id);
    if (it == Watchers().end()) return;
    WhenWindowAppears* self = it->second;
    if (self->fired_) return;
    HWND h =
        self->className_.empty() ? FindTopWindow(self->caption_) : FindTopWindowOfClass(self->className_);
    if (!h) return;
    self->fired_ = true;
    KillTimer(nullptr, id);
    self->action_(h);
}

namespace {
std::map<UINT_PTR, MessageBoxAnswerer*>& Answerers() {
    static std::map<UINT_PTR, MessageBoxAnswerer*> m;
    return m;
}

BOOL CALLBACK CollectDialog(HWND h, LPARAM p) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(h) && ClassOf(h) == "#32770")
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
}
} // namespace

MessageBoxAnswerer::MessageBoxAnswerer(std::function<void(HWND)> beforeAnswer)
    : beforeAnswer_(std::move(beforeAnswer)) {
    timer_ = SetTimer(nullptr, 0, 20, Tick);
    Answerers()[timer_] = this;
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    KillTimer(nullptr, timer_);
    Answerers().erase(timer_);
}

void CALLBACK MessageBoxAnswerer::Tick(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Answerers().find(id);
    if (it != Answerers().end()) it->second->Answer();
}

void MessageBoxAnswerer::Answer() {
    std::vector<HWND> dialogs;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    HICON errorIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND));
    for (HWND h : dialogs) {
        HWND ok = FindChild(h, "Button", "OK");
        if (!ok || std::find(answered_.begin(), answered_.end(), h) != answered_.end()) continue;
        answered_.push_back(h);
        Box box;
        box.caption = WindowText(h);
        box.owner = GetWindow(h, GW_OWNER);
        for (HWND child : ChildWindows(h)) {
            if (ClassOf(child) != "Static") continue;
            auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
            if (icon)
                box.errorIcon = box.errorIcon || icon == errorIcon;
            else if (!WindowText(child).empty())
                box.text = WindowText(child);
        }
        boxes_.push_back(box);
        if (beforeAnswer_) beforeAnswer_(h);
        SendMessageA(ok, BM_CLICK, 0, 0);
    }
}

int GdiObjectCount() {
    // Wine does not implement GetGuiResources; it does keep the process's GDI handle table where
    // Windows keeps it, behind the PEB, one 24-byte entry per handle with a non-zero type when live.
    struct HandleEntry {
        uint64_t object;
        uint32_t owner;
        uint16_t unique;
        uint8_t type;
        uint8_t flags;
        uint64_t user;
    };
    static_assert(sizeof(HandleEntry) == 24);
#ifdef _WIN64
    const size_t tableOffset = 0xF8;
#else
    const size_t tableOffset = 0x94;
#endif
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds" // the header reads the TEB through a zero-length array
    auto* peb = reinterpret_cast<const char*>(NtCurrentTeb()->ProcessEnvironmentBlock);
#pragma GCC diagnostic pop
    auto* table = *reinterpret_cast<const HandleEntry* const*>(peb + tableOffset);
    if (!table) return -1;
    int live = 0;
    for (size_t i = 0; i < 0x10000; ++i)
        if (table[i].type) ++live;
    return live;
}

void ClickListItem(HWND list, int index) {
    RECT r{};
    r.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM(r.left + 3, (r.top + r.bottom) / 2);
    // The control waits for the release to tell a click from a drag, so it is queued first.
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
}

} // namespace testsupport
