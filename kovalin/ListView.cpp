#include "kovalin/ListView.h"

#include "kovalin/Exceptions.h"
#include "kovalin/ImageList.h"
#include "kovalin/SelectionRuns.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <utility>

namespace kovalin {

namespace {

DWORD TypeStyle(TViewStyle v) {
    switch (v) {
    case TViewStyle::vsSmallIcon:
        return LVS_SMALLICON;
    case TViewStyle::vsList:
        return LVS_LIST;
    case TViewStyle::vsReport:
        return LVS_REPORT;
    case TViewStyle::vsIcon:
    default:
        return LVS_ICON;
    }
}

void RegisterListViewClass() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

// Counts the list's own selection moves, during which OnSelectItem stays silent.
class QuietSelection {
public:
    explicit QuietSelection(int& counter) : counter_(counter) { ++counter_; }
    QuietSelection(const QuietSelection&) = delete;
    QuietSelection& operator=(const QuietSelection&) = delete;
    ~QuietSelection() { --counter_; }

private:
    int& counter_;
};

bool SameText(const std::string& a, size_t aLen, const std::string& b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(aLen), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

} // namespace

TListView::TListView(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    RegisterListViewClass();
    CreateParams cp;
    cp.className = WC_LISTVIEWA;
    // Owner data: the control keeps only selection and focus and asks for everything else.
    // Shared image lists: the lists belong to their TImageList, never to the control.
    cp.style = WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_OWNERDATA | LVS_SHAREIMAGELISTS |
               LVS_AUTOARRANGE | TypeStyle(p.viewStyle);
    if (p.visible) cp.style |= WS_VISIBLE;
    if (!p.multiSelect) cp.style |= LVS_SINGLESEL;
    if (!p.readOnly) cp.style |= LVS_EDITLABELS;
    if (!p.columnClick) cp.style |= LVS_NOSORTHEADER;
    if (!p.showColumnHeaders) cp.style |= LVS_NOCOLUMNHEADER;
    if (!p.hideSelection) cp.style |= LVS_SHOWSELALWAYS;
    cp.exStyle = WS_EX_CLIENTEDGE;
    cp.left = p.left;
    cp.top = p.top;
    cp.width = p.width;
    cp.height = p.height;
    cp.id = NextControlId();
    cp.subclass = true;
    CreateHandle(cp);
    controlProc_ = reinterpret_cast<WNDPROC>(GetClassLongPtrA(Handle(), GCLP_WNDPROC));
    // The marks the items keep themselves; the control asks for them while drawing.
    Send(LVM_SETCALLBACKMASK, LVIS_CUT | LVIS_DROPHILITED | LVIS_OVERLAYMASK);
    DWORD ex = 0;
    if (p.rowSelect) ex |= LVS_EX_FULLROWSELECT;
    if (p.hotTrack) ex |= LVS_EX_TRACKSELECT;
    if (p.fullDrag) ex |= LVS_EX_HEADERDRAGDROP;
    if (ex) Send(LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
}

TListView::~TListView() {
    dropTarget_ = nullptr;
    for (auto& item : items_) {
        try {
            if (OnDeletion) OnDeletion(*item);
        } catch (...) {
            // Nothing can be reported from here; the remaining items still get their turn.
        }
    }
    items_.clear();
}

LRESULT TListView::Send(UINT msg, WPARAM wParam, LPARAM lParam) const {
    if (controlProc_ && msg >= LVM_FIRST && msg < LVM_FIRST + 0x100)
        return CallWindowProcA(controlProc_, Handle(), msg, wParam, lParam);
    return SendMessageA(Handle(), msg, wParam, lParam);
}

void TListView::SyncCount() const {
    if (controlCount_ == items_.size()) return;
    controlCount_ = items_.size();
    Send(LVM_SETITEMCOUNT, controlCount_, LVSICF_NOSCROLL);
}

void TListView::CheckIndex(int index) const {
    if (index < 0 || index >= ItemCount()) throw ERangeError(Format("List index out of bounds (%d)", index));
}

TListItem& TListView::Item(int index) const {
    CheckIndex(index);
    return *items_[static_cast<size_t>(index)];
}

TListItem* TListView::ItemOrNull(LRESULT index) const {
    return index >= 0 && index < ItemCount() ? items_[static_cast<size_t>(index)].get() : nullptr;
}

TListItem& TListView::AddItem(const std::string& caption, std::unique_ptr<TListItemData> data) {
    std::unique_ptr<TListItem> item(new TListItem(*this, ItemCount()));
    item->caption_ = caption;
    item->data_ = std::move(data);
    items_.push_back(std::move(item));
    ++orderChanges_;
    if (!Updating()) SyncCount();
    return *items_.back();
}

std::vector<int> TListView::SelectedIndices(int from) const {
    std::vector<int> found;
    const int count = static_cast<int>(Send(LVM_GETSELECTEDCOUNT));
    if (count == 0) return found;
    auto nextSelected = [this](int after) {
        return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(after), LVNI_SELECTED));
    };
    // The count tells how many are still to come only when reading from the start.
    if (from <= 0) return SelectedPositions(count, static_cast<int>(controlCount_), nextSelected);
    int i = from - 1;
    for (;;) {
        int next = nextSelected(i);
        if (next <= i) break;
        found.push_back(next);
        i = next;
    }
    return found;
}

void TListView::DeleteItem(int index) {
    CheckIndex(index);
    TListItem* victim = items_[static_cast<size_t>(index)].get();
    if (OnDeletion) OnDeletion(*victim);
    if (dropTarget_ == victim) dropTarget_ = nullptr;
    SyncCount();
    ShiftMarksAfterDelete(index);
    items_.erase(items_.begin() + index);
    for (size_t i = static_cast<size_t>(index); i < items_.size(); ++i)
        items_[i]->index_ = static_cast<int>(i);
    SyncCount();
}

void TListView::DeleteItems(std::vector<int> indices) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    if (indices.empty()) return;
    for (int index : indices)
        CheckIndex(index);
    if (indices.size() == 1) {
        DeleteItem(indices.front());
        return;
    }
    const int n = ItemCount();
    SyncCount();
    const int focus = static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    const int mark = static_cast<int>(Send(LVM_GETSELECTIONMARK));
    const std::vector<int> selected = SelectedIndices(0);
    for (int index : indices) {
        TListItem* victim = items_[static_cast<size_t>(index)].get();
        if (OnDeletion) OnDeletion(*victim);
        if (dropTarget_ == victim) dropTarget_ = nullptr;
    }
    // Where each item that stays ends up; -1 for the deleted ones.
    std::vector<int> moved(static_cast<size_t>(n), 0);
    for (int index : indices)
        moved[static_cast<size_t>(index)] = -1;
    std::vector<std::unique_ptr<TListItem>> kept;
    kept.reserve(static_cast<size_t>(n) - indices.size());
    for (int i = 0; i < n; ++i) {
        if (moved[static_cast<size_t>(i)] < 0) continue;
        moved[static_cast<size_t>(i)] = static_cast<int>(kept.size());
        kept.push_back(std::move(items_[static_cast<size_t>(i)]));
        kept.back()->index_ = moved[static_cast<size_t>(i)];
    }

