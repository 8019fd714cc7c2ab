#include "platform/ui/Controls.h"

#include <QChildEvent>
#include <QEvent>
#include <QMetaProperty>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <vector>

#include "foundation/SysUtils.h"
#include "platform/ui/DrawText.h"

namespace velt {

namespace {

constexpr char kAlignProperty[] = "VeltAlign";

// Ring widths beyond this are refused, so margins and frames stay in 32 bits.
constexpr int kMaxFrameWidth = 32767;

}  // namespace

// ---- alignment -------------------------------------------------------------------

TAlign GetAlign(const QWidget* control) {
    if (!control) return TAlign::alNone;
    const QVariant v = control->property(kAlignProperty);
    if (!v.isValid()) return TAlign::alNone;
    const int a = v.toInt();
    return a >= int(TAlign::alNone) && a <= int(alClient) ? TAlign(a) : TAlign::alNone;
}

void SetAlign(QWidget* control, TAlign value) {
    if (!control) return;
    if (control->metaObject()->indexOfProperty("Align") >= 0) control->setProperty("Align", QVariant::fromValue(value));
    else StoreAlign(control, value);
}

void StoreAlign(QWidget* control, TAlign value) {
    if (!control || int(value) < int(TAlign::alNone) || int(value) > int(alClient)) return;
    control->setProperty(kAlignProperty, int(value));
    QWidget* parent = control->parentWidget();
    if (!parent || control->isWindow()) return;
    if (!parent->layout() && value != TAlign::alNone) new TAlignLayout(parent);
    RequestAlign(parent);
}

void RequestAlign(QWidget* parent) {
    if (!parent) return;
    if (auto* layout = dynamic_cast<TAlignLayout*>(parent->layout())) layout->Realign();
}

TAlignLayout::TAlignLayout(QWidget* parent) : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
    setSizeConstraint(QLayout::SetNoConstraint);
    parent->installEventFilter(this);
    for (QObject* child : parent->children()) Watch(child);
}

TAlignLayout::~TAlignLayout() {
    if (QWidget* parent = parentWidget()) {
        parent->removeEventFilter(this);
        for (QObject* child : parent->children()) child->removeEventFilter(this);
    }
}

void TAlignLayout::addItem(QLayoutItem* item) {
    // Children are placed by their alignment, never as items.
    delete item;
}

void TAlignLayout::Watch(QObject* child) {
    if (!child->isWidgetType() || child == this) return;
    child->installEventFilter(this);
    watched_.insert(child);
}

bool TAlignLayout::eventFilter(QObject* watched, QEvent* event) {
    QWidget* parent = parentWidget();
    if (watched == parent) {
        // Only widgets are aligned: the objects a style or a timer parents
        // to the widget while it paints must not queue another layout.
        // (A widget going is no longer one when its removal is told: the
        // watched ones are remembered.)
        const auto type = event->type();
        QObject* child = type == QEvent::ChildAdded || type == QEvent::ChildRemoved
                             ? static_cast<QChildEvent*>(event)->child()
                             : nullptr;
        if (type == QEvent::ChildAdded && child->isWidgetType()) {
            Watch(child);
            invalidate();
        } else if (type == QEvent::ChildRemoved && watched_.erase(child) > 0) {
            invalidate();
        }
        return false;
    }
    if (!aligning_ && watched->isWidgetType()) {
        const auto type = event->type();
        if ((type == QEvent::Resize || type == QEvent::Show || type == QEvent::Hide) &&
            GetAlign(static_cast<QWidget*>(watched)) != TAlign::alNone)
            invalidate();
    }
    return false;
}

void TAlignLayout::setGeometry(const QRect& r) {
    QLayout::setGeometry(r);
    if (auto* panel = qobject_cast<TCustomPanel*>(parentWidget())) panel->AlignControls(r);
    else PlaceChildren(r);
}

void TAlignLayout::Realign() {
    QWidget* parent = parentWidget();
    if (!parent) return;
    setGeometry(parent->contentsRect());
}

