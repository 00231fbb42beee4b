#include "dragdrop/DataObjectFilesEx.h"

#include "dragdrop/FileFormats.h"
#include "dragdrop/GlobalMemory.h"
#include "shell/ShellDialogs.h"

namespace dragdrop {

namespace {

std::string NamePart(const std::string& path) {
    size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

TDataObjectFilesEx::TDataObjectFilesEx(const TFileList& files, bool ntFamily) {
    const shell::TShellClipboardFormats& cf = shell::ShellClipboardFormats();
    if (files.Count() > 0 && files.AllNames()) {
        std::vector<std::string> names;
        for (int i = 0; i < files.Count(); ++i)
            names.push_back(files.Item(i).Name);
        dropList_ = BuildFileDropList(names);
        Formats().Add(MakeFormatEtc(CF_HDROP));
    }
    if (files.Count() > 0 && files.AllPidls()) {
        std::vector<LPCITEMIDLIST> lists;
        for (int i = 0; i < files.Count(); ++i)
            lists.push_back(files.Item(i).Pidl.get());
        idListArray_ = BuildIdListArray(lists);
        Formats().Add(MakeFormatEtc(static_cast<CLIPFORMAT>(cf.ShellIDListArray)));
    }
    if (files.AnyMappedName()) {
        // The map names one entry per file in order, so a file without a mapped name keeps its
        // own: an empty entry would end the map there.
        std::vector<std::string> mapped;
        for (int i = 0; i < files.Count(); ++i) {
            const TFileListItem& item = files.Item(i);
            mapped.push_back(item.MappedName.empty() ? NamePart(item.Name) : item.MappedName);
        }
        nameMap_ = BuildNameMap(mapped, ntFamily);
        nameMapFormat_ = static_cast<CLIPFORMAT>(ntFamily ? cf.FileNameMapW : cf.FileNameMap);
        Formats().Add(MakeFormatEtc(nameMapFormat_));
    }
}

bool TDataObjectFilesEx::RenderData(const FORMATETC& format, STGMEDIUM& medium) {
    const std::string* bytes = nullptr;
    if (format.cfFormat == CF_HDROP && !dropList_.empty())
        bytes = &dropList_;
    else if (format.cfFormat == shell::ShellClipboardFormats().ShellIDListArray && !idListArray_.empty())
        bytes = &idListArray_;
    else if (nameMapFormat_ && format.cfFormat == nameMapFormat_)
        bytes = &nameMap_;
    if (!bytes) return TDataObject::RenderData(format, medium);
    if (!(format.tymed & TYMED_HGLOBAL)) return false;
    medium.hGlobal = GlobalFromBytes(*bytes);
    if (!medium.hGlobal) return false;
    medium.tymed = TYMED_HGLOBAL;
    medium.pUnkForRelease = nullptr;
    return true;
}

} // namespace dragdrop
