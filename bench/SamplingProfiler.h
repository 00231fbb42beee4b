// A sampling profiler for the benchmarks: while a Sampling object lives, a helper thread stops the
// measured thread about once a millisecond, walks its stack and notes every return address as a
// module name and an offset into that module. bench/profile_report.py turns the file into a
// profile of the program's own functions (with the symbols of the .exe).
//
// Sampling costs the measured thread a few per cent; a profiled run is for finding where the time
// goes, not for the figures.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

class Sampling {
public:
    // Samples the calling thread into `file` (appending, one sample a line, each headed by
    // `label`); does nothing for an empty file name.
    Sampling(const char* file, const char* label) : label_(label ? label : "") {
        if (!file || !*file) return;
        out_ = std::fopen(file, "a");
        if (!out_) return;
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &target_, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        AddModule(reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr)));
        stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, &Sampling::Run, this, 0, nullptr);
    }
    Sampling(const Sampling&) = delete;
    Sampling& operator=(const Sampling&) = delete;
    ~Sampling() {
        if (thread_) {
            SetEvent(stop_);
            WaitForSingleObject(thread_, INFINITE);
            CloseHandle(thread_);
        }
        if (stop_) CloseHandle(stop_);
        if (target_) CloseHandle(target_);
        if (out_) std::fclose(out_);
    }

private:
#if defined(_M_X64) || defined(__x86_64__)
    using FunctionEntry = RUNTIME_FUNCTION;
#else
    // The 32-bit walk stops at the first frame and reads no unwind tables.
    struct FunctionEntry {
        DWORD BeginAddress, EndAddress, UnwindData;
    };
#endif
    struct Module {
        uintptr_t base, end;
        std::string name;
        const FunctionEntry* functions = nullptr; // the module's unwind table, by start address
        size_t functionCount = 0;
    };

    static DWORD WINAPI Run(void* self) {
        static_cast<Sampling*>(self)->Loop();
        return 0;
    }

    // While the thread is stopped nothing here may take a lock it could hold (the heap's, the
    // loader's): the frames go into reserved space, and a frame in a module not met before ends
    // the walk; the module is looked up once the thread runs again.
    void Loop() {
        std::vector<uintptr_t> frames;
        frames.reserve(kDepth);
        while (WaitForSingleObject(stop_, 1) == WAIT_TIMEOUT) {
            frames.clear();
            uintptr_t unknown = 0;
            if (SuspendThread(target_) == static_cast<DWORD>(-1)) break;
            CONTEXT context{};
            context.ContextFlags = CONTEXT_FULL;
            if (GetThreadContext(target_, &context)) unknown = Walk(context, frames);
            ResumeThread(target_);
            if (unknown) AddModule(unknown);
            Write(frames);
        }
    }

    static constexpr size_t kDepth = 48;

    const Module* Known(uintptr_t address) const {
        for (const Module& m : modules_)
            if (address >= m.base && address < m.end) return &m;
        return nullptr;
    }

#if defined(_M_X64) || defined(__x86_64__)
    // The x64 unwind tables of the modules say how to find each frame's caller. Returns the first
    // address in a module not known yet, 0 when the walk ended otherwise.
    uintptr_t Walk(CONTEXT context, std::vector<uintptr_t>& frames) const {
        while (frames.size() < kDepth && context.Rip) {
            const Module* m = Known(context.Rip);
            if (!m) return context.Rip;
            frames.push_back(context.Rip);
            const DWORD rva = static_cast<DWORD>(context.Rip - m->base);
            const RUNTIME_FUNCTION* f = nullptr;
            size_t lo = 0, hi = m->functionCount;
            while (lo < hi) {
                const size_t mid = (lo + hi) / 2;
                if (m->functions[mid].EndAddress <= rva)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            if (lo < m->functionCount && m->functions[lo].BeginAddress <= rva) f = &m->functions[lo];
            if (!f) { // a leaf: the return address is on top of the stack
                context.Rip = *reinterpret_cast<DWORD64*>(context.Rsp);
                context.Rsp += 8;
                continue;
            }
            void* handlerData = nullptr;
            DWORD64 establisher = 0;
            RtlVirtualUnwind(UNW_FLAG_NHANDLER, m->base, context.Rip, const_cast<RUNTIME_FUNCTION*>(f),
                             &context, &handlerData, &establisher, nullptr);
        }
        return 0;
    }
#else
    uintptr_t Walk(CONTEXT context, std::vector<uintptr_t>& frames) const {
        if (!Known(context.Eip)) return context.Eip;
        frames.push_back(context.Eip);
        return 0;
    }
#endif

    void AddModule(uintptr_t address) {
        HMODULE module = nullptr;
        if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                    GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                reinterpret_cast<LPCSTR>(address), &module) ||
            !module)
            return;
        char path[MAX_PATH] = "";
        GetModuleFileNameA(module, path, MAX_PATH);
        const char* name = std::strrchr(path, '\\');
        const auto* image = reinterpret_cast<const unsigned char*>(module);
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
        Module m{reinterpret_cast<uintptr_t>(module),
                 reinterpret_cast<uintptr_t>(module) + nt->OptionalHeader.SizeOfImage,
                 name ? name + 1 : path};
        const IMAGE_DATA_DIRECTORY& table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXCEPTION];
        if (table.VirtualAddress && table.Size) {
            m.functions = reinterpret_cast<const FunctionEntry*>(image + table.VirtualAddress);
            m.functionCount = table.Size / sizeof(FunctionEntry);
        }
        modules_.push_back(std::move(m));
    }

    void Write(const std::vector<uintptr_t>& frames) {
        if (frames.empty()) return;
        std::fprintf(out_, "%s", label_.c_str());
        for (uintptr_t f : frames) {
            const Module* m = Known(f);
            std::fprintf(out_, " %s+%llx", m ? m->name.c_str() : "?",
                         static_cast<unsigned long long>(m ? f - m->base : f));
        }
        std::fputc('\n', out_);
    }

    std::string label_;
    std::FILE* out_ = nullptr;
    HANDLE target_ = nullptr, stop_ = nullptr, thread_ = nullptr;
    std::vector<Module> modules_;
};

} // namespace bench
