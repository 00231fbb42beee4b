// Sorting the file list's items.
#include "filelist/DirView.h"

#include "filelist/DirViewHelpers.h"

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

void TDirView::SortItems() {
    if (!Handle()) return;
    // Nothing is drawn and no cell text is answered while the items move.
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
