#include "platform/ui/Canvas.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

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
    constexpr QPainter::RenderHints smooth =
        QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform;
    if (p.renderHints() & smooth) p.setRenderHints(smooth, false);
}

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

// The box with its corners in order.
void Normalize(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
}

// The pixels of an image that are not transparent.
QRegion OpaqueRegion(const QImage& image) {
    return QRegion(QBitmap::fromImage(image.createAlphaMask(Qt::ThresholdAlphaDither)));
}

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
    if (!own_->isActive()) {
        if (!own_->begin(device_)) return nullptr;
        ApplyClip(*own_);
    }
    return own_.get();
}

// ---- device-context state ---------------------------------------------------------

void TCanvas::ApplyClip(QPainter& p) const {
    if (clip_) p.setClipRegion(*clip_);
    else p.setClipping(false);
}

int TCanvas::SaveDC() {
    saved_.push_back(State{Pen, Brush, Font, clip_, bkMode_, bkColor_, textAlign_, charExtra_});
    return int(saved_.size());
}

bool TCanvas::RestoreDC(int index) {
    const int n = int(saved_.size());
    const int at = index < 0 ? n + index : index - 1;
    if (at < 0 || at >= n) return false;
    State st = std::move(saved_[size_t(at)]);
    saved_.resize(size_t(at));
    Pen = st.Pen;
    Brush = st.Brush;
    Font = st.Font;
    bkMode_ = st.BkMode;
    bkColor_ = st.BkColor;
    textAlign_ = st.TextAlign;
    charExtra_ = st.CharExtra;
    clip_ = std::move(st.Clip);
    if (QPainter* p = (own_ && own_->isActive()) ? own_.get() : borrowed_) ApplyClip(*p);
    return true;
}

void TCanvas::SelectClipRgn(const QRegion* region) {
    if (region) clip_ = *region;
    else clip_.reset();
    if (QPainter* p = (own_ && own_->isActive()) ? own_.get() : borrowed_) ApplyClip(*p);
}

namespace {
QRect ClipBox(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    Normalize(left, top, right, bottom);
    return QRect(left, top, int(std::min<int64_t>(int64_t(right) - left, INT32_MAX)),
                 int(std::min<int64_t>(int64_t(bottom) - top, INT32_MAX)));
}
}  // namespace

void TCanvas::IntersectClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const QRegion box(ClipBox(left, top, right, bottom));
    const QRegion whole = clip_ ? *clip_ : QRegion(device_ ? QRect(0, 0, device_->width(), device_->height()) : QRect());
    const QRegion r = whole.intersected(box);
    SelectClipRgn(&r);
}

void TCanvas::ExcludeClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const QRegion whole = clip_ ? *clip_ : QRegion(device_ ? QRect(0, 0, device_->width(), device_->height()) : QRect());
    const QRegion r = whole.subtracted(QRegion(ClipBox(left, top, right, bottom)));
    SelectClipRgn(&r);
}

int TCanvas::SetBkMode(int mode) { return std::exchange(bkMode_, mode); }
TColor TCanvas::SetBkColor(TColor color) { return std::exchange(bkColor_, color); }
uint32_t TCanvas::SetTextAlign(uint32_t align) { return std::exchange(textAlign_, align); }
int32_t TCanvas::SetTextCharacterExtra(int32_t extra) { return std::exchange(charExtra_, extra); }

void TCanvas::Touch(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    if (right <= left || bottom <= top) return;
    if (!touchedAny_) {
        touchedAny_ = true;
        tl_ = left, tt_ = top, tr_ = right, tb_ = bottom;
        return;
    }
    tl_ = std::min(tl_, left), tt_ = std::min(tt_, top), tr_ = std::max(tr_, right), tb_ = std::max(tb_, bottom);
}

TRect TCanvas::TakeTouched() {
    if (!touchedAny_) return {};
    touchedAny_ = false;
    auto c = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    return TRect{c(tl_), c(tt_), c(tr_), c(tb_)};
}


