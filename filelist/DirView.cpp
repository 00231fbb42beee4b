#include "filelist/DirView.h"

#include "drivetree/IEDriveInfo.h"
#include "filelist/ListTexts.h"
#include "kovalin/Application.h"
#include "kovalin/ErrorMode.h"
#include "kovalin/Form.h"
#include "shell/BaseUtils.h"
#include "shell/MaskSearch.h"
#include "shell/ShellDialogs.h"
#include "shell/ShellLink.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

namespace filelist {

using kovalin::TListItem;

namespace {

constexpr char kParentDirTypeName[] = "\xDC"
                                      "bergeordneter Dateiordner";
// Animation resource of the shell's folder search.
constexpr WORD kSearchFolderAvi = 150;
constexpr DWORD kAnimationDelayMs = 1000;
constexpr int kPumpEvery = 100;

// Letter case through the ANSI code page's own tables, built once: changing names byte by byte
// is what keeps comparing, indexing and loading 100 000 names cheap.
using CaseTable = std::array<unsigned char, 256>;

CaseTable MakeCaseTable(DWORD(WINAPI* convert)(LPSTR, DWORD)) {
    CaseTable t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
    convert(reinterpret_cast<char*>(t.data() + 1), 255);
    return t;
}

const CaseTable& LowerTable() {
    static const CaseTable table = MakeCaseTable(CharLowerBuffA);
    return table;
}

const CaseTable& UpperTable() {
    static const CaseTable table = MakeCaseTable(CharUpperBuffA);
    return table;
}

std::string MapCase(const std::string& name, const CaseTable& table) {
    std::string out(name);
    for (char& c : out)
        c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    return out;
}

std::string LowerName(const std::string& name) {
    return MapCase(name, LowerTable());
}

std::string UpperName(const std::string& name) {
    return MapCase(name, UpperTable());
}

// FNV-1a over the lower-cased bytes.
uint64_t FoldedHash(const char* name) {
    const auto& table = LowerTable();
    uint64_t h = 14695981039346656037ull;
    for (; *name; ++name)
        h = (h ^ table[static_cast<unsigned char>(*name)]) * 1099511628211ull;
    return h;
}

bool SameNoCase(const std::string& a, const char* b) {
    const auto& table = LowerTable();
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (table[static_cast<unsigned char>(a[i])] != table[static_cast<unsigned char>(b[i])]) return false;
    return i == a.size() && !b[i];
}

// Item indices by name without regard to case: sorted hashes of the folded names, the names
// themselves compared only on a matching hash. Nothing is copied per item, so indexing a list of
// 100 000 items stays a matter of milliseconds.
class NameIndex {
public:
    void Add(const std::string& name, int item) { entries_.emplace_back(FoldedHash(name.c_str()), item); }
    void Finish() { std::sort(entries_.begin(), entries_.end()); }
    // The item whose name `nameOf` gives as equal to `name`; -1 when none.
    template <typename NameOf> int Find(const char* name, NameOf&& nameOf) const {
        const uint64_t h = FoldedHash(name);
        auto it = std::lower_bound(entries_.begin(), entries_.end(), std::make_pair(h, INT_MIN));
        for (; it != entries_.end() && it->first == h; ++it)
            if (SameNoCase(nameOf(it->second), name)) return it->second;
        return -1;
    }
    void Reserve(size_t n) { entries_.reserve(n); }

private:
    std::vector<std::pair<uint64_t, int>> entries_;
};

bool IsDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool IsDir(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int64_t EntrySize(const WIN32_FIND_DATAA& entry) {
    return static_cast<int64_t>((static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
}

// Upper case, the first three characters after the last dot.
std::string ExtOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return std::string();
    std::string ext = name.substr(dot + 1, 3);
    const auto& table = UpperTable();
    for (char& c : ext)
        c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    return ext;
}

int64_t FileTimeValue(const FILETIME& time) {
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

bool IsDriveRoot(const std::string& path) {
    return path.size() == 2 && path[1] == ':';
}

// Runs `visit` for every entry matching the pattern until it answers false; true when it went
// through all of them.
template <typename Visit> bool ForEachEntry(const std::string& pattern, Visit&& visit) {
    WIN32_FIND_DATAA entry;
    // Without the 8.3 names, which nothing here uses and which are made up for every entry on
    // file systems that have none; systems before Windows 7 do not know the basic form.
    kovalin::UniqueFindHandle find(FindFirstFileExA(
        pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find && GetLastError() == ERROR_INVALID_PARAMETER)
        find.reset(FindFirstFileA(pattern.c_str(), &entry));
    if (!find) return true;
    do {
        if (!visit(entry)) return false;
    } while (FindNextFileA(find.get(), &entry));
    return true;
}

// The sub-folders met while listing a mask element that matches every name. Listing a folder is
// the dearest part of loading it, so the folder pass takes them from here instead of listing the
// folder a second time.
class FolderEntries {
public:
    void Begin(const std::string& element) {
        collecting_ = !complete_ && (element == "*.*" || element == "*");
        if (collecting_) entries_.clear();
    }
    void Note(const WIN32_FIND_DATAA& entry) {
        if (collecting_ && IsDir(entry) && !IsDotEntry(entry.cFileName)) entries_.push_back(entry);
    }
    void End(bool listedAll) {
        if (collecting_) complete_ = listedAll;
        collecting_ = false;
    }
    // Every sub-folder but "." and "..", until `visit` answers false.
    template <typename Visit> void ForEach(const std::string& folder, Visit&& visit) {
        if (complete_) {
            for (const WIN32_FIND_DATAA& entry : entries_)
                if (!visit(entry)) return;
            return;
        }
        ForEachEntry(folder + "*.*", [&visit](const WIN32_FIND_DATAA& entry) {
            if (!IsDir(entry) || IsDotEntry(entry.cFileName)) return true;
            return visit(entry);
        });
    }

private:
    std::vector<WIN32_FIND_DATAA> entries_;
    bool collecting_ = false, complete_ = false;
};

// The hourglass for as long as the object lives.
class WaitCursor {
public:
    WaitCursor() : old_(SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)))) {}
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() { SetCursor(old_); }

private:
    HCURSOR old_;
};

} // namespace

TDirView::TDirView(kovalin::TWinControl& parent, const Params& params) : TIEListView(parent, params) {
    drivetree::InitDriveInfo();
    // The records belong to their items; nothing of this object is touched, as the list's own
    // destructor still deletes items after this one has gone.
    OnDeletion = [](TListItem& item) {
        delete static_cast<TFileRec*>(item.Data());
        item.SetData(nullptr);
    };
    char separator[8] = ",";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof separator);
    thousandSeparator_ = separator;
    CreateColumns();
}

TDirView::~TDirView() {
    abortLoad_ = true;
    animation_.reset();
    BeginUpdate();
    ClearItems();
    EndUpdate();
    drivetree::DoneDriveInfo();
}

// --- presentation ------------------------------------------------------------------------------

namespace {

// What every file list of the program asks the system once.
struct ListGlobals {
    bool commonControls470 = false; // item post-paint stages for the parent-folder overlay
    std::string windowsFolder, tempFolder;
    int unknownFileIcon = 0, executableIcon = 0;
    std::string folderTypeName;
    int folderIcon = 0, openFolderIcon = 0;
};

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

// Files whose icon is their own, not their type's.
bool HasPerFileIcon(const std::string& ext) {
    static const char* const kTypes[] = {"EXE", "LNK", "ICO", "ANI", "CUR", "PIF", "JOB", "CPL"};
    if (ext.size() != 3) return false;
    for (const char* t : kTypes)
        if (ext == t) return true;
    return false;
}

// A type-cache record: the extension and the type name as length-prefixed strings, the icon.
constexpr size_t kCacheTypeName = 4, kCacheImage = 264;

void SetShortString(unsigned char* at, size_t capacity, const std::string& text) {
    size_t n = std::min(text.size(), capacity);
    at[0] = static_cast<unsigned char>(n);
    std::memcpy(at + 1, text.data(), n);
}

std::string ShortString(const unsigned char* at) {
    return std::string(reinterpret_cast<const char*>(at + 1), at[0]);
}

int CompareCacheExt(const void* a, const void* b) {
    auto* x = static_cast<const unsigned char*>(a);
    auto* y = static_cast<const unsigned char*>(b);
    if (!x || !y) return x ? 1 : (y ? -1 : 0);
    // Byte-wise over the short strings, length byte first.
    int c = std::memcmp(x, y, 4);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Runs an action on a shell item with system error boxes off: icons of removable media.
template <typename F> auto Quietly(F&& action) {
    kovalin::TErrorModeScope quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    return action();
}

} // namespace

void TDirView::CreateColumns() {
    BeginUpdate();
    ClearColumns();
    for (int i = 0; i < 5; ++i)
        AddColumn({});
    InitColumns();
    EndUpdate();
}

void TDirView::InitColumns() {
    if (ColumnCount() <= 3) return;
    static const int kRoles[] = {DVT_COL_NAME, DVT_COL_SIZE, DVT_COL_TYPE, DVT_COL_CHANGED, DVT_COL_ATTR};
    for (int i = 1; i < 5 && i < ColumnCount(); ++i)
        Column(i).SetCaption(ListText(kRoles[i]));
    UpdateNameColumnCaption(showMaskInHeader_);
    for (int i = 0; i < 5 && i < ColumnCount(); ++i) {
        Column(i).SetWidth(colWidths_[i]);
        Column(i).SetAlignment(i == 1 ? kovalin::TAlignment::taRightJustify
                                      : kovalin::TAlignment::taLeftJustify);
    }
}

void TDirView::UpdateNameColumnCaption(bool showMask) {
    if (ColumnCount() == 0) return;
    std::string caption = ListText(DVT_COL_NAME);
    if (showMask && Mask() != "*.*") caption += " (" + Mask() + ")";
    Column(0).SetCaption(caption);
    UpdateHeaderImages();
}

void TDirView::StoreColumnWidths() {
    for (int i = 0; i < 5 && i < ColumnCount(); ++i)
        colWidths_[i] = Column(i).Width();
}

void TDirView::SetColWidth(int column, int value) {
    colWidths_[column] = value;
    if (column < ColumnCount()) Column(column).SetWidth(value);
}

void TDirView::SetColumnOrder(const std::vector<int>& order) {
    TIEListView::SetColumnOrder(order);
    Invalidate();
}

void TDirView::SetShowMaskInHeader(bool value) {
    if (value == showMaskInHeader_) return;
    showMaskInHeader_ = value;
    UpdateNameColumnCaption(value);
}

void TDirView::SetAttrSpace(const std::string& value) {
    if (value == attrSpace_) return;
    attrSpace_ = value;
    Invalidate();
}

void TDirView::SetCompressedColor(COLORREF value) {
    if (value == compressedColor_) return;
    compressedColor_ = value;
    Invalidate();
}

void TDirView::SetDimmHiddenFiles(bool value) {
    if (value == dimmHiddenFiles_) return;
    dimmHiddenFiles_ = value;
    Invalidate();
}

void TDirView::SetNoCheckDrives(const std::string& value) {
    noCheckDrives_ = UpperName(value);
}

void TDirView::SetViewStyle(kovalin::TViewStyle value) {
    if (loading_) return;
    const bool completed = loadCompleted_;
    loadCompleted_ = false;
    TIEListView::SetViewStyle(value);
    loadCompleted_ = completed;
}

void TDirView::SetMultiSelect(bool value) {
    if (value == MultiSelect()) return;
    StoreColumnWidths();
    TIEListView::SetMultiSelect(value);
    CreateColumns();
    if (dirOK_ && !loading_) {
        UpdateHeaderImages();
        Reload(true);
    }
}

std::string TDirView::FormatFileTime(const FILETIME& time) const {
    FILETIME local{};
    SYSTEMTIME calendar{};
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &calendar))
        return std::string();
    return FormatDateTime(calendar);
}

