// A program started by a test, ended if it is still running when the test is done.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

class ChildProcess {
public:
    // commandLine holds the program and its arguments, quoted as a shell would need them.
    explicit ChildProcess(const std::string& commandLine);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    bool Started() const { return info_.hProcess != nullptr; }
    DWORD Id() const { return info_.dwProcessId; }
    // A visible top-level window of the process with the caption, waited for up to timeoutMs.
    HWND WaitForWindow(const std::string& caption, DWORD timeoutMs = 10000) const;
    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD WaitForExit(DWORD timeoutMs = 10000);

private:
    PROCESS_INFORMATION info_{};
};

} // namespace testsupport
