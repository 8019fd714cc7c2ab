#include "painter/GrfPaint.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "foundation/SysUtils.h"
#include "painter/GrfRul.h"
#include "platform/ui/ExceptionReporter.h"

namespace velt {

// ---- settings objects ---------------------------------------------------------------

bool TStep::Active() const { return Enabled() && value_ > 0 && std::isfinite(value_); }

TGraphRuller* TRullers::Horz() const { return horz_.data(); }
TGraphRuller* TRullers::Vert() const { return vert_.data(); }

void TRullers::Bind(TGraphRuller* r) {
    if (!r) return;
    // A ruler serves one surface: the one it served before forgets it.
    if (TRullers* old = r->Link(); old && old != this && r->Painter()) old->Forget(r);
    r->SetPainterLink(this, Owner);
    // The ruler may outlive the surface: it reaches the surface through a
    // guarded pointer.
    r->OnChanged = [owner = QPointer<TGraphPaint>(Owner)](TCustomRuller* sender) {
        if (auto* g = qobject_cast<TGraphRuller*>(sender); g && owner) owner->Rullers().RulChanged(g);
    };
}

void TRullers::Unbind(TGraphRuller* r) {
    if (!r || r->Link() != this) return;
    r->SetPainterLink(nullptr, nullptr);
    r->OnChanged = nullptr;
}

void TRullers::Forget(TGraphRuller* r) {
    if (horz_ == r) horz_ = nullptr;
    if (vert_ == r) vert_ = nullptr;
}

void TRullers::SetRuller(TGraphRuller* r) {
    if (!r) return;
    QPointer<TGraphRuller>& slot = r->Kind() == rkVert ? vert_ : horz_;
    TGraphRuller* old = slot.data();
    // Filed under the other kind before: one slot holds it.
    Forget(r);
    slot = r;
    if (old && old != r) Unbind(old);
    Bind(r);
}

void TRullers::SetHorz(TGraphRuller* r) {
    if (r) return SetRuller(r);
    TGraphRuller* old = horz_.data();
    horz_ = nullptr;
    if (old && old != vert_) Unbind(old);
}

void TRullers::SetVert(TGraphRuller* r) {
    if (r) return SetRuller(r);
    TGraphRuller* old = vert_.data();
    vert_ = nullptr;
    if (old && old != horz_) Unbind(old);
}

bool TRullers::Visible() const { return (horz_ && !horz_->isHidden()) || (vert_ && !vert_->isHidden()); }

void TRullers::SetVisible(bool on) {
    for (TGraphRuller* r : {horz_.data(), vert_.data()})
        if (r) r->setVisible(on);
}

bool TRullers::ShowCoord() const { return (horz_ && horz_->ShowCoord()) || (vert_ && vert_->ShowCoord()); }

void TRullers::SetShowCoord(bool on) {
    for (TGraphRuller* r : {horz_.data(), vert_.data()})
        if (r) r->SetShowCoord(on);
}

void TRullers::SetWorkArea(const TSRect& r) {
    if (horz_) horz_->SetMin(r.Left), horz_->SetMax(r.Right);
    if (vert_) vert_->SetMin(r.Top), vert_->SetMax(r.Bottom);
    if (Owner) Owner->SetupRullers();
}

TSRect TRullers::GetWorkArea() const {
    TSRect r;
    if (horz_) r.Left = horz_->Min(), r.Right = horz_->Max();
    if (vert_) r.Top = vert_->Min(), r.Bottom = vert_->Max();
    return r;
}

void TRullers::RulChanged(TGraphRuller* r) {
    if (!r || !Owner) return;
    TGraphPaint& p = *Owner;
    TSPoint pt = p.ToDevice(0, 0);
    double extent;
    if (r->Kind() == rkVert) pt.Y = r->MinV(), extent = p.height();
    else pt.X = r->MinV(), extent = p.width();
    float scale = p.Mst();
    if (r->Mode() == smMin || r->Mode() == smMax) {
        const double len = double(r->MaxV()) - r->MinV();
        scale = float(len < 0.00001 ? extent * 100000 : extent / len);
    }
    p.SetView(pt, TPoint{0, 0}, SetViewBit(svoScroll), scale);
}

void TRullers::UpdatePainter(TGraphRuller* r) {
    if (r && r->Mode() >= smBtnUp && r->Mode() <= smTrack) RulChanged(r);
}

// ---- the surface ----------------------------------------------------------------------

TGraphPaint::TGraphPaint(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    SetMst(1);
    step_ = CreatePO<TStep>();
    step_->SetEnabled(true);
    grid_ = CreatePO<TGrid>();
    gridLn_ = CreatePO<TGrid>();
    rullers_ = CreatePO<TRullers>();
    canvas_.Attach(&image_);
}

TGraphPaint::~TGraphPaint() { canvas_.Detach(); }

TCanvas& TGraphPaint::GetDeviceContext() {
    EnsureImage();
    return canvas_;
}

void TGraphPaint::SetMst(float m) { mst_ = ResolveMst(m, StandartScale, mst_); }

bool TGraphPaint::SetMeasureType(int v) {
    if (!ValidMeasure(v)) return false;
    measureType_ = TMeasureType(v);
    return true;
}

bool TGraphPaint::SetMeasureShow(int v) {
    if (!ValidMeasure(v)) return false;
    measureShow_ = TMeasureType(v);
    return true;
}

void TGraphPaint::SetMinTextTT(int v) {
    if (v >= 0 && v <= (1 << 27)) MinTextTT = v;
}

void TGraphPaint::SetColor(TColor c) {
    color_ = c;
    colorRGB_ = ColorToRGB(c);
    if (QWidget* p = parentWidget(); p && p->property("Color").isValid()) p->setProperty("Color", int(c));
}

// ---- conversion ---------------------------------------------------------------------

namespace {
// Round(v x mst) + origin in 64 bits, then kept within RoundPixel's range:
// far from world 0 the product alone may pass it.
int32_t ToPixel(float v, float mst, int32_t origin) {
    const double d = std::nearbyint(double(v) * mst);
    if (std::isnan(d)) return ClampPixel(int64_t(origin));
    return ClampPixel(int64_t(std::clamp(d, -1e15, 1e15)) + origin);
}
}  // namespace

int32_t TGraphPaint::Cx(float x) const { return ToPixel(x, mst_, orgX_); }
int32_t TGraphPaint::Cy(float y) const { return ToPixel(y, mst_, orgY_); }

TRect TGraphPaint::ConvertRect(const TSRect& r) const { return TRect{Cx(r.Left), Cy(r.Top), Cx(r.Right), Cy(r.Bottom)}; }

TSPoint TGraphPaint::ToDevice(int32_t x, int32_t y) const {
    return TSPoint{float((double(x) - orgX_) / mst_), float((double(y) - orgY_) / mst_)};
}

TSRect TGraphPaint::ToDeviceRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
    const TSPoint a = ToDevice(x1, y1), b = ToDevice(x2, y2);
    return TSRect{a.X, a.Y, b.X, b.Y};
}

