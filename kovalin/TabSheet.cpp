#include "kovalin/TabSheet.h"

#include "kovalin/PageControl.h"

#include <algorithm>
#include <commctrl.h>

namespace kovalin {

TTabSheet::TTabSheet(TPageControl& pageControl, const std::string& caption)
    : TWinControl(&pageControl), pageControl_(pageControl) {
    CreateParams cp = ChildParams(nullptr, 0, 0, 0, 0);
    cp.style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS; // hidden until its tab is selected
    cp.exStyle = WS_EX_CONTROLPARENT;
    cp.caption = caption;
    CreateHandle(cp);
    pageControl_.InsertPage(this);
}

TTabSheet::~TTabSheet() {
    pageControl_.RemovePage(this);
}

int TTabSheet::PageIndex() const {
    const auto& pages = pageControl_.pages_;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetCaption(const std::string& text) {
    TWinControl::SetCaption(text);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(pageControl_.Handle(), TCM_SETITEMA, static_cast<WPARAM>(PageIndex()),
                 reinterpret_cast<LPARAM>(&item));
}

} // namespace kovalin
