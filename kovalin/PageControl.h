// Tabbed pages: a tab strip whose tabs each show one page (a TTabSheet) in the area below.
#pragma once

#include "kovalin/WinControl.h"

#include <functional>
#include <vector>

namespace kovalin {

class TTabSheet;

class TPageControl : public TWinControl {
public:
    struct Params {
        int left = 0, top = 0, width = 289, height = 193;
        bool hotTrack = false; // tabs light up under the mouse
    };
    TPageControl(TWinControl& parent, const Params& p);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const { return pages_.at(static_cast<size_t>(index)); }
    // The page shown; nullptr while there is none.
    TTabSheet* ActivePage() const;
    int ActivePageIndex() const;
    // Shows the page and selects its tab, without OnChange.
    void SetActivePage(TTabSheet* page);
    void SetActivePageIndex(int index);

    // The user picked another tab; ActivePage is already the new page.
    std::function<void()> OnChange;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT NotifyHandler(NMHDR& header) override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void ShowSelected();
    void PlacePages();
    RECT DisplayRect() const;

    std::vector<TTabSheet*> pages_;
};

} // namespace kovalin
