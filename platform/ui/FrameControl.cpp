#include "platform/ui/FrameControl.h"

#include <algorithm>

#include "platform/ui/DrawText.h"

namespace velt {

bool DrawFrameControl(TCanvas& canvas, const TRect& rect, uint32_t kind, uint32_t state) {
    if (kind != DFC_BUTTON && kind != DFC_SCROLL) return false;
    if (rect.IsEmpty()) return true;
    const TBrush brush = canvas.Brush;
    const TPen pen = canvas.Pen;
    TRect r = rect;
    const bool pushed = state & DFCS_PUSHED;
    if (state & DFCS_FLAT) {
        canvas.Brush.Style = bsSolid;
        canvas.Brush.Color = ColorToRGB(clBtnShadow);
        canvas.FrameRect(r);
        r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
        canvas.Brush.Color = ColorToRGB(clBtnFace);
        canvas.FillRect(r);
    } else {
        DrawEdge(canvas, r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    }
    if (kind == DFC_SCROLL) {
        // A solid triangle of about a third of the face.
        const int32_t w = rect.Width(), h = rect.Height();
        const int32_t size = std::max(1, std::min(w, h) / 3);
        int32_t cx = rect.Left + w / 2, cy = rect.Top + h / 2;
        if (pushed) ++cx, ++cy;
        canvas.Pen.Mode = pmCopy;
        canvas.Pen.Style = psSolid;
        canvas.Pen.Width = 1;
        canvas.Pen.Color = ColorToRGB(clBtnText);
        const uint32_t dir = state & 0xF;
        for (int32_t i = 0; i < size; ++i) {
            // Row i of the arrow, from its tip.
            const int32_t tip = size / 2;
            switch (dir) {
            case DFCS_SCROLLUP:
                canvas.MoveTo(cx - i, cy - tip + i), canvas.LineTo(cx + i + 1, cy - tip + i);
                break;
            case DFCS_SCROLLDOWN:
                canvas.MoveTo(cx - i, cy + tip - i), canvas.LineTo(cx + i + 1, cy + tip - i);
                break;
            case DFCS_SCROLLLEFT:
                canvas.MoveTo(cx - tip + i, cy - i), canvas.LineTo(cx - tip + i, cy + i + 1);
                break;
            default:
                canvas.MoveTo(cx + tip - i, cy - i), canvas.LineTo(cx + tip - i, cy + i + 1);
                break;
            }
        }
    }
    canvas.Brush = brush;
    canvas.Pen = pen;
    return true;
}

}  // namespace velt
