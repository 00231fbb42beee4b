// Folder sizes in the file list: one scanner thread per folder item sums what lies below it, and
// the list shows the total once the scanner is done.
#include "filelist/DirView.h"

#include "kovalin/Application.h"
#include "shell/SubDirScanner.h"

#include <algorithm>
#include <utility>

namespace filelist {

using kovalin::TListItem;

void TDirView::SetShowSubDirSize(bool value) {
    if (showSubDirSize_ == value) return;
    showSubDirSize_ = value;
    if (value)
        StartSubDirScanners();
    else
        StopSubDirScanners();
    Invalidate();
}

void TDirView::StartSubDirScanners() {
    if (!dirOK_ || loading_ || !showDirectories_ || !showSubDirSize_) return;
    for (int i = 0; i < ItemCount(); ++i) {
        const TFileRec* rec = ItemData(i);
        if (rec && rec->IsDirectory && !rec->IsParentDir) StartSubDirScanner(Item(i));
    }
}

void TDirView::StartSubDirScanner(TListItem& item) {
    // Both handlers run on this thread, which is busy here: the scanner is in the list first.
    subDirScanners_.push_back(std::make_unique<shell::TSubDirScanner>(
        ItemFullFileName(&item), item.Caption(), [this](shell::TSubDirScanner& s) { SubDirSizeFound(s); },
        [this](shell::TSubDirScanner& s) { SubDirScannerEnded(&s); }));
}

void TDirView::StopSubDirScanners() {
    EndSubDirScanners();
    kovalin::Application().ProcessMessages();
}

void TDirView::EndSubDirScanners() {
    // Taken out of the list first: a scanner's end handler that runs while this waits finds
    // nothing of its own to remove, and so sorts nothing.
    std::vector<std::unique_ptr<shell::TSubDirScanner>> stopping = std::move(subDirScanners_);
    subDirScanners_.clear();
    for (auto& scanner : stopping) {
        scanner->SetPriority(THREAD_PRIORITY_ABOVE_NORMAL);
        scanner->Terminate();
    }
    stopping.clear();
    std::vector<std::unique_ptr<shell::TSubDirScanner>> ended = std::move(endedScanners_);
    endedScanners_.clear();
}

int TDirView::SubDirScannerCount() const {
    return static_cast<int>(subDirScanners_.size());
}

void TDirView::SubDirSizeFound(shell::TSubDirScanner& scanner) {
    if (loading_) return;
    // Captions may repeat (names shown in another case); the full path tells the item.
    for (int i = 0; i < ItemCount(); ++i) {
        TListItem& item = Item(i);
        if (item.Caption() != scanner.Caption() || ItemFullFileName(&item) != scanner.Path()) continue;
        if (scanner.Terminated()) return;
        ItemData(&item)->Size = scanner.Total();
        item.Update();
        if (OnFileSizeChanged) OnFileSizeChanged(*this, item);
        return;
    }
}

void TDirView::SubDirScannerEnded(shell::TSubDirScanner* scanner) {
    const auto it = std::find_if(subDirScanners_.begin(), subDirScanners_.end(),
                                 [scanner](const auto& s) { return s.get() == scanner; });
    if (it == subDirScanners_.end()) return;
    // The thread that runs this handler waits for it, and so may others whose handlers run
    // nested in this one: none of them can be freed now. Scanners whose threads have finished
    // altogether can: freeing them waits for nothing here. The lists are in order before that,
    // as other handlers run while it waits.
    std::unique_ptr<shell::TSubDirScanner> self = std::move(*it);
    subDirScanners_.erase(it);
    std::vector<std::unique_ptr<shell::TSubDirScanner>> finished;
    for (auto& ended : endedScanners_)
        if (ended->Finished()) finished.push_back(std::move(ended));
    std::erase(endedScanners_, nullptr);
    endedScanners_.push_back(std::move(self));
    if (subDirScanners_.empty() && SortColumn() == 1 && !loading_) SortItems();
}

} // namespace filelist