    QuietSelection quiet(quietSelection_);
    BeginUpdate();
    // The control keeps the marks by position: all go, and come back where their items now are.
    SetItemStateBits(-1, LVIS_SELECTED | LVIS_FOCUSED, false);
    items_.swap(kept);
    kept.clear(); // the deleted items
    SyncCount();
    for (int s : selected)
        if (moved[static_cast<size_t>(s)] >= 0)
            SetItemStateBits(moved[static_cast<size_t>(s)], LVIS_SELECTED, true);
    if (focus >= 0 && moved[static_cast<size_t>(focus)] >= 0)
        SetItemStateBits(moved[static_cast<size_t>(focus)], LVIS_FOCUSED, true);
    Send(LVM_SETSELECTIONMARK, 0, mark >= 0 && mark < n ? moved[static_cast<size_t>(mark)] : -1);
    EndUpdate();
}

void TListView::SetItemStateBits(int index, UINT mask, bool on) {
    LVITEMA item{};
    item.stateMask = mask;
    item.state = on ? mask : 0;
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

// The control keeps selection and focus by position, so after a deletion every mark behind the
// deleted item has to move up by one. Only the ends of runs of selected items change, which keeps
// this cheap even when thousands of items are selected.
void TListView::ShiftMarksAfterDelete(int index) {
    const int n = ItemCount();
    const int focus = static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    const int mark = static_cast<int>(Send(LVM_GETSELECTIONMARK));
    const std::vector<int> selected = SelectedIndices(index);
    QuietSelection quiet(quietSelection_);
    BeginUpdate();
    if (!selected.empty()) {
        std::vector<char> was(static_cast<size_t>(n - index), 0);
        for (int s : selected)
            was[static_cast<size_t>(s - index)] = 1;
        for (int k = index; k < n - 1; ++k) {
            char now = was[static_cast<size_t>(k + 1 - index)];
            if (now != was[static_cast<size_t>(k - index)]) SetItemStateBits(k, LVIS_SELECTED, now != 0);
        }
        if (was.back()) SetItemStateBits(n - 1, LVIS_SELECTED, false);
    }
    if (focus >= index) {
        SetItemStateBits(focus, LVIS_FOCUSED, false);
        if (focus > index) SetItemStateBits(focus - 1, LVIS_FOCUSED, true);
    }
    if (mark >= index) Send(LVM_SETSELECTIONMARK, 0, mark > index ? mark - 1 : -1);
    EndUpdate();
}

void TListView::ClearItems() {
    dropTarget_ = nullptr;
    if (OnDeletion)
        for (auto& item : items_)
            OnDeletion(*item);
    items_.clear();
    QuietSelection quiet(quietSelection_);
    Send(LVM_DELETEALLITEMS);
    controlCount_ = 0;
    Send(LVM_SETITEMCOUNT, 0, 0);
}

void TListView::CustomSort(const TListCompare& compare) {
    if (!compare) return;
    CustomSortByIndex([this, &compare](int a, int b) {
        return compare(items_[static_cast<size_t>(a)].get(), items_[static_cast<size_t>(b)].get());
    });
}

void TListView::CustomSortByIndex(const TListIndexCompare& compare) {
    const size_t n = items_.size();
    if (n < 2 || !compare) return;
    // Sort positions first: a comparison that throws leaves the list as it was.
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&compare](int a, int b) { return compare(a, b) < 0; });
    ApplyOrder(order);
}

