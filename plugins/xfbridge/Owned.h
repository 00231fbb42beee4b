// Single owners for the few Win32 handles the bridge holds, and scoped locks and device contexts.
#pragma once

#include <windows.h>

#include <utility>

namespace xfbridge {

// Owns one handle of type H and releases it with Release exactly once; move-only.
template <typename H, auto Release> class Owned {
public:
    Owned() = default;
    explicit Owned(H h) : h_(h) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : h_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~Owned() { reset(); }

    H get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    [[nodiscard]] H release() { return std::exchange(h_, nullptr); }
    void reset(H h = nullptr) {
        if (H old = std::exchange(h_, h)) Release(old);
    }

private:
    H h_ = nullptr;
};

inline void ReleaseGlobal(HGLOBAL h) {
    GlobalFree(h);
}
inline void ReleaseLibrary(HMODULE h) {
    FreeLibrary(h);
}
inline void ReleaseBitmap(HBITMAP h) {
    DeleteObject(h);
}
inline void ReleaseKey(HKEY h) {
    RegCloseKey(h);
}
inline void ReleaseWindow(HWND h) {
    DestroyWindow(h);
}

using OwnedGlobal = Owned<HGLOBAL, ReleaseGlobal>;
using OwnedModule = Owned<HMODULE, ReleaseLibrary>;
using OwnedBitmap = Owned<HBITMAP, ReleaseBitmap>;
using OwnedKey = Owned<HKEY, ReleaseKey>;
using OwnedWindow = Owned<HWND, ReleaseWindow>;

// Keeps a movable global block locked for its lifetime.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL block) : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    ~GlobalLockGuard() {
        if (data_) GlobalUnlock(block_);
    }
    void* data() const { return data_; }

private:
    HGLOBAL block_;
    void* data_;
};

// A window's device context (the screen's for no window), released when done.
class WindowDC {
public:
    explicit WindowDC(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

} // namespace xfbridge
