#include "plugins/logo/LogoChanger.h"

#include "kovalin/BitmapHandle.h"
#include "plugins/logo/GIFImage.h"
#include "plugins/logo/LogoFile.h"
#include "plugins/logo/logo.h"

namespace kvlogo {

using namespace kovalin;

namespace {

constexpr int kLogoWidth = 320;
constexpr int kLogoHeight = 400;

bool IsWindows9x() {
    OSVERSIONINFOA vi{};
    vi.dwOSVersionInfoSize = sizeof vi;
    return GetVersionExA(&vi) && vi.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

void Refuse(HWND owner, const char* text) {
    MessageBoxA(owner, text, kMessageCaption, MB_OK | MB_ICONERROR);
}

} // namespace

void RunLogoChanger(HWND owner, HBITMAP image) {
    if (!IsWindows9x()) {
        Refuse(owner, "This feature only for Windows95/98 or WindowsMe.");
        return;
    }
    std::unique_ptr<TBitmap> source = CopyBitmapHandle(image);
    std::unique_ptr<TBitmap> reduced = ReduceToPalette(*source, TReductionMethod::rmQuantizeWindows,
                                                       TDitherMode::dmFloydSteinberg, 1, nullptr);
    source.reset();
    reduced->SetPixelFormat(TPixelFormat::pf8bit);
    if (reduced->Width() != kLogoWidth || reduced->Height() != kLogoHeight) {
        Refuse(owner,
               "Image size should be 320x400 pixels. Use \"Resize\" filter to resize image to that size.");
        return;
    }
    TLogoFolders folders = GetLogoFolders();
    TfrmLogo frmLogo(owner);
    frmLogo.ShowModal();
    if (!frmLogo.HasChoice()) return;
    WriteFileReplacing(LogoFilePath(folders, frmLogo.Choice()), BitmapFileBytes(*reduced));
}

} // namespace kvlogo
