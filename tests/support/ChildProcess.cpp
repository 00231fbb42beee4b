#include "tests/support/ChildProcess.h"

#include "tests/support/WindowDriver.h"

#include <vector>

namespace testsupport {

ChildProcess::ChildProcess(const std::string& commandLine) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info_))
        info_ = {};
}

ChildProcess::~ChildProcess() {
    if (!info_.hProcess) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

HWND ChildProcess::WaitForWindow(const std::string& caption, DWORD timeoutMs) const {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND h = FindTopWindow(caption, info_.dwProcessId)) return h;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        PumpMessages(50);
    }
}

DWORD ChildProcess::WaitForExit(DWORD timeoutMs) {
    if (!info_.hProcess) return STILL_ACTIVE;
    DWORD start = GetTickCount();
    while (WaitForSingleObject(info_.hProcess, 20) == WAIT_TIMEOUT) {
        RunUntilIdle();
        if (GetTickCount() - start > timeoutMs) return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

} // namespace testsupport
