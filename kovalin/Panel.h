// A plain container window: button-face background, an optional one-pixel bevel and a caption
// centred in it. Children usually sit on it through their alignment.
#pragma once

#include "kovalin/WinControl.h"

namespace kovalin {

enum class TPanelBevel { bvNone, bvLowered, bvRaised };

class TPanel : public TWinControl {
public:
    struct Params {
        int left = 0, top = 0, width = 185, height = 41;
        std::string caption;
        TPanelBevel bevelOuter = TPanelBevel::bvRaised;
    };
    TPanel(TWinControl& parent, const Params& p);

    TPanelBevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel value);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);

    TPanelBevel bevelOuter_;
};

} // namespace kovalin
