// The file list's columns, the texts and colours of its items.
#include "filelist/DirView.h"

#include "filelist/DirViewHelpers.h"
#include "filelist/ListGlobals.h"
#include "filelist/ListTexts.h"
#include "shell/UpdateBracket.h"

#include <commctrl.h>

#include <cstdio>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

void TDirView::CreateColumns() {
    shell::TUpdateBracket update(*this);
    ClearColumns();
    for (int i = 0; i < 5; ++i)
        AddColumn({});
    InitColumns();
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
    // Types and icons are fetched when an item is first shown, which keeps loading a folder cheap.
    // With the icon thread, icons of their own come from there in report style (and, on the
    // 95 family, in every style); the others cost no disk access and are fetched here.
    static const bool nt = (GetVersion() & 0x80000000u) == 0;
    const bool report = ViewStyle() == kovalin::TViewStyle::vsReport;
    const bool threadIcons = useIconUpdateThread_ && (report || !nt);
    // Only the type column and the image come from the shell; a name asked for alone does not
    // make the item fetch them. The list style measures every item's name before it draws the
    // first row, and for ten thousand folders the shell's answers would take most of a minute.
    const bool needsInfo = info.wantImage || (info.wantText && info.column == 2);
    if (rec->InfoPending && needsInfo) FetchItemInfo(item, rec->IconPending && !threadIcons);
    if (rec->IconPending && info.wantImage && !threadIcons) FetchItemInfo(item, true);
    if (rec->IconPending && iconThread_) IconRequested(item);
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
                if (fileNameDisplay_ == shell::fndNoCap || fileNameDisplay_ == shell::fndNice)
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
            if (fileNameDisplay_ == shell::fndCap) info.text = UpperName(info.text);
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
    auto isDropTargetRow = [this](const NMLVCUSTOMDRAW& d) {
        return DropTarget() && static_cast<DWORD_PTR>(DropTarget()->Index()) == d.nmcd.dwItemSpec;
    };
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
        // The highlight of a drop target, drawn here as well: not every list control draws it.
        if (isDropTargetRow(draw)) {
            draw.clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
            draw.clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
        }
        LRESULT answer = CDRF_NOTIFYSUBITEMDRAW;
        if (rec && rec->IsParentDir && Globals().commonControls470) answer |= CDRF_NOTIFYPOSTPAINT;
        return answer;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        if (draw.iSubItem > 0) draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
        if (draw.iSubItem > 0 && isDropTargetRow(draw)) draw.clrTextBk = GetSysColor(COLOR_WINDOW);
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

} // namespace filelist
