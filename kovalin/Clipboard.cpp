#include "kovalin/Clipboard.h"

#include "kovalin/Exceptions.h"
#include "kovalin/Handles.h"

namespace kovalin {

TClipboard::TClipboard(HWND owner) {
    // Another program may be between its own open and close: a few tries, then give up.
    for (int attempt = 0; !OpenClipboard(owner); ++attempt) {
        if (attempt == 20) RaiseLastOSError("OpenClipboard");
        Sleep(10);
    }
}

TClipboard::~TClipboard() {
    CloseClipboard();
}

bool TClipboard::HasFormat(UINT format) const {
    return IsClipboardFormatAvailable(format) != FALSE;
}

void TClipboard::Assign(TGraphic& graphic) {
    UINT format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    graphic.SaveToClipboardFormat(format, data, palette);
    // Ours until the clipboard takes them.
    UniqueHBitmap ownedBitmap(format == CF_BITMAP ? static_cast<HBITMAP>(data) : nullptr);
    UniqueHPalette ownedPalette(palette);
    if (!EmptyClipboard()) RaiseLastOSError("EmptyClipboard");
    if (!SetClipboardData(format, data)) RaiseLastOSError("SetClipboardData");
    static_cast<void>(ownedBitmap.release());
    if (palette && SetClipboardData(CF_PALETTE, palette)) static_cast<void>(ownedPalette.release());
}

bool TClipboard::AssignTo(TGraphic& graphic) {
    HANDLE data = GetClipboardData(CF_BITMAP);
    if (!data) return false;
    auto palette = static_cast<HPALETTE>(HasFormat(CF_PALETTE) ? GetClipboardData(CF_PALETTE) : nullptr);
    graphic.LoadFromClipboardFormat(CF_BITMAP, data, palette);
    return true;
}

} // namespace kovalin
