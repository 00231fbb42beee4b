#include "kovalin/Module.h"

#include <vector>

namespace kovalin {

HINSTANCE ThisModule() {
    static HMODULE module = [] {
        HMODULE m = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&ThisModule), &m);
        return m;
    }();
    return module;
}

std::string ModuleFolder(HMODULE module) {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(module, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::string();
        if (n < buf.size()) {
            std::string path(buf.data(), n);
            size_t slash = path.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        }
        buf.resize(buf.size() * 2);
    }
}

std::string ResourceString(HMODULE module, UINT id) {
    // String tables are stored in blocks of 16 counted UTF-16 strings; block n holds ids 16(n-1)..16n-1.
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(id / 16 + 1), MAKEINTRESOURCEA(6) /* RT_STRING */);
    if (!res) return std::string();
    HGLOBAL mem = LoadResource(module, res);
    const WCHAR* p = mem ? static_cast<const WCHAR*>(LockResource(mem)) : nullptr;
    if (!p) return std::string();
    const WCHAR* end = p + SizeofResource(module, res) / sizeof(WCHAR);
    for (UINT i = 0; i < id % 16 && p < end; ++i)
        p += 1 + *p;
    if (p >= end || *p == 0 || p + 1 + *p > end) return std::string();
    int len = *p;
    int n = WideCharToMultiByte(CP_ACP, 0, p + 1, len, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, p + 1, len, out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace kovalin
