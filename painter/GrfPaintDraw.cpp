// The surface's drawing operations: draw modes, pens, brushes and fonts,
// primitives in world coordinates, markers, styled lines and text.
#include <QPolygon>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "foundation/CodePages.h"
#include "painter/GrfPaint.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/Graphic.h"

namespace velt {

namespace {

// One device-point buffer for every surface: it grows to the largest count
// asked for and is never shrunk.
std::vector<TPoint>& PointBuffer() {
    static std::vector<TPoint> buffer;
    return buffer;
}

int32_t RoundInt(double v) { return RoundPixel(v); }

class TCanvasStrokes : public TStrokeSink {
public:
    explicit TCanvasStrokes(TCanvas& c) : c_(c) {}
    void MoveTo(int64_t x, int64_t y) override { c_.MoveTo(ClampPixel(x), ClampPixel(y)); }
    void LineTo(int64_t x, int64_t y) override { c_.LineTo(ClampPixel(x), ClampPixel(y)); }

private:
    TCanvas& c_;
};

}  // namespace

size_t TGraphPaint::PointBufferCapacity() { return PointBuffer().size(); }

std::span<const TPoint> TGraphPaint::MapPoints(const TSPoint* points, int count) {
    if (count <= 0 || !points) return {};
    std::vector<TPoint>& b = PointBuffer();
    if (b.size() < size_t(count)) b.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        const TSPoint p = Matrix.Map(points[i].X, points[i].Y);
        b[size_t(i)] = TPoint{Cx(p.X), Cy(p.Y)};
    }
    return std::span<const TPoint>(b.data(), size_t(count));
}

std::span<const TPoint> TGraphPaint::MapPoints(const TPoints& list) {
    const int count = list.GetCount();
    if (count <= 0) return {};
    std::vector<TPoint>& b = PointBuffer();
    if (b.size() < size_t(count)) b.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        TSPoint q;
        std::memcpy(&q, list.GetItem(i), sizeof q);  // records may be longer; each starts with its point
        const TSPoint p = Matrix.Map(q.X, q.Y);
        b[size_t(i)] = TPoint{Cx(p.X), Cy(p.Y)};
    }
    return std::span<const TPoint>(b.data(), size_t(count));
}

// ---- pens, brushes, fonts -------------------------------------------------------

void TGraphPaint::SetDrawMode(TDrawMode m) {
    drawMode_ = m;
    TCanvas& c = GetDeviceContext();
    c.Pen.Mode = m == dmDrag ? pmXor : m == dmShadow ? pmMask : pmCopy;
}

namespace {
// The colour a drag draws with: XOR against the background resolved to RGB,
// a colour equal to the background first turned to its complement.
TColor DragColor(TColor color, TColor background) {
    TColor c = ColorToRGB(color) & 0xFFFFFF;
    const TColor bg = ColorToRGB(background) & 0xFFFFFF;
    if (c == bg) c = ~c & 0xFFFFFF;
    return (c ^ bg) & 0xFFFFFF;
}
}  // namespace

void TGraphPaint::DefPen(TPenStyle style, TColor color, float width) {
    TCanvas& c = GetDeviceContext();
    if (drawMode_ == dmDrag) {
        c.Pen.Style = psSolid;
        c.Pen.Width = 0;
        c.Pen.Color = DragColor(color, colorRGB_);
        return;
    }
    c.Pen.Style = style;
    c.Pen.Color = drawMode_ == dmHide ? color_ : drawMode_ == dmShadow ? TColor(0x0F0F0F) : color;
    c.Pen.Width = RoundInt(double(width) * mst_ * Matrix.GetScalingX());
}

void TGraphPaint::DefBrush(TBrushStyle style, TColor color) {
    TCanvas& c = GetDeviceContext();
    c.Brush.Color = color;
    c.Brush.Style = style;
}

