#include "platform/ui/Canvas.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/ui/Graphic.h"

namespace velt {

namespace {

bool IsRasterOp(TPenMode m) { return m != pmCopy && m != pmBlack && m != pmWhite && m != pmNop; }

QPainter::CompositionMode RasterOp(TPenMode m) {
    switch (m) {
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

void Unsmoothed(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

// The box with its corners in order.
void Normalize(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
}

bool IsStyled(TPenStyle s) { return s >= psDash && s <= psDashDotDot; }

}  // namespace

TCanvas::TCanvas() = default;
TCanvas::TCanvas(QPaintDevice* device) { Attach(device); }
TCanvas::TCanvas(QPainter* painter) { Attach(painter); }
TCanvas::~TCanvas() { Detach(); }

void TCanvas::Attach(QPaintDevice* device) {
    Detach();
    device_ = device;
    image_ = dynamic_cast<QImage*>(device);
}

void TCanvas::Attach(QPainter* painter) {
    Detach();
    borrowed_ = painter;
    device_ = painter ? painter->device() : nullptr;
    image_ = dynamic_cast<QImage*>(device_);
}

void TCanvas::Detach() {
    EndPaint();
    own_.reset();
    device_ = nullptr;
    image_ = nullptr;
    borrowed_ = nullptr;
}

void TCanvas::EndPaint() {
    if (own_ && own_->isActive()) own_->end();
}

QPainter* TCanvas::Painter() {
    if (borrowed_) return borrowed_;
    if (!device_) return nullptr;
    if (!own_) own_ = std::make_unique<QPainter>();
    if (!own_->isActive() && !own_->begin(device_)) return nullptr;
    return own_.get();
}

TRect TCanvas::ClipRect() {
    QPainter* p = Painter();
    if (!p) return {};
    const QRectF whole(0, 0, device_->width(), device_->height());
    const QRectF r = p->hasClipping() ? p->clipBoundingRect() : p->transform().inverted().mapRect(whole);
    const QRect q = r.toAlignedRect();
    return TRect{q.left(), q.top(), q.left() + q.width(), q.top() + q.height()};
}

// ---- pen and brush ---------------------------------------------------------------

bool TCanvas::PenDraws() const { return Pen.Style != psClear && Pen.Mode != pmNop; }

bool TCanvas::BrushFills() const { return Pen.Mode != pmNop && (Brush.Style != bsClear || !Brush.Bitmap.isNull()); }

QColor TCanvas::PenColor() const {
    if (Pen.Mode == pmBlack) return QColor(Qt::black);
    if (Pen.Mode == pmWhite) return QColor(Qt::white);
    return ColorToQColor(Pen.Color);
}

QPen TCanvas::MakePen(const QColor& color, bool styled) const {
    if (Pen.Width > 1) return QPen(QBrush(color), Pen.Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    QPen pen(color, 0);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);  // the end pixel of a line is left out
    pen.setJoinStyle(Qt::MiterJoin);
    if (styled) {
        switch (Pen.Style) {
        case psDash: pen.setDashPattern({18, 6}); break;
        case psDot: pen.setDashPattern({3, 3}); break;
        case psDashDot: pen.setDashPattern({9, 6, 3, 6}); break;
        case psDashDotDot: pen.setDashPattern({9, 3, 3, 3, 3, 3}); break;
        default: break;
        }
    }
    return pen;
}

void TCanvas::ApplyBrush(QPainter& p) const {
    p.setBrushOrigin(0, 0);
    if (Pen.Mode == pmBlack || Pen.Mode == pmWhite) {
        p.setBrush(PenColor());
        return;
    }
    if (!Brush.Bitmap.isNull()) {
        p.setBrush(QBrush(Brush.Bitmap));
        return;
    }
    const QColor c = ColorToQColor(Brush.Color);
    switch (Brush.Style) {
    case bsSolid: p.setBrush(c); break;
    case bsClear: p.setBrush(Qt::NoBrush); break;
    case bsHorizontal: p.setBrush(QBrush(c, Qt::HorPattern)); break;
    case bsVertical: p.setBrush(QBrush(c, Qt::VerPattern)); break;
    case bsFDiagonal: p.setBrush(QBrush(c, Qt::FDiagPattern)); break;
    case bsBDiagonal: p.setBrush(QBrush(c, Qt::BDiagPattern)); break;
    case bsCross: p.setBrush(QBrush(c, Qt::CrossPattern)); break;
    case bsDiagCross: p.setBrush(QBrush(c, Qt::DiagCrossPattern)); break;
    }
}

// ---- painting ----------------------------------------------------------------------

void TCanvas::PaintPlain(QPainter& p, const QPainterPath& outline, const QPainterPath* fill) {
    if (fill && BrushFills()) {
        ApplyBrush(p);
        p.setPen(Qt::NoPen);
        p.drawPath(*fill);
    }
    if (!PenDraws()) return;
    const bool wide = Pen.Width > 1;
    const bool styled = !wide && IsStyled(Pen.Style);
    // Wide pens are centred on the pixels the path runs through.
    const QPainterPath path = wide ? outline.translated(0.5, 0.5) : outline;
    p.setBrush(Qt::NoBrush);
    if (styled && Brush.Style == bsSolid && Brush.Bitmap.isNull()) {
        p.setPen(MakePen(ColorToQColor(Brush.Color), false));
        p.drawPath(path);
    }
    p.setPen(MakePen(PenColor(), styled));
    p.drawPath(path);
}

void TCanvas::Paint(const QPainterPath& outline, const QPainterPath* fill) {
    const bool fills = fill && BrushFills();
    if (!PenDraws() && !fills) return;
    QPainter* p = Painter();
    if (!p) return;
    Unsmoothed(*p);
    // A figure, or a styled line over an opaque background, may meet a
    // pixel twice.
    const bool twice = fill || (Pen.Width <= 1 && IsStyled(Pen.Style) && Brush.Style == bsSolid);
    if (!IsRasterOp(Pen.Mode) || !twice) {
        p->setCompositionMode(IsRasterOp(Pen.Mode) ? RasterOp(Pen.Mode) : QPainter::CompositionMode_SourceOver);
        PaintPlain(*p, outline, fill);
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        return;
    }
    // A raster operation must meet every pixel once: the figure is drawn on
    // a layer in copy mode, then combined through the layer's own shape.
    const double margin = std::max(Pen.Width, 1) + 2;
    QRectF bounds = outline.boundingRect();
    if (fill) bounds = bounds.united(fill->boundingRect());
    const TRect clip = ClipRect();
    const QRect box = bounds.adjusted(-margin, -margin, margin, margin).toAlignedRect().intersected(ToQRect(clip));
    if (box.isEmpty()) return;
    QImage layer(box.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        Unsmoothed(lp);
        lp.translate(-box.topLeft());
        PaintPlain(lp, outline, fill);
    }
    QRegion shape(QBitmap::fromImage(layer.createAlphaMask(Qt::ThresholdAlphaDither)));
    shape.translate(box.topLeft());
    p->save();
    p->setClipRegion(shape, p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    p->setCompositionMode(RasterOp(Pen.Mode));
    p->drawImage(box.topLeft(), layer);
    p->restore();
}

void TCanvas::LineTo(int32_t x, int32_t y) {
    QPainterPath path(QPointF(PenPos.X, PenPos.Y));
    path.lineTo(x, y);
    Paint(path, nullptr);
    PenPos = TPoint{x, y};
}

void TCanvas::Polyline(std::span<const TPoint> points) {
    if (points.size() < 2) return;
    QPainterPath path(QPointF(points[0].X, points[0].Y));
    for (const TPoint& pt : points.subspan(1)) path.lineTo(pt.X, pt.Y);
    Paint(path, nullptr);
}

void TCanvas::Polygon(std::span<const TPoint> points) {
    if (points.size() < 2) return;
    QPolygonF poly;
    for (const TPoint& pt : points) poly << QPointF(pt.X, pt.Y);
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    Paint(path, &path);
}

QRectF TCanvas::FigureBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
    Normalize(x1, y1, x2, y2);
    QRectF box(QPointF(x1, y1), QPointF(x2 - 1, y2 - 1));
    if (Pen.Style == psInsideFrame && Pen.Width > 1 && Pen.Mode != pmNop) {
        const double inset = std::min({(Pen.Width - 1) / 2.0, box.width() / 2, box.height() / 2});
        box.adjust(inset, inset, -inset, -inset);
    }
    return box;
}

void TCanvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    QPainterPath path;
    path.addRect(FigureBox(x1, y1, x2, y2));
    Paint(path, &path);
}

void TCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    QPainterPath path;
    path.addEllipse(FigureBox(x1, y1, x2, y2));
    Paint(path, &path);
}

namespace {

// The angle, in degrees counter-clockwise on the screen, at which the ray
// from the box's centre to (x, y) meets its ellipse, as Qt's arcs measure it
// (on the circle the ellipse is a squeezed copy of).
double ArcAngle(const QRectF& box, int32_t x, int32_t y) {
    const QPointF c = box.center();
    double dx = x - c.x(), dy = c.y() - y;
    if (box.width() > 0 && box.height() > 0) dx /= box.width() / 2, dy /= box.height() / 2;
    return std::atan2(dy, dx) * 180 / std::numbers::pi;
}

double ArcSpan(double from, double to) {
    double span = to - from;
    while (span <= 0) span += 360;
    return span;
}

}  // namespace

void TCanvas::Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4, int32_t y4) {
    const QRectF box = FigureBox(x1, y1, x2, y2);
    const double from = ArcAngle(box, x3, y3);
    QPainterPath path;
    path.arcMoveTo(box, from);
    path.arcTo(box, from, ArcSpan(from, ArcAngle(box, x4, y4)));
    Paint(path, nullptr);
}

void TCanvas::Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4, int32_t y4) {
    const QRectF box = FigureBox(x1, y1, x2, y2);
    const double from = ArcAngle(box, x3, y3);
    QPainterPath path(box.center());
    path.arcTo(box, from, ArcSpan(from, ArcAngle(box, x4, y4)));
    path.closeSubpath();
    Paint(path, &path);
}

