#include "tests/support/HostFiles.h"

#include "tests/support/TestFiles.h"

#include <windows.h>

#include <string>

namespace testsupport {

std::string HostPath(const std::string& windowsPath) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return std::string();
    const std::wstring wide(windowsPath.begin(), windowsPath.end());
    char* unix = toUnix(wide.c_str());
    if (!unix) return std::string();
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

void MakeSparseFile(const std::string& windowsPath, int64_t size) {
    const std::string host = HostPath(windowsPath);
    if (!host.empty()) {
        std::string command = "Z:\\usr\\bin\\truncate -s " + std::to_string(size) + " \"" + host + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            WaitForSingleObject(pi.hProcess, 30000);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
            WIN32_FILE_ATTRIBUTE_DATA data{};
            if (GetFileAttributesExA(windowsPath.c_str(), GetFileExInfoStandard, &data) &&
                ((static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) == size)
                return;
        }
    }
    WriteSizedFile(windowsPath, size);
}

} // namespace testsupport