void TGraphPaint::DefBrushEx(TBrushStyle style, TColor color, bool opaque, TColor bkColor) {
    if (drawMode_ == dmDrag) style = bsClear, bkColor = -1;
    if (drawMode_ == dmHide) {
        color = color_;
        if (bkColor >= 0) bkColor = color_;
    }
    DefBrush(style, color);
    TCanvas& c = GetDeviceContext();
    if (opaque) {
        c.SetBkMode(OPAQUE);
        c.SetBkColor(bkColor);
    } else {
        c.SetBkMode(TRANSPARENT);
    }
}

void TGraphPaint::DefFont(TColor color, TFontStyles style, const std::string& name) {
    std::string n = name;
    if (drawMode_ == dmDrag) {
        n.clear();
        color = DragColor(color, colorRGB_);
    }
    if (drawMode_ == dmHide) color = color_;
    TFont& f = GetDeviceContext().Font;
    f.SetStyle(style);
    f.SetName(n);
    f.SetColor(color);
    trueTypeFont_ = !n.empty();
}

void TGraphPaint::SetTextSpasing(int32_t n) {
    textSpasing_ = n;
    if (TVectorFont* f = StandFont())
        f->SetSpacing(int32_t(std::clamp<int64_t>(int64_t(n) + (GetDeviceContext().Font.HasStyle(fsBold) ? 2 : 0),
                                                  INT32_MIN, INT32_MAX)));
}

void TGraphPaint::SetTextPunkt(bool on) {
    // The stored constant's own bits: the nearest Single to 0.3527778 is one
    // unit of the last place above them.
    textPunkt_ = on ? std::bit_cast<float>(uint32_t(0x3EB49F4A)) : 1.0f;
}

// ---- primitives ------------------------------------------------------------------------

void TGraphPaint::MoveTo(float x, float y) {
    const TSPoint p = Matrix.Map(x, y);
    GetDeviceContext().MoveTo(Cx(p.X), Cy(p.Y));
}

void TGraphPaint::LineTo(float x, float y) {
    const TSPoint p = Matrix.Map(x, y);
    GetDeviceContext().LineTo(Cx(p.X), Cy(p.Y));
}

void TGraphPaint::Line(float x1, float y1, float x2, float y2) {
    MoveTo(x1, y1);
    LineTo(x2, y2);
}

void TGraphPaint::SetPixel(float x, float y, TColor color) {
    const TSPoint p = Matrix.Map(x, y);
    GetDeviceContext().SetPixel(Cx(p.X), Cy(p.Y), color);
}

namespace {
int64_t TruncPixels(float d, float mst) {
    const double v = std::trunc(double(d) * mst);
    return std::isnan(v) ? 0 : int64_t(std::clamp(v, -1e15, 1e15));
}
}  // namespace

void TGraphPaint::LineRel(float dx, float dy) {
    TCanvas& c = GetDeviceContext();
    c.LineTo(ClampPixel(c.PenPos.X + TruncPixels(dx, mst_)), ClampPixel(c.PenPos.Y + TruncPixels(dy, mst_)));
}

void TGraphPaint::MoveRel(float dx, float dy) {
    TCanvas& c = GetDeviceContext();
    c.MoveTo(ClampPixel(c.PenPos.X + TruncPixels(dx, mst_)), ClampPixel(c.PenPos.Y + TruncPixels(dy, mst_)));
}

void TGraphPaint::Polyline(const TSPoint* points, int count) { GetDeviceContext().Polyline(MapPoints(points, count)); }

void TGraphPaint::Polygon(const TSPoint* points, int count) { GetDeviceContext().Polygon(MapPoints(points, count)); }

void TGraphPaint::PolylineEx(const TPoints& list) {
    const std::span<const TPoint> pts = MapPoints(list);
    TCanvas& c = GetDeviceContext();
    if (pts.size() == 1) c.SetPixel(pts[0].X, pts[0].Y, c.Pen.Color);
    else c.Polyline(pts);
}

