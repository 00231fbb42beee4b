// The type names and icons of the file list's items: from the type cache or asked of the shell.
#include "filelist/DirView.h"

#include "filelist/DirTypeCache.h"
#include "filelist/ListGlobals.h"
#include "filelist/ListTexts.h"
#include "kovalin/ErrorMode.h"

#include <shellapi.h>

#include <climits>
#include <cstring>
#include <string>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

namespace {

// Files whose icon is their own, not their type's.
bool HasPerFileIcon(const std::string& ext) {
    static const char* const kTypes[] = {"EXE", "LNK", "ICO", "ANI", "CUR", "PIF", "JOB", "CPL"};
    if (ext.size() != 3) return false;
    for (const char* t : kTypes)
        if (ext == t) return true;
    return false;
}

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
        unsigned char key[268] = {};
        SetShortString(key, 3, rec->FileExt);
        int found = typeCache_.Sorted() ? typeCache_.Find(key, CompareCacheExt)
                                        : typeCache_.FindSequential(key, CompareCacheExt);
        if (found >= 0) {
            auto* hit = static_cast<const unsigned char*>(typeCache_.Items(found));
            rec->TypeName = ShortString(hit + kCacheTypeName);
            int32_t image = 0;
            std::memcpy(&image, hit + kCacheImage, sizeof image);
            rec->ImageIndex = image;
            rec->InfoPending = false;
            rec->IconPending = false;
        }
    }

    const bool wantIcon = rec->IconPending && (withIcon || !perFileIcon);
    if (!rec->InfoPending && !wantIcon) return;
    const std::string fullName = ItemFullFileName(&item);

    if (wantIcon) {
        if (!rec->PIDL && perFileIcon && desktopFolder_) {
            std::wstring wide(fullName.size() + 1, L'\0');
            MultiByteToWideChar(CP_ACP, 0, fullName.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
            LPITEMIDLIST pidl = nullptr;
            ULONG eaten = 0;
            if (SUCCEEDED(
                    desktopFolder_->ParseDisplayName(nullptr, nullptr, wide.data(), &eaten, &pidl, nullptr)))
                rec->PIDL.reset(pidl);
        }
        if (rec->IsDirectory && rec->PIDL && shellFolder_) {
            LPCITEMIDLIST child = rec->PIDL.get();
            ULONG attr = SFGAO_LINK | SFGAO_SHARE | SFGAO_READONLY | SFGAO_GHOSTED;
            if (SUCCEEDED(shellFolder_->GetAttributesOf(1, &child, &attr)) && (attr & SFGAO_SHARE))
                item.SetOverlayIndex(0);
        }
        SHFILEINFOA info{};
        if (rec->IsDirectory && driveType_ == DRIVE_FIXED) {
            DWORD_PTR ok = Quietly([&] {
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
            auto* record = static_cast<unsigned char*>(typeCache_.NewRecord());
            std::memset(record, 0, 268);
            SetShortString(record, 3, rec->FileExt);
            SetShortString(record + kCacheTypeName, 255, rec->TypeName);
            int32_t image = rec->ImageIndex;
            std::memcpy(record + kCacheImage, &image, sizeof image);
            typeCache_.Add(record);
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