TSRect TGraphPaint::ToDeviceStep(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    TSRect r = ToDeviceRect(x1, y1, x2, y2);
    ToStep(r.Left), ToStep(r.Top), ToStep(r.Right), ToStep(r.Bottom);
    return r;
}

TSRect TGraphPaint::VisRect() const { return ToDeviceRect(0, 0, width(), height()); }

TSPoint TGraphPaint::ScrToUnit(int32_t x, int32_t y) {
    realPt_ = ToDevice(x, y);
    TSPoint p = realPt_;
    ToStep(p.X), ToStep(p.Y);
    return p;
}

void TGraphPaint::ToStep(float& v) const {
    if (step_->Active()) v = SnapToStep(v, step_->Value());
}

bool TGraphPaint::PtInAct(float x1, float y1, float x2, float y2) const {
    const double tol = 4.0 / mst_;
    return std::fabs(double(x2) - x1) <= tol && std::fabs(double(y2) - y1) <= tol;
}

bool TGraphPaint::GridPtOver(const TSPoint& p1, const TSPoint& p2) const {
    return double(Distance(p1, p2)) * mst_ < 4;
}

void TGraphPaint::Un(float value, std::string& s, bool showUnit) const {
    s = UnitText(value, measureType_, measureShow_, showUnit);
}

// ---- view -------------------------------------------------------------------------

