#include <string>

#include "painter/GrfPaint.h"
#include "painter/IGrfTopo.h"

namespace velt {

void TConnList::Draw(TGraphPaint& surface) {
    for (int i = 0; i < Count; ++i) {
        const TConnectionInfo c = GetConn(i);
        if (!c.GetAttr(cnaEnabled) || !c.GetAttr(cnaIsNode)) continue;
        const TSPoint p = GetCoord(i);
        surface.TextOut(p.X, p.Y - 1, 5, 0, std::to_string(c.Num));
    }
}

void TConnList::DrawActiv(TGraphPaint& surface) {
    // A clear pen: the drag mode makes it solid, so the rings show only
    // while dragging, and drawing them twice takes them away.
    surface.DefBrush(bsClear, 0);
    surface.DefPen(psClear, TColor(0xFF0000), 0);
    const float r = 8 / surface.Mst();
    for (int i = 0; i < Count; ++i) {
        const TConnectionInfo c = GetConn(i);
        if (c.Connected() || !c.GetAttr(cnaCanConnect)) continue;
        const TSPoint p = GetCoord(i);
        surface.Ellipse(p.X - r, p.Y - r, p.X + r, p.Y + r);
    }
}

}  // namespace velt
