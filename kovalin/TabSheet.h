// One page of a TPageControl: a container for controls with the caption of its tab. Pages are
// added in tab order when they are made and taken out when they are destroyed.
#pragma once

#include "kovalin/WinControl.h"

namespace kovalin {

class TPageControl;

class TTabSheet : public TWinControl {
public:
    TTabSheet(TPageControl& pageControl, const std::string& caption);
    ~TTabSheet() override;

    TPageControl& PageControl() const { return pageControl_; }
    int PageIndex() const;
    // Also renames the tab.
    void SetCaption(const std::string& text);

private:
    TPageControl& pageControl_;
};

} // namespace kovalin
