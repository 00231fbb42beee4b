// A drive's recycle-bin folder, listed through the shell with the names the files had.
#include "filelist/DirView.h"

#include "filelist/DirViewHelpers.h"
#include "filelist/ListTexts.h"
#include "shell/MaskSearch.h"
#include "shell/PIDL.h"

#include <shlobj.h>

#include <exception>
#include <string>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

void TDirView::LoadRecycleBin() {
    if (!recycleFolder_) {
        LPITEMIDLIST list = nullptr;
        if (FAILED(SHGetSpecialFolderLocation(Handle(), CSIDL_BITBUCKET, &list)) || !list) return;
        shell::UniquePidl owned(list);
        kovalin::ComPtr<IShellFolder> folder;
        if (!shell::BindFolder(owned.get(), folder)) return;
        recycleFolderPIDL_ = std::move(owned);
        recycleFolder_ = std::move(folder);
    }
    shellFolder_ = recycleFolder_;
    AddParentDirItem();
    shell::TMaskList masks;
    shell::ParseMasks(Mask(), masks);
    const Acceptance accept = BuildAcceptance();

    kovalin::ComPtr<IEnumIDList> items;
    if (recycleFolder_->EnumObjects(Handle(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                                    items.put()) != S_OK ||
        !items)
        return;
    LPITEMIDLIST raw = nullptr;
    while (!abortLoad_ && items->Next(1, &raw, nullptr) == S_OK) {
        shell::UniquePidl child(raw);
        try {
            shell::UniquePidl absolute(shell::PidlConcat(recycleFolderPIDL_.get(), child.get()));
            char physical[MAX_PATH] = "";
            if (!absolute || !SHGetPathFromIDListA(absolute.get(), physical)) continue;
            WIN32_FIND_DATAA entry{};
            bool found = false;
            ForEachEntry(physical, [&](const WIN32_FIND_DATAA& e) {
                entry = e;
                found = true;
                return false;
            });
            if (!found) continue;
            std::string full = physical;
            const size_t slash = full.rfind('\\');
            full = (slash == std::string::npos ? std::string() : full.substr(0, slash + 1)) + entry.cFileName;
            lstrcpynA(entry.cFileName, full.c_str(), MAX_PATH);
            char display[MAX_PATH] = "";
            shell::StrRetToString(recycleFolder_.get(), child.get(), SHGDN_INFOLDER | SHGDN_FORPARSING,
                                  display, sizeof display);
            // The filters apply to files only, and go by the name the file had before deletion.
            WIN32_FIND_DATAA probe = entry;
            probe.dwFileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
            const bool ok =
                IsDir(entry) || (accept.Accepts(probe) && shell::MatchesMaskList(LowerName(display), &masks));
            if (!ok || !CallOnAddFile(entry)) continue;
            TListItem& item = AddItem(entry);
            TFileRec* rec = ItemData(&item);
            item.SetCaption(display);
            rec->DisplayName = display;
            rec->InfoPending = rec->IconPending = false;
            SHFILEINFOA info{};
            SHGetFileInfoA(reinterpret_cast<LPCSTR>(absolute.get()), 0, &info, sizeof info,
                           SHGFI_PIDL | SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
            rec->PIDL = std::move(absolute);
            rec->TypeName =
                info.szTypeName[0] ? std::string(info.szTypeName) : UnregisteredTypeName(rec->FileExt);
            rec->ImageIndex = info.iIcon;
            FileAdded();
        } catch (const std::exception&) {
            // One unreadable entry does not end the listing.
        }
    }
}

} // namespace filelist
