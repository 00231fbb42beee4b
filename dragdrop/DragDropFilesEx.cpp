#include "dragdrop/DragDropFilesEx.h"

#include "dragdrop/DataObjectFilesEx.h"
#include "dragdrop/FileFormats.h"
#include "dragdrop/FormatEtcList.h"
#include "dragdrop/GlobalMemory.h"
#include "kovalin/Exceptions.h"
#include "shell/BaseUtils.h"
#include "shell/ShellDialogs.h"

namespace dragdrop {

namespace {

CLIPFORMAT IdListFormat() {
    return static_cast<CLIPFORMAT>(shell::ShellClipboardFormats().ShellIDListArray);
}

bool Offers(IDataObject* data, CLIPFORMAT format) {
    FORMATETC f = MakeFormatEtc(format);
    return data && data->QueryGetData(&f) == S_OK;
}

// The path of an id list when it names something in the file system; empty otherwise.
std::string PathOf(LPCITEMIDLIST absolute) {
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(absolute, path)) return {};
    kovalin::ComPtr<IShellFolder> desktop = shell::DesktopFolder();
    char parsing[1025];
    if (desktop && shell::StrRetToString(desktop.get(), absolute, SHGDN_FORPARSING, parsing, sizeof parsing))
        return parsing;
    return path;
}

} // namespace

TDragDropFilesEx::TDragDropFilesEx() {
    SetSourceCompatibility(0);
}

bool TDragDropFilesEx::Complete() {
    if (completeFileList_) {
        for (int i = 0; i < files_.Count(); ++i) {
            TFileListItem& item = files_.Item(i);
            if (!item.Pidl && !item.Name.empty() && item.Name.size() <= 520)
                item.Pidl.reset(shell::PidlFromPath(item.Name));
            if (item.Name.empty() && item.Pidl) item.Name = PathOf(item.Pidl.get());
        }
    }
    if ((needValid_ & nvFilename) && !files_.AllNames()) return false;
    if ((needValid_ & nvPIDL) && !files_.AllPidls()) return false;
    return true;
}

kovalin::ComPtr<IDataObject> TDragDropFilesEx::CreateDataObject() {
    if (files_.Count() == 0 || !Complete()) return {};
    kovalin::ComPtr<TDataObjectFilesEx> data(new TDataObjectFilesEx(files_, IsNtFamily()));
    if ((needValid_ & nvFilename) && !data->HasFileDropList()) return {};
    if ((needValid_ & nvPIDL) && !data->HasIdListArray()) return {};
    if (!data->HasFileDropList() && !data->HasIdListArray()) return {};
    return kovalin::ComPtr<IDataObject>(data.release());
}

bool TDragDropFilesEx::DropAcceptable(IDataObject* data) {
    const bool drop = Offers(data, CF_HDROP), ids = Offers(data, IdListFormat());
    if ((needValid_ & nvFilename) && !drop) return false;
    if ((needValid_ & nvPIDL) && !ids) return false;
    return drop || ids;
}

void TDragDropFilesEx::ReadData(IDataObject* data) {
    files_.Clear();
    mappedNames_ = false;
    const shell::TShellClipboardFormats& cf = shell::ShellClipboardFormats();
    std::string bytes;
    std::vector<std::string> names;
    const bool haveDropList = GetGlobalData(data, CF_HDROP, bytes) && ParseFileDropList(bytes, names);
    for (std::string& n : names)
        files_.Add(std::move(n));

    std::vector<std::string> mapped;
    bool haveMap = GetGlobalData(data, static_cast<CLIPFORMAT>(cf.FileNameMapW), bytes) &&
                   ParseNameMap(bytes, true, mapped);
    if (!haveMap)
        haveMap = GetGlobalData(data, static_cast<CLIPFORMAT>(cf.FileNameMap), bytes) &&
                  ParseNameMap(bytes, false, mapped);
    if (haveMap) {
        mappedNames_ = true;
        if (static_cast<int>(mapped.size()) > files_.Count())
            throw kovalin::Exception("A non-existing filename is mapped");
        for (size_t i = 0; i < mapped.size(); ++i)
            files_.Item(static_cast<int>(i)).MappedName = mapped[i];
    }

    std::vector<shell::UniquePidl> lists;
    if (GetGlobalData(data, IdListFormat(), bytes) && ParseIdListArray(bytes, lists)) {
        if (haveDropList) {
            for (size_t i = 0; i < lists.size() && static_cast<int>(i) < files_.Count(); ++i)
                files_.Item(static_cast<int>(i)).Pidl = std::move(lists[i]);
        } else {
            for (shell::UniquePidl& p : lists)
                files_.Add(std::string(), std::move(p));
        }
    }
}

bool TDragDropFilesEx::DropTargetItem(LPCITEMIDLIST item, const std::string& name, TDropEffects& effect) {
    if (!ItemDropTarget(item, name, ControlHandle())) return false;
    if (effect == deLink) effect = deNone;
    return true;
}

shell::UniquePidl TDragDropFilesEx::SpecifiedTarget(bool handlers, POINT point, std::string& name) {
    shell::UniquePidl item;
    name.clear();
    if (!OnSpecifyDropTarget) return item;
    OnSpecifyDropTarget(handlers, point, item, name);
    if (!item && !name.empty()) item.reset(shell::PidlFromPath(name));
    return item;
}

bool TDragDropFilesEx::DropHandler(IDataObject* data, DWORD keyState, POINT screen, TDropEffects effect) {
    if (!shellExtensions_.DropHandler || !OnSpecifyDropTarget) return false;
    POINT client = screen;
    if (HWND h = ControlHandle()) ScreenToClient(h, &client);
    std::string name;
    shell::UniquePidl item = SpecifiedTarget(false, client, name);
    if (!item) return false;
    kovalin::ComPtr<IDropTarget> target = ItemDropTarget(item.get(), name, ControlHandle());
    if (!target) return false;
    POINTL pt{screen.x, screen.y};
    DWORD e = effect;
    if (FAILED(target->DragEnter(data, keyState, pt, &e))) return false;
    e = effect;
    return SUCCEEDED(target->Drop(data, keyState, pt, &e));
}

void TDragDropFilesEx::MenuPopup(HMENU menu, IDataObject* data, UINT& next, DWORD keyState, POINT point) {
    handlers_.Clear();
    if (shellExtensions_.DragDropHandler && OnSpecifyDropTarget) {
        std::string name;
        shell::UniquePidl folder = SpecifiedTarget(true, point, name);
        if (folder) handlers_.AddToMenu(menu, next, folder.get(), data);
    }
    TDragDrop::MenuPopup(menu, data, next, keyState, point);
}

bool TDragDropFilesEx::MenuExecCmd(HMENU menu, IDataObject* data, UINT command, DWORD keyState, POINT point) {
    bool owned = false;
    bool ok = handlers_.Invoke(command, ControlHandle(), owned);
    if (owned) return ok;
    return TDragDrop::MenuExecCmd(menu, data, command, keyState, point);
}

void TDragDropFilesEx::MenuDestroy(HMENU menu) {
    TDragDrop::MenuDestroy(menu);
    handlers_.Clear();
}

} // namespace dragdrop