void TGraphPaint::SetView(const TSPoint& worldPt, const TPoint& devPt, TSetViewOptions options, float newMst) {
    const float oldMst = mst_;
    SetMst(newMst);
    auto origin = [&](int32_t dev, float world) {
        const double v = std::trunc(double(dev) - double(world) * mst_);
        return ClampPixel(std::isnan(v) ? int64_t(0) : int64_t(std::clamp(v, -1e15, 1e15)));
    };
    const int32_t nx = origin(devPt.X, worldPt.X), ny = origin(devPt.Y, worldPt.Y);
    const bool originChanged = nx != orgX_ || ny != orgY_;
    const bool mstChanged = oldMst != mst_;
    if ((options & SetViewBit(svoScroll)) && originChanged && !mstChanged) {
        ShiftWindow(int32_t(int64_t(nx) - orgX_), int32_t(int64_t(ny) - orgY_));
        return;
    }
    orgX_ = nx, orgY_ = ny;
    if (!originChanged && !mstChanged) return;
    if (!(options & SetViewBit(svoNoInvalidate))) Invalidate();
    DeviceChanged();
    if (!(options & SetViewBit(svoNoRullers))) SetupRullers();
}

void TGraphPaint::ShowPoint(const TSPoint& p) {
    const TSRect r = ToDeviceRect(20, 20, width() - 20, height() - 20);
    if (p.X < r.Left || p.X > r.Right || p.Y < r.Top || p.Y > r.Bottom)
        SetView(p, TPoint{width() / 2, height() / 2}, 0, mst_);
}

TSPoint TGraphPaint::GetViewPoint(TLookTypes look) const {
    double x = width() / 2.0, y = height() / 2.0;
    if (look & LookBit(ltTop)) y = height() * 0.1;
    if (look & LookBit(ltBottom)) y = height() * 0.9;
    if (look & LookBit(ltLeft)) x = width() * 0.1;
    if (look & LookBit(ltRight)) x = width() * 0.9;
    return ToDevice(int32_t(std::trunc(x)), int32_t(std::trunc(y)));
}

void TGraphPaint::SetViewPoint(const TSPoint& p, TLookTypes look) {
    if (look & LookBit(ltAuto)) {
        const TSRect v = VisRect();
        if (p.X < v.Left) look |= LookBit(ltLeft);
        if (p.X > v.Right) look |= LookBit(ltRight);
        if (p.Y < v.Top) look |= LookBit(ltTop);
        if (p.Y > v.Bottom) look |= LookBit(ltBottom);
    }
    double x = width() / 2.0, y = height() / 2.0;
    if (look & LookBit(ltRight)) x = width() * 0.9;
    if (look & LookBit(ltLeft)) x = width() * 0.1;
    if (look & LookBit(ltBottom)) y = height() * 0.9;
    if (look & LookBit(ltTop)) y = height() * 0.1;
    SetView(p, TPoint{int32_t(std::trunc(x)), int32_t(std::trunc(y))}, SetViewBit(svoScroll), mst_);
}

void TGraphPaint::OfsetBase(float dx, float dy) {
    baseStack_.push_back(TPoint{orgX_, orgY_});
    auto step = [&](float d) {
        const double v = std::trunc(double(d) * mst_);
        return std::isnan(v) ? int64_t(0) : int64_t(std::clamp(v, -1e15, 1e15));
    };
    orgX_ = ClampPixel(int64_t(orgX_) + step(dx));
    orgY_ = ClampPixel(int64_t(orgY_) + step(dy));
}

void TGraphPaint::RestoreBase(TSPoint& offset) {
    offset = TSPoint{0, 0};
    if (baseStack_.empty()) return;
    const TPoint s = baseStack_.back();
    baseStack_.pop_back();
    offset = TSPoint{float((double(orgX_) - s.X) / mst_), float((double(orgY_) - s.Y) / mst_)};
    orgX_ = s.X, orgY_ = s.Y;
}

void TGraphPaint::SetupRullers() {
    const TSRect v = VisRect();
    if (TGraphRuller* h = rullers_->Horz()) h->SetMinV(v.Left), h->SetMaxV(v.Right);
    if (TGraphRuller* r = rullers_->Vert()) r->SetMinV(v.Top), r->SetMaxV(v.Bottom);
}

void TGraphPaint::SaveToStream(TStream& s) const { WriteViewState(s, TViewState{mst_, orgX_, orgY_}); }

void TGraphPaint::LoadFromStream(TStream& s) {
    const TViewState v = ReadViewState(s, TViewState{mst_, orgX_, orgY_});
    mst_ = v.Mst, orgX_ = v.OrgX, orgY_ = v.OrgY;
    Invalidate();
    DeviceChanged();
    SetupRullers();
}

// ---- scrolling ---------------------------------------------------------------------