void TCanvas::FillRect(const TRect& r) {
    if (r.IsEmpty() || (Brush.Style == bsClear && Brush.Bitmap.isNull())) return;
    QPainter* p = Painter();
    if (!p) return;
    Unsmoothed(*p);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    const TPenMode mode = Pen.Mode;
    Pen.Mode = pmCopy;  // the brush as it is, whatever the pen does
    ApplyBrush(*p);
    Pen.Mode = mode;
    p->fillRect(ToQRect(r), p->brush());
}

void TCanvas::FrameRect(const TRect& r) {
    if (r.IsEmpty()) return;
    QPainter* p = Painter();
    if (!p) return;
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QColor c = ColorToQColor(Brush.Color);
    p->fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
    p->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
    p->fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
    p->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
}

void TCanvas::DrawFocusRect(const TRect& r) {
    if (r.IsEmpty()) return;
    QPainter* p = Painter();
    if (!p) return;
    // Every other pixel of the border, by the parity of x + y on the device.
    QImage layer(r.Width(), r.Height(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    auto mark = [&](int32_t x, int32_t y) {
        if (((x + y) & 1) == 0) layer.setPixel(x - r.Left, y - r.Top, 0xFFFFFFFF);
    };
    for (int32_t x = r.Left; x < r.Right; ++x) mark(x, r.Top), mark(x, r.Bottom - 1);
    for (int32_t y = r.Top; y < r.Bottom; ++y) mark(r.Left, y), mark(r.Right - 1, y);
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);  // transparent pixels XOR nothing
    p->drawImage(QPoint(r.Left, r.Top), layer);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// ---- text ------------------------------------------------------------------------------

TSize TCanvas::TextExtent(const std::string& text) {
    const QFontMetrics fm = device_ ? QFontMetrics(ToQFont(Font), device_) : QFontMetrics(ToQFont(Font));
    return TSize{fm.horizontalAdvance(QString::fromStdString(text)), fm.height()};
}

void TCanvas::TextOut(int32_t x, int32_t y, const std::string& text) {
    QPainter* p = Painter();
    const TSize size = TextExtent(text);
    if (p) {
        Unsmoothed(*p);
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (Brush.Style == bsSolid && Brush.Bitmap.isNull())
            p->fillRect(QRect(x, y, size.cx, size.cy), ColorToQColor(Brush.Color));
        const QFont f = ToQFont(Font);
        p->setFont(f);
        p->setPen(ColorToQColor(Font.Color()));
        p->drawText(QPoint(x, y + QFontMetrics(f, device_).ascent()), QString::fromStdString(text));
    }
    PenPos = TPoint{x + size.cx, y};
}

void TCanvas::TextRect(const TRect& r, int32_t x, int32_t y, const std::string& text) {
    QPainter* p = Painter();
    if (!p) return;
    p->save();
    p->setClipRect(ToQRect(r), p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    if (Brush.Style == bsSolid && Brush.Bitmap.isNull()) p->fillRect(ToQRect(r), ColorToQColor(Brush.Color));
    const TBrushStyle style = Brush.Style;
    Brush.Style = bsClear;  // the rectangle is already filled
    const TPoint pos = PenPos;
    TextOut(x, y, text);
    PenPos = pos;
    Brush.Style = style;
    p->restore();
}

// ---- images -------------------------------------------------------------------------

void TCanvas::Draw(int32_t x, int32_t y, const TGraphic& graphic) {
    graphic.Draw(*this, TRect{x, y, x + graphic.Width(), y + graphic.Height()});
}

void TCanvas::StretchDraw(const TRect& r, const TGraphic& graphic) { graphic.Draw(*this, r); }

void TCanvas::CopyRect(const TRect& dest, const QImage& image, const TRect& source) {
    if (dest.IsEmpty() || source.IsEmpty() || image.isNull()) return;
    QPainter* p = Painter();
    if (!p) return;
    Unsmoothed(*p);
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->drawImage(ToQRect(dest), image, ToQRect(source));
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& canvas, const TRect& source) {
    if (!canvas.Image()) return;
    canvas.EndPaint();
    // A copy, so that the source may be this canvas's own surface.
    const QImage image = canvas.Image()->copy(ToQRect(source));
    CopyRect(dest, image, TRect{0, 0, source.Width(), source.Height()});
}

void TCanvas::BrushCopy(const TRect& dest, const QImage& image, const TRect& source, TColor color) {
    if (dest.IsEmpty() || source.IsEmpty() || image.isNull()) return;
    QPainter* p = Painter();
    if (!p) return;
    const QImage part = image.copy(ToQRect(source)).convertToFormat(QImage::Format_RGB32);
    CopyRect(dest, part, TRect{0, 0, source.Width(), source.Height()});
    QImage mask = part.createMaskFromColor(ColorToQColor(color).rgb(), Qt::MaskInColor);
    if (mask.size() != QSize(dest.Width(), dest.Height())) mask = mask.scaled(dest.Width(), dest.Height());
    QRegion where(QBitmap::fromImage(mask));
    where.translate(dest.Left, dest.Top);
    p->save();
    p->setClipRegion(where, p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    FillRect(dest);
    p->restore();
}

TColor TCanvas::Pixel(int32_t x, int32_t y) {
    if (!image_ || !image_->valid(x, y)) return -1;
    return QColorToColor(QColor::fromRgb(image_->pixel(x, y)));
}

void TCanvas::SetPixel(int32_t x, int32_t y, TColor color) {
    QPainter* p = Painter();
    if (!p) return;
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->fillRect(QRect(x, y, 1, 1), ColorToQColor(color));
}

}  // namespace velt
