// A line of static text that sizes itself to its caption.
#pragma once

#include "kovalin/WinControl.h"

namespace kovalin {

class TLabel : public TWinControl {
public:
    struct Params {
        std::string caption;
        int left = 0, top = 0;
        bool autoSize = true;
        int width = 0, height = 0; // used when autoSize is off
    };
    TLabel(TWinControl& parent, const Params& p);

    void SetCaption(const std::string& text);
    bool AutoSize() const { return autoSize_; }

private:
    void AdjustSize();
    bool autoSize_;
};

} // namespace kovalin