void TListView::ApplyOrder(const std::vector<int>& order) {
    const size_t n = items_.size();
    if (order.size() != n) throw ERangeError("Item order of the wrong size");
    std::vector<char> taken(n, 0);
    for (int from : order) {
        if (from < 0 || static_cast<size_t>(from) >= n || taken[static_cast<size_t>(from)])
            throw ERangeError("Item order names an item twice or not at all");
        taken[static_cast<size_t>(from)] = 1;
    }
    ++orderChanges_;
    if (n < 2) return;
    SyncCount();
    const std::vector<int> selected = SelectedIndices(0);
    const int focus = static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    TListItem* focused = ItemOrNull(focus);
    TListItem* mark = ItemOrNull(Send(LVM_GETSELECTIONMARK));

    std::vector<char> was(n, 0), now(n, 0);
    for (int s : selected)
        was[static_cast<size_t>(s)] = 1;
    std::vector<std::unique_ptr<TListItem>> sorted(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t from = static_cast<size_t>(order[i]);
        now[i] = was[from];
        sorted[i] = std::move(items_[from]);
        sorted[i]->index_ = static_cast<int>(i);
    }
    items_.swap(sorted);

    // Selection and focus follow their items to their new places; without drawing, as every
    // single change would otherwise invalidate its item on its own.
    QuietSelection quiet(quietSelection_);
    BeginUpdate();
    LVITEMA state{};
    if (focused && focused->index_ != focus) {
        state.stateMask = LVIS_FOCUSED;
        state.state = 0;
        Send(LVM_SETITEMSTATE, static_cast<WPARAM>(focus), reinterpret_cast<LPARAM>(&state));
        state.state = LVIS_FOCUSED;
        Send(LVM_SETITEMSTATE, static_cast<WPARAM>(focused->index_), reinterpret_cast<LPARAM>(&state));
    }
    // Marks that go, before those that come: under Wine, selecting an item while another is still
    // selected costs a single-selection list of 100 000 items some 45 ms; the other way round, nothing.
    state.stateMask = LVIS_SELECTED;
    for (char selecting : {0, 1})
        for (size_t i = 0; i < n; ++i) {
            if (was[i] == now[i] || now[i] != selecting) continue;
            state.state = selecting ? LVIS_SELECTED : 0;
            Send(LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
        }
    if (mark) Send(LVM_SETSELECTIONMARK, 0, mark->index_);
    EndUpdate();
    Invalidate();
}

void TListView::BeginUpdate() {
    // Switching drawing back on can show a hidden window, and a hidden one draws nothing anyway.
    if (updateCount_++ == 0 && (GetWindowLongA(Handle(), GWL_STYLE) & WS_VISIBLE)) {
        Send(WM_SETREDRAW, FALSE);
        redrawOff_ = true;
    }
}

void TListView::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ > 0) return;
    SyncCount();
    if (redrawOff_) {
        redrawOff_ = false;
        Send(WM_SETREDRAW, TRUE);
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

TListItem* TListView::Selected() const {
    SyncCount();
    return ItemOrNull(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void TListView::SetSelected(TListItem* item) {
    ClearSelection();
    if (item) item->SetSelected(true);
}

int TListView::SelCount() const {
    return static_cast<int>(Send(LVM_GETSELECTEDCOUNT));
}

TListItem* TListView::ItemFocused() const {
    SyncCount();
    return ItemOrNull(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void TListView::SetItemFocused(TListItem* item) {
    if (item)
        item->SetFocused(true);
    else if (TListItem* current = ItemFocused())
        current->SetFocused(false);
}

TListItem* TListView::GetNextItem(TListItem* start, UINT flags) const {
    SyncCount();
    WPARAM from = start ? static_cast<WPARAM>(start->index_) : static_cast<WPARAM>(-1);
    return ItemOrNull(Send(LVM_GETNEXTITEM, from, flags));
}

// Both inside an update bracket: the control invalidates item by item otherwise.
void TListView::ClearSelection() {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    BeginUpdate();
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    EndUpdate();
}

void TListView::SelectAll() {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    BeginUpdate();
    SyncCount();
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    EndUpdate();
}

void TListView::SetDropTarget(TListItem* item) {
    if (item == dropTarget_) return;
    TListItem* old = std::exchange(dropTarget_, item);
    if (old) old->Update();
    if (item) item->Update();
}

TListItem* TListView::TopItem() const {
    SyncCount();
    return ItemOrNull(Send(LVM_GETTOPINDEX));
}

int TListView::VisibleRowCount() const {
    return static_cast<int>(Send(LVM_GETCOUNTPERPAGE));
}

TListItem* TListView::GetItemAt(int x, int y) const {
    SyncCount();
    LVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    LRESULT index = Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    return (hit.flags & LVHT_ONITEM) ? ItemOrNull(index) : nullptr;
}

void TListView::UpdateItems(int first, int last) {
    SyncCount();
    first = std::max(first, 0);
    last = std::min(last, ItemCount() - 1);
    if (first <= last) Send(LVM_REDRAWITEMS, static_cast<WPARAM>(first), last);
}

std::string TListView::ItemText(TListItem& item) {
    TListDispInfo info;
    info.wantText = true;
    info.text = item.caption_;
    try {
        DoGetDispInfo(item, info);
    } catch (...) {
        info.text.clear();
    }
    return info.text;
}

int TListView::FindText(int start, const std::string& text, bool partial, bool wrap) {
    const int n = ItemCount();
    if (start < 0 || start >= n) start = 0;
    for (int k = 0; k < n; ++k) {
        int i = start + k;
        if (i >= n) {
            if (!wrap) break;
            i -= n;
        }
        std::string t = ItemText(*items_[static_cast<size_t>(i)]);
        if (partial ? t.size() >= text.size() && SameText(t, text.size(), text) : SameText(t, t.size(), text))
            return i;
    }
    return -1;
}

TListItem* TListView::FindCaption(int start, const std::string& text, bool partial, bool wrap) {
    return ItemOrNull(FindText(start, text, partial, wrap));
}

TListColumn& TListView::Column(int index) const {
    if (index < 0 || index >= ColumnCount())
        throw ERangeError(Format("Column index out of bounds (%d)", index));
    return *columns_[static_cast<size_t>(index)];
}

TListColumn& TListView::AddColumn(const TListColumn::Params& p) {
    const int index = ColumnCount();
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = ColumnFormat(p.alignment);
    col.cx = p.width;
    col.pszText = const_cast<char*>(p.caption.c_str());
    col.iSubItem = index;
    if (Send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&col)) != index)
        throw EOutOfResources("Cannot add a list view column");
    columns_.push_back(std::unique_ptr<TListColumn>(new TListColumn(*this, index, p)));
    return *columns_.back();
}

void TListView::ClearColumns() {
    while (!columns_.empty()) {
        Send(LVM_DELETECOLUMN, columns_.size() - 1);
        columns_.pop_back();
    }
}

std::vector<int> TListView::ColumnOrder() const {
    std::vector<int> order(columns_.size());
    if (!order.empty()) Send(LVM_GETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
    return order;
}

void TListView::SetColumnOrder(const std::vector<int>& order) {
    std::vector<int> check = order;
    std::sort(check.begin(), check.end());
    for (size_t i = 0; i < check.size(); ++i)
        if (check[i] != static_cast<int>(i)) check.clear();
    if (check.size() != columns_.size()) throw ERangeError("Invalid column order");
    if (!order.empty()) Send(LVM_SETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
    Invalidate();
}

HWND TListView::HeaderHandle() const {
    return reinterpret_cast<HWND>(Send(LVM_GETHEADER));
}

void TListView::SetSmallImages(TImageList* images) {
    smallImages_ = images;
    Send(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images ? images->Handle() : nullptr));
}

void TListView::SetLargeImages(TImageList* images) {
    largeImages_ = images;
    Send(LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images ? images->Handle() : nullptr));
}

TViewStyle TListView::ViewStyle() const {
    switch (GetWindowLongA(Handle(), GWL_STYLE) & LVS_TYPEMASK) {
    case LVS_SMALLICON:
        return TViewStyle::vsSmallIcon;
    case LVS_LIST:
        return TViewStyle::vsList;
    case LVS_REPORT:
        return TViewStyle::vsReport;
    default:
        return TViewStyle::vsIcon;
    }
}

void TListView::SetViewStyle(TViewStyle value) {
    DWORD style = static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE));
    DWORD changed = (style & ~static_cast<DWORD>(LVS_TYPEMASK)) | TypeStyle(value);
    if (changed == style) return;
    SetWindowLongA(Handle(), GWL_STYLE, static_cast<LONG>(changed));
    Invalidate();
}

bool TListView::HasStyle(DWORD bit) const {
    return (static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE)) & bit) != 0;
}