void TAlignLayout::PlaceChildren(const QRect& area) {
    QWidget* parent = parentWidget();
    if (!parent || aligning_) return;
    aligning_ = true;
    struct Child {
        QWidget* W;
        TAlign A;
    };
    std::vector<Child> children;
    for (QObject* o : parent->children()) {
        if (!o->isWidgetType()) continue;
        auto* w = static_cast<QWidget*>(o);
        const TAlign a = GetAlign(w);
        if (a == TAlign::alNone || w->isWindow() || !w->isVisibleTo(parent)) continue;
        children.push_back({w, a});
    }
    // int64_t bounds: a child's size is added to them.
    int64_t left = area.left(), top = area.top(), right = int64_t(area.left()) + area.width(),
            bottom = int64_t(area.top()) + area.height();
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<QWidget*> list;
        for (const Child& c : children)
            if (c.A == pass) list.push_back(c.W);
        std::stable_sort(list.begin(), list.end(), [pass](QWidget* a, QWidget* b) {
            const QRect ra = a->geometry(), rb = b->geometry();
            switch (pass) {
            case alTop: return ra.top() < rb.top();
            case alBottom: return ra.top() + ra.height() > rb.top() + rb.height();
            case alLeft: return ra.left() < rb.left();
            case alRight: return ra.left() + ra.width() > rb.left() + rb.width();
            default: return false;
            }
        });
        for (QWidget* w : list) {
            int64_t x = left, y = top;
            int64_t width = std::max<int64_t>(0, right - left), height = std::max<int64_t>(0, bottom - top);
            switch (pass) {
            case alTop: height = w->height(); break;
            case alBottom:
                height = w->height();
                y = bottom - height;
                break;
            case alLeft: width = w->width(); break;
            case alRight:
                width = w->width();
                x = right - width;
                break;
            default: break;
            }
            auto clamp = [](int64_t v) { return int(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); };
            w->setGeometry(clamp(x), clamp(y), clamp(width), clamp(height));
            // The widget may keep a size of its own (its minimum or maximum).
            switch (pass) {
            case alTop: top += w->height(); break;
            case alBottom: bottom -= w->height(); break;
            case alLeft: left += w->width(); break;
            case alRight: right -= w->width(); break;
            default: break;
            }
        }
    }
    aligning_ = false;
}

// ---- 3-D frames --------------------------------------------------------------------

void Frame3D(TCanvas& canvas, TRect& r, TColor topColor, TColor bottomColor, int32_t width) {
    const TBrush saved = canvas.Brush;
    canvas.Brush.Style = bsSolid;
    int32_t i = 0;
    for (; i < width && !r.IsEmpty(); ++i) {
        canvas.Brush.Color = topColor;
        canvas.FillRect(TRect{r.Left, r.Top, r.Right - 1, r.Top + 1});
        canvas.FillRect(TRect{r.Left, r.Top, r.Left + 1, r.Bottom - 1});
        canvas.Brush.Color = bottomColor;
        canvas.FillRect(TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom});
        canvas.FillRect(TRect{r.Right - 1, r.Top, r.Right, r.Bottom});
        r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
    if (i < width) {
        // Nothing left to draw on: the rest of the rings only move the edges.
        const int64_t rest = int64_t(width) - i;
        auto in = [&](int32_t v, int64_t d) { return int32_t(std::clamp<int64_t>(v + d, INT32_MIN, INT32_MAX)); };
        r = TRect{in(r.Left, rest), in(r.Top, rest), in(r.Right, -rest), in(r.Bottom, -rest)};
    }
    canvas.Brush = saved;
}

// ---- panel -----------------------------------------------------------------------------

TColor ControlColor(const QWidget* control) {
    if (!control) return clBtnFace;
    const int index = control->metaObject()->indexOfProperty("Color");
    if (index >= 0) {
        const QVariant v = control->metaObject()->property(index).read(control);
        if (v.isValid()) return TColor(v.toInt());
    }
    return QColorToColor(control->palette().color(QPalette::Window));
}

TCustomPanel::TCustomPanel(QWidget* parent) : QWidget(parent) {
    new TAlignLayout(this);
    resize(185, 41);
    ApplyMargins();
    // The subclass's handler runs once it is set up (from Loaded on).
    font_.OnChange = [this] {
        if (loading_) update();
        else FontChanged();
    };
}

TCustomPanel::~TCustomPanel() { font_.OnChange = nullptr; }

std::unique_ptr<TCustomPanel> TCustomPanel::Create(QWidget* parent) {
    auto panel = std::make_unique<TCustomPanel>(parent);
    panel->Loaded();
    return panel;
}

TAlign TCustomPanel::GetAlign() const { return velt::GetAlign(this); }

void TCustomPanel::SetAlign(TAlign value) { StoreAlign(this, value); }

void TCustomPanel::SetBevelInner(TPanelBevel value) {
    if (value > bvRaised || value == bevelInner_) return;  // a value outside the type is not kept
    bevelInner_ = value;
    FrameChanged();
}

void TCustomPanel::SetBevelOuter(TPanelBevel value) {
    if (value > bvRaised || value == bevelOuter_) return;
    bevelOuter_ = value;
    FrameChanged();
}

void TCustomPanel::SetBevelWidth(int value) {
    if (value < 1 || value > kMaxFrameWidth)
        throw ERangeError("BevelWidth " + std::to_string(value) + " is out of range 1.." +
                          std::to_string(kMaxFrameWidth));
    if (value == bevelWidth_) return;
    bevelWidth_ = value;
    FrameChanged();
}

