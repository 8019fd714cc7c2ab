#include "painter/GrfRul.h"

#include <QApplication>
#include <QBitmap>
#include <QDragEnterEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <map>

#include "graphics/grStr.h"
#include "painter/GrfPaint.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/Font.h"
#include "platform/ui/FrameControl.h"

namespace velt {

namespace {

int32_t Along(TRullerKind k, TPoint p) { return k == rkHorz ? p.X : p.Y; }

bool In(const TRect& r, TPoint p) { return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom; }

TRect Normal(TRect r) {
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    return r;
}

QRect Q(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

// ---- cursors: our own 32 x 32 two-colour art ----------------------------------------

std::map<int, QCursor>& Cursors() {
    static std::map<int, QCursor> cursors;
    return cursors;
}

// A cursor drawn as black strokes with a white rim: an arrow pointing
// along dir for the buttons, a double arrow for pages, a bar for the thumb,
// brackets for the thumb's ends.
QCursor MakeCursor(TScrollMode mode, TRullerKind kind) {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        const bool horz = kind == rkHorz;
        QPainterPath path;
        auto arrow = [&](double x, double y, int dx, int dy) {
            // a triangle with its tip at (x, y), pointing along (dx, dy)
            const double ox = -dx * 8, oy = -dy * 8, px = dy * 6, py = dx * 6;
            path.moveTo(x, y);
            path.lineTo(x + ox + px, y + oy + py);
            path.lineTo(x + ox - px, y + oy - py);
            path.closeSubpath();
        };
        const int sx = horz ? 1 : 0, sy = horz ? 0 : 1;
        switch (mode) {
        case smBtnUp: arrow(16 - sx * 8, 16 - sy * 8, -sx, -sy); break;
        case smBtnDown: arrow(16 + sx * 8, 16 + sy * 8, sx, sy); break;
        case smPageUp:
            arrow(16 - sx * 10, 16 - sy * 10, -sx, -sy), arrow(16 - sx * 2, 16 - sy * 2, -sx, -sy);
            break;
        case smPageDown:
            arrow(16 + sx * 10, 16 + sy * 10, sx, sy), arrow(16 + sx * 2, 16 + sy * 2, sx, sy);
            break;
        case smTrack:
            arrow(16 - sx * 12, 16 - sy * 12, -sx, -sy), arrow(16 + sx * 12, 16 + sy * 12, sx, sy);
            path.addRect(horz ? QRectF(8, 14, 16, 4) : QRectF(14, 8, 4, 16));
            break;
        case smMin: path.addRect(QRectF(8, 6, 4, 20)), path.addRect(QRectF(12, 6, 10, 3)), path.addRect(QRectF(12, 23, 10, 3)); break;
        case smMax: path.addRect(QRectF(20, 6, 4, 20)), path.addRect(QRectF(10, 6, 10, 3)), path.addRect(QRectF(10, 23, 10, 3)); break;
        default: break;
        }
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(Qt::black);
        p.drawPath(path);
    }
    return QCursor(QPixmap::fromImage(img), 16, 16);
}

}  // namespace

QCursor RullerCursor(TScrollMode mode, TRullerKind kind) {
    if (mode == smNone || mode == smCustom) return QCursor(Qt::ArrowCursor);
    const int key = int(mode) * 2 + int(kind);
    auto& c = Cursors();
    auto it = c.find(key);
    if (it == c.end()) it = c.emplace(key, MakeCursor(mode, kind)).first;
    return it->second;
}

void FreeRullerCursors() { Cursors().clear(); }

// ---- the scroll bar --------------------------------------------------------------

TCustomRuller::TCustomRuller(QWidget* parent) : TCustomPanel(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setAcceptDrops(true);
}

bool TCustomRuller::DragOverAt(QDropEvent* e, TDragState state) {
    if (!OnDragOver) return false;
    TDragSource src;
    src.Control = e->source();
    src.MimeData = e->mimeData();
    bool accept = false;
    const QPoint p = e->position().toPoint();
    CallReporting([&] { OnDragOver(this, src, p.x(), p.y(), state, accept); });
    return accept;
}

void TCustomRuller::dragEnterEvent(QDragEnterEvent* e) {
    if (DragOverAt(e, dsDragEnter)) e->acceptProposedAction();
    else e->ignore();
}

void TCustomRuller::dragMoveEvent(QDragMoveEvent* e) {
    if (DragOverAt(e, dsDragMove)) e->acceptProposedAction();
    else e->ignore();
}

void TCustomRuller::dragLeaveEvent(QDragLeaveEvent*) {
    if (!OnDragOver) return;
    TDragSource src;
    bool accept = false;
    CallReporting([&] { OnDragOver(this, src, -1, -1, dsDragLeave, accept); });
}

void TCustomRuller::dropEvent(QDropEvent* e) {
    if (!OnDragDrop) return;
    TDragSource src;
    src.Control = e->source();
    src.MimeData = e->mimeData();
    const QPoint p = e->position().toPoint();
    CallReporting([&] { OnDragDrop(this, src, p.x(), p.y()); });
    e->acceptProposedAction();
}

TCustomRuller::~TCustomRuller() = default;

void TCustomRuller::SetKind(TRullerKind k) {
    if (k == kind_ || (k != rkHorz && k != rkVert)) return;
    kind_ = k;
    Resize();
    update();
}

void TCustomRuller::SetMin(float v) {
    if (v == min_ || !std::isfinite(v)) return;
    min_ = v;
    Changed();
}

void TCustomRuller::SetMax(float v) {
    if (v == max_ || !std::isfinite(v)) return;
    max_ = v;
    Changed();
}

void TCustomRuller::SetMinV(float v) {
    if (!std::isfinite(v)) return;
    if (v < min_) min_ = v;
    if (v == minV_) return;
    minV_ = v;
    Changed();
}

void TCustomRuller::SetMaxV(float v) {
    if (!std::isfinite(v)) return;
    if (v > max_) max_ = v;
    if (v == maxV_) return;
    maxV_ = v;
    Changed();
}

void TCustomRuller::SetStdDraw(bool on) {
    stdDraw_ = on;
    update();
}

void TCustomRuller::Changed() {
    modified_ = changedFlag_ = true;
    if (!dragging_) update(Q(WorkRect()));
}

void TCustomRuller::Scroll(TScrollMode mode) {
    changedFlag_ = false;
    if (OnScroll) OnScroll(this, mode);
}

int32_t TCustomRuller::BtnSize() const {
    const int32_t t = ScrollWidth();
    return std::min(t > 20 ? 21 : t, Length() / 2);
}

double TCustomRuller::ScrollMst() const { return max_ > min_ ? double(ActLen()) / (double(max_) - min_) : 1; }

TRect TCustomRuller::WorkRect() const {
    const int32_t b = BtnSize();
    return kind_ == rkHorz ? TRect{b, 0, width() - b, height()} : TRect{0, b, width(), height() - b};
}

TRect TCustomRuller::VisRect() const {
    const int32_t b = BtnSize();
    const double m = ScrollMst();
    const int32_t s = ClampPixel(int64_t(b) + RoundPixel((double(minV_) - min_) * m));
    const int32_t e = ClampPixel(int64_t(b) + RoundPixel((double(maxV_) - min_) * m));
    const TRect w = WorkRect();
    return kind_ == rkHorz ? TRect{s, w.Top, e, w.Bottom} : TRect{w.Left, s, w.Right, e};
}

TRect TCustomRuller::BtnRect(bool up) const {
    const int32_t b = BtnSize();
    if (kind_ == rkHorz) return up ? TRect{0, 0, b, height()} : TRect{width() - b, 0, width(), height()};
    return up ? TRect{0, 0, width(), b} : TRect{0, height() - b, width(), height()};
}

TScrollMode TCustomRuller::GetMode(TPoint p) {
    mode_ = smNone;
    if (p.X < 0 || p.Y < 0 || p.X >= width() || p.Y >= height()) return mode_;
    const TRect v = Normal(VisRect());
    const int32_t a = Along(kind_, p);
    const int32_t s = kind_ == rkHorz ? v.Left : v.Top, e = kind_ == rkHorz ? v.Right : v.Bottom;
    if (a < s) mode_ = smPageUp;
    if (a > e) mode_ = smPageDown;
    if (a >= s && a <= e) mode_ = smTrack;
    if (std::abs(a - s) <= 4) mode_ = smMin;
    if (std::abs(a - e) <= 4) mode_ = smMax;
    startOfs_ = a - s;
    endOfs_ = e - a;
    if (In(BtnRect(false), p)) mode_ = smBtnDown;
    if (In(BtnRect(true), p)) mode_ = smBtnUp;
    if (NoScaleBox && (mode_ == smMin || mode_ == smMax)) mode_ = smTrack;
    return mode_;
}

QCursor TCustomRuller::QueryCursor(TPoint) { return RullerCursor(mode_, kind_); }

void TCustomRuller::Loaded() {
    TCustomPanel::Loaded();
    if (stdDraw_) {
        const int t = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        if (kind_ == rkHorz) resize(width(), t);
        else resize(t, height());
    }
}

void TCustomRuller::Resize() {}

void TCustomRuller::resizeEvent(QResizeEvent* e) {
    TCustomPanel::resizeEvent(e);
    Resize();
}

bool TCustomRuller::ButtonPressed(bool up) const {
    return repeatTimer_ && repeatTimer_->GetEnabled() && mode_ == (up ? smBtnUp : smBtnDown) &&
           In(BtnRect(up), lastMouse_);
}

void TCustomRuller::Paint() {
    TCanvas& c = Canvas();
    for (bool up : {true, false}) {
        const TRect r = BtnRect(up);
        const bool pressed = ButtonPressed(up);
        const uint32_t dir = kind_ == rkVert ? (up ? DFCS_SCROLLUP : DFCS_SCROLLDOWN)
                                             : (up ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT);
        if (!stdDraw_) {
            DrawFrameControl(c, r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
            DrawFrameControl(c, TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, DFC_SCROLL,
                             dir | (pressed ? DFCS_FLAT : 0));
        } else {
            DrawFrameControl(c, r, DFC_SCROLL, dir | (pressed ? DFCS_PUSHED | DFCS_FLAT : 0));
        }
    }
    PaintScroll();
}

void TCustomRuller::PaintScroll() {
    TCanvas& c = Canvas();
    const TColor col = ColorToRGB(GetColor());
    c.Pen.Color = col;
    c.Brush.Color = col;
    c.Brush.Style = bsSolid;
    const TRect w = Normal(WorkRect());
    const TRect v = Normal(VisRect());
    if (stdDraw_) {
        c.Brush.Color = ColorToRGB(clScrollBar);
        if (kind_ == rkHorz) {
            c.FillRect(TRect{w.Left, w.Top, std::max(w.Left, v.Left), w.Bottom});
            c.FillRect(TRect{std::min(w.Right, v.Right), w.Top, w.Right, w.Bottom});
        } else {
            c.FillRect(TRect{w.Left, w.Top, w.Right, std::max(w.Top, v.Top)});
            c.FillRect(TRect{w.Left, std::min(w.Bottom, v.Bottom), w.Right, w.Bottom});
        }
        TRect t = v;
        DrawEdge(c, t, BDR_RAISEDOUTER, BF_TOPLEFT);
        DrawFrameControl(c, TRect{v.Left + 1, v.Top + 1, v.Right, v.Bottom}, DFC_BUTTON, DFCS_BUTTONPUSH);
        return;
    }
    c.FillRect(TRect{w.Left + 2, w.Top + 2, w.Right - 2, w.Bottom - 2});
    TRect wr = w;
    DrawEdge(c, wr, EDGE_BUMP, BF_RECT | BF_FLAT);
    TRect t{v.Left + 1, v.Top + 1, v.Right - 1, v.Bottom - 1};
    DrawEdge(c, t, EDGE_BUMP, BF_RECT | BF_ADJUST);
}

void TCustomRuller::RepeatStep() {
    const TRect w = WorkRect(), v = Normal(VisRect());
    const bool button = mode_ == smBtnUp || mode_ == smBtnDown;
    if (button) {
        if (!In(BtnRect(mode_ == smBtnUp), lastMouse_)) return;
    } else {
        if (!In(w, lastMouse_)) return;
        const int32_t a = Along(kind_, lastMouse_);
        if (mode_ == smPageUp && a >= (kind_ == rkHorz ? v.Left : v.Top)) return;
        if (mode_ == smPageDown && a <= (kind_ == rkHorz ? v.Right : v.Bottom)) return;
    }
    const double L = std::fabs(double(maxV_) - minV_);
    const double step = L * (button ? 0.25 : 0.75);
    const float oldMin = minV_, oldMax = maxV_;
    if (mode_ == smBtnDown || mode_ == smPageDown) {
        maxV_ = float(std::min(double(maxV_) + step, double(max_)));
        minV_ = float(double(maxV_) - L);
    } else {
        minV_ = float(std::max(double(minV_) - step, double(min_)));
        maxV_ = float(double(minV_) + L);
    }
    if (repeatTimer_ && repeatTimer_->GetInterval() >= 101)
        repeatTimer_->SetInterval(repeatTimer_->GetInterval() * 4 / 5);
    if (oldMin != minV_ || oldMax != maxV_) {
        modified_ = changedFlag_ = true;
        update();
        if (Tracking) Scroll(mode_);
    }
}

void TCustomRuller::MouseDown(TMouseButton button, TShiftState, int32_t x, int32_t y) {
    if (button != mbLeft) return;
    GetMode(TPoint{x, y});  // no cursor query comes before a press here
    if (mode_ >= smBtnUp && mode_ <= smPageDown) {
        repeatTimer_ = GetTimerSource().NewTimer();
        repeatTimer_->OnTimer = [this] { RepeatStep(); };
        repeatTimer_->SetInterval(500);
        repeatTimer_->SetEnabled(true);
        RepeatStep();
    }
    dragging_ = mode_ != smNone;
}

void TCustomRuller::Drag(int32_t along) {
    const double m = ScrollMst();
    if (!(max_ > min_) || !(m > 0)) return;
    const double d = double(along) - BtnSize();
    const double L = double(maxV_) - minV_;
    const float oldMin = minV_, oldMax = maxV_;
    switch (mode_) {
    case smTrack: {
        double lo = (d - startOfs_) / m + min_, hi = (d + endOfs_) / m + min_;
        const double len = hi - lo;
        (void)L;
        if (lo < min_) lo = min_, hi = min_ + len;
        if (hi > max_) hi = max_, lo = max_ - len;
        minV_ = float(lo), maxV_ = float(hi);
        break;
    }
    case smMin: minV_ = float(std::max(d / m + min_, double(min_))); break;
    case smMax: maxV_ = float(std::min(d / m + min_, double(max_))); break;
    default: update(); return;
    }
    if (oldMin != minV_ || oldMax != maxV_) {
        modified_ = changedFlag_ = true;
        update();
        if (Tracking) Scroll(mode_);
    }
}

void TCustomRuller::MouseMove(TShiftState shift, int32_t x, int32_t y) {
    if (dragging_ && (shift & ShiftBit(ssLeft))) Drag(Along(kind_, TPoint{x, y}));
}

void TCustomRuller::MouseUp(TMouseButton, TShiftState, int32_t, int32_t) {
    if (minV_ > maxV_) std::swap(minV_, maxV_);
    repeatTimer_.reset();
    const TScrollMode m = mode_;
    if (changedFlag_) Scroll(m);
    if (modified_ && OnChanged) OnChanged(this);
    modified_ = changedFlag_ = dragging_ = false;
    update();
}

void TCustomRuller::mousePressEvent(QMouseEvent* e) {
    CallReporting([&] {
        const QPoint p = e->position().toPoint();
        lastMouse_ = TPoint{p.x(), p.y()};
        MouseDown(ButtonFromQt(e->button()), ShiftFromQt(e->modifiers(), e->buttons()), p.x(), p.y());
    });
}

void TCustomRuller::mouseMoveEvent(QMouseEvent* e) {
    CallReporting([&] {
        const QPoint p = e->position().toPoint();
        lastMouse_ = TPoint{p.x(), p.y()};
        if (e->buttons() == Qt::NoButton) {
            GetMode(lastMouse_);
            // The application's own cursor wins.
            if (!QApplication::overrideCursor()) setCursor(QueryCursor(lastMouse_));
        }
        MouseMove(ShiftFromQt(e->modifiers(), e->buttons()), p.x(), p.y());
    });
}

void TCustomRuller::mouseReleaseEvent(QMouseEvent* e) {
    CallReporting([&] {
        const QPoint p = e->position().toPoint();
        lastMouse_ = TPoint{p.x(), p.y()};
        MouseUp(ButtonFromQt(e->button()), ShiftFromQt(e->modifiers(), e->buttons()), p.x(), p.y());
    });
    TCustomPanel::mouseReleaseEvent(e);
}

// ---- the scale -----------------------------------------------------------------------

TGraphRuller::TGraphRuller(QWidget* parent) : TCustomRuller(parent) {}

void TGraphRuller::SetShowCoord(bool on) {
    showCoord_ = on;
    update();
}

void TGraphRuller::SetAllCoord(bool on) {
    allCoord_ = on;
    update();
}

void TGraphRuller::SetInfoShown(bool on) {
    infoShown_ = on;
    update();
}

void TGraphRuller::SetPainterLink(TRullers* link, TGraphPaint* painter) {
    link_ = link;
    painter_ = painter;
    update();
}

void TGraphRuller::Scroll(TScrollMode mode) {
    TCustomRuller::Scroll(mode);
    if (link_ && painter_) link_->UpdatePainter(this);
}

void TGraphRuller::BoxSetAllCoord(bool on) {
    if (!painter_) return;
    for (TGraphRuller* r : {painter_->Rullers().Horz(), painter_->Rullers().Vert()})
        if (r) r->SetAllCoord(on);
}

TRect TGraphRuller::BtnPanelRect() const {
    const int32_t t = ScrollWidth();
    const int32_t size = t - 2 < 14 ? t - 2 : 14;
    const int32_t b = BtnSize();
    return TRect{b, (t - size) / 2, b + size * 7 / 8, (t - size) / 2 + size};
}

TRect TGraphRuller::InfoPanelRect() const {
    const TRect b = BtnPanelRect();
    return TRect{b.Right, b.Top, b.Right + 100, b.Bottom};
}

QCursor TGraphRuller::QueryCursor(TPoint p) {
    if (Kind() == rkHorz && In(BtnPanelRect(), p)) mode_ = smCustom;
    return TCustomRuller::QueryCursor(p);
}

void TGraphRuller::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    if (button == mbLeft && Kind() == rkHorz && In(BtnPanelRect(), TPoint{x, y})) {
        mode_ = smCustom;
        SetInfoShown(!infoShown_);
        return;
    }
    TCustomRuller::MouseDown(button, shift, x, y);
}

void TGraphRuller::Resize() {
    TCustomRuller::Resize();
    QPointer<TGraphRuller> self(this);
    QMetaObject::invokeMethod(
        this, [self] { if (self) self->CMResized(); }, Qt::QueuedConnection);
}

void TGraphRuller::CMResized() {
    if (!painter_) return;
    const TSRect v = painter_->VisRect();
    if (Kind() == rkHorz) SetMinV(v.Left), SetMaxV(v.Right);
    else SetMinV(v.Top), SetMaxV(v.Bottom);
}

double RullerTickStep(double step, bool stepEnabled, double s) {
    double h = stepEnabled ? step : 0;
    if (!(h >= 0.001)) h = 1;
    // Each loop stops on a scale or step that makes no progress.
    if (!std::isfinite(s) || !(s > 0) || !std::isfinite(h)) return 0;
    for (int i = 0; i < 400 && h * s <= 6; ++i) h *= 5;
    for (int i = 0; i < 400 && h * s > 30; ++i) h *= 0.2;
    for (int i = 0; i < 400 && h * s <= 6; ++i) h *= 5;
    if (stepEnabled && h < step) h = step;
    if (!std::isfinite(h) || !(h * s > 0.5)) return 0;
    return h;
}

int32_t TGraphRuller::PosOf(float v) const {
    if (allCoord_) {
        const double len = double(MaxV()) - MinV();
        const double s = len > 0 ? ActLen() / len : 0;
        return ClampPixel(int64_t(BtnSize()) + RoundPixel((double(v) - MinV()) * s));
    }
    if (!painter_) return 0;
    // Through the screen: the ruler may sit in another window.
    const QPoint origin = painter_->mapToGlobal(QPoint(0, 0)) - mapToGlobal(QPoint(0, 0));
    return Kind() == rkHorz ? ClampPixel(int64_t(painter_->Cx(v)) + origin.x())
                            : ClampPixel(int64_t(painter_->Cy(v)) + origin.y());
}

void TGraphRuller::PaintScroll() {
    TCanvas& c = Canvas();
    c.SaveDC();
    if (Kind() == rkHorz) {
        const TRect b = BtnPanelRect();
        DrawFrameControl(c, b, DFC_SCROLL, DFCS_SCROLLRIGHT);
        c.ExcludeClipRect(b.Left, b.Top, b.Right, b.Bottom);
        PaintCoordVal();
    }
    TCustomRuller::PaintScroll();
    PaintCoord();
    PaintMark();
    c.RestoreDC(-1);
}

void TGraphRuller::PaintCoord() {
    labelBoxes_.clear();
    if (!showCoord_ || !painter_ || !(MinV() < MaxV())) return;
    TCanvas& c = Canvas();
    const TRect w = Normal(WorkRect());
    c.SaveDC();
    c.IntersectClipRect(w.Left, w.Top, w.Right, w.Bottom);
    const bool horz = Kind() == rkHorz;
    const int32_t T = (horz ? w.Height() : w.Width()) - 2;
    double s, start, end;
    if (allCoord_) {
        s = double(ActLen()) / (double(MaxV()) - MinV());
        start = MinV(), end = MaxV();
    } else {
        s = painter_->Mst();
        const QPoint o = mapToGlobal(QPoint(0, 0)) - painter_->mapToGlobal(QPoint(0, 0));
        const TSPoint a = painter_->ToDevice(o.x(), o.y());
        const TSPoint b = painter_->ToDevice(painter_->width(), painter_->height());
        start = horz ? a.X : a.Y, end = horz ? b.X : b.Y;
    }
    TStep& st = painter_->Step();
    const double h = RullerTickStep(st.Value(), st.Active(), s);
    const bool ok = h > 0 && std::isfinite(start) && std::isfinite(end);
    if (ok) {
        double first = double(Rnd(float(start / (10 * h)))) * 10 * h;
        if (first > start) first -= 10 * h;
        const int64_t count = int64_t(std::min((end - first) / h + 2, 100000.0));
        c.Pen.Color = clBlack;
        c.Pen.Style = psSolid;
        c.Pen.Mode = pmCopy;
        c.Brush.Style = bsClear;
        c.Font.SetHeight(-std::max(1, ScrollWidth() * 3 / 4));
        c.Font.SetColor(clBlack);
        const bool labels = ScrollWidth() > 14;
        int64_t nextFree = INT64_MIN;
        for (int64_t n = 0; n < count; ++n) {
            const double v = first + double(n) * h;
            if (v >= end) break;
            int32_t len = T / 4;
            if (n % 5 == 0) len = T / 3;
            if (n % 10 == 0) len = T / 2;
            const int32_t pos = PosOf(float(v));
            c.Pen.Width = std::fabs(v) < 0.001 ? 2 : 1;
            if (horz) c.MoveTo(pos, 1), c.LineTo(pos, 1 + len);
            else c.MoveTo(2, pos), c.LineTo(2 + len, pos);
            if (labels && n % 5 == 0) {
                std::string txt;
                painter_->Un(float(v), txt, true);
                // A label that would start inside the last one drawn (plus
                // 2 pixels) is left out: overlapping labels cannot be read.
                const int64_t at = int64_t(pos) + 1;
                if (at < nextFree) continue;
                const TSize size = c.TextExtent(txt);
                nextFree = at + size.cx + 2;
                if (horz) {
                    c.TextOut(int32_t(at), T / 3 - 1, txt);
                    labelBoxes_.push_back(TRect{int32_t(at), T / 3 - 1, ClampPixel(at + size.cx), T / 3 - 1 + size.cy});
                } else {
                    c.Font.SetEscapement(-900);
                    const uint32_t a = c.SetTextAlign(TA_BASELINE);
                    c.TextOut(T / 3 + 1, int32_t(at), txt);
                    c.SetTextAlign(a);
                    c.Font.SetEscapement(0);
                    // Turned a quarter clockwise: the glyphs' tops face right.
                    const int32_t ascent = QFontMetrics(ToQFont(c.Font)).ascent();
                    labelBoxes_.push_back(TRect{T / 3 + 1 + ascent - size.cy, int32_t(at), T / 3 + 1 + ascent,
                                                ClampPixel(at + size.cx)});
                }
            }
        }
        c.Pen.Width = 1;
    }
    c.RestoreDC(-1);
}

TRect TGraphRuller::MarkRect(int32_t pos) const {
    if (Kind() == rkHorz) return TRect{pos - 7, height() / 4 - 1, pos + 8, height() / 4 + 8};
    return TRect{width() / 4 - 1, pos - 7, width() / 4 + 8, pos + 8};
}

void TGraphRuller::PaintMark() {
    if (!painter_ || !(MinV() < MaxV())) return;
    TCanvas& c = Canvas();
    const TRect w = Normal(WorkRect());
    c.SaveDC();
    c.IntersectClipRect(w.Left, w.Top, w.Right, w.Bottom);
    c.Pen.Mode = pmNotXor;
    c.Pen.Style = psClear;
    c.Brush.Style = bsSolid;
    c.Brush.Color = 0x800000;
    const int32_t p = cursorPos_;
    if (Kind() == rkHorz) {
        const int32_t y = height() / 4;
        const TPoint tri[3] = {{p, y}, {p - 6, y + 6}, {p + 6, y + 6}};
        c.Polygon(tri);
    } else {
        const int32_t x = width() / 4;
        const TPoint tri[3] = {{x, p}, {x + 6, p - 6}, {x + 6, p + 6}};
        c.Polygon(tri);
    }
    c.Pen.Mode = pmCopy;
    c.Pen.Style = psSolid;
    c.RestoreDC(-1);
}

void TGraphRuller::PaintCurCursor(bool full) {
    if (!painter_ || !(MinV() < MaxV())) return;
    const int32_t old = cursorPos_;
    const TSPoint lp = painter_->LastPt();
    cursorPos_ = PosOf(Kind() == rkHorz ? lp.X : lp.Y);
    if (!full) update(Q(MarkRect(old)));
    update(Q(MarkRect(cursorPos_)));
    if (infoShown_) update(Q(InfoPanelRect()));
}

void TGraphRuller::PaintCoordVal() {
    if (!infoShown_ || !painter_ || Kind() != rkHorz) return;
    TCanvas& c = Canvas();
    std::string x, y;
    painter_->Un(painter_->LastPt().X, x, false);
    painter_->Un(painter_->LastPt().Y, y, true);
    const TRect r = InfoPanelRect();
    c.Brush.Style = bsSolid;
    c.Brush.Color = 0x800000;
    c.FillRect(r);
    c.Font.SetColor(clWhite);
    c.Font.SetHeight(-std::max(1, r.Height() - 2));
    c.Brush.Style = bsClear;
    c.TextOut(r.Left, r.Top, x + ", " + y + "; M:" + Real_str(0, 0, painter_->Mst()));
    c.ExcludeClipRect(r.Left, r.Top, r.Right, r.Bottom);
}

}  // namespace velt
