#include "plugins/netload/WinsockLibrary.h"

#include "kovalin/Exceptions.h"

namespace netload {

namespace {
const char kLibraryName[] = "wsock32.dll";
} // namespace

TWinsockLibrary& TWinsockLibrary::Instance() {
    static TWinsockLibrary library;
    return library;
}

TWinsockLibrary::~TWinsockLibrary() {
    Release();
}

void TWinsockLibrary::RemoveUser() {
    if (users_ > 0 && --users_ == 0) Release();
}

void TWinsockLibrary::Load() {
    HMODULE module = LoadLibraryA(kLibraryName);
    if (!module)
        throw ESocketException(kovalin::Format("Unable to load %s Error #%lu", kLibraryName, GetLastError()));
    using Startup = decltype(&::WSAStartup);
    auto startup = reinterpret_cast<Startup>(reinterpret_cast<void*>(GetProcAddress(module, "WSAStartup")));
    if (!startup) {
        DWORD err = GetLastError();
        FreeLibrary(module);
        throw ESocketException(
            kovalin::Format("Procedure WSAStartup not found in %s Error #%lu", kLibraryName, err));
    }
    WSADATA data{};
    int err = startup(MAKEWORD(1, 1), &data);
    if (err != 0) {
        FreeLibrary(module);
        throw ESocketException(kovalin::Format("%s: WSAStartup error #%d", kLibraryName, err), err);
    }
    module_ = module;
}

void TWinsockLibrary::Release() {
    if (!module_) return;
    if (auto cleanup = reinterpret_cast<decltype(&::WSACleanup)>(
            reinterpret_cast<void*>(GetProcAddress(module_, "WSACleanup"))))
        cleanup();
    FreeLibrary(module_);
    module_ = nullptr;
    entries_.clear();
}

void* TWinsockLibrary::Lookup(const char* name) {
    if (!module_) Load();
    auto it = entries_.find(name);
    if (it != entries_.end()) return it->second;
    void* proc = reinterpret_cast<void*>(GetProcAddress(module_, name));
    if (!proc)
        throw ESocketException(
            kovalin::Format("Procedure %s not found in %s Error #%lu", name, kLibraryName, GetLastError()));
    entries_.emplace(name, proc);
    return proc;
}

} // namespace netload
