// Move-only owners of Win32 and GDI handles: one template, one line per handle kind.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <utility>

namespace kovalin {

// Traits say what the handle type is, which value means "none" and how to release one.
template <typename Traits> class UniqueHandle {
public:
    using T = typename Traits::type;

    UniqueHandle() = default;
    explicit UniqueHandle(T h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::invalid(); }

    // Gives up ownership: the caller now releases the handle.
    [[nodiscard]] T release() { return std::exchange(h_, Traits::invalid()); }

    void reset(T h = Traits::invalid()) {
        T old = std::exchange(h_, h);
        if (old != Traits::invalid()) Traits::close(old);
    }

    // For APIs that return a handle through an out parameter.
    T* put() {
        reset();
        return &h_;
    }

private:
    T h_ = Traits::invalid();
};

namespace detail {
template <typename H, auto Close> struct NullTraits {
    using type = H;
    static constexpr H invalid() { return nullptr; }
    static void close(H h) { Close(h); }
};
template <auto Close> struct InvalidValueTraits {
    using type = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { Close(h); }
};
inline void DeleteGdi(HGDIOBJ h) {
    ::DeleteObject(h);
}
inline void CloseKernel(HANDLE h) {
    ::CloseHandle(h);
}
inline void CloseKey(HKEY h) {
    ::RegCloseKey(h);
}
inline void ReleaseLibrary(HMODULE h) {
    ::FreeLibrary(h);
}
inline void DeleteMemoryDC(HDC h) {
    ::DeleteDC(h);
}
inline void CloseFind(HANDLE h) {
    ::FindClose(h);
}
inline void CloseChangeNotification(HANDLE h) {
    ::FindCloseChangeNotification(h);
}
inline void DestroyWnd(HWND h) {
    ::DestroyWindow(h);
}
inline void DestroyImageList(HIMAGELIST h) {
    ::ImageList_Destroy(h);
}
inline void DestroyMenuHandle(HMENU h) {
    ::DestroyMenu(h);
}
} // namespace detail

using UniqueHBitmap = UniqueHandle<detail::NullTraits<HBITMAP, detail::DeleteGdi>>;
using UniqueHPalette = UniqueHandle<detail::NullTraits<HPALETTE, detail::DeleteGdi>>;
using UniqueHFont = UniqueHandle<detail::NullTraits<HFONT, detail::DeleteGdi>>;
using UniqueHBrush = UniqueHandle<detail::NullTraits<HBRUSH, detail::DeleteGdi>>;
using UniqueHPen = UniqueHandle<detail::NullTraits<HPEN, detail::DeleteGdi>>;
using UniqueMemoryDC = UniqueHandle<detail::NullTraits<HDC, detail::DeleteMemoryDC>>;
using UniqueHKey = UniqueHandle<detail::NullTraits<HKEY, detail::CloseKey>>;
using UniqueHModule = UniqueHandle<detail::NullTraits<HMODULE, detail::ReleaseLibrary>>;
using UniqueHandleObj = UniqueHandle<detail::NullTraits<HANDLE, detail::CloseKernel>>;
using UniqueHWnd = UniqueHandle<detail::NullTraits<HWND, detail::DestroyWnd>>;
using UniqueHImageList = UniqueHandle<detail::NullTraits<HIMAGELIST, detail::DestroyImageList>>;
using UniqueHMenu = UniqueHandle<detail::NullTraits<HMENU, detail::DestroyMenuHandle>>;
using UniqueFileHandle = UniqueHandle<detail::InvalidValueTraits<detail::CloseKernel>>;
using UniqueFindHandle = UniqueHandle<detail::InvalidValueTraits<detail::CloseFind>>;
using UniqueChangeNotification = UniqueHandle<detail::InvalidValueTraits<detail::CloseChangeNotification>>;

// Selects a GDI object into a DC for the guard's lifetime and puts the previous one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(::SelectObject(dc, obj)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        if (old_) ::SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A window's device context (the screen's for no window), released when the guard ends.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// The screen DC, released when the guard ends.
class ScreenDC : public WindowDC {
public:
    ScreenDC() : WindowDC(nullptr) {}
};

// The painting DC of a WM_PAINT message: EndPaint runs however the painting ends, so the window
// is validated even when a paint handler throws.
class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window), dc_(::BeginPaint(window, &ps_)) {}
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    ~PaintDC() { ::EndPaint(window_, &ps_); }
    HDC get() const { return dc_; }
    // The part of the window to be painted.
    const RECT& Rect() const { return ps_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

} // namespace kovalin