void TListView::SetStyle(DWORD bit, bool on) {
    DWORD style = static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE));
    DWORD changed = on ? style | bit : style & ~bit;
    if (changed == style) return;
    SetWindowLongA(Handle(), GWL_STYLE, static_cast<LONG>(changed));
    Invalidate();
}

void TListView::SetColumnClick(bool value) {
    SetStyle(LVS_NOSORTHEADER, !value);
    // The header's own button style follows, so that clicks show and are reported.
    if (HWND header = HeaderHandle()) {
        LONG style = GetWindowLongA(header, GWL_STYLE);
        SetWindowLongA(header, GWL_STYLE, value ? style | HDS_BUTTONS : style & ~HDS_BUTTONS);
    }
}

bool TListView::HasExStyle(DWORD bit) const {
    return (static_cast<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE)) & bit) != 0;
}

void TListView::SetExStyle(DWORD bit, bool on) {
    Send(LVM_SETEXTENDEDLISTVIEWSTYLE, bit, on ? bit : 0);
}

COLORREF TListView::Color() const {
    return static_cast<COLORREF>(Send(LVM_GETBKCOLOR));
}

void TListView::SetColor(COLORREF value) {
    Send(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(value));
    Send(LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(value));
    Invalidate();
}

void TListView::ColClick(int column) {
    if (OnColumnClick) OnColumnClick(column);
}

