// The type names and icons of the file list's items: from the type cache or asked of the shell.
#include "filelist/DirView.h"

#include "filelist/DirViewHelpers.h"
#include "filelist/ListGlobals.h"
#include "filelist/ListTexts.h"
#include "kovalin/ErrorMode.h"

#include <shellapi.h>

#include <climits>
#include <string>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

namespace {

// The attributes under which the shell reads a folder's desktop.ini (a reparse point may lead to a
// folder that has them).
const DWORD kMayHaveOwnIcon = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT;

// Runs an action on a shell item with system error boxes off: icons of removable media.
template <typename F> auto Quietly(F&& action) {
    kovalin::TErrorModeScope quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    return action();
}

} // namespace

void TDirView::FetchItemInfo(TListItem& item, bool withIcon) {
    TFileRec* rec = ItemData(&item);
    if (!rec) return;
    const ListGlobals& g = Globals();
    const bool perFileIcon = HasPerFileIcon(rec->FileExt);
    const bool cacheable = useIconCache_ && !rec->IsDirectory && !perFileIcon;

    if (cacheable && (rec->InfoPending || rec->IconPending)) {
        if (const TDirTypeCache::Entry* hit = typeCache_.Find(rec->FileExt)) {
            rec->TypeName = hit->typeName;
            rec->ImageIndex = hit->imageIndex;
            rec->InfoPending = false;
            rec->IconPending = false;
        }
    }

    const bool wantIcon = rec->IconPending && (withIcon || !perFileIcon);
    if (!rec->InfoPending && !wantIcon) return;
    const std::string fullName = ItemFullFileName(&item);

    if (wantIcon) {
        if (!rec->PIDL && perFileIcon && desktopFolder_)
            rec->PIDL = ParsePath(*desktopFolder_.get(), nullptr, fullName);
        IShellFolder* folder = rec->IsDirectory && rec->PIDL ? ShellFolder() : nullptr;
        if (folder) {
            LPCITEMIDLIST child = rec->PIDL.get();
            ULONG attr = SFGAO_LINK | SFGAO_SHARE | SFGAO_READONLY | SFGAO_GHOSTED;
            if (SUCCEEDED(folder->GetAttributesOf(1, &child, &attr)) && (attr & SFGAO_SHARE))
                item.SetOverlayIndex(0);
        }
        SHFILEINFOA info{};
        if (rec->IsDirectory && driveType_ == DRIVE_FIXED) {
            // A folder has an icon of its own only through its desktop.ini, which the shell honours
            // for read-only and system folders; any other gets the generic folder's answer below.
            // Asking the shell for one by path costs several lookups in the folder's parent, each
            // under Wine a full read of it: seconds for a screenful of a folder of thousands.
            const bool mayHaveOwnIcon = rec->PIDL || (rec->Attr & kMayHaveOwnIcon);
            DWORD_PTR ok = 0;
            if (mayHaveOwnIcon)
                ok = Quietly([&] {
                    return rec->PIDL ? SHGetFileInfoA(
                                           reinterpret_cast<LPCSTR>(rec->PIDL.get()), 0, &info, sizeof info,
                                           SHGFI_PIDL | SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON)
                                     : SHGetFileInfoA(fullName.c_str(), 0, &info, sizeof info,
                                                      SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
                });
            const int smallIcons = SmallImages() ? SmallImages()->Count() : INT_MAX;
            if (!ok || info.iIcon < 1 || info.iIcon > smallIcons) {
                SHFILEINFOA generic{};
                if (SHGetFileInfoA(fullName.c_str(), FILE_ATTRIBUTE_DIRECTORY, &generic, sizeof generic,
                                   SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON |
                                       SHGFI_USEFILEATTRIBUTES))
                    info = generic;
                else
                    info.iIcon = g.folderIcon;
            }
            rec->TypeName = info.szTypeName;
            rec->ImageIndex = info.iIcon;
        } else if (rec->IsDirectory) {
            rec->TypeName = g.folderTypeName;
            rec->ImageIndex = g.folderIcon;
        } else {
            DWORD_PTR ok = Quietly([&] {
                return rec->PIDL ? SHGetFileInfoA(
                                       reinterpret_cast<LPCSTR>(rec->PIDL.get()), 0, &info, sizeof info,
                                       SHGFI_PIDL | SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON)
                                 : SHGetFileInfoA(fullName.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                                  SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON |
                                                      SHGFI_USEFILEATTRIBUTES);
            });
            rec->TypeName = ok ? info.szTypeName : "";
            rec->ImageIndex = ok ? info.iIcon : g.unknownFileIcon;
        }
        rec->IconPending = false;
        if (rec->TypeName.empty()) {
            rec->TypeName = UnregisteredTypeName(rec->FileExt);
        } else if (cacheable) {
            typeCache_.Add({.ext = rec->FileExt, .typeName = rec->TypeName, .imageIndex = rec->ImageIndex});
        }
    } else {
        SHFILEINFOA info{};
        DWORD_PTR ok = rec->IsDirectory
                           ? SHGetFileInfoA(GetPathName().c_str(), FILE_ATTRIBUTE_DIRECTORY, &info,
                                            sizeof info, SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES)
                           : SHGetFileInfoA(fullName.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                            SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES);
        rec->TypeName = ok ? info.szTypeName : "";
        if (rec->IconPending) rec->ImageIndex = rec->FileExt == "EXE" ? g.executableIcon : g.unknownFileIcon;
    }
    rec->InfoPending = false;
}

} // namespace filelist
