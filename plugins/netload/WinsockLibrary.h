// The Windows Sockets 1.1 library of the process, loaded from wsock32.dll when a socket first
// needs it and released again when the last socket is gone. Entry points are looked up by name
// on first use, so nothing links against the library.
#pragma once

#include "plugins/netload/SocketError.h"

#include <windows.h>

#include <winsock.h>

#include <map>
#include <string>

namespace netload {

class TWinsockLibrary {
public:
    TWinsockLibrary() = default;
    TWinsockLibrary(const TWinsockLibrary&) = delete;
    TWinsockLibrary& operator=(const TWinsockLibrary&) = delete;
    ~TWinsockLibrary();

    // The process's one instance: every socket shares the loaded library and its start-up.
    static TWinsockLibrary& Instance();

    // Live socket components. When the count drops to zero the library is cleaned up and
    // released, and every looked-up entry point is forgotten.
    void AddUser() { ++users_; }
    void RemoveUser();
    int Users() const { return users_; }
    bool Loaded() const { return module_ != nullptr; }

    // Loads and starts the library if needed and gives the entry point, typed after its
    // declaration: Entry<decltype(&::recv)>("recv"). Raises ESocketException on failure.
    template <typename Fn> Fn Entry(const char* name) { return reinterpret_cast<Fn>(Lookup(name)); }

private:
    void Load();
    void Release();
    void* Lookup(const char* name);

    int users_ = 0;
    HMODULE module_ = nullptr;
    std::map<std::string, void*> entries_;
};

// Shorthand for calling a sockets entry point by its own name.
#define WSOCK_CALL(fn) (::netload::TWinsockLibrary::Instance().Entry<decltype(&::fn)>(#fn))

} // namespace netload