TRect TCanvas::ClipRect() {
    QPainter* p = Painter();
    if (!p) return {};
    if (!p->hasClipping() && p->transform().isIdentity()) return TRect{0, 0, device_->width(), device_->height()};
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

// What one call draws: an outline, either a polyline of whole points or a
// curve, and for a figure the area inside.
struct TCanvas::Shape {
    std::vector<TPoint> Points;
    bool Closed = false;
    QPainterPath Curve;
    bool Figure = false;
    QPainterPath Area;
    // The area is AreaRect's pixels (an upright box).
    bool RectArea = false;
    QRect AreaRect;
};

namespace {

// The dash pattern of a styled one-pixel pen, in pixels on and off.
std::span<const int> DashPattern(TPenStyle s) {
    static const int dash[] = {18, 6}, dot[] = {3, 3}, dashDot[] = {9, 6, 3, 6}, dashDotDot[] = {9, 3, 3, 3, 3, 3};
    switch (s) {
    case psDash: return dash;
    case psDot: return dot;
    case psDashDot: return dashDot;
    case psDashDotDot: return dashDotDot;
    default: return {};
    }
}

// Whether pixel n of a styled line is on.
bool DashOn(std::span<const int> pattern, int64_t n) {
    int64_t period = 0;
    for (int v : pattern) period += v;
    int64_t at = n % period;
    for (size_t k = 0; k < pattern.size(); ++k) {
        if (at < pattern[k]) return k % 2 == 0;
        at -= pattern[k];
    }
    return true;
}

// Coordinates stay within the platform's range, so that the stepping
// arithmetic cannot overflow.
int64_t Limited(int32_t v) { return std::clamp<int64_t>(v, -(int64_t(1) << 28), int64_t(1) << 28); }

// The pixels of the line from a towards b, b left out, that lie in clip:
// the major axis moves one pixel a step, the minor one by the rounded
// share. put(x, y, i) gets the step number i counted from a.
template <class Put>
void LinePixels(TPoint a, TPoint b, const TRect& clip, Put put) {
    const int64_t ax = Limited(a.X), ay = Limited(a.Y);
    const int64_t dx = Limited(b.X) - ax, dy = Limited(b.Y) - ay;
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const int64_t n = std::max(adx, ady);
    if (n == 0 || clip.IsEmpty()) return;
    const int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    // Only the steps whose pixels can fall inside the clip are walked.
    double lo = 0, hi = double(n - 1);
    auto limit = [&](int64_t from, int64_t d, int32_t min, int32_t max) {
        if (d == 0) {
            if (from < min || from >= max) hi = -1;
            return;
        }
        double t1 = double(min - 1 - from) * double(n) / double(d), t2 = double(max + 1 - from) * double(n) / double(d);
        if (t1 > t2) std::swap(t1, t2);
        lo = std::max(lo, std::floor(t1) - 1), hi = std::min(hi, std::ceil(t2) + 1);
    };
    limit(ax, dx, clip.Left, clip.Right);
    limit(ay, dy, clip.Top, clip.Bottom);
    for (int64_t i = int64_t(lo); double(i) <= hi; ++i) {
        int64_t x, y;
        if (adx >= ady) {
            x = ax + sx * i;
            y = ay + sy * ((2 * i * ady + adx) / (2 * adx));
        } else {
            y = ay + sy * i;
            x = ax + sx * ((2 * i * adx + ady) / (2 * ady));
        }
        if (x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom) put(int(x), int(y), i);
    }
}

QPainterPath PolylinePath(const std::vector<TPoint>& points, bool closed) {
    QPainterPath path;
    if (points.empty()) return path;
    path.moveTo(points[0].X, points[0].Y);
    for (size_t k = 1; k < points.size(); ++k) path.lineTo(points[k].X, points[k].Y);
    if (closed) path.closeSubpath();
    return path;
}

}  // namespace

namespace {

// A raster operation on one 32-bit pixel; false for those done by Qt.
bool PixelOp(TPenMode m, QRgb src, QRgb& combineXor, QRgb& combineAnd, QRgb& combineOr) {
    // dst' = ((dst & and) | or) ^ xor, on the colour bits; alpha stays opaque.
    switch (m) {
    case pmCopy: combineAnd = 0, combineOr = src, combineXor = 0; return true;
    case pmBlack: combineAnd = 0, combineOr = 0, combineXor = 0; return true;
    case pmWhite: combineAnd = 0, combineOr = 0xFFFFFF, combineXor = 0; return true;
    case pmXor: combineAnd = 0xFFFFFF, combineOr = 0, combineXor = src; return true;
    case pmNotXor: combineAnd = 0xFFFFFF, combineOr = 0, combineXor = ~src & 0xFFFFFF; return true;
    case pmNot: combineAnd = 0xFFFFFF, combineOr = 0, combineXor = 0xFFFFFF; return true;
    case pmMask: combineAnd = src, combineOr = 0, combineXor = 0; return true;
    case pmMerge: combineAnd = 0xFFFFFF, combineOr = src, combineXor = 0; return true;
    default: return false;
    }
}

}  // namespace

namespace {

// dst' = ((dst & a) | o) ^ x on the colour bits.
inline void Put(QRgb& d, QRgb a, QRgb o, QRgb x) { d = 0xFF000000u | ((((d & a) | o) ^ x) & 0xFFFFFF); }

// The pixels LinePixels gives, stepped incrementally.
void DirectSegment(TPoint a, TPoint b, const TRect& clip, uchar* bits, qsizetype bpl, QRgb ca, QRgb co, QRgb cx) {
    const int64_t ax = Limited(a.X), ay = Limited(a.Y);
    const int64_t dx = Limited(b.X) - ax, dy = Limited(b.Y) - ay;
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const int64_t n = std::max(adx, ady);
    if (n == 0 || clip.IsEmpty()) return;
    const int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    if (dy == 0) {  // a row
        if (ay < clip.Top || ay >= clip.Bottom) return;
        int64_t x0 = sx > 0 ? ax : ax - n + 1, x1 = sx > 0 ? ax + n - 1 : ax;
        x0 = std::max<int64_t>(x0, clip.Left), x1 = std::min<int64_t>(x1, clip.Right - 1);
        QRgb* row = reinterpret_cast<QRgb*>(bits + qsizetype(ay) * bpl);
        for (int64_t x = x0; x <= x1; ++x) Put(row[x], ca, co, cx);
        return;
    }
    if (dx == 0) {  // a column
        if (ax < clip.Left || ax >= clip.Right) return;
        int64_t y0 = sy > 0 ? ay : ay - n + 1, y1 = sy > 0 ? ay + n - 1 : ay;
        y0 = std::max<int64_t>(y0, clip.Top), y1 = std::min<int64_t>(y1, clip.Bottom - 1);
        for (int64_t y = y0; y <= y1; ++y) Put(reinterpret_cast<QRgb*>(bits + qsizetype(y) * bpl)[ax], ca, co, cx);
        return;
    }
    const int64_t major = std::max(adx, ady), minor = std::min(adx, ady);
    const int64_t den = 2 * major;
    const int64_t bx = ax + dx, by = ay + dy;
    if (ax >= clip.Left && ax < clip.Right && ay >= clip.Top && ay < clip.Bottom && bx >= clip.Left &&
        bx < clip.Right && by >= clip.Top && by < clip.Bottom) {
        // Inside: no clipping at all.
        int64_t q = major / den, r = major % den;
        const qsizetype step = adx >= ady ? sx : qsizetype(sy) * (bpl / 4);
        const qsizetype side = adx >= ady ? qsizetype(sy) * (bpl / 4) : sx;
        QRgb* at = reinterpret_cast<QRgb*>(bits + qsizetype(ay) * bpl) + ax + side * q;
        for (int64_t i = 0; i < n; ++i) {
            Put(*at, ca, co, cx);
            at += step;
            r += 2 * minor;
            if (r >= den) r -= den, at += side;
        }
        return;
    }
    double lo = 0, hi = double(n - 1);
    auto limit = [&](int64_t from, int64_t d, int32_t min, int32_t max) {
        double t1 = double(min - 1 - from) * double(n) / double(d), t2 = double(max + 1 - from) * double(n) / double(d);
        if (t1 > t2) std::swap(t1, t2);
        lo = std::max(lo, std::floor(t1) - 1), hi = std::min(hi, std::ceil(t2) + 1);
    };
    limit(ax, dx, clip.Left, clip.Right);
    limit(ay, dy, clip.Top, clip.Bottom);
    if (hi < lo) return;
    int64_t i = int64_t(lo);
    int64_t num = 2 * i * minor + major;
    int64_t q = num / den, r = num % den;
    for (; double(i) <= hi; ++i) {
        int64_t x, y;
        if (adx >= ady) x = ax + sx * i, y = ay + sy * q;
        else y = ay + sy * i, x = ax + sx * q;
        if (x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom)
            Put(reinterpret_cast<QRgb*>(bits + qsizetype(y) * bpl)[x], ca, co, cx);
        r += 2 * minor;
        while (r >= den) r -= den, ++q;
    }
}

}  // namespace

bool TCanvas::DirectLines(std::span<const TPoint> points, bool closed, const TRect& clip) {
    QRgb cx = 0, ca = 0, co = 0;
    if (points.size() < 2 || !image_ || borrowed_ || !own_ || !own_->isActive() || !own_->transform().isIdentity() ||
        Pen.Width > 1 || Pen.Style != psSolid || (clip_ && clip_->rectCount() > 1) ||
        (image_->format() != QImage::Format_RGB32 && image_->format() != QImage::Format_ARGB32 &&
         image_->format() != QImage::Format_ARGB32_Premultiplied) ||
        !PixelOp(Pen.Mode, PenColor().rgb() & 0xFFFFFF, cx, ca, co))
        return false;
    // Thin solid lines straight into the pixels: the painter's per-call
    // cost dwarfs the pixels of a line.
    const TRect c{std::max(clip.Left, 0), std::max(clip.Top, 0), std::min(clip.Right, image_->width()),
                  std::min(clip.Bottom, image_->height())};
    uchar* bits = image_->bits();
    const qsizetype bpl = image_->bytesPerLine();
    const size_t n = points.size();
    const size_t segments = closed ? n : n - 1;
    for (size_t k = 0; k < segments; ++k) DirectSegment(points[k], points[(k + 1) % n], c, bits, bpl, ca, co, cx);
    return true;
}

void TCanvas::PaintThinPolyline(QPainter& p, const Shape& shape, const TRect& clip) {
    const std::span<const int> pattern = DashPattern(Pen.Style);
    if (pattern.empty() && &p == own_.get() && DirectLines(shape.Points, shape.Closed, clip)) return;
    const bool opaque = !pattern.empty() && Brush.Style == bsSolid && Brush.Bitmap.isNull();
    std::vector<QPoint>& on = on_;
    std::vector<QPoint>& off = off_;
    on.clear();
    off.clear();
    int64_t carried = 0;  // the pattern runs on through the whole polyline
    const size_t n = shape.Points.size();
    const size_t segments = shape.Closed ? n : n - 1;
    for (size_t k = 0; k < segments; ++k) {
        const TPoint a = shape.Points[k], b = shape.Points[(k + 1) % n];
        LinePixels(a, b, clip, [&](int x, int y, int64_t i) {
            if (pattern.empty() || DashOn(pattern, carried + i)) on.emplace_back(x, y);
            else if (opaque) off.emplace_back(x, y);
        });
        carried += std::max(std::abs(int64_t(b.X) - a.X), std::abs(int64_t(b.Y) - a.Y));
    }
    QPen pen(PenColor(), 0);
    pen.setCosmetic(true);
    p.setPen(pen);
    if (!on.empty()) p.drawPoints(on.data(), int(on.size()));
    if (!off.empty()) {
        pen.setColor(ColorToQColor(Brush.Color));
        p.setPen(pen);
        p.drawPoints(off.data(), int(off.size()));
    }
}

void TCanvas::PaintPlain(QPainter& p, const Shape& shape, const TRect& clip) {
    if (shape.Figure && BrushFills()) {
        ApplyBrush(p);
        p.setPen(Qt::NoPen);
        if (shape.RectArea && p.brush().style() == Qt::SolidPattern && p.transform().isIdentity())
            p.fillRect(shape.AreaRect, p.brush());
        else
            p.drawPath(shape.Area);
    }
    if (!PenDraws()) return;
    p.setBrush(Qt::NoBrush);
    const bool curve = !shape.Curve.isEmpty();
    if (Pen.Width <= 1 && !curve) {
        PaintThinPolyline(p, shape, clip);
        return;
    }
    const QPainterPath outline = curve ? shape.Curve : PolylinePath(shape.Points, shape.Closed);
    if (Pen.Width > 1) {
        // Wide pens are solid, centred on the pixels the path runs through.
        p.setPen(QPen(QBrush(PenColor()), Pen.Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(outline.translated(0.5, 0.5));
        return;
    }
    QPen pen(PenColor(), 0);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);
    const std::span<const int> pattern = DashPattern(Pen.Style);
    if (!pattern.empty()) {
        if (Brush.Style == bsSolid && Brush.Bitmap.isNull()) {
            p.setPen(QPen(ColorToQColor(Brush.Color), 0));
            p.drawPath(outline);
        }
        pen.setDashPattern(QList<qreal>(pattern.begin(), pattern.end()));
    }
    p.setPen(pen);
    p.drawPath(outline);
}

void TCanvas::Paint(const Shape& shape) {
    const bool fills = shape.Figure && BrushFills();
    if (!PenDraws() && !fills) return;
    QPainter* p = Painter();
    if (!p) return;
    Unsmoothed(*p);
    const TRect clip = ClipRect();
    {
        const int64_t m = int64_t(std::max(Pen.Width, 1)) + 1;
        QRectF b;
        if (shape.Curve.isEmpty()) {
            int64_t l = INT64_MAX, t = INT64_MAX, r = INT64_MIN, bt = INT64_MIN;
            for (const TPoint& p : shape.Points) l = std::min<int64_t>(l, p.X), t = std::min<int64_t>(t, p.Y),
                                                 r = std::max<int64_t>(r, p.X), bt = std::max<int64_t>(bt, p.Y);
            if (!shape.Points.empty()) b = QRectF(QPointF(double(l), double(t)), QPointF(double(r), double(bt)));
        } else {
            b = shape.Curve.boundingRect();
        }
        if (shape.Figure && !shape.RectArea) b = b.united(shape.Area.boundingRect());
        Touch(std::max<int64_t>(int64_t(std::floor(b.left())) - m, clip.Left),
              std::max<int64_t>(int64_t(std::floor(b.top())) - m, clip.Top),
              std::min<int64_t>(int64_t(std::ceil(b.right())) + m, clip.Right),
              std::min<int64_t>(int64_t(std::ceil(b.bottom())) + m, clip.Bottom));
    }
    // A figure, or a styled curve over an opaque background, may meet a
    // pixel twice.
    const bool twice = shape.Figure || (!shape.Curve.isEmpty() && Pen.Width <= 1 && !DashPattern(Pen.Style).empty() &&
                                        Brush.Style == bsSolid);
    if (!IsRasterOp(Pen.Mode) || !twice) {
        p->setCompositionMode(IsRasterOp(Pen.Mode) ? RasterOp(Pen.Mode) : QPainter::CompositionMode_SourceOver);
        PaintPlain(*p, shape, clip);
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        return;
    }
    // A raster operation must meet every pixel once: the shape is drawn on
    // a layer in copy mode, then combined through the layer's own shape.
    const double margin = double(std::max(Pen.Width, 1)) + 2;
    QRectF bounds = shape.Curve.isEmpty() ? PolylinePath(shape.Points, false).boundingRect() : shape.Curve.boundingRect();
    if (shape.Figure) bounds = bounds.united(shape.Area.boundingRect());
    // Cut to the clip before it becomes integers: a wide pen's margin may lie
    // beyond their range.
    const QRect box =
        bounds.adjusted(-margin, -margin, margin, margin).intersected(QRectF(ToQRect(clip))).toAlignedRect();
    if (box.isEmpty()) return;
    QImage layer(box.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        Unsmoothed(lp);
        lp.translate(-box.topLeft());
        PaintPlain(lp, shape, TRect{box.left(), box.top(), box.left() + box.width(), box.top() + box.height()});
    }
    p->save();
    p->setClipRegion(OpaqueRegion(layer).translated(box.topLeft()), p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    p->setCompositionMode(RasterOp(Pen.Mode));
    p->drawImage(box.topLeft(), layer);
    p->restore();
}

void TCanvas::LineTo(int32_t x, int32_t y) {
    if (Pen.Style == psSolid && Pen.Width <= 1 && Pen.Mode != pmNop && Painter() && own_) {
        const TPoint pts[2] = {PenPos, TPoint{x, y}};
        const TRect clip = ClipRect();
        if (DirectLines(pts, false, clip)) {
            Touch(std::max<int64_t>(std::min(PenPos.X, x), clip.Left), std::max<int64_t>(std::min(PenPos.Y, y), clip.Top),
                  std::min<int64_t>(int64_t(std::max(PenPos.X, x)) + 1, clip.Right),
                  std::min<int64_t>(int64_t(std::max(PenPos.Y, y)) + 1, clip.Bottom));
            PenPos = TPoint{x, y};
            return;
        }
    }
    Shape s;
    s.Points = {PenPos, TPoint{x, y}};
    Paint(s);
    PenPos = TPoint{x, y};
}

void TCanvas::Polyline(std::span<const TPoint> points) {
    if (points.size() < 2) return;
    if (Pen.Style == psSolid && Pen.Width <= 1 && Pen.Mode != pmNop && Painter() && own_) {
        const TRect clip = ClipRect();
        if (DirectLines(points, false, clip)) {
            int64_t l = INT64_MAX, t = INT64_MAX, r = INT64_MIN, b = INT64_MIN;
            for (const TPoint& p : points) l = std::min<int64_t>(l, p.X), t = std::min<int64_t>(t, p.Y),
                                           r = std::max<int64_t>(r, p.X), b = std::max<int64_t>(b, p.Y);
            Touch(std::max<int64_t>(l, clip.Left), std::max<int64_t>(t, clip.Top), std::min<int64_t>(r + 1, clip.Right),
                  std::min<int64_t>(b + 1, clip.Bottom));
            return;
        }
    }
    Shape s;
    s.Points.assign(points.begin(), points.end());
    Paint(s);
}

void TCanvas::Polygon(std::span<const TPoint> points) {
    if (points.size() < 2) return;
    Shape s;
    s.Points.assign(points.begin(), points.end());
    s.Closed = s.Figure = true;
    s.Area = PolylinePath(s.Points, true);
    Paint(s);
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
    const QRectF box = FigureBox(x1, y1, x2, y2);
    Shape s;
    s.Figure = true;
    s.Area.addRect(box);
    if (box.left() == std::floor(box.left()) && box.top() == std::floor(box.top())) {
        const int32_t l = int32_t(box.left()), t = int32_t(box.top());
        const int32_t r = int32_t(box.right()), b = int32_t(box.bottom());
        s.Points = {{l, t}, {r, t}, {r, b}, {l, b}};
        s.Closed = true;
        s.RectArea = true;
        s.AreaRect = QRect(l, t, r - l, b - t);
    } else {
        s.Curve = s.Area;  // a wide pen moved inside the frame
    }
    Paint(s);
}

void TCanvas::RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w, int32_t h) {
    const QRectF box = FigureBox(x1, y1, x2, y2);
    Shape s;
    s.Figure = true;
    s.Area.addRoundedRect(box, std::abs(double(w)) / 2, std::abs(double(h)) / 2);
    s.Curve = s.Area;
    Paint(s);
}

void TCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Shape s;
    s.Figure = true;
    s.Area.addEllipse(FigureBox(x1, y1, x2, y2));
    s.Curve = s.Area;
    Paint(s);
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
    Shape s;
    s.Curve.arcMoveTo(box, from);
    s.Curve.arcTo(box, from, ArcSpan(from, ArcAngle(box, x4, y4)));
    Paint(s);
}

void TCanvas::Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4, int32_t y4) {
    const QRectF box = FigureBox(x1, y1, x2, y2);
    const double from = ArcAngle(box, x3, y3);
    Shape s;
    s.Figure = true;
    s.Curve.moveTo(box.center());
    s.Curve.arcTo(box, from, ArcSpan(from, ArcAngle(box, x4, y4)));
    s.Curve.closeSubpath();
    s.Area = s.Curve;
    Paint(s);
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
    Touch(r.Left, r.Top, r.Right, r.Bottom);
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

QFont TCanvas::TextFont() const {
    QFont f = ToQFont(Font);
    if (charExtra_ != 0) f.setLetterSpacing(QFont::AbsoluteSpacing, charExtra_);
    return f;
}

TSize TCanvas::TextExtent(const std::string& text) {
    const QFont f = TextFont();
    const QFontMetrics fm = device_ ? QFontMetrics(f, device_) : QFontMetrics(f);
    return TSize{fm.horizontalAdvance(QString::fromStdString(text)), fm.height()};
}

void TCanvas::TextOut(int32_t x, int32_t y, const std::string& text) {
    QPainter* p = Painter();
    const TSize size = TextExtent(text);
    if (p) {
        Unsmoothed(*p);
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        const QFont f = TextFont();
        const int ascent = QFontMetrics(f, device_).ascent();
        // The cell's top left relative to the reference point.
        const int top = textAlign_ == TA_BASELINE ? -ascent : 0;
        p->save();
        p->translate(x, y);
        if (Font.Escapement() != 0) p->rotate(-Font.Escapement() / 10.0);
        const bool fill = bkMode_ == OPAQUE || (bkMode_ == 0 && Brush.Style == bsSolid && Brush.Bitmap.isNull());
        if (fill) p->fillRect(QRect(0, top, size.cx, size.cy), ColorToQColor(bkMode_ == OPAQUE ? bkColor_ : Brush.Color));
        p->setFont(f);
        p->setPen(ColorToQColor(Font.Color()));
        p->drawText(QPoint(0, top + ascent), QString::fromStdString(text));
        const QRect cell = p->transform().mapRect(QRect(0, top, size.cx, size.cy));
        p->restore();
        Touch(int64_t(cell.left()) - 1, int64_t(cell.top()) - 1, int64_t(cell.right()) + 2, int64_t(cell.bottom()) + 2);
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
    Touch(dest.Left, dest.Top, dest.Right, dest.Bottom);
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
    // The pixels of colour, as the opaque ones of an image of the destination's size.
    QImage keyed(part.size(), QImage::Format_ARGB32);
    const QRgb key = ColorToQColor(color).rgb();
    for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x) keyed.setPixel(x, y, part.pixel(x, y) == key ? 0xFF000000 : 0);
    if (keyed.size() != QSize(dest.Width(), dest.Height())) keyed = keyed.scaled(dest.Width(), dest.Height());
    const QRegion where = OpaqueRegion(keyed).translated(dest.Left, dest.Top);
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
    const TPoint p{x, y};
    SetPixels(std::span<const TPoint>(&p, 1), color);
}

void TCanvas::SetPixels(std::span<const TPoint> points, TColor color) {
    QPainter* p = Painter();
    if (!p || points.empty()) return;
    const TRect clip = ClipRect();
    if (image_ && !borrowed_ && p->transform().isIdentity() && (!clip_ || clip_->rectCount() <= 1) &&
        (image_->format() == QImage::Format_RGB32 || image_->format() == QImage::Format_ARGB32 ||
         image_->format() == QImage::Format_ARGB32_Premultiplied)) {
        // Straight into the pixels: the painter adds nothing to a copy.
        const QRgb c = ColorToQColor(color).rgba();
        const TRect r{std::max(clip.Left, 0), std::max(clip.Top, 0), std::min(clip.Right, image_->width()),
                      std::min(clip.Bottom, image_->height())};
        uchar* bits = image_->bits();
        const qsizetype bpl = image_->bytesPerLine();
        for (const TPoint& q : points) {
            if (q.X < r.Left || q.X >= r.Right || q.Y < r.Top || q.Y >= r.Bottom) continue;
            reinterpret_cast<QRgb*>(bits + qsizetype(q.Y) * bpl)[q.X] = c;
            Touch(q.X, q.Y, int64_t(q.X) + 1, int64_t(q.Y) + 1);
        }
        return;
    }
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QColor c = ColorToQColor(color);
    for (const TPoint& q : points) {
        p->fillRect(QRect(q.X, q.Y, 1, 1), c);
        Touch(q.X, q.Y, int64_t(q.X) + 1, int64_t(q.Y) + 1);
    }
}

}  // namespace velt