void TGraphPaint::ScrollImage(int32_t dx, int32_t dy) {
    EnsureImage();
    const int w = image_.width(), h = image_.height();
    if (image_.isNull()) return;
    canvas_.EndPaint();
    const int64_t adx = std::abs(int64_t(dx)), ady = std::abs(int64_t(dy));
    if (adx >= w || ady >= h) {
        Dirty(QRect(0, 0, w, h), true);
        return;
    }
    const int cw = w - int(adx), rows = h - int(ady);
    uchar* bits = image_.bits();
    const qsizetype bpl = image_.bytesPerLine();
    const int srcX = dx < 0 ? int(adx) : 0, dstX = dx > 0 ? int(adx) : 0;
    auto move = [&](int row) {
        const int src = dy > 0 ? row : row + int(ady), dst = dy > 0 ? row + int(ady) : row;
        std::memmove(bits + dst * bpl + dstX * 4, bits + src * bpl + srcX * 4, size_t(cw) * 4);
    };
    if (dy > 0)
        for (int r = rows - 1; r >= 0; --r) move(r);
    else
        for (int r = 0; r < rows; ++r) move(r);
    if (dx > 0) Dirty(QRect(0, 0, int(adx), h), true);
    if (dx < 0) Dirty(QRect(w - int(adx), 0, int(adx), h), true);
    if (dy > 0) Dirty(QRect(0, 0, w, int(ady)), true);
    if (dy < 0) Dirty(QRect(0, h - int(ady), w, int(ady)), true);
}

void TGraphPaint::ShiftWindow(int32_t dx, int32_t dy) {
    if (dx == 0 && dy == 0) return;
    BeforeShiftWindow();
    RepaintDirty();
    // The pixels already on screen may lag the image: what is dirty there
    // is shown again after the move.
    ScrollImage(dx, dy);
    orgX_ = ClampPixel(int64_t(orgX_) + dx);
    orgY_ = ClampPixel(int64_t(orgY_) + dy);
    SetupRullers();
    DeviceChanged();
    RepaintDirty();
    if (isVisible()) scroll(dx, dy);
    else update();
    MouseMove(lastShift_, lastMouse_.x(), lastMouse_.y());
    AfterShiftWindow();
}

void TGraphPaint::TimeToScroll() {
    if (!captured_) return;
    const int x = lastMouse_.x(), y = lastMouse_.y();
    int32_t dx = 0, dy = 0;
    if (x < 0) dx = x < -30 ? 30 : 10;
    if (x > width()) dx = x - width() > 30 ? -30 : -10;
    if (y < 0) dy = y < -30 ? 30 : 10;
    if (y > height()) dy = y - height() > 30 ? -30 : -10;
    ShiftWindow(dx, dy);
}

// ---- invalidation -----------------------------------------------------------------

void TGraphPaint::Dirty(const QRect& r, bool erase) {
    const QRect c = r.intersected(rect());
    if (c.isEmpty()) return;
    (erase ? dirtyErase_ : dirtyKeep_) += c;
    update(c);
}

// A widget collects its dirty region with or without a parent: a
// top-level surface repaints too.
void TGraphPaint::Invalidate() { Dirty(rect(), true); }

void TGraphPaint::InvalidateRectEx(const TSRect& r, bool erase) {
    if (batching_) {
        if (!invRects_) invRects_ = std::make_unique<TInvalidRects>();
        invRects_->Add(r, erase);
        return;
    }
    TRect d = ConvertRect(r);
    if (d.Left > d.Right) std::swap(d.Left, d.Right);
    if (d.Top > d.Bottom) std::swap(d.Top, d.Bottom);
    Dirty(QRect(QPoint(d.Left, d.Top), QPoint(d.Right - 1, d.Bottom - 1)), erase);
}

void TGraphPaint::BeginInvalidate() {
    if (batching_) return;
    batching_ = true;
    if (invRects_) invRects_->Clear();
}

void TGraphPaint::EndInvalidate() {
    if (!batching_) return;
    struct Reset {
        TGraphPaint* p;
        ~Reset() {
            if (p->invRects_) p->invRects_->Clear();
            p->batching_ = false;
        }
    } reset{this};
    if (!invRects_) return;
    batching_ = false;
    for (int i = 0; i < invRects_->GetCount(); ++i) {
        const TInvalidRect e = invRects_->Get(i);
        InvalidateRectEx(e.Rect, e.Erase != 0);
    }
}

