#include "kovalin/Exceptions.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace kovalin {

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buf(static_cast<size_t>(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), fmt, args);
        out.assign(buf.data(), static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

std::string SystemErrorMessage(unsigned long code) {
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string msg = n && text ? std::string(text, n) : Format("error %lu", code);
    if (text) LocalFree(text);
    while (!msg.empty() && (msg.back() == '\n' || msg.back() == '\r' || msg.back() == ' '))
        msg.pop_back();
    return msg;
}

EOSError::EOSError(const char* what, unsigned long code)
    : Exception(Format("%s: %s", what, SystemErrorMessage(code).c_str())), code_(code) {}

void RaiseLastOSError(const char* what) {
    throw EOSError(what, GetLastError());
}

} // namespace kovalin
