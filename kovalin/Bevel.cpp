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
    switch (shape_) {
    case TBevelShape::bsBox:
        DrawEdge(dc, &r, lowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        break;
    case TBevelShape::bsFrame:
        DrawEdge(dc, &r, lowered ? EDGE_ETCHED : EDGE_BUMP, BF_RECT);
        break;
    case TBevelShape::bsTopLine:
        DrawEdge(dc, &r, lowered ? EDGE_ETCHED : EDGE_BUMP, BF_TOP);
        break;
    case TBevelShape::bsBottomLine:
        DrawEdge(dc, &r, lowered ? EDGE_ETCHED : EDGE_BUMP, BF_BOTTOM);
        break;
    case TBevelShape::bsLeftLine:
        DrawEdge(dc, &r, lowered ? EDGE_ETCHED : EDGE_BUMP, BF_LEFT);
        break;
    case TBevelShape::bsRightLine:
        DrawEdge(dc, &r, lowered ? EDGE_ETCHED : EDGE_BUMP, BF_RIGHT);
        break;
    }
}

} // namespace kovalin