std::string TDirView::AttrStr(DWORD attr) const {
    if (attr == 0) return std::string();
    struct Letter {
        DWORD bit;
        char letter;
    };
    static const Letter kLetters[] = {{FILE_ATTRIBUTE_COMPRESSED, 'c'},
                                      {FILE_ATTRIBUTE_ARCHIVE, 'a'},
                                      {FILE_ATTRIBUTE_SYSTEM, 's'},
                                      {FILE_ATTRIBUTE_HIDDEN, 'h'},
                                      {FILE_ATTRIBUTE_READONLY, 'r'}};
    // The compressed place exists only where files can be compressed: the NT family.
    static const bool nt = (GetVersion() & 0x80000000u) == 0;
    std::string out;
    for (const Letter& l : kLetters) {
        if (attr & l.bit)
            out += l.letter;
        else if (!attrSpace_.empty() && (l.bit != FILE_ATTRIBUTE_COMPRESSED || nt))
            out += attrSpace_;
    }
    return out;
}

std::string TDirView::SizeText(int64_t size) const {
    uint64_t v = size < 0 ? 0 - static_cast<uint64_t>(size) : static_cast<uint64_t>(size);
    char digits[24];
    int n = std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(v));
    std::string out;
    out.reserve(static_cast<size_t>(n) + static_cast<size_t>(n / 3) * thousandSeparator_.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += thousandSeparator_;
        out += digits[i];
    }
    return out;
}

