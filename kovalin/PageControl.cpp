#include "kovalin/PageControl.h"

#include "kovalin/TabSheet.h"

#include <algorithm>
#include <commctrl.h>

namespace kovalin {

TPageControl::TPageControl(TWinControl& parent, const Params& p) : TWinControl(&parent) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    CreateParams cp = ChildParams(WC_TABCONTROLA, p.left, p.top, p.width, p.height);
    cp.style |= WS_TABSTOP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (p.hotTrack) cp.style |= TCS_HOTTRACK;
    cp.exStyle = WS_EX_CONTROLPARENT;
    // The tab strip is the pages' parent: notifications from their controls, and its own size
    // changes, must reach the object.
    cp.subclass = true;
    CreateHandle(cp);
}

TPageControl::~TPageControl() {
    // Pages still alive are owned elsewhere; they must not reach back into a dead control.
    pages_.clear();
}

void TPageControl::InsertPage(TTabSheet* page) {
    std::string text = page->Caption();
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    int index = static_cast<int>(pages_.size());
    pages_.push_back(page);
    SendMessageA(Handle(), TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    PlacePages();
    // The first page is shown as soon as it exists.
    ShowSelected();
}

void TPageControl::RemovePage(TTabSheet* page) {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end()) return;
    int index = static_cast<int>(it - pages_.begin());
    pages_.erase(it);
    SendMessageA(Handle(), TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
    if (!pages_.empty() && ActivePageIndex() < 0) SendMessageA(Handle(), TCM_SETCURSEL, 0, 0);
    ShowSelected();
}

int TPageControl::ActivePageIndex() const {
    int sel = static_cast<int>(SendMessageA(Handle(), TCM_GETCURSEL, 0, 0));
    return sel >= 0 && sel < PageCount() ? sel : -1;
}

TTabSheet* TPageControl::ActivePage() const {
    int i = ActivePageIndex();
    return i < 0 ? nullptr : pages_[static_cast<size_t>(i)];
}

void TPageControl::SetActivePageIndex(int index) {
    if (index < 0 || index >= PageCount()) return;
    SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowSelected();
}

void TPageControl::SetActivePage(TTabSheet* page) {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it != pages_.end()) SetActivePageIndex(static_cast<int>(it - pages_.begin()));
}

void TPageControl::ShowSelected() {
    TTabSheet* active = ActivePage();
    // Show the new page before hiding the old, so the area never flashes empty.
    if (active) active->SetVisible(true);
    for (TTabSheet* page : pages_)
        if (page != active) page->SetVisible(false);
}

RECT TPageControl::DisplayRect() const {
    RECT r = ClientRect();
    SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return r;
}

void TPageControl::PlacePages() {
    RECT r = DisplayRect();
    for (TTabSheet* page : pages_)
        SetWindowPos(page->Handle(), HWND_TOP, r.left, r.top, std::max<int>(0, r.right - r.left),
                     std::max<int>(0, r.bottom - r.top), SWP_NOACTIVATE);
}

LRESULT TPageControl::NotifyHandler(NMHDR& header) {
    if (header.code == TCN_SELCHANGE) {
        ShowSelected();
        if (OnChange) OnChange();
    }
    return 0;
}

LRESULT TPageControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SIZE) {
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        PlacePages();
        return r;
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace kovalin
