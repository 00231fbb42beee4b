// Sorting the file list's items.
#include "filelist/DirView.h"

#include "filelist/DirViewHelpers.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace filelist {

using kovalin::TListItem;
using namespace detail;

SortSettings TDirView::CurrentSortSettings() const {
    return SortSettings{.column = SortColumn(),
                        .ascending = SortAscending(),
                        .dirsOnTop = dirsOnTop_,
                        .byExtension = sortByExtension_};
}

// What a sort does around moving the items: no drawing, no cell texts asked for, the hourglass;
// the icon thread, which finds its items by index, stops meanwhile.
class TDirView::SortBracket {
public:
    explicit SortBracket(TDirView& view) : view_(view) {
        view_.StopIconUpdateThread();
        completed_ = std::exchange(view_.loadCompleted_, false);
        view_.BeginUpdate();
    }
    SortBracket(const SortBracket&) = delete;
    SortBracket& operator=(const SortBracket&) = delete;
    ~SortBracket() {
        view_.EndUpdate();
        view_.loadCompleted_ = completed_;
        if (view_.loading_ || !view_.useIconUpdateThread_ || view_.recycleBinMode_) return;
        try {
            view_.StartIconUpdateThread();
        } catch (...) {
            // Without the thread, icons are fetched as rows are drawn.
        }
    }

private:
    TDirView& view_;
    bool completed_ = true;
    WaitCursor cursor_;
};

void TDirView::SortItems() {
    if (!Handle()) return;
    SortBracket bracket(*this);
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
    ApplyOrder(order.Sorted());
    knownOrder_ = {true, OrderChanges(), settings};
}

bool TDirView::InKnownOrder() const {
    return knownOrder_.known && knownOrder_.changes == OrderChanges() &&
           knownOrder_.settings == CurrentSortSettings();
}

void TDirView::SortAfterRefresh(const std::vector<TListItem*>& moved, bool wasInOrder) {
    const SortSettings settings = CurrentSortSettings();
    const size_t n = static_cast<size_t>(ItemCount());
    // A type name may still change when its item is first drawn: by type, everything is sorted.
    const bool byType = settings.column == colType && !settings.byExtension;
    if (!Handle() || !wasInOrder || byType || moved.size() > std::max<size_t>(16, n / 8)) {
        SortItems();
        return;
    }
    SortBracket bracket(*this);
    std::vector<const TFileRec*> records(n);
    for (size_t i = 0; i < n; ++i)
        records[i] = ItemData(static_cast<int>(i));
    ItemOrder order(settings, std::move(records));
    // What the stable sort gives: the column's order, then the present places.
    auto before = [&order](int a, int b) {
        const int c = order.Compare(static_cast<size_t>(a), static_cast<size_t>(b));
        return c ? c < 0 : a < b;
    };
    std::vector<char> isPlaced(n, 0);
    std::vector<int> placed;
    for (const TListItem* item : moved)
        if (item && !isPlaced[static_cast<size_t>(item->Index())]) {
            isPlaced[static_cast<size_t>(item->Index())] = 1;
            placed.push_back(item->Index());
        }
    std::sort(placed.begin(), placed.end(), before);
    std::vector<int> rest;
    rest.reserve(n - placed.size());
    for (size_t i = 0; i < n; ++i)
        if (!isPlaced[i]) rest.push_back(static_cast<int>(i));
    // The others are in order already: each placed item goes in where it belongs among them.
    std::vector<int> result;
    result.reserve(n);
    auto from = rest.begin();
    for (int item : placed) {
        const auto at = std::lower_bound(from, rest.end(), item, before);
        result.insert(result.end(), from, at);
        result.push_back(item);
        from = at;
    }
    result.insert(result.end(), from, rest.end());
    ApplyOrder(result);
    knownOrder_ = {true, OrderChanges(), settings};
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