void TGraphPaint::RepaintDirty() {
    EnsureImage();
    QRegion all = dirtyErase_.united(dirtyKeep_);
    if (all.isEmpty() || image_.isNull()) {
        dirtyErase_ = dirtyKeep_ = QRegion();
        return;
    }
    const QRegion erase = dirtyErase_;
    dirtyErase_ = dirtyKeep_ = QRegion();
    // Erase, clip and draw on the one canvas Paint draws on: a surface
    // handed a canvas paints there.
    TCanvas& c = GetDeviceContext();
    c.SelectClipRgn(&all);
    if (QPainter* p = c.Painter(); p && !erase.isEmpty()) {
        p->setCompositionMode(QPainter::CompositionMode_Source);
        const QColor bg = ColorToQColor(color_);
        for (const QRect& r : erase) p->fillRect(r, bg);
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    CallReporting([&] { Paint(); });
    c.SelectClipRgn(nullptr);
    c.EndPaint();
}

void TGraphPaint::Update() {
    const QRegion r = DirtyRegion();
    RepaintDirty();
    if (!r.isEmpty() && isVisible()) repaint(r);
}

void TGraphPaint::paintEvent(QPaintEvent* e) {
    CallReporting([&] {
        RepaintDirty();
        QPainter p(this);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& r : e->region()) p.drawImage(r, image_, r);
    });
}

void TGraphPaint::EnsureImage() {
    const QSize want(std::max(1, width()), std::max(1, height()));
    if (image_.size() == want) return;
    // A new size dirties all (a hidden widget gets no resize event).
    canvas_.Detach();
    image_ = QImage(want, QImage::Format_RGB32);
    image_.fill(ColorToQColor(color_));
    canvas_.Attach(&image_);
    dirtyKeep_ = QRegion();
    dirtyErase_ = QRegion(rect());
    update();
}

void TGraphPaint::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    EnsureImage();
}

// ---- painting ----------------------------------------------------------------------

void TGraphPaint::Paint() {
    Matrix.Ident();
    struct Unwind {
        TGraphPaint* p;
        ~Unwind() {
            // A failing handler leaves nothing pushed behind.
            if (p->matrDepth_ > 0) {
                p->matrDepth_ = 0;
                p->Matrix = p->matrStack_->Matrix(0);
            }
            if (!p->baseStack_.empty()) {
                const TPoint s = p->baseStack_.front();
                p->orgX_ = s.X, p->orgY_ = s.Y;
                p->baseStack_.clear();
            }
            TCanvas& c = p->GetDeviceContext();
            if (c.SavedDCCount() > 0) c.RestoreDC(1);
            p->painting_ = false;
        }
    } unwind{this};
    TCanvas& c = GetDeviceContext();
    PaintGrids(c);
    painting_ = true;
    if (OnPaint) OnPaint(this);
}

void TGraphPaint::PaintGrids(TCanvas& c) {
    const double w = width(), h = height();
    const TSRect v = VisRect();
    // Lattice positions stay in double: far from world 0 a Single would
    // bunch the lines.
    auto dev = [&](double world, int32_t origin) {
        const double d = std::nearbyint(world * mst_);
        return ClampPixel(int64_t(std::clamp(d, -1e15, 1e15)) + origin);
    };
    auto lattice = [&](const TGrid& g, auto&& each) {
        if (!g.Active() || double(g.Value()) * mst_ < 10) return;
        const double V = g.Value();
        const double px = V * mst_;
        const int64_t nx = int64_t(w / px) + 3, ny = int64_t(h / px) + 3;
        const double x0 = double(Rnd(float(v.Left / V))) * V - V;
        const double y0 = double(std::nearbyint(double(v.Top) / V)) * V - V;
        each(x0, y0, V, nx, ny);
    };
    lattice(*gridLn_, [&](double x0, double y0, double V, int64_t nx, int64_t ny) {
        DefPen(psSolid, gridLn_->Color(), 0);
        for (int64_t n = 0; n < nx; ++n) {
            const double x = x0 + double(n) * V;
            if (x > v.Right) break;
            const int32_t dx = dev(x, orgX_);
            c.MoveTo(dx, 0), c.LineTo(dx, int32_t(h));
        }
        for (int64_t n = 0; n < ny; ++n) {
            const double y = y0 + double(n) * V;
            if (y > v.Bottom) break;
            const int32_t dy = dev(y, orgY_);
            c.MoveTo(0, dy), c.LineTo(int32_t(w), dy);
        }
    });
    lattice(*grid_, [&](double x0, double y0, double V, int64_t nx, int64_t ny) {
        const TColor col = grid_->Color();
        // The columns once; then a row of dots at a time.
        std::vector<int32_t> xs;
        for (int64_t n = 0; n < nx; ++n) {
            const double x = x0 + double(n) * V;
            if (x > v.Right) break;
            xs.push_back(dev(x, orgX_));
        }
        std::vector<TPoint> row(xs.size());
        for (int64_t j = 0; j < ny; ++j) {
            const double y = y0 + double(j) * V;
            if (y > v.Bottom) break;
            const int32_t dy = dev(y, orgY_);
            for (size_t k = 0; k < xs.size(); ++k) row[k] = TPoint{xs[k], dy};
            c.SetPixels(row, col);
        }
    });
}

