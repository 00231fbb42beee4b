// The contract between hosts and plug-in libraries: entry point names, signatures and calling
// conventions. Plug-ins define the functions declared here; hosts look them up by name and call
// them through the pointer types.
//
// Values that cross the boundary are 32 bits wide on the 32-bit build: text pointers (ANSI, read
// only by the callee), window handles, bitmap handles and Boolean results (1 success, 0 failure).
// An argument typed KPlugUnused must be passed but no library reads it.
#pragma once

#include <windows.h>

#include <cstddef>

using KPlugUnused = UINT_PTR;

// Exported names.
inline constexpr char kKPLUGopen[] = "KPLUGopen";
inline constexpr char kKPLUGsave[] = "KPLUGsave";
inline constexpr char kKPLUGexport[] = "KPLUGexport";
inline constexpr char kKPLUGinfo[] = "KPLUGinfo";
inline constexpr char kKPLUGconfig[] = "KPLUGconfig";
inline constexpr char kKPLUGtool[] = "KPLUGtool";
inline constexpr char kKPLUGfilter[] = "KPLUGfilter";
inline constexpr char kLoadFile[] = "LoadFile";
inline constexpr char kDoPrint[] = "DoPrint";

extern "C" {

// Decodes the file into a new bitmap that the caller owns; 0 when it is not a valid image.
HBITMAP WINAPI KPLUGopen(LPCSTR fileName, LPCSTR extension, HWND appWindow);
// Shows information about the file, modal to appWindow; 1 after the dialog closed, 0 on failure.
BOOL WINAPI KPLUGinfo(LPCSTR fileName, KPlugUnused, KPlugUnused, HWND appWindow);
// Writes the image to the file and deletes the bitmap it was given.
BOOL WINAPI KPLUGsave(LPCSTR fileName, KPlugUnused, KPlugUnused, HBITMAP image);
// Runs the export dialog on the image and deletes the bitmap it was given; always 1.
BOOL WINAPI KPLUGexport(KPlugUnused, HWND appWindow, HBITMAP image);
// Shows the settings dialog; always 1.
BOOL WINAPI KPLUGconfig(KPlugUnused);
// A tool command; the image stays the caller's. Always 0.
BOOL WINAPI KPLUGtool(KPlugUnused, LPCSTR fileName, HWND appWindow, HBITMAP image);
// Filters the image (which stays the caller's) into a new bitmap the caller owns; 0 when none.
HBITMAP __cdecl KPLUGfilter(KPlugUnused, KPlugUnused, HBITMAP image);
// Downloads url into localFile. The text returned belongs to the library until its next call.
LPCSTR WINAPI LoadFile(HWND appWindow, LPCSTR url, LPCSTR localFile, LPCSTR userAgent, LPCSTR referrer);
// Print preview of the image; printAtOnce (only its low byte counts) prints without it. Always 1.
BOOL WINAPI DoPrint(HWND appWindow, HBITMAP image, LPCSTR fileName, BYTE printAtOnce);

} // extern "C"

using TKPLUGopen = decltype(&KPLUGopen);
using TKPLUGinfo = decltype(&KPLUGinfo);
using TKPLUGsave = decltype(&KPLUGsave);
using TKPLUGexport = decltype(&KPLUGexport);
using TKPLUGconfig = decltype(&KPLUGconfig);
using TKPLUGtool = decltype(&KPLUGtool);
using TKPLUGfilter = decltype(&KPLUGfilter);
using TLoadFile = decltype(&LoadFile);
using TDoPrint = decltype(&DoPrint);

namespace kplug_detail {
// Bytes an argument list occupies on the 32-bit stack: every argument takes a whole 4-byte slot.
template <typename F> struct StackBytes;
template <typename... A> inline constexpr size_t kSlotBytes = (((sizeof(A) + 3) / 4 * 4) + ... + 0);
template <typename R, typename... A> struct StackBytes<R(__cdecl*)(A...)> {
    static constexpr size_t value = kSlotBytes<A...>;
};
#if defined(__i386__) || defined(_M_IX86)
template <typename R, typename... A> struct StackBytes<R(__stdcall*)(A...)> {
    static constexpr size_t value = kSlotBytes<A...>;
};
#endif
} // namespace kplug_detail

#if defined(__i386__) || defined(_M_IX86)
// What the 32-bit hosts rely on: every value is 32 bits wide, and the stdcall argument sizes match
// the decorated names (KPLUGopen@12 ...) that the .def files map to the plain ones.
static_assert(sizeof(LPCSTR) == 4 && sizeof(HWND) == 4 && sizeof(HBITMAP) == 4 && sizeof(BOOL) == 4);
static_assert(sizeof(KPlugUnused) == 4);
static_assert(kplug_detail::StackBytes<TKPLUGopen>::value == 12);
static_assert(kplug_detail::StackBytes<TKPLUGinfo>::value == 16);
static_assert(kplug_detail::StackBytes<TKPLUGsave>::value == 16);
static_assert(kplug_detail::StackBytes<TKPLUGexport>::value == 12);
static_assert(kplug_detail::StackBytes<TKPLUGconfig>::value == 4);
static_assert(kplug_detail::StackBytes<TKPLUGtool>::value == 16);
static_assert(kplug_detail::StackBytes<TKPLUGfilter>::value == 12);
static_assert(kplug_detail::StackBytes<TLoadFile>::value == 20);
static_assert(kplug_detail::StackBytes<TDoPrint>::value == 16);
#endif