void TDirView::DoGetDispInfo(TListItem& item, kovalin::TListDispInfo& info) {
    if (!loadCompleted_) return;
    TFileRec* rec = ItemData(&item);
    if (!rec) return;
    // The icon thread of later work takes over the icons; until then they are fetched here.
    if (rec->InfoPending) FetchItemInfo(item, rec->IconPending);
    if (rec->IconPending && info.wantImage) FetchItemInfo(item, true);
    if (info.wantText) {
        switch (info.column) {
        case 0:
            info.text = rec->DisplayName;
            break;
        case 1:
            info.text = !rec->IsDirectory || (showSubDirSize_ && rec->Size >= 0) ? SizeText(rec->Size)
                                                                                 : std::string();
            break;
        case 2:
            if (sortByExtension_ && !rec->IsDirectory) {
                info.text = rec->FileExt;
                if (fileNameDisplay_ == drivetree::fndNoCap || fileNameDisplay_ == drivetree::fndNice)
                    info.text = LowerName(info.text);
            } else {
                info.text = rec->TypeName;
            }
            break;
        case 3:
            info.text = FormatFileTime(rec->FileTime);
            break;
        case 4:
            info.text = AttrStr(rec->Attr);
            if (fileNameDisplay_ == drivetree::fndCap) info.text = UpperName(info.text);
            break;
        default:
            info.text.clear();
        }
    }
    if (info.column == 0 && info.wantImage) {
        info.imageIndex = rec->ImageIndex;
    }
}

LRESULT TDirView::CustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const TFileRec* rec = draw.nmcd.dwItemSpec < static_cast<DWORD_PTR>(ItemCount())
                                  ? ItemData(static_cast<int>(draw.nmcd.dwItemSpec))
                                  : nullptr;
        if (rec) {
            if (rec->Attr & FILE_ATTRIBUTE_COMPRESSED) {
                draw.clrText = compressedColor_;
            } else if (dimmHiddenFiles_ && (rec->Attr & FILE_ATTRIBUTE_HIDDEN) &&
                       !(draw.nmcd.uItemState & CDIS_SELECTED)) {
                draw.clrText = GetSysColor(COLOR_GRAYTEXT);
            }
        }
        LRESULT answer = CDRF_NOTIFYSUBITEMDRAW;
        if (rec && rec->IsParentDir && Globals().commonControls470) answer |= CDRF_NOTIFYPOSTPAINT;
        return answer;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        if (draw.iSubItem > 0) draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
        return CDRF_DODEFAULT;
    case CDDS_ITEMPOSTPAINT:
        DrawParentOverlay(draw);
        return CDRF_DODEFAULT;
    }
    return CDRF_DODEFAULT;
}

void TDirView::DrawParentOverlay(NMLVCUSTOMDRAW& draw) {
    RECT icon{};
    icon.left = LVIR_ICON;
    if (!SendMessageA(Handle(), LVM_GETITEMRECT, draw.nmcd.dwItemSpec, reinterpret_cast<LPARAM>(&icon)))
        return;
    if (ViewStyle() == kovalin::TViewStyle::vsIcon) {
        DirUpImages32().SetDrawingStyle(kovalin::TDrawingStyle::dsTransparent);
        DirUpImages32().Draw(draw.nmcd.hdc, icon.left + 8, icon.top + 2, 0);
    } else {
        DirUpImages16().SetDrawingStyle(kovalin::TDrawingStyle::dsTransparent);
        DirUpImages16().Draw(draw.nmcd.hdc, icon.left - 2, icon.top - 2, 0);
    }
}

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

// --- paths and items ---------------------------------------------------------------------------

void TDirView::SetPath(const std::string& value) {
    std::string path = value;
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    if (path == path_) return;
    lastPath_ = path_;
    path_ = path;
    LoadDirectory(path_);
}

std::string TDirView::GetPathName() const {
    return IsDriveRoot(path_) ? path_ + "\\" : path_;
}

TFileRec* TDirView::ItemData(const TListItem* item) {
    return item ? static_cast<TFileRec*>(item->Data()) : nullptr;
}

TFileRec* TDirView::ItemData(int index) const {
    return index >= 0 && index < ItemCount() ? ItemData(&Item(index)) : nullptr;
}

std::string TDirView::ItemFullFileName(TListItem* item) const {
    const TFileRec* rec = ItemData(item);
    if (!rec) return std::string();
    if (recycleBinMode_) return rec->FileName;
    return path_ + "\\" + rec->FileName;
}

std::string TDirView::ItemFileExt(TListItem* item) const {
    const TFileRec* rec = ItemData(item);
    if (!rec) return std::string();
    const size_t cut = rec->FileName.find_last_of("\\:.");
    if (cut == std::string::npos || rec->FileName[cut] != '.') return std::string();
    return rec->FileName.substr(cut);
}

TListItem* TDirView::FindFileItem(const std::string& name) const {
    for (int i = 0; i < ItemCount(); ++i) {
        const TFileRec* rec = ItemData(i);
        if (rec && rec->FileName == name) return &Item(i);
    }
    return nullptr;
}

// --- properties --------------------------------------------------------------------------------

void TDirView::SetMask(const std::string& value) {
    const std::string old = Mask();
    TIEListView::SetMask(value);
    if (Mask() == old) return;
    UpdateNameColumnCaption(showMaskInHeader_);
    ReloadIfLoaded();
}

void TDirView::SetShowDirectories(bool value) {
    if (showDirectories_ == value) return;
    showDirectories_ = value;
    ReloadIfLoaded();
}

void TDirView::SetFileNameDisplay(drivetree::TFileNameDisplay value) {
    if (fileNameDisplay_ == value) return;
    fileNameDisplay_ = value;
    ReloadIfLoaded();
}

std::string TDirView::DisplayFileName(const std::string& name) const {
    std::string shown = name;
    switch (fileNameDisplay_) {
    case drivetree::fndCap:
        CharUpperBuffA(shown.data(), static_cast<DWORD>(shown.size()));
        break;
    case drivetree::fndNoCap:
        CharLowerBuffA(shown.data(), static_cast<DWORD>(shown.size()));
        break;
    case drivetree::fndNice:
        // Long names and names with blanks were given their case on purpose.
        if (shown.size() > 12 || shown.find(' ') != std::string::npos) break;
        CharLowerBuffA(shown.data(), static_cast<DWORD>(shown.size()));
        if (!shown.empty()) CharUpperBuffA(shown.data(), 1);
        break;
    case drivetree::fndStored:
        break;
    }
    return shown;
}