void TListView::SelectItem(TListItem* item, bool selected) {
    if (OnSelectItem) OnSelectItem(item, selected);
}

void TListView::DblClick() {
    if (OnDblClick) OnDblClick();
}

void TListView::DoGetDispInfo(TListItem& item, TListDispInfo& info) {
    if (OnData) OnData(item, info);
}

LRESULT TListView::CustomDraw(NMLVCUSTOMDRAW&) {
    return CDRF_DODEFAULT;
}

LRESULT TListView::HeaderNotify(NMHDR& header) {
    return DefaultHandler(WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void TListView::AnswerDispInfo(NMLVDISPINFOA& request) {
    LVITEMA& it = request.item;
    TListItem* item = ItemOrNull(it.iItem);
    if (!item) return;
    if ((it.mask & LVIF_STATE) && it.iSubItem == 0) {
        UINT state = 0;
        if (item->cut_) state |= LVIS_CUT;
        if (dropTarget_ == item) state |= LVIS_DROPHILITED;
        if (item->overlayIndex_ >= 0) state |= INDEXTOOVERLAYMASK(item->overlayIndex_ + 1);
        it.state = (it.state & ~it.stateMask) | (state & it.stateMask);
    }
    if (!(it.mask & (LVIF_TEXT | LVIF_IMAGE))) return;
    TListDispInfo info;
    info.column = it.iSubItem;
    info.wantText = (it.mask & LVIF_TEXT) != 0;
    info.wantImage = (it.mask & LVIF_IMAGE) != 0;
    if (it.iSubItem == 0) {
        info.text = item->caption_;
        info.imageIndex = item->imageIndex_;
    }
    try {
        DoGetDispInfo(*item, info);
    } catch (...) {
        // An answer that failed shows an empty cell; nothing may unwind through the control.
        info.text.clear();
    }
    if (info.wantText && it.pszText && it.cchTextMax > 0) {
        size_t n = std::min(info.text.size(), static_cast<size_t>(it.cchTextMax) - 1);
        std::memcpy(it.pszText, info.text.data(), n);
        it.pszText[n] = '\0';
    }
    if (info.wantImage) it.iImage = info.imageIndex;
}

LRESULT TListView::NotifyHandler(NMHDR& header) {
    switch (header.code) {
    case LVN_GETDISPINFOA:
        AnswerDispInfo(reinterpret_cast<NMLVDISPINFOA&>(header));
        return 0;
    case LVN_ODFINDITEMA: {
        auto& find = reinterpret_cast<NMLVFINDITEMA&>(header);
        if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
        return FindText(find.iStart, find.lvfi.psz, (find.lvfi.flags & LVFI_PARTIAL) != 0,
                        (find.lvfi.flags & LVFI_WRAP) != 0);
    }
    case LVN_ODFINDITEMW: {
        auto& find = reinterpret_cast<NMLVFINDITEMW&>(header);
        if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
        int n = WideCharToMultiByte(CP_ACP, 0, find.lvfi.psz, -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<size_t>(std::max(n, 1)), '\0');
        WideCharToMultiByte(CP_ACP, 0, find.lvfi.psz, -1, text.data(), n, nullptr, nullptr);
        text.resize(std::strlen(text.c_str()));
        return FindText(find.iStart, text, (find.lvfi.flags & LVFI_PARTIAL) != 0,
                        (find.lvfi.flags & LVFI_WRAP) != 0);
    }
    case LVN_COLUMNCLICK:
        ColClick(reinterpret_cast<NMLISTVIEW&>(header).iSubItem);
        return 0;
    case LVN_ITEMCHANGED: {
        auto& change = reinterpret_cast<NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED) &&
            !quietSelection_)
            SelectItem(ItemOrNull(change.iItem), (change.uNewState & LVIS_SELECTED) != 0);
        return 0;
    }
    case LVN_ODSTATECHANGED: {
        auto& change = reinterpret_cast<NMLVODSTATECHANGE&>(header);
        if (((change.uNewState ^ change.uOldState) & LVIS_SELECTED) && !quietSelection_)
            SelectItem(change.iFrom == change.iTo ? ItemOrNull(change.iFrom) : nullptr,
                       (change.uNewState & LVIS_SELECTED) != 0);
        return 0;
    }
    case LVN_BEGINLABELEDITA: {
        TListItem* item = ItemOrNull(reinterpret_cast<NMLVDISPINFOA&>(header).item.iItem);
        bool allow = item && !ReadOnly();
        if (allow && OnEditing) OnEditing(*item, allow);
        return allow ? FALSE : TRUE;
    }
    case LVN_ENDLABELEDITA: {
        auto& edit = reinterpret_cast<NMLVDISPINFOA&>(header);
        TListItem* item = ItemOrNull(edit.item.iItem);
        if (!item || !edit.item.pszText) return FALSE; // cancelled
        std::string text(edit.item.pszText);
        if (OnEdited) OnEdited(*item, text);
        item->caption_ = text;
        ++orderChanges_;
        item->Update();
        return TRUE;
    }
    case NM_CUSTOMDRAW:
        return CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    case NM_DBLCLK:
        DblClick();
        return 0;
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG: {
        auto& drag = reinterpret_cast<NMLISTVIEW&>(header);
        BeginDrag(ItemOrNull(drag.iItem), header.code == LVN_BEGINRDRAG, drag.ptAction);
        return 0;
    }
    }
    return 0;
}

LRESULT TListView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header && header->hwndFrom && header->hwndFrom == HeaderHandle()) return HeaderNotify(*header);
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace kovalin
