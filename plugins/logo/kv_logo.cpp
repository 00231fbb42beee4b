// Entry point of the logo changer library.
#include "kovalin/Application.h"
#include "kovalin/Exceptions.h"
#include "plugin_api/KPlug.h"
#include "plugins/logo/LogoChanger.h"

#include <exception>

using namespace kovalin;

namespace {

// Nothing may leave the library as an exception: the error is shown, owned by the host's window,
// and its system code is left for the caller to find.
void ShowToolError(HWND owner, const char* message, DWORD code) {
    MessageBoxA(owner, message, kvlogo::kMessageCaption, MB_OK | MB_ICONERROR);
    SetLastError(code);
}

} // namespace

extern "C" BOOL WINAPI KPLUGtool(KPlugUnused, LPCSTR, HWND appWindow, HBITMAP image) {
    try {
        Application().SetHandle(appWindow);
        SetLastError(ERROR_SUCCESS);
        kvlogo::RunLogoChanger(appWindow, image);
    } catch (const EOSError& e) {
        ShowToolError(appWindow, e.what(), e.ErrorCode());
    } catch (const std::exception& e) {
        ShowToolError(appWindow, e.what(), ERROR_GEN_FAILURE);
    } catch (...) {
        ShowToolError(appWindow, "Unexpected error", ERROR_GEN_FAILURE);
    }
    return 0;
}