void TGraphPaint::PolygonEx(const TPoints& list) {
    const std::span<const TPoint> pts = MapPoints(list);
    TCanvas& c = GetDeviceContext();
    if (pts.size() == 1) c.SetPixel(pts[0].X, pts[0].Y, c.Pen.Color);
    else c.Polygon(pts);
}

QRegion TGraphPaint::CreateRGNFromPoints(const TPoints& list) {
    const std::span<const TPoint> pts = MapPoints(list);
    QPolygon poly;
    poly.reserve(qsizetype(pts.size()));
    for (const TPoint& p : pts) poly << QPoint(p.X, p.Y);
    return QRegion(poly, Qt::WindingFill);
}

void TGraphPaint::Rectangle(float x1, float y1, float x2, float y2) {
    if (matrDepth_ > 0) {
        const TSPoint pts[4] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
        Polygon(pts, 4);
        return;
    }
    TCanvas& c = GetDeviceContext();
    const int32_t l = Cx(x1), t = Cy(y1), r = Cx(x2), b = Cy(y2);
    const TPenStyle style = c.Pen.Style;
    c.Pen.Style = psClear;
    c.Rectangle(l, t, ClampPixel(int64_t(r) + 1), ClampPixel(int64_t(b) + 1));
    c.Pen.Style = style;
    if (style == psClear) return;
    c.MoveTo(l, t);
    c.LineTo(r, t);
    c.LineTo(r, b);
    c.LineTo(l, b);
    c.LineTo(l, t);
}

void TGraphPaint::RoundRectangle(float r, float x1, float y1, float x2, float y2) {
    if (matrDepth_ >= 1 || r < 0.0001f) {
        Rectangle(x1, y1, x2, y2);
        return;
    }
    const int32_t d = RoundInt(double(r) * mst_);
    GetDeviceContext().RoundRect(Cx(x1), Cy(y1), Cx(x2), Cy(y2), d, d);
}

void TGraphPaint::Ellipse(float x1, float y1, float x2, float y2) {
    if (matrDepth_ < 1) {
        GetDeviceContext().Ellipse(Cx(x1), Cy(y1), Cx(x2), Cy(y2));
        return;
    }
    const double rx = (double(x2) - x1) / 2, ry = (double(y2) - y1) / 2;
    TSPoint pts[73];
    for (int i = 0; i <= 72; ++i) {
        const double a = double(i) * 5 * pi_180;
        pts[i] = TSPoint{float(rx * std::cos(a)), float(ry * std::sin(a))};
    }
    PushMatr();
    Matrix.Translate(float((double(x1) + x2) / 2), float((double(y1) + y2) / 2));
    Polygon(pts, 73);
    PopMatr();
}

void TGraphPaint::Arc(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4) {
    TCanvas& c = GetDeviceContext();
    if (c.Brush.Style == bsClear) c.Arc(Cx(x1), Cy(y1), Cx(x2), Cy(y2), Cx(x3), Cy(y3), Cx(x4), Cy(y4));
    else c.Pie(Cx(x1), Cy(y1), Cx(x2), Cy(y2), Cx(x3), Cy(y3), Cx(x4), Cy(y4));
}

void TGraphPaint::PaintRect(const TRect& r0) {
    TCanvas& c = GetDeviceContext();
    TRect r = r0;
    if (c.Pen.Style != psClear) {
        c.MoveTo(r.Left, r.Top);
        c.LineTo(r.Right, r.Top);
        c.LineTo(r.Right, r.Bottom);
        c.LineTo(r.Left, r.Bottom);
        c.LineTo(r.Left, r.Top);
    } else {
        r.Right = ClampPixel(int64_t(r.Right) + 1), r.Bottom = ClampPixel(int64_t(r.Bottom) + 1);
    }
    if (c.Brush.Style == bsClear || (r0.Left == r0.Right && r0.Top == r0.Bottom)) return;
    const TPenStyle style = c.Pen.Style;
    c.Pen.Style = psClear;
    c.Rectangle(r);
    c.Pen.Style = style;
}

