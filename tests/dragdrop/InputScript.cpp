#include "tests/dragdrop/InputScript.h"

#include "tests/support/WindowDriver.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace ddtest {

namespace {

void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

} // namespace

bool RunXdotool(const std::string& args) {
    return RunUnixProgram("Z:\\usr\\bin\\xdotool " + args);
}

bool RunUnixProgram(const std::string& cmd) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

void Screenshot(const std::string& name) {
    const char* folder = std::getenv("KOVALIN_SCREENSHOT_DIR");
    if (!folder) folder = std::getenv("KOVALIN_SCREENSHOTS");
    if (folder) RunUnixProgram(std::string("Z:\\usr\\bin\\import -window root ") + folder + "/" + name);
}

void MoveCursor(POINT p) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    // Absolute positions are in 1/65536 of the screen; aim at the middle of the pixel.
    LONG dx = static_cast<LONG>((p.x * 65536LL + 32768) / w),
         dy = static_cast<LONG>((p.y * 65536LL + 32768) / h);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, dx, dy);
}

POINT CursorPos() {
    POINT p{};
    GetCursorPos(&p);
    return p;
}

InputScript::~InputScript() {
    if (worker_.joinable()) worker_.join();
}

InputScript& InputScript::MoveTo(POINT to, int steps, DWORD stepMs) {
    steps_.push_back([to, steps, stepMs] {
        POINT from = CursorPos();
        for (int i = 1; i <= steps; ++i) {
            MoveCursor(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
            Sleep(stepMs);
        }
    });
    return *this;
}

InputScript& InputScript::Down(bool right) {
    steps_.push_back([right] { SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN); });
    return Wait(60);
}

InputScript& InputScript::Up(bool right) {
    steps_.push_back([right] { SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP); });
    return Wait(60);
}

InputScript& InputScript::Key(WORD vk, bool down) {
    steps_.push_back([vk, down] {
        // Modifiers and keys held during a drag go through the X server: the display's own key
        // state is what Wine keeps resynchronising to, so a key pressed only inside Wine would
        // not stay down.
        const char* name = vk == VK_SHIFT     ? "shift"
                           : vk == VK_CONTROL ? "ctrl"
                           : vk == VK_ESCAPE  ? "Escape"
                           : vk == VK_SPACE   ? "space"
                                              : nullptr;
        if (name && RunXdotool(std::string(down ? "keydown " : "keyup ") + name)) return;
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        SendInput(1, &in, sizeof in);
    });
    return Wait(40);
}

InputScript& InputScript::Wait(DWORD ms) {
    steps_.push_back([ms] { Sleep(ms); });
    return *this;
}

InputScript& InputScript::Then(std::function<void()> fn) {
    steps_.push_back(std::move(fn));
    return *this;
}

void InputScript::Start() {
    worker_ = std::thread([this] {
        for (auto& s : steps_)
            s();
        done_ = true;
    });
}

bool InputScript::Finish(DWORD timeoutMs) {
    bool ok = testsupport::PumpUntil([this] { return done_; }, timeoutMs);
    if (worker_.joinable() && done_) worker_.join();
    return ok;
}

} // namespace ddtest
