#include "kovalin/Bevel.h"

namespace kovalin {

TBevel::TBevel(TForm& parent, const Params& p)
    : TGraphicControl(parent, p.left, p.top, p.width, p.height), shape_(p.shape), style_(p.style) {}

void TBevel::SetShape(TBevelShape shape) {
    shape_ = shape;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle style) {
    style_ = style;
    Invalidate();
}

void TBevel::Paint(HDC dc) {
    RECT r = BoundsRect();
    bool lowered = style_ == TBevelStyle::bsLowered;
    UINT edge = lowered ? EDGE_ETCHED : EDGE_BUMP;
    UINT sides = BF_RECT;
    switch (shape_) {
    case TBevelShape::bsBox:
        edge = lowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
        break;
    case TBevelShape::bsFrame:
        break;
    case TBevelShape::bsTopLine:
        sides = BF_TOP;
        break;
    case TBevelShape::bsBottomLine:
        sides = BF_BOTTOM;
        break;
    case TBevelShape::bsLeftLine:
        sides = BF_LEFT;
        break;
    case TBevelShape::bsRightLine:
        sides = BF_RIGHT;
        break;
    }
    DrawEdge(dc, &r, edge, sides);
}

} // namespace kovalin