void TGraphPaint::BitmapOut(const TGraphic& graphic, float x1, float y1, float x2, float y2) {
    TRect r = ConvertRect(TSRect{x1, y1, x2, y2});
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    GetDeviceContext().StretchDraw(r, graphic);
}

void TGraphPaint::GridPt(float x, float y) { GridPtEx(x, y, 0, true); }

void TGraphPaint::GridPtEx(float x, float y, int kind, bool filled) {
    TCanvas& c = GetDeviceContext();
    c.Pen.Color = clWhite;
    c.Pen.Style = psSolid;
    c.Pen.Width = 1;
    c.Brush.Color = ~TColor(0xFFFF00) & 0xFFFFFF;
    c.Brush.Style = filled ? bsSolid : bsClear;
    const int32_t px = Cx(x), py = Cy(y);
    auto at = [](int32_t v, int d) { return ClampPixel(int64_t(v) + d); };
    switch (kind) {
    case 1: c.Ellipse(at(px, -4), at(py, -4), at(px, 5), at(py, 5)); break;
    case 2: c.Rectangle(at(px, -1), at(py, -4), at(px, 2), at(py, 5)); break;
    case 3: c.Rectangle(at(px, -4), at(py, -1), at(px, 5), at(py, 2)); break;
    default: c.Rectangle(at(px, -3), at(py, -3), at(px, 4), at(py, 4)); break;
    }
}

void TGraphPaint::MidlGridPt(float x1, float y1, float x2, float y2) {
    GridPt(float((double(x1) + x2) / 2), float((double(y1) + y2) / 2));
}

void TGraphPaint::DrawLine(TLineMarkerStyle marker, TPointerStyle beginPtr, TPointerStyle endPtr, TPoints& points,
                           float size, bool fill) {
    const int n = points.GetCount();
    if (n < 2) return;
    TCanvas& c = GetDeviceContext();
    auto dev = [&](int i) {
        const TSPoint p = points.At(i);
        return TPoint{Cx(p.X), Cy(p.Y)};
    };
    float phase = 0;
    TPoint a = dev(0);
    for (int i = 1; i < n; ++i) {
        const TPoint b = dev(i);
        phase = DrawLineMarker(c, marker, true, float(a.X), float(a.Y), float(b.X), float(b.Y), size, 0, phase, fill,
                               false);
        a = b;
    }
    const TPoint last = dev(n - 1), prev = dev(n - 2), first = dev(0), second = dev(1);
    DrawPtr(c, endPtr, false, float(prev.X), float(prev.Y), float(last.X), float(last.Y), size, 0);
    DrawPtr(c, beginPtr, false, float(second.X), float(second.Y), float(first.X), float(first.Y), size, 0);
}

// ---- text --------------------------------------------------------------------------

void TGraphPaint::VectorText(float x, float y, float s, float angle, const std::string& text) {
    TVectorFont* vf = StandFont();
    if (!vf) return;
    TCanvas& c = GetDeviceContext();
    const bool bold = c.Font.HasStyle(fsBold);
    // The spacing for this call only: every surface shares the font.
    const int32_t saved = vf->Spacing();
    const int64_t n = int64_t(textSpasing_) + (bold ? 2 : 0);
    vf->SetSpacing(int32_t(std::clamp<int64_t>(RoundPixel(double(n) * mst_), INT32_MIN, INT32_MAX)));
    struct Restore {
        TVectorFont* f;
        int32_t v;
        ~Restore() { f->SetSpacing(v); }
    } restore{vf, saved};
    c.Pen.Style = psSolid;
    c.Pen.Color = c.Font.Color();
    c.Pen.Width = bold ? RoundInt(double(s) * 0.125) : 0;
    vf->SetSize(RoundInt(s));
    vf->SetDir(RoundInt(angle));
    const int32_t size = vf->Size();
    const std::string bytes = Utf8ToCp1251(text);
    if (size < MinTextTT / 2) {
        const double len = double(vf->TextWidht(bytes)) / mst_;
        PushMatr();
        Matrix.Translate(x, y);
        Matrix.Rotate(angle);
        Line(0, 0, float(len), 0);
        PopMatr();
        return;
    }
    TCanvasStrokes sink(c);
    vf->TextOut(sink, Cx(x), Cy(y), bytes, c.Font.HasStyle(fsUnderline));
}