// ---- mouse ---------------------------------------------------------------------------

void TGraphPaint::RealMouseDown(TMouseButton b, TShiftState s, float x, float y) {
    if (OnRealMouseDown) OnRealMouseDown(this, b, s, x, y);
}
void TGraphPaint::RealMouseDbl(TMouseButton b, TShiftState s, float x, float y) {
    if (OnRealMouseDbl) OnRealMouseDbl(this, b, s, x, y);
}
void TGraphPaint::RealMouseMove(TShiftState s, float x, float y) {
    if (OnRealMouseMove) OnRealMouseMove(this, s, x, y);
}
void TGraphPaint::RealMouseUp(TMouseButton b, TShiftState s, float x, float y) {
    if (OnRealMouseUp) OnRealMouseUp(this, b, s, x, y);
}
void TGraphPaint::DeviceChanged() {
    if (OnDeviceChange) OnDeviceChange(this);
}

void TGraphPaint::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    lastPt_ = ScrToUnit(x, y);
    const int64_t now = GetTimerSource().NowMs();
    if (lastClick_ && now - *lastClick_ < DblClickInterval) {
        lastClick_ = now - DblClickInterval;
        RealMouseDbl(button, shift, lastPt_.X, lastPt_.Y);
    } else {
        lastClick_ = now;
        RealMouseDown(button, shift, lastPt_.X, lastPt_.Y);
    }
    if (AutoScroll) {
        if (!scrollTimer_) {
            scrollTimer_ = GetTimerSource().NewTimer();
            scrollTimer_->OnTimer = [this] { TimeToScroll(); };
        }
        scrollTimer_->SetInterval(10);
        scrollTimer_->SetEnabled(true);
        lastShift_ = shift;
    }
}

void TGraphPaint::MouseMove(TShiftState shift, int32_t x, int32_t y) {
    lastShift_ = shift;
    const TSPoint p = ScrToUnit(x, y);
    if (p == lastPt_) return;
    moveDelta_ = TSPoint{float(double(p.X) - lastPt_.X), float(double(p.Y) - lastPt_.Y)};
    lastPt_ = p;
    RealMouseMove(shift, p.X, p.Y);
    for (TGraphRuller* r : {rullers_->Horz(), rullers_->Vert()})
        if (r) r->PaintCurCursor(false);
}

void TGraphPaint::MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    if (scrollTimer_) scrollTimer_->SetEnabled(false);
    lastPt_ = ScrToUnit(x, y);
    RealMouseUp(button, shift, lastPt_.X, lastPt_.Y);
}

void TGraphPaint::mousePressEvent(QMouseEvent* e) {
    CallReporting([&] {
        lastMouse_ = e->position().toPoint();
        captured_ = true;
        MouseDown(ButtonFromQt(e->button()), ShiftFromQt(e->modifiers(), e->buttons()), lastMouse_.x(), lastMouse_.y());
    });
}

void TGraphPaint::mouseDoubleClickEvent(QMouseEvent* e) { mousePressEvent(e); }

void TGraphPaint::mouseMoveEvent(QMouseEvent* e) {
    CallReporting([&] {
        lastMouse_ = e->position().toPoint();
        MouseMove(ShiftFromQt(e->modifiers(), e->buttons()), lastMouse_.x(), lastMouse_.y());
    });
}

void TGraphPaint::mouseReleaseEvent(QMouseEvent* e) {
    CallReporting([&] {
        lastMouse_ = e->position().toPoint();
        if (e->buttons() == Qt::NoButton) captured_ = false;
        MouseUp(ButtonFromQt(e->button()), ShiftFromQt(e->modifiers(), e->buttons()), lastMouse_.x(), lastMouse_.y());
    });
}

}  // namespace velt
