#include "shell/ShellDialogs.h"

#include "kovalin/ComPtr.h"
#include "kovalin/Handles.h"
#include "kovalin/Module.h"
#include "shell/PIDL.h"

#include <shlobj.h>

#include <memory>

namespace shell {

using kovalin::ComPtr;

namespace {

// Shell commands get ids 1..1000; the application's extra items follow from 1001.
constexpr UINT kFirstShellCmd = 1;
constexpr UINT kLastShellCmd = 1000;
constexpr UINT kFirstExtraCmd = 1001;

const char kRelayClass[] = "ShellDialogsCallBack";
const char kRelayTitle[] = "ShellDialogsCallBackProcessor";

// Owner-drawn shell menu items (icons, "Send to" and the like) need their drawing messages
// passed back to the menu's interface; this hidden window owns the menu and relays them.
LRESULT CALLBACK RelayProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* cm2 = reinterpret_cast<IContextMenu2*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (cm2 && (msg == WM_DRAWITEM || msg == WM_MEASUREITEM || msg == WM_INITMENUPOPUP)) {
        cm2->HandleMenuMsg(msg, wParam, lParam);
        return msg == WM_INITMENUPOPUP ? 0 : TRUE;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class RelayWindow {
public:
    explicit RelayWindow(IContextMenu2* cm2) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = RelayProc;
        wc.hInstance = kovalin::ThisModule();
        wc.lpszClassName = kRelayClass;
        RegisterClassA(&wc);
        window_.reset(CreateWindowExA(0, kRelayClass, kRelayTitle, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      kovalin::ThisModule(), cm2));
    }
    RelayWindow(const RelayWindow&) = delete;
    RelayWindow& operator=(const RelayWindow&) = delete;
    ~RelayWindow() {
        window_.reset();
        UnregisterClassA(kRelayClass, kovalin::ThisModule());
    }
    HWND get() const { return window_.get(); }

private:
    kovalin::UniqueHWnd window_;
};

// The context menu interface of some items of one folder, given as item id lists relative to it.
ComPtr<IContextMenu> ContextMenuOf(HWND owner, IShellFolder* folder,
                                   const std::vector<LPCITEMIDLIST>& items) {
    ComPtr<IContextMenu> menu;
    if (!folder || items.empty()) return menu;
    std::vector<LPCITEMIDLIST> list(items);
    if (FAILED(folder->GetUIObjectOf(owner, static_cast<UINT>(list.size()), list.data(), IID_IContextMenu,
                                     nullptr, menu.put_void())))
        menu.reset();
    return menu;
}

// Parent folder and last item of a path; false when the shell cannot resolve it.
bool SplitPath(const std::string& path, ComPtr<IShellFolder>& folder, UniquePidl& item) {
    UniquePidl full(PidlFromPath(path));
    if (!full) return false;
    LPITEMIDLIST parent = nullptr, last = nullptr;
    PidlSplit(full.get(), parent, last);
    UniquePidl parentOwner(parent);
    item.reset(last);
    return item && BindFolder(parentOwner.get(), folder);
}

std::string ShowMenu(HWND owner, POINT pt, IContextMenu* menu, bool invokePaste, bool canRename,
                     const kovalin::TPopupMenu* extraItems) {
    if (!menu) return std::string();
    std::string verb;
    try {
        kovalin::UniqueHMenu popup(CreatePopupMenu());
        if (!popup) return verb;
        ComPtr<IContextMenu2> cm2;
        menu->QueryInterface(IID_IContextMenu2, cm2.put_void());
        UINT flags = CMF_EXPLORE | (canRename ? CMF_CANRENAME : 0);
        if (FAILED(menu->QueryContextMenu(popup.get(), 0, kFirstShellCmd, kLastShellCmd, flags))) return verb;

        if (extraItems && extraItems->Count() > 0) {
            AppendMenuA(popup.get(), MF_SEPARATOR, 0, nullptr);
            for (size_t i = 0; i < extraItems->Count(); ++i) {
                const kovalin::TMenuItem& item = extraItems->Item(i);
                if (!item.Visible || !item.Enabled) continue;
                AppendMenuA(popup.get(), MF_STRING | (item.Checked ? MF_CHECKED : 0), kFirstExtraCmd + i,
                            item.Caption.c_str());
            }
        }

        std::unique_ptr<RelayWindow> relay;
        if (cm2) relay = std::make_unique<RelayWindow>(cm2.get());
        HWND menuOwner = relay && relay->get() ? relay->get() : owner;
        UINT cmd = static_cast<UINT>(TrackPopupMenu(
            popup.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, pt.x, pt.y, 0, menuOwner, nullptr));
        if (cmd >= kFirstShellCmd && cmd <= kLastShellCmd) {
            char buf[256] = {};
            if (SUCCEEDED(menu->GetCommandString(cmd - kFirstShellCmd, GCS_VERBA, nullptr, buf, 255))) {
                buf[255] = '\0';
                verb = buf;
                CharLowerBuffA(verb.data(), static_cast<DWORD>(verb.size()));
            }
            if (verb != "rename" && (invokePaste || verb != "paste")) {
                CMINVOKECOMMANDINFO ici{};
                ici.cbSize = sizeof ici;
                ici.hwnd = owner;
                ici.lpVerb = MAKEINTRESOURCEA(cmd - kFirstShellCmd);
                ici.nShow = SW_SHOWNORMAL;
                menu->InvokeCommand(&ici);
            }
        } else if (cmd >= kFirstExtraCmd && extraItems && cmd - kFirstExtraCmd < extraItems->Count()) {
            extraItems->Item(cmd - kFirstExtraCmd).Click();
        }
    } catch (...) {
        // A misbehaving shell extension ends the menu, nothing more.
    }
    return verb;
}

} // namespace

std::string ShellDisplayContextMenu(HWND owner, POINT pt, const std::string& path, bool invokePaste,
                                    bool canRename, const kovalin::TPopupMenu* extraItems) {
    ComPtr<IShellFolder> folder;
    UniquePidl item;
    if (!SplitPath(path, folder, item)) return std::string();
    ComPtr<IContextMenu> menu = ContextMenuOf(owner, folder.get(), {item.get()});
    return ShowMenu(owner, pt, menu.get(), invokePaste, canRename, extraItems);
}

std::string ShellDisplayContextMenuMulti(HWND owner, POINT pt, const std::string& folderPath,
                                         const std::vector<std::string>& names, bool invokePaste,
                                         bool canRename, const kovalin::TPopupMenu* extraItems) {
    UniquePidl folderPidl(PidlFromPath(folderPath));
    ComPtr<IShellFolder> folder;
    if (!folderPidl || !BindFolder(folderPidl.get(), folder)) return std::string();
    std::vector<UniquePidl> owned;
    std::vector<LPCITEMIDLIST> items;
    for (const auto& name : names) {
        owned.emplace_back(PidlFromName(folder.get(), name));
        if (!owned.back()) return std::string();
        items.push_back(owned.back().get());
    }
    ComPtr<IContextMenu> menu = ContextMenuOf(owner, folder.get(), items);
    return ShowMenu(owner, pt, menu.get(), invokePaste, canRename, extraItems);
}

std::string ShellDisplayContextMenuItems(HWND owner, POINT pt, IShellFolder* folder,
                                         const std::vector<LPCITEMIDLIST>& items, bool invokePaste,
                                         bool canRename) {
    ComPtr<IContextMenu> menu = ContextMenuOf(owner, folder, items);
    return ShowMenu(owner, pt, menu.get(), invokePaste, canRename, nullptr);
}

bool ShellExecuteVerbItems(HWND owner, const std::string& verb, IShellFolder* folder,
                           const std::vector<LPCITEMIDLIST>& items) {
    ComPtr<IContextMenu> menu = ContextMenuOf(owner, folder, items);
    if (!menu || verb.empty()) return false;
    try {
        kovalin::UniqueHMenu popup(CreatePopupMenu());
        // Some menus answer verbs only once they have been built.
        if (popup) menu->QueryContextMenu(popup.get(), 0, kFirstShellCmd, kLastShellCmd, CMF_NORMAL);
        CMINVOKECOMMANDINFO ici{};
        ici.cbSize = sizeof ici;
        ici.hwnd = owner;
        ici.nShow = SW_SHOWNORMAL;
        ici.lpVerb = verb.c_str();
        return SUCCEEDED(menu->InvokeCommand(&ici));
    } catch (...) {
        return false;
    }
}

bool ShellExecuteVerbMulti(HWND owner, const std::string& verb, const std::string& folderPath,
                           const std::vector<std::string>& names) {
    UniquePidl folderPidl(PidlFromPath(folderPath));
    ComPtr<IShellFolder> folder;
    if (!folderPidl || !BindFolder(folderPidl.get(), folder)) return false;
    std::vector<UniquePidl> owned;
    std::vector<LPCITEMIDLIST> items;
    for (const auto& name : names) {
        owned.emplace_back(PidlFromName(folder.get(), name));
        if (!owned.back()) return false;
        items.push_back(owned.back().get());
    }
    return ShellExecuteVerbItems(owner, verb, folder.get(), items);
}

bool ShellExecuteVerb(HWND owner, const std::string& verb, const std::string& path) {
    ComPtr<IShellFolder> folder;
    UniquePidl item;
    if (!SplitPath(path, folder, item)) return false;
    ComPtr<IContextMenu> menu = ContextMenuOf(owner, folder.get(), {item.get()});
    if (!menu) return false;
    try {
        CMINVOKECOMMANDINFO ici{};
        ici.cbSize = sizeof ici;
        ici.hwnd = owner;
        ici.nShow = SW_SHOWNORMAL;
        if (verb.empty()) {
            kovalin::UniqueHMenu popup(CreatePopupMenu());
            if (!popup || FAILED(menu->QueryContextMenu(popup.get(), 0, kFirstShellCmd, kLastShellCmd,
                                                        CMF_DEFAULTONLY)))
                return false;
            UINT def = GetMenuDefaultItem(popup.get(), FALSE, 0);
            if (def == static_cast<UINT>(-1)) return false;
            ici.lpVerb = MAKEINTRESOURCEA(def - kFirstShellCmd);
        } else {
            ici.lpVerb = verb.c_str();
        }
        return SUCCEEDED(menu->InvokeCommand(&ici));
    } catch (...) {
        return false;
    }
}

const TShellClipboardFormats& ShellClipboardFormats() {
    static const TShellClipboardFormats formats = [] {
        TShellClipboardFormats f;
        f.FileContents = RegisterClipboardFormatA("FileContents");
        f.FileGroupDescriptor = RegisterClipboardFormatA("FileGroupDescriptor");
        f.FileName = RegisterClipboardFormatA("FileName");
        f.FileNameMap = RegisterClipboardFormatA("FileNameMap");
        f.FileNameMapW = RegisterClipboardFormatA("FileNameMapW");
        f.InShellDragLoop = RegisterClipboardFormatA("InShellDragLoop");
        f.NetResource = RegisterClipboardFormatA("Net Resource");
        f.PasteSucceeded = RegisterClipboardFormatA("Paste Succeeded");
        f.PerformedDropEffect = RegisterClipboardFormatA("Performed DropEffect");
        f.PreferredDropEffect = RegisterClipboardFormatA("Preferred DropEffect");
        f.PrinterFriendlyName = RegisterClipboardFormatA("PrinterFriendlyName");
        f.ShellIDListArray = RegisterClipboardFormatA("Shell IDList Array");
        f.ShellObjectOffsets = RegisterClipboardFormatA("Shell Object Offsets");
        f.UniformResourceLocator = RegisterClipboardFormatA("UniformResourceLocator");
        return f;
    }();
    return formats;
}

} // namespace shell