void TGraphPaint::TextOut(float x, float y, float h, float angle, const std::string& text) {
    const double s = double(h) * mst_ * textPunkt_;
    if (!(std::isfinite(s))) return;
    TCanvas& c = GetDeviceContext();
    if (trueTypeFont_ && s > MinTextTT) {
        const int32_t size = RoundInt(s);
        if (size <= 0) return;
        const TFont saved = c.Font;
        c.Font.SetSize(size);
        c.Font.SetEscapement(RoundInt(double(angle) * 10));
        c.Font.SetHeight(RoundInt(0.85 * c.Font.Height()));
        const uint32_t align = c.SetTextAlign(TA_BASELINE);
        const int32_t extra = c.SetTextCharacterExtra(textSpasing_ > 0 ? RoundInt(double(textSpasing_) * mst_) : 0);
        c.TextOut(Cx(x), Cy(y), text);
        c.SetTextCharacterExtra(extra);
        c.SetTextAlign(align);
        c.Font = saved;
        return;
    }
    VectorText(x, y, float(s), angle, text);
}

void TGraphPaint::TextOutRect(const TSRect& r, const std::string& text, uint32_t flags, float h) {
    const double s = double(h) * mst_ * textPunkt_;
    if (!(s >= 1) || !std::isfinite(s)) return;
    TCanvas& c = GetDeviceContext();
    const TFont saved = c.Font;
    c.Font.SetSize(RoundInt(s));
    const int32_t extra = c.SetTextCharacterExtra(textSpasing_ > 0 ? RoundInt(double(textSpasing_) * mst_) : 0);
    const uint32_t align = c.SetTextAlign(TA_TOP);
    TRect d = ConvertRect(r);
    DrawText(c, text, d, flags != 0 ? (flags | 0x50) : 0x74);
    c.SetTextAlign(align);
    c.SetTextCharacterExtra(extra);
    c.Font = saved;
}

float TGraphPaint::TextWidht(const std::string& text, float h) {
    const int32_t size = RoundInt(double(h) * textPunkt_);
    if (size <= 0) return 0;
    TCanvas& c = GetDeviceContext();
    if (trueTypeFont_) {
        const TFont saved = c.Font;
        c.Font.SetSize(size);
        const int32_t extra = c.SetTextCharacterExtra(textSpasing_ > 0 ? textSpasing_ : 0);
        const int32_t w = c.TextWidth(text);
        c.SetTextCharacterExtra(extra);
        c.Font = saved;
        return float(w);
    }
    TVectorFont* vf = StandFont();
    if (!vf) return 0;
    vf->SetSize(size);
    return float(vf->TextWidht(Utf8ToCp1251(text)));
}

// ---- clip, state, matrix -------------------------------------------------------------

void TGraphPaint::SetClipRect(const TSRect& r) {
    const TRect d = ConvertRect(r);
    GetDeviceContext().IntersectClipRect(d.Left, d.Top, d.Right, d.Bottom);
}

void TGraphPaint::SaveDC() { GetDeviceContext().SaveDC(); }

void TGraphPaint::RestoreDC() { GetDeviceContext().RestoreDC(-1); }

void TGraphPaint::PushMatr() {
    if (!matrStack_) matrStack_ = std::make_unique<T2dMatrList>();
    if (matrDepth_ < matrStack_->GetCount()) matrStack_->SetMatrix(matrDepth_, Matrix);
    else matrStack_->Add(Matrix);
    ++matrDepth_;
}

void TGraphPaint::PopMatr() {
    if (matrDepth_ <= 0 || !matrStack_) return;
    --matrDepth_;
    Matrix = matrStack_->Matrix(matrDepth_);
}

}  // namespace velt
