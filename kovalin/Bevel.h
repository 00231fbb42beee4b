// A lowered or raised box or line drawn on a form.
#pragma once

#include "kovalin/GraphicControl.h"

namespace kovalin {

enum class TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine };
enum class TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
public:
    struct Params {
        int left = 0, top = 0, width = 50, height = 50;
        TBevelShape shape = TBevelShape::bsBox;
        TBevelStyle style = TBevelStyle::bsLowered;
    };
    TBevel(TForm& parent, const Params& p);

    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape shape);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle style);

    void Paint(HDC dc) override;

private:
    TBevelShape shape_;
    TBevelStyle style_;
};

} // namespace kovalin