void TDirView::ReloadIfLoaded() {
    if (dirOK_ && !loading_) Reload(true);
}

void TDirView::SetLoadEnabled(bool value) {
    if (loadEnabled_ == value) return;
    loadEnabled_ = value;
    if (loadEnabled_ && loadPending_) {
        if (ItemCount() <= 100)
            Reload(true);
        else
            RefreshDirectory();
    }
}

void TDirView::ResumeLoading(bool keepIcons) {
    loadEnabled_ = true;
    loadPending_ = false;
    Reload(keepIcons);
}

kovalin::ComPtr<IShellFolder> TDirView::GetShellFolder(const std::string& path) {
    if (!desktopFolder_) desktopFolder_ = shell::DesktopFolder();
    kovalin::ComPtr<IShellFolder> folder;
    if (!desktopFolder_) return folder;
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0) return folder;
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
    HWND owner = ParentForm() ? ParentForm()->Handle() : nullptr;
    LPITEMIDLIST list = nullptr;
    if (FAILED(desktopFolder_->ParseDisplayName(owner, nullptr, wide.data(), nullptr, &list, nullptr)))
        return folder;
    shell::UniquePidl owned(list);
    shell::BindFolder(owned.get(), folder);
    return folder;
}

// --- acceptance --------------------------------------------------------------------------------

TDirView::Acceptance TDirView::BuildAcceptance() const {
    Acceptance a;
    const std::pair<TSelAttr, DWORD> filters[] = {{selArchive_, FILE_ATTRIBUTE_ARCHIVE},
                                                  {selHidden_, FILE_ATTRIBUTE_HIDDEN},
                                                  {selReadOnly_, FILE_ATTRIBUTE_READONLY},
                                                  {selSysFile_, FILE_ATTRIBUTE_SYSTEM}};
    for (const auto& [sel, bit] : filters) {
        if (sel == SelYes) a.include |= bit;
        if (sel == SelNo) a.exclude |= bit;
    }
    a.from = (static_cast<uint32_t>(selFileDateFrom_) << 16) | selFileTimeFrom_;
    a.to = (static_cast<uint32_t>(selFileDateTo_) << 16) | selFileTimeTo_;
    a.sizeFrom = selFileSizeFrom_;
    a.sizeTo = selFileSizeTo_;
    // The conversion to local time asks the system for the time zone at every call, which costs
    // more than listing the file does; the bias is the same for every file of one load.
    FILETIME utc, local;
    GetSystemTimeAsFileTime(&utc);
    if (FileTimeToLocalFileTime(&utc, &local)) a.localBias = FileTimeValue(local) - FileTimeValue(utc);
    return a;
}

bool TDirView::Acceptance::Accepts(const WIN32_FIND_DATAA& entry) const {
    const DWORD attr = entry.dwFileAttributes;
    if (include && (attr & include) != include) return false;
    if (exclude && (attr & exclude)) return false;
    if (attr & FILE_ATTRIBUTE_DIRECTORY) return false;
    const int64_t size = EntrySize(entry);
    if (size < sizeFrom || size > sizeTo) return false;
    FILETIME local;
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&entry.ftLastWriteTime, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time))
        return false; // outside what the packed form can hold: before 1980 or after 2107
    const uint32_t packed = (static_cast<uint32_t>(date) << 16) | time;
    return packed >= from && packed <= to;
}

bool TDirView::CallOnAddFile(const WIN32_FIND_DATAA& entry) {
    bool accept = true;
    if (OnAddFile) OnAddFile(*this, entry, accept);
    return accept;
}

// --- loading -----------------------------------------------------------------------------------

TListItem& TDirView::AddItem(const WIN32_FIND_DATAA& entry) {
    auto rec = std::make_unique<TFileRec>();
    rec->FileName = entry.cFileName;
    rec->FileExt = ExtOf(rec->FileName);
    rec->DisplayName = DisplayFileName(rec->FileName);
    rec->Attr = entry.dwFileAttributes;
    rec->IsDirectory = IsDir(entry);
    rec->IsRecycleBin = rec->IsDirectory && IsDriveRoot(path_) && (rec->Attr & FILE_ATTRIBUTE_SYSTEM) &&
                        LowerName(rec->FileName) == "recycled";
    rec->Size = rec->IsDirectory ? -1 : EntrySize(entry);
    rec->FileTime = entry.ftLastWriteTime;
    const bool shortcut = rec->FileExt == "LNK";
    TListItem& item = TListView::AddItem(recycleBinMode_ ? std::string() : rec->FileName, rec.get());
    rec.release();
    if (shortcut) item.SetOverlayIndex(1);
    if (selectNewItems_) item.SetSelected(true);
    return item;
}

void TDirView::AddParentDirItem() {
    hasParentDir_ = true;
    auto rec = std::make_unique<TFileRec>();
    rec->FileName = rec->DisplayName = "..";
    ForEachEntry(path_, [&rec](const WIN32_FIND_DATAA& self) {
        rec->Attr = self.dwFileAttributes;
        rec->FileTime = self.ftLastWriteTime;
        return false;
    });
    rec->IsDirectory = true;
    rec->IsParentDir = true;
    rec->Size = -1;
    rec->IconPending = false;
    rec->InfoPending = false;
    rec->ImageIndex = Globals().commonControls470 ? Globals().folderIcon : Globals().openFolderIcon;
    rec->TypeName = kParentDirTypeName;
    TListView::AddItem("..", rec.get());
    rec.release();
}

// Every hundredth file lets waiting messages run (a click, a new folder to show) and, after a
// second, shows the busy animation.
void TDirView::FileAdded() {
    if (++addedFiles_ % kPumpEvery != 0) return;
    kovalin::Application().ProcessMessages();
    if (showAnimation_ && !animation_ && GetTickCount() - loadStartTick_ > kAnimationDelayMs)
        ShowBusyAnimation();
}

void TDirView::ShowBusyAnimation() {
    // Sized by the clip it opens; a missing clip or control leaves the load without animation.
    kovalin::UniqueHWnd anim(CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | ACS_TRANSPARENT | ACS_AUTOPLAY,
                                             0, 0, 0, 0, Handle(), nullptr, GetModuleHandleA(nullptr),
                                             nullptr));
    if (!anim) return;
    HMODULE shell32 = GetModuleHandleA("shell32.dll");
    if (!shell32 || !SendMessageA(anim.get(), ACM_OPENA, reinterpret_cast<WPARAM>(shell32),
                                  reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(kSearchFolderAvi))))
        return;
    RECT r{}, client{};
    GetWindowRect(anim.get(), &r);
    GetClientRect(Handle(), &client);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(anim.get(), HWND_TOP, (client.right - w) / 2, (client.bottom - h) / 2, w, h,
                 SWP_SHOWWINDOW | SWP_NOSIZE);
    animation_ = std::move(anim);
}

