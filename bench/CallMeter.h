// Counts and times the program's calls of a few system functions, to tell where a command's time
// goes without a profiler: the program's entry in its import table is pointed at a wrapper that
// notes the call and its duration and then calls the system. Only calls the program makes itself
// are seen (not those the system makes inside its own modules), which is what is wanted: the
// product's own use of the system.
#pragma once

#include <windows.h>

#include <cstring>

namespace bench {

struct CallCount {
    long long calls = 0;
    double seconds = 0;
};

// Points the program's import of `dll`!`name` at `hook`; returns the function it called before,
// or nullptr when the program does not import it by name.
inline void* PatchImport(const char* dll, const char* name, void* hook) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return nullptr;
    for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name;
         ++imp) {
        if (_stricmp(reinterpret_cast<const char*>(base + imp->Name), dll) != 0 || !imp->OriginalFirstThunk)
            continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
            DWORD old = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old))
                return nullptr;
            void* original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(hook);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return original;
        }
    }
    return nullptr;
}

// Notes one call into `count` for as long as it lives.
class TimedCall {
public:
    explicit TimedCall(CallCount& count) : count_(count) { QueryPerformanceCounter(&start_); }
    TimedCall(const TimedCall&) = delete;
    TimedCall& operator=(const TimedCall&) = delete;
    ~TimedCall() {
        LARGE_INTEGER end, f;
        QueryPerformanceCounter(&end);
        QueryPerformanceFrequency(&f);
        ++count_.calls;
        count_.seconds += double(end.QuadPart - start_.QuadPart) / double(f.QuadPart);
    }

private:
    CallCount& count_;
    LARGE_INTEGER start_;
};

} // namespace bench