void TCustomPanel::SetBorderWidth(int value) {
    if (value < 0 || value > kMaxFrameWidth)
        throw ERangeError("BorderWidth " + std::to_string(value) + " is out of range 0.." +
                          std::to_string(kMaxFrameWidth));
    if (value == borderWidth_) return;
    borderWidth_ = value;
    FrameChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle value) {
    if (value > bsSingle || value == borderStyle_) return;
    borderStyle_ = value;
    FrameChanged();
}

void TCustomPanel::SetCaption(const std::string& value) {
    if (value == caption_) return;
    caption_ = value;
    Changed();
}

void TCustomPanel::SetAlignment(TAlignment value) {
    if (value > taCenter || value == alignment_) return;  // the painter indexes by it
    alignment_ = value;
    Changed();
}

TColor TCustomPanel::GetColor() const {
    if (parentColor_ && parentWidget()) return ControlColor(parentWidget());
    return color_;
}

void TCustomPanel::SetColor(TColor value) {
    if (value == color_ && !parentColor_) return;
    color_ = value;
    parentColor_ = false;
    Changed();
}

void TCustomPanel::SetParentColor(bool value) {
    if (value == parentColor_) return;
    parentColor_ = value;
    Changed();
}

TRect TCustomPanel::ClientRect() const {
    const int b = borderStyle_ == bsSingle ? 1 : 0;
    return TRect{b, b, width() - b, height() - b};
}

void TCustomPanel::AdjustClientRect(TRect& r) const {
    int32_t inset = borderWidth_;
    if (bevelOuter_ != bvNone) inset += bevelWidth_;
    if (bevelInner_ != bvNone) inset += bevelWidth_;
    r = TRect{r.Left + inset, r.Top + inset, r.Right - inset, r.Bottom - inset};
}

void TCustomPanel::Loaded() { loading_ = false; }

void TCustomPanel::ApplyMargins() {
    // The insets do not depend on the size: margins keep the aligned
    // children inside them.
    const TRect outer{0, 0, 1000000, 1000000};
    const int b = borderStyle_ == bsSingle ? 1 : 0;
    TRect inner{b, b, outer.Right - b, outer.Bottom - b};
    AdjustClientRect(inner);
    setContentsMargins(inner.Left, inner.Top, outer.Right - inner.Right, outer.Bottom - inner.Bottom);
}

void TCustomPanel::FrameChanged() {
    ApplyMargins();
    if (!loading_) RequestAlign(this);
    Changed();
}

void TCustomPanel::Changed() {
    // A subclass's own repaint runs once it is set up.
    if (loading_) update();
    else Invalidate();
}

void TCustomPanel::AlignControls(const QRect& r) {
    if (auto* layout = dynamic_cast<TAlignLayout*>(this->layout())) layout->PlaceChildren(r);
}

void TCustomPanel::FontChanged() { Invalidate(); }

void TCustomPanel::PaintBevels(TRect& r) {
    auto colors = [](TPanelBevel bevel, TColor& top, TColor& bottom) {
        top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
        bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    TColor top, bottom;
    if (bevelOuter_ != bvNone) {
        colors(bevelOuter_, top, bottom);
        Frame3D(canvas_, r, top, bottom, bevelWidth_);
    }
    Frame3D(canvas_, r, GetColor(), GetColor(), borderWidth_);
    if (bevelInner_ != bvNone) {
        colors(bevelInner_, top, bottom);
        Frame3D(canvas_, r, top, bottom, bevelWidth_);
    }
}

void TCustomPanel::PaintBorder() {
    if (borderStyle_ != bsSingle) return;
    canvas_.Brush.Style = bsSolid;
    canvas_.Brush.Color = clWindowFrame;
    canvas_.FrameRect(TRect{0, 0, width(), height()});
}

void TCustomPanel::Paint() {
    TCanvas& c = canvas_;
    PaintBorder();
    TRect r = ClientRect();
    PaintBevels(r);
    c.Brush.Style = bsSolid;
    c.Brush.Color = GetColor();
    c.FillRect(r);
    if (caption_.empty()) return;
    c.Brush.Style = bsClear;
    c.Font = font_;
    static constexpr uint32_t kAlignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    DrawText(c, caption_, r, DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | kAlignments[alignment_]);
}

void TCustomPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    canvas_.Attach(&painter);
    Paint();
    canvas_.Detach();
}

void TCustomPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (OnResize) OnResize(this);
}

void TCustomPanel::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) OnClick(this);
}

void TCustomPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    QWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && OnDblClick) OnDblClick(this);
}

}  // namespace velt