// Whatever leaves the load, the list gets its drawing, cursor and Loading flag back.
class TDirView::LoadEnding {
public:
    explicit LoadEnding(TDirView& view) : view_(view) {}
    LoadEnding(const LoadEnding&) = delete;
    LoadEnding& operator=(const LoadEnding&) = delete;
    ~LoadEnding() {
        if (done_) return;
        view_.animation_.reset();
        view_.typeCache_.Sort(CompareCacheExt);
        view_.loading_ = false;
        view_.abortLoad_ = false;
        view_.EndUpdate();
        view_.loadCompleted_ = true;
    }
    void Done() { done_ = true; }

private:
    TDirView& view_;
    bool done_ = false;
};

void TDirView::LoadDirectory(const std::string& path) {
    if (!loadEnabled_ || loading_) {
        // The path is kept, so that the ending reloads the newest folder even when it was asked
        // for here rather than through SetPath.
        if (path != path_) {
            lastPath_ = path_;
            path_ = path;
        }
        loadPending_ = true;
        if (loading_) abortLoad_ = true;
        return;
    }
    loading_ = true;
    {
        // Set before anything can throw, so that an exception cannot leave Loading on.
        LoadEnding ending(*this);
        BeginUpdate();
        WaitCursor cursor;
        path_ = path;
        hasParentDir_ = false;
        if (OnStartLoading) OnStartLoading(*this);

        if (ItemCount() > 0) {
            SetDropTarget(nullptr);
            ClearItems();
        }
        loadStartTick_ = GetTickCount();
        addedFiles_ = 0;
        const Acceptance accept = BuildAcceptance();
        loadCompleted_ = false;

        bool driveValid = false;
        driveType_ = 0;
        const char letter = path.empty() ? '\0' : path[0];
        if ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) {
            drivetree::TDriveInfo& drives = drivetree::DriveInfo();
            // A linked tree keeps the drive information current itself.
            if (!DriveView()) drives.ReadDriveStatus(letter, drivetree::dsSize);
            const drivetree::TDriveInfoRec drive = drives.GetDriveData(
                letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter);
            driveType_ = drive.DriveType;
            driveValid = drive.Valid;
        }
        dirOK_ = driveValid && shell::DirExists(path);

        if (dirOK_) {
            kovalin::TTreeNode* node = DriveView() ? DriveView()->FindNodeToPath(GetPathName()) : nullptr;
            if (const drivetree::TNodeData* data = node ? drivetree::TDriveView::NodeData(node) : nullptr) {
                recycleBinMode_ = data->IsRecycleBin;
            } else {
                std::string tail = path.size() > 1 ? path.substr(1, 10) : std::string();
                CharUpperBuffA(tail.data(), static_cast<DWORD>(tail.size()));
                recycleBinMode_ = tail == ":\\RECYCLED";
            }
            if (!desktopFolder_) desktopFolder_ = shell::DesktopFolder();
            if (recycleBinMode_) {
                LoadRecycleBin();
            } else {
                shellFolder_ = GetShellFolder(GetPathName());
                dirOK_ = static_cast<bool>(shellFolder_);
            }
            if (dirOK_ && !recycleBinMode_) {
                const std::string folder = shell::IncludeTrailingBackslash(path);
                std::string masks = Mask();
                // Only overlapping mask elements can find a file twice.
                const bool several = masks.find(';') != std::string::npos;
                std::unordered_set<std::string> added;
                FolderEntries folders;
                while (!masks.empty() && !abortLoad_) {
                    const std::string element = GetNextMask(masks);
                    if (element.empty()) continue;
                    folders.Begin(element);
                    folders.End(ForEachEntry(folder + element, [&](const WIN32_FIND_DATAA& entry) {
                        folders.Note(entry);
                        if (!accept.Accepts(entry)) return true;
                        std::string key = several ? LowerName(entry.cFileName) : std::string();
                        if (several && added.count(key)) return true;
                        if (!CallOnAddFile(entry)) return !abortLoad_;
                        if (several) added.insert(std::move(key));
                        AddItem(entry);
                        FileAdded();
                        return !abortLoad_;
                    }));
                }
                if (path_.size() > 2 && !abortLoad_) AddParentDirItem();
                if (showDirectories_ && !abortLoad_) {
                    int found = 0;
                    folders.ForEach(folder, [&](const WIN32_FIND_DATAA& entry) {
                        ++found;
                        if (CallOnAddFile(entry)) AddItem(entry);
                        return !abortLoad_;
                    });
                    // The tree does not read network folders ahead; what the list just found
                    // spares it a slow read and takes away the button of a folder without any.
                    if (DriveView() && driveType_ == DRIVE_REMOTE && found == 0 && !abortLoad_) {
                        kovalin::TTreeNode* node = DriveView()->FindNodeToPath(GetPathName());
                        drivetree::TNodeData* data = node ? drivetree::TDriveView::NodeData(node) : nullptr;
                        if (data && !data->Scanned) {
                            node->SetHasChildren(false);
                            data->Scanned = true;
                        }
                    }
                }
            }
        }
        if (!dirOK_) recycleBinMode_ = false;
        ending.Done();
    }
    FinishLoad();
}

// The ending of a load that did not throw.
void TDirView::FinishLoad() {
    animation_.reset();
    // Types met while drawing were appended; sorted now, the next lookups go by halving.
    typeCache_.Sort(CompareCacheExt);
    loading_ = false;
    if (abortLoad_) {
        abortLoad_ = false;
        EndUpdate();
        loadCompleted_ = true;
        Reload(false);
    } else {
        if (dirOK_) SortItems();
        abortLoad_ = false;
        loadPending_ = false;
        FocusFolderCameFrom();
        MakeFocusedVisible();
        EndUpdate();
        loadCompleted_ = true;
        if (dirOK_ && OnDirUpdated) OnDirUpdated(*this);
    }
    if (OnLoaded) OnLoaded(*this);
}

// Going up from C:\a\b\c to C:\a focuses b, the folder on the way down.
void TDirView::FocusFolderCameFrom() {
    if (lastPath_.size() <= path_.size() || ItemCount() == 0) return;
    if (lastPath_.compare(0, path_.size(), path_) != 0 || lastPath_[path_.size()] != '\\') return;
    const size_t start = path_.size() + 1;
    const size_t end = lastPath_.find('\\', start);
    if (TListItem* item = FindFileItem(lastPath_.substr(start, end == std::string::npos ? end : end - start)))
        item->SetFocused(true);
}

