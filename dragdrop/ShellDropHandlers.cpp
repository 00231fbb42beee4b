#include "dragdrop/ShellDropHandlers.h"

#include "shell/BaseUtils.h"

#include <string>

namespace dragdrop {

namespace {

std::vector<std::string> HandlerNames(HKEY root) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(root, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    return names;
}

bool HandlerClass(HKEY root, const std::string& name, CLSID& clsid) {
    char text[128] = {};
    LONG size = sizeof text;
    if (RegQueryValueA(root, name.c_str(), text, &size) != ERROR_SUCCESS) return false;
    wchar_t wide[128];
    if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 128)) return false;
    return SUCCEEDED(CLSIDFromString(wide, &clsid));
}

} // namespace

void TFolderDropHandlers::AddToMenu(HMENU menu, UINT& next, LPCITEMIDLIST folder, IDataObject* data) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kFolderDragDropHandlersKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    kovalin::UniqueHKey owner(key);
    std::vector<std::string> names = HandlerNames(key);
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        CLSID clsid;
        if (!HandlerClass(key, *it, clsid)) continue;
        kovalin::ComPtr<IShellExtInit> init;
        if (FAILED(
                CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.put_void())))
            continue;
        // A handler that throws or fails is left out; the menu goes on without it.
        try {
            if (FAILED(init->Initialize(folder, data, nullptr))) continue;
            kovalin::ComPtr<IContextMenu> cm;
            if (FAILED(init->QueryInterface(IID_IContextMenu, cm.put_void()))) continue;
            if (next > 0x7FFF) break;
            HRESULT hr = cm->QueryContextMenu(menu, 0, next, 0x7FFF, CMF_NORMAL);
            UINT added = SUCCEEDED(hr) ? HRESULT_CODE(hr) : 0;
            if (added == 0) continue;
            handlers_.push_back(Handler{std::move(cm), next, next + added});
            next += added;
        } catch (...) {
        }
    }
}

bool TFolderDropHandlers::Invoke(UINT command, HWND window, bool& owned) {
    owned = false;
    for (Handler& h : handlers_) {
        if (command < h.first || command >= h.next) continue;
        owned = true;
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.hwnd = window;
        info.lpVerb = MAKEINTRESOURCEA(command - h.first);
        info.nShow = SW_SHOWNORMAL;
        try {
            return SUCCEEDED(h.menu->InvokeCommand(&info));
        } catch (...) {
            return false;
        }
    }
    return false;
}

kovalin::ComPtr<IDropTarget> ItemDropTarget(LPCITEMIDLIST item, const std::string& name, HWND window) {
    shell::UniquePidl absolute(item ? shell::PidlCopy(item) : shell::PidlFromPath(name));
    if (!absolute) return {};
    LPITEMIDLIST parent = nullptr, child = nullptr;
    shell::PidlSplit(absolute.get(), parent, child);
    shell::UniquePidl p(parent), c(child);
    kovalin::ComPtr<IShellFolder> folder;
    if (!c || !shell::BindFolder(p.get(), folder)) return {};
    std::string path = name;
    if (path.empty()) {
        char buffer[1025];
        if (shell::StrRetToString(folder.get(), c.get(), SHGDN_FORPARSING, buffer, sizeof buffer))
            path = buffer;
    }
    if (!shell::FileOrDirExists(path)) return {};
    LPCITEMIDLIST children[1] = {c.get()};
    kovalin::ComPtr<IDropTarget> target;
    if (FAILED(folder->GetUIObjectOf(window, 1, children, IID_IDropTarget, nullptr, target.put_void())))
        return {};
    return target;
}

} // namespace dragdrop
