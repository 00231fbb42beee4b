#include "filelist/ListGlobals.h"

#include "shell/BaseUtils.h"

#include <windows.h>

#include <shellapi.h>

#include <vector>

namespace filelist::detail {

namespace {

// The common controls draw items in stages (and so let the ".." overlay be painted) from version
// 4.70 on; the file version of the library that is loaded tells.
bool CommonControlsAtLeast470() {
    char path[MAX_PATH] = "";
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    if (!comctl || !GetModuleFileNameA(comctl, path, MAX_PATH)) return false;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return false;
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path, 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof *fixed)
        return false;
    const DWORD major = HIWORD(fixed->dwFileVersionMS), minor = LOWORD(fixed->dwFileVersionMS);
    return major > 4 || (major == 4 && minor > 69);
}

int SystemIcon(const char* path, DWORD attributes, UINT flags = 0) {
    SHFILEINFOA info{};
    SHGetFileInfoA(path, attributes, &info, sizeof info,
                   SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES | flags);
    return info.iIcon;
}

} // namespace

const ListGlobals& Globals() {
    static const ListGlobals g = [] {
        ListGlobals v;
        v.commonControls470 = CommonControlsAtLeast470();
        char buf[MAX_PATH] = "";
        GetWindowsDirectoryA(buf, MAX_PATH);
        v.windowsFolder = shell::IncludeTrailingBackslash(buf);
        GetTempPathA(MAX_PATH, buf);
        v.tempFolder = shell::IncludeTrailingBackslash(buf);
        // A made-up name: the shell answers for a file of a type nobody registered.
        v.unknownFileIcon = SystemIcon("$#)(.#$)", FILE_ATTRIBUTE_NORMAL);
        v.executableIcon = SystemIcon(".COM", FILE_ATTRIBUTE_NORMAL);
        SHFILEINFOA info{};
        SHGetFileInfoA(v.windowsFolder.c_str(), FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                       SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
        v.folderTypeName = info.szTypeName;
        v.folderIcon = info.iIcon;
        v.openFolderIcon = SystemIcon(v.windowsFolder.c_str(), FILE_ATTRIBUTE_DIRECTORY, SHGFI_OPENICON);
        return v;
    }();
    return g;
}

} // namespace filelist::detail