void TDirView::MakeFocusedVisible() {
    if (TListItem* focused = ItemFocused()) focused->MakeVisible(false);
}

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

// --- refresh and reload ------------------------------------------------------------------------

void TDirView::RefreshDirectory() {
    if (loading_) return;
    if (recycleBinMode_) {
        Reload(true);
        return;
    }
    if (!shell::DirExists(path_)) {
        BeginUpdate();
        ClearItems();
        EndUpdate();
        dirOK_ = false;
        return;
    }
    WaitCursor cursor;
    bool changed = false, bracket = false;
    auto openBracket = [&] {
        if (!bracket) BeginUpdate();
        bracket = changed = true;
    };
    try {
        const int count = ItemCount();
        NameIndex index;
        index.Reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            if (const TFileRec* rec = ItemData(i); rec && !rec->IsParentDir) index.Add(rec->FileName, i);
        index.Finish();
        auto nameOf = [this](int i) -> const std::string& { return ItemData(i)->FileName; };
        std::vector<char> seen(static_cast<size_t>(count), 0);
        std::vector<WIN32_FIND_DATAA> fresh;
        std::unordered_set<std::string> freshNames;
        auto remember = [&](const WIN32_FIND_DATAA& entry) {
            if (freshNames.insert(LowerName(entry.cFileName)).second && CallOnAddFile(entry))
                fresh.push_back(entry);
        };

        const Acceptance accept = BuildAcceptance();
        const std::string folder = shell::IncludeTrailingBackslash(path_);
        std::string masks = Mask();
        FolderEntries folders;
        while (!masks.empty()) {
            const std::string element = GetNextMask(masks);
            if (element.empty()) continue;
            folders.Begin(element);
            folders.End(ForEachEntry(folder + element, [&](const WIN32_FIND_DATAA& entry) {
                folders.Note(entry);
                const int known = index.Find(entry.cFileName, nameOf);
                TFileRec* rec = known < 0 ? nullptr : ItemData(known);
                // A name that changed between file and folder is a different entry: the old item
                // goes and the new one comes.
                if (rec && rec->IsDirectory == IsDir(entry)) seen[static_cast<size_t>(known)] = 1;
                if (!accept.Accepts(entry)) return true;
                if (rec && !rec->IsDirectory) {
                    const int64_t size = EntrySize(entry);
                    if (size == rec->Size && entry.dwFileAttributes == rec->Attr &&
                        CompareFileTime(&entry.ftLastWriteTime, &rec->FileTime) == 0)
                        return true;
                    const bool grew = size != rec->Size;
                    rec->Size = size;
                    rec->Attr = entry.dwFileAttributes;
                    rec->FileTime = entry.ftLastWriteTime;
                    openBracket();
                    if (grew && OnFileSizeChanged) OnFileSizeChanged(*this, Item(known));
                } else {
                    remember(entry);
                }
                return true;
            }));
        }
        if (showDirectories_) {
            folders.ForEach(folder, [&](const WIN32_FIND_DATAA& entry) {
                const int known = index.Find(entry.cFileName, nameOf);
                const TFileRec* rec = known < 0 ? nullptr : ItemData(known);
                if (rec && rec->IsDirectory)
                    seen[static_cast<size_t>(known)] = 1;
                else
                    remember(entry);
                return true;
            });
        }

        // The ".." item stands for the folder above, which no listing of this one returns.
        for (int i = count - 1; i >= 0; --i) {
            const TFileRec* rec = ItemData(i);
            if (seen[static_cast<size_t>(i)] || (rec && rec->IsParentDir)) continue;
            openBracket();
            DeleteItem(i);
        }
        for (const WIN32_FIND_DATAA& entry : fresh) {
            openBracket();
            AddItem(entry);
        }
        if (changed && sortAfterUpdate_) SortItems();
    } catch (...) {
        if (bracket) EndUpdate();
        throw;
    }
    if (bracket) EndUpdate();
    dirOK_ = true;
    MakeFocusedVisible();
    if (changed && OnDirUpdated) OnDirUpdated(*this);
}

void TDirView::Reload(bool keepIcons) {
    if (path_.empty()) return;
    if (!loadEnabled_) {
        loadPending_ = true;
        return;
    }
    // Programs, shortcuts, icons and cursors carry their own icons: worth keeping over a reload.
    static const char* const kPerFileIcon[] = {"EXE", "LNK", "ICO", "ANI", "CUR", "PIF", "JOB", "CPL"};
    BeginUpdate();
    try {
        std::vector<std::string> selected;
        std::vector<std::pair<std::string, int>> icons;
        for (TListItem* item = GetNextItem(nullptr, LVNI_SELECTED); item;
             item = GetNextItem(item, LVNI_SELECTED))
            if (const TFileRec* rec = ItemData(item)) selected.push_back(LowerName(rec->FileName));
        if (keepIcons) {
            for (int i = 0; i < ItemCount(); ++i) {
                const TFileRec* rec = ItemData(i);
                if (!rec || rec->IconPending) continue;
                if (std::find_if(std::begin(kPerFileIcon), std::end(kPerFileIcon), [rec](const char* ext) {
                        return rec->FileExt == ext;
                    }) != std::end(kPerFileIcon))
                    icons.emplace_back(rec->FileName, rec->ImageIndex);
            }
        }
        const TFileRec* focusedRec = ItemData(ItemFocused());
        const std::string focused = focusedRec ? focusedRec->FileName : std::string();

        LoadDirectory(path_);

        std::sort(selected.begin(), selected.end());
        std::sort(icons.begin(), icons.end());
        for (int i = 0; i < ItemCount(); ++i) {
            TFileRec* rec = ItemData(i);
            if (!rec) continue;
            TListItem& item = Item(i);
            if (!focused.empty() && rec->FileName == focused) item.SetFocused(true);
            if (!selected.empty() &&
                std::binary_search(selected.begin(), selected.end(), LowerName(rec->FileName)))
                item.SetSelected(true);
            if (keepIcons && rec->IconPending && !icons.empty()) {
                const auto it =
                    std::lower_bound(icons.begin(), icons.end(), std::make_pair(rec->FileName, INT_MIN));
                if (it != icons.end() && it->first == rec->FileName) {
                    rec->ImageIndex = it->second;
                    rec->IconPending = false;
                }
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    if (!ItemFocused())
        if (TListItem* sel = Selected()) sel->SetFocused(true);
    MakeFocusedVisible();
}

// --- commands ----------------------------------------------------------------------------------

void TDirView::SelectItem(TListItem* item, bool selected) {
    TIEListView::SelectItem(item, selected);
    if (OnSelectItemNew) OnSelectItemNew(*this, item, selected);
}

void TDirView::DblClick() {
    TIEListView::DblClick();
    Execute();
}

LRESULT TDirView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_KEYDOWN && wParam == VK_RETURN && EnterKey()) return 0;
    return TIEListView::WndProc(msg, wParam, lParam);
}

// True when the key was used.
bool TDirView::EnterKey() {
    // A folder that only has the focus (as after arriving in a list) is entered all the same.
    if (!Selected())
        if (TListItem* focused = ItemFocused();
            focused && ItemData(focused) && ItemData(focused)->IsDirectory)
            focused->SetSelected(true);
    if (!ItemFocused()) return false;
    if (GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    DblClick();
    return true;
}

void TDirView::Execute() {
    TListItem* item = Selected();
    if (!item)
        if (TListItem* focused = ItemFocused(); ItemData(focused) && ItemData(focused)->IsParentDir)
            item = focused;
    const TFileRec* rec = ItemData(item);
    if (!rec) return;
    if (rec->IsParentDir) {
        if (!loading_) GoUp();
        return;
    }
    // An item of the recycle bin is not opened: it shows its properties, which come with the
    // context menu.
    if (recycleBinMode_) return;

    // The handler may change the list: what is needed of the item is taken first.
    const bool isFolder = rec->IsDirectory;
    const bool isShortcut = !isFolder && rec->FileExt == "LNK";
    const std::string full = ItemFullFileName(item);
    bool allow = true;
    if (OnExecFile) OnExecFile(*this, *item, allow);
    if (!allow) return;

    std::string target;
    if (isFolder) {
        if (!shell::DirExists(full)) {
            // Gone behind the list's back: show what is there now instead.
            RefreshDirectory();
            if (DriveView())
                if (kovalin::TTreeNode* node = DriveView()->Selected()) DriveView()->ValidateDirectory(node);
            return;
        }
        target = full;
    } else if (isShortcut) {
        target = shell::ResolveShortcut(ParentForm() ? ParentForm()->Handle() : Handle(), full);
    }
    if (!target.empty() && shell::DirExists(target)) {
        EnterFolder(target);
        return;
    }
    if (isShortcut && !shell::FileOrDirExists(target)) return; // a shortcut to nothing
    OpenFile(full);
}

void TDirView::GoUp() {
    if (drivetree::TDriveView* tree = DriveView(); tree && tree->Selected()) {
        if (kovalin::TTreeNode* parent = tree->Selected()->Parent()) tree->SetSelected(parent);
        return;
    }
    const size_t cut = path_.rfind('\\');
    if (cut != std::string::npos) SetPath(path_.substr(0, cut));
}

void TDirView::EnterFolder(const std::string& folder) {
    drivetree::TDriveView* tree = DriveView();
    if (!tree) {
        SetPath(folder);
        return;
    }
    kovalin::TTreeNode* node = tree->FindNodeToPath(folder);
    // A folder made since the tree read the drive is found once the drive has been read again.
    if (!node && folder.size() >= 3 && folder[1] == ':' &&
        std::isalpha(static_cast<unsigned char>(folder[0]))) {
        tree->ScanDrive(folder[0]);
        node = tree->FindNodeToPath(folder);
    }
    if (node) tree->SetDirectory(folder);
}

void TDirView::OpenFile(const std::string& fullName) {
    // Programs started from here find their files relative to the folder shown.
    class CurrentDirectory {
    public:
        explicit CurrentDirectory(const std::string& folder) {
            const DWORD size = GetCurrentDirectoryA(0, nullptr);
            if (size > 0) {
                previous_.resize(size);
                const DWORD got = GetCurrentDirectoryA(size, previous_.data());
                previous_.resize(got < size ? got : 0);
            }
            SetCurrentDirectoryA(folder.c_str());
        }
        CurrentDirectory(const CurrentDirectory&) = delete;
        CurrentDirectory& operator=(const CurrentDirectory&) = delete;
        ~CurrentDirectory() {
            if (!previous_.empty()) SetCurrentDirectoryA(previous_.c_str());
        }

    private:
        std::string previous_;
    };
    CurrentDirectory current(GetPathName());
    shell::ShellExecuteVerb(ParentForm() ? ParentForm()->Handle() : Handle(), std::string(), fullName);
}

TListItem* TDirView::CreateDirectory(const std::string& name) {
    // Without a folder the name would land in the root of the current drive; a name with a
    // separator would make a folder somewhere else than the item added here.
    if (path_.empty()) {
        lastIOError_ = ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    if (name.find_first_of("\\/") != std::string::npos) {
        lastIOError_ = ERROR_INVALID_NAME;
        return nullptr;
    }
    const std::string full = path_ + "\\" + name;
    if (shell::FileOrDirExists(full)) {
        lastIOError_ = ERROR_ALREADY_EXISTS;
        return nullptr;
    }
    TListItem* item = nullptr;
    if (!::CreateDirectoryA(full.c_str(), nullptr)) {
        lastIOError_ = GetLastError();
    } else {
        lastIOError_ = ERROR_SUCCESS;
        // The name as the file system stored it (trailing dots and blanks are dropped).
        WIN32_FIND_DATAA entry{};
        bool found = false;
        ForEachEntry(full, [&](const WIN32_FIND_DATAA& e) {
            entry = e;
            found = true;
            return false;
        });
        if (found) {
            AddItem(entry);
            item = FindFileItem(entry.cFileName);
            if (item) {
                item->SetFocused(true);
                item->MakeVisible(false);
            }
            if (OnDirUpdated) OnDirUpdated(*this);
        }
    }
    if (DriveView())
        if (kovalin::TTreeNode* node = DriveView()->Selected()) DriveView()->ValidateDirectory(node);
    return item;
}

// --- sorting -----------------------------------------------------------------------------------

namespace {

constexpr uint32_t kNoKey = UINT32_MAX;
constexpr uint32_t kNoLocaleKey = UINT32_MAX - 1;

enum SortColumnIndex : unsigned { colName = 0, colSize = 1, colType = 2, colDate = 3, colAttr = 4 };

int Sign(int64_t a, int64_t b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

// The locale's own comparison, for a text it could make no sort key of.
int CompareLocaleNoCase(const std::string& a, const std::string& b) {
    const int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                                 b.data(), static_cast<int>(b.size()));
    return r == CSTR_LESS_THAN ? -1 : r == CSTR_GREATER_THAN ? 1 : 0;
}

} // namespace

ItemOrder::ItemOrder(const SortSettings& settings, std::vector<const TFileRec*> records)
    : settings_(settings), records_(std::move(records)) {
    const size_t n = records_.size();
    kinds_.resize(n);
    values_.resize(n);
    keyStart_.assign(n, kNoKey);
    keyLength_.assign(n, 0);
    // The kinds and numbers sit side by side, so that comparing them touches no record.
    for (size_t i = 0; i < n; ++i) {
        const TFileRec* rec = records_[i];
        if (!rec) {
            kinds_[i] = Kind::missing;
            continue;
        }
        kinds_[i] = rec->IsParentDir ? Kind::parent : rec->IsDirectory ? Kind::folder : Kind::file;
        switch (settings_.column) {
        case colSize:
            values_[i] = rec->Size;
            break;
        case colDate:
            // High half signed, low half unsigned: what comparing the two halves in turn gives.
            values_[i] = static_cast<int64_t>((static_cast<uint64_t>(rec->FileTime.dwHighDateTime) << 32) |
                                              rec->FileTime.dwLowDateTime);
            break;
        case colAttr:
            values_[i] = rec->Attr;
            break;
        default:
            break;
        }
    }
}

int ItemOrder::Compare(size_t i, size_t j) {
    if (i == j) return 0;
    const Kind a = kinds_[i], b = kinds_[j];
    int c;
    if (a == Kind::missing || b == Kind::missing) {
        c = a == b ? 0 : a == Kind::missing ? -1 : 1;
    } else if (a == Kind::parent || b == Kind::parent) {
        return a == b ? 0 : a == Kind::parent ? -1 : 1;
    } else if (a != b) {
        c = a == Kind::folder ? -1 : 1;
        if (settings_.dirsOnTop) return c;
    } else {
        c = SameKind(i, j);
    }
    return settings_.ascending ? c : -c;
}

int ItemOrder::SameKind(size_t i, size_t j) {
    switch (settings_.column) {
    case colSize:
    case colAttr:
        if (const int c = Sign(values_[i], values_[j])) return c;
        return ByText(i, j);
    case colDate: {
        if (const int c = Sign(values_[i], values_[j])) return c;
        // The name order comes with the direction already applied, and the caller applies it
        // once more: equal dates end in ascending name order either way.
        const int byName = ByText(i, j);
        return settings_.ascending ? byName : -byName;
    }
    default:
        return ByText(i, j);
    }
}

int ItemOrder::ByText(size_t i, size_t j) {
    if (keyStart_[i] == kNoKey) MakeKey(i);
    if (keyStart_[j] == kNoKey) MakeKey(j);
    if (keyStart_[i] == kNoLocaleKey || keyStart_[j] == kNoLocaleKey)
        return CompareLocaleNoCase(Text(i), Text(j));
    const uint32_t li = keyLength_[i], lj = keyLength_[j];
    const int c = std::memcmp(keys_.data() + keyStart_[i], keys_.data() + keyStart_[j], std::min(li, lj));
    if (c) return c < 0 ? -1 : 1;
    return Sign(li, lj);
}

std::string ItemOrder::Text(size_t i) const {
    const TFileRec& rec = *records_[i];
    if (settings_.column != colType) return rec.DisplayName;
    if (settings_.byExtension) {
        std::string text = rec.FileExt;
        if (text.size() < 5) text.resize(5, ' ');
        return text + rec.DisplayName;
    }
    return rec.TypeName + ' ' + rec.FileExt + ' ' + rec.DisplayName;
}

bool ItemOrder::MakeKey(size_t i) {
    const std::string text = Text(i);
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int length = static_cast<int>(text.size());
    char buffer[1024];
    int size = text.empty()
                   ? 0
                   : LCMapStringA(LOCALE_USER_DEFAULT, flags, text.data(), length, buffer, sizeof buffer);
    const char* key = buffer;
    std::string large;
    if (size == 0 && !text.empty() && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        size = LCMapStringA(LOCALE_USER_DEFAULT, flags, text.data(), length, nullptr, 0);
        if (size > 0) {
            large.resize(static_cast<size_t>(size));
            size = LCMapStringA(LOCALE_USER_DEFAULT, flags, text.data(), length, large.data(), size);
            key = large.data();
        }
    }
    if (size <= 0 && !text.empty()) {
        keyStart_[i] = kNoLocaleKey;
        return false;
    }
    keyStart_[i] = static_cast<uint32_t>(keys_.size());
    keyLength_[i] = static_cast<uint32_t>(size);
    keys_.append(key, static_cast<size_t>(size));
    return true;
}

SortSettings TDirView::CurrentSortSettings() const {
    return SortSettings{.column = SortColumn(),
                        .ascending = SortAscending(),
                        .dirsOnTop = dirsOnTop_,
                        .byExtension = sortByExtension_};
}

void TDirView::SortItems() {
    if (!Handle()) return;
    // There is no icon thread yet; once there is, it pauses here while the items move.
    class Restore {
    public:
        explicit Restore(TDirView& view)
            : view_(view), completed_(std::exchange(view.loadCompleted_, false)) {
            view_.BeginUpdate();
        }
        Restore(const Restore&) = delete;
        Restore& operator=(const Restore&) = delete;
        ~Restore() {
            view_.EndUpdate();
            view_.loadCompleted_ = completed_;
        }

    private:
        TDirView& view_;
        bool completed_;
    } restore(*this);
    WaitCursor cursor;

    const SortSettings settings = CurrentSortSettings();
    const bool byType = settings.column == colType && !settings.byExtension;
    std::vector<const TFileRec*> records(static_cast<size_t>(ItemCount()));
    for (int i = 0; i < ItemCount(); ++i) {
        TListItem& item = Item(i);
        const TFileRec* rec = ItemData(&item);
        if (byType && rec && rec->InfoPending) FetchItemInfo(item, false);
        records[static_cast<size_t>(i)] = rec;
    }
    ItemOrder order(settings, std::move(records));
    CustomSortByIndex(
        [&order](int a, int b) { return order.Compare(static_cast<size_t>(a), static_cast<size_t>(b)); });
}

void TDirView::ColClick(int column) {
    TIEListView::ColClick(column);
    if (TListItem* selected = Selected()) selected->MakeVisible(false);
}

void TDirView::SetSortByExtension(bool value) {
    if (sortByExtension_ == value) return;
    sortByExtension_ = value;
    if (!dirOK_ || loading_) return;
    // The type column shows the extension instead, so it changes either way.
    if (SortColumn() == colType)
        SortItems();
    else
        Invalidate();
}

void TDirView::SetDirsOnTop(bool value) {
    if (dirsOnTop_ == value) return;
    dirsOnTop_ = value;
    if (showDirectories_ && dirOK_ && !loading_) SortItems();
}

} // namespace filelist
