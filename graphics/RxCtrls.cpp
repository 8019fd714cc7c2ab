#include "graphics/RxCtrls.h"

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "foundation/SysUtils.h"
#include "graphics/VCLUtils.h"
#include "platform/ui/DrawText.h"

// The artwork is linked into a static library: register it before use.
static void InitRxArt() { Q_INIT_RESOURCE(GraphicsArt); }

namespace velt {

namespace {

bool SideAligned(TAlign a) { return a == alTop || a == alBottom || a == alLeft || a == alRight; }

// The parent's area the splitter moves in.
TRect ParentClient(const QWidget* parent) {
    if (auto* panel = qobject_cast<const TCustomPanel*>(parent)) return panel->ClientRect();
    return TRect{0, 0, parent->width(), parent->height()};
}

int64_t MsOfDay(TDateTime t) {
    int h, m, s, ms;
    DecodeTime(t, h, m, s, ms);
    return ((int64_t(h) * 60 + m) * 60 + s) * 1000 + ms;
}

}  // namespace

// ---- splitter ---------------------------------------------------------------------------

std::unique_ptr<TrxSplitter> TrxSplitter::Create(QWidget* parent) {
    std::unique_ptr<TrxSplitter> s(new TrxSplitter(parent));
    s->Loaded();
    return s;
}

TrxSplitter::TrxSplitter(QWidget* parent) : TCustomPanel(parent) {
    resize(185, 3);
    setMouseTracking(true);
}

void TrxSplitter::Loaded() {
    TCustomPanel::Loaded();
    UpdateState();
}

void TrxSplitter::Watch(QPointer<QWidget>& slot, QMetaObject::Connection& connection, QWidget* value) {
    if (value == this) value = nullptr;
    QObject::disconnect(connection);
    slot = value;
    // A widget announces its end before its guards clear: forget it first.
    if (value)
        connection = connect(value, &QObject::destroyed, this, [this, &slot] {
            slot.clear();
            UpdateState();
        });
    if (!IsLoading()) UpdateState();
}

void TrxSplitter::SetControlFirst(QWidget* value) { Watch(controlFirst_, firstGone_, value); }

void TrxSplitter::SetControlSecond(QWidget* value) { Watch(controlSecond_, secondGone_, value); }

void TrxSplitter::SetLimitOffset(int value) {
    if (value < 0 || value > 32767)
        throw ERangeError("LimitOffset " + std::to_string(value) + " is out of range 0..32767");
    limitOffset_ = value;
}

TSplitterStyle TrxSplitter::GetStyle() const {
    QWidget* first = controlFirst_;
    QWidget* second = controlSecond_;
    if (!first) return spUnknown;
    // Only controls beside the splitter can be resized by it.
    if (first->parentWidget() != parentWidget() || (second && second->parentWidget() != parentWidget()))
        return spUnknown;
    const TAlign a1 = velt::GetAlign(first);
    const TAlign a2 = second ? velt::GetAlign(second) : TAlign::alNone;
    TSplitterStyle s = spUnknown;
    if ((a1 == alTop || a1 == alBottom) && (!second || a2 == alClient)) s = spHorizontalFirst;
    else if (a1 == alClient && second && (a2 == alTop || a2 == alBottom)) s = spHorizontalSecond;
    else if ((a1 == alLeft || a1 == alRight) && (!second || a2 == alClient)) s = spVerticalFirst;
    else if (a1 == alClient && second && (a2 == alLeft || a2 == alRight)) s = spVerticalSecond;
    if (s == spUnknown) return s;
    QWidget* resized = (s == spHorizontalFirst || s == spVerticalFirst) ? first : second;
    return GetAlign() == velt::GetAlign(resized) ? s : spUnknown;
}

Qt::CursorShape TrxSplitter::GetCursor() const {
    switch (GetStyle()) {
    case spHorizontalFirst:
    case spHorizontalSecond: return Qt::SplitVCursor;
    case spVerticalFirst:
    case spVerticalSecond: return Qt::SplitHCursor;
    default: return Qt::ArrowCursor;
    }
}

int TrxSplitter::GetCursorCode() const {
    if (!testAttribute(Qt::WA_SetCursor)) return 0;
    switch (cursor().shape()) {
    case Qt::SplitVCursor: return -15;
    case Qt::SplitHCursor: return -14;
    case Qt::ForbiddenCursor: return -13;
    default: return 0;
    }
}

void TrxSplitter::UpdateState() {
    if (GetStyle() == spUnknown) unsetCursor();
    else setCursor(GetCursor());
}

void TrxSplitter::SetAlign(TAlign value) {
    if (value > TAlign::alClient) return;
    if (!SideAligned(GetAlign())) {
        if (value == alTop || value == alBottom) resize(width(), 3);
        else if (value == alLeft || value == alRight) resize(3, height());
    }
    TCustomPanel::SetAlign(value);
    if (!IsLoading()) UpdateState();
}

void TrxSplitter::Changed() {
    if (OnPosChanged) OnPosChanged(this);
}

QWidget* TrxSplitter::Resized() const {
    return style_ == spHorizontalFirst || style_ == spVerticalFirst ? controlFirst_.data() : controlSecond_.data();
}

TPoint TrxSplitter::Clamped(const QPoint& p) const {
    return TPoint{std::clamp(p.x(), limits_.Left, std::max(limits_.Left, limits_.Right)),
                  std::clamp(p.y(), limits_.Top, std::max(limits_.Top, limits_.Bottom))};
}

void TrxSplitter::DrawLine(TInverseMode mode, const TPoint& p) {
    QWidget* parent = parentWidget();
    if (!parent) return;
    // The band across the splitter, on the screen, kept inside the parent.
    const TRect client = ParentClient(parent);
    const QPoint clientOrg = parent->mapToGlobal(QPoint(client.Left, client.Top));
    const QPoint clientEnd = parent->mapToGlobal(QPoint(client.Right, client.Bottom));
    QPoint org, end;
    if (Horizontal()) {
        org = mapToGlobal(QPoint(0, p.Y));
        end = mapToGlobal(QPoint(width(), p.Y + 2));
    } else {
        org = mapToGlobal(QPoint(p.X, 0));
        end = mapToGlobal(QPoint(p.X + 2, height()));
    }
    auto inside = [&](QPoint q) {
        return QPoint(std::clamp(q.x(), clientOrg.x(), std::max(clientOrg.x(), clientEnd.x())),
                      std::clamp(q.y(), clientOrg.y(), std::max(clientOrg.y(), clientEnd.y())));
    };
    org = inside(org);
    end = inside(end);
    const TPoint newOrg{org.x(), org.y()}, newEnd{end.x(), end.y()};
    if (mode == imMove && lineShown_ && (Horizontal() ? newOrg.Y == lineOrg_.Y : newOrg.X == lineOrg_.X)) return;
    if ((mode == imClear || mode == imMove) && lineShown_) {
        PaintInverseRect(lineOrg_, lineEnd_);
        lineShown_ = false;
    }
    if (mode == imNew || mode == imMove) {
        PaintInverseRect(newOrg, newEnd);
        lineOrg_ = newOrg;
        lineEnd_ = newEnd;
        lineShown_ = true;
    }
}

void TrxSplitter::mousePressEvent(QMouseEvent* event) {
    TCustomPanel::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || active_) return;
    style_ = GetStyle();
    QWidget* parent = parentWidget();
    QWidget* resized = Resized();
    if (style_ == spUnknown || !parent || !resized) return;
    active_ = true;
    noDrop_ = false;
    // The press holds the mouse for the bar until the release.
    // The parent's area less the offset, then the far edge of the resized
    // control, in the splitter's coordinates.
    const TRect client = ParentClient(parent);
    const int dx = x(), dy = y();
    limits_ = TRect{client.Left + limitOffset_ - dx, client.Top + limitOffset_ - dy, client.Right - limitOffset_ - dx,
                    client.Bottom - limitOffset_ - dy};
    const QRect g = resized->geometry();
    switch (velt::GetAlign(resized)) {
    case alTop: limits_.Top = g.top() + 1 - dy; break;
    case alBottom: limits_.Bottom = g.top() + g.height() - 1 - dy; break;
    case alLeft: limits_.Left = g.left() + 1 - dx; break;
    case alRight: limits_.Right = g.left() + g.width() - 1 - dx; break;
    default: break;
    }
    DrawLine(imNew, Clamped(event->position().toPoint()));
}

void TrxSplitter::mouseMoveEvent(QMouseEvent* event) {
    TCustomPanel::mouseMoveEvent(event);
    if (!active_) return;
    const QPoint m = event->position().toPoint();
    const TPoint p = Clamped(m);
    const bool held = Horizontal() ? p.Y != m.y() : p.X != m.x();
    if (held != noDrop_) {
        noDrop_ = held;
        setCursor(held ? Qt::ForbiddenCursor : GetCursor());
    }
    DrawLine(imMove, p);
}

void TrxSplitter::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && active_) {
        active_ = false;
        DrawLine(imClear, TPoint{});
        if (noDrop_) {
            noDrop_ = false;
            UpdateState();
        }
        TPoint p = Clamped(event->position().toPoint());
        QWidget* resized = Resized();
        QWidget* parent = parentWidget();
        if (resized && parent) {
            const TAlign a = velt::GetAlign(resized);
            if (a == alRight) p.X = -p.X;
            if (a == alBottom) p.Y = -p.Y;
            const TRect client = ParentClient(parent);
            // 64 bits: the sizes and offsets are added.
            if (Horizontal()) {
                int64_t h = std::max<int64_t>(int64_t(resized->height()) + p.Y, 1);
                if (h >= int64_t(client.Height()) - height()) h = std::max<int64_t>(client.Height() - 3, 1);
                resized->resize(resized->width(), int(h));
            } else {
                int64_t w = std::max<int64_t>(int64_t(resized->width()) + p.X, 1);
                if (w >= int64_t(client.Width()) - width()) w = std::max<int64_t>(client.Width() - 3, 1);
                resized->resize(int(w), resized->height());
            }
            RequestAlign(parent);
        }
        Changed();
    }
    TCustomPanel::mouseReleaseEvent(event);
}

// ---- label ----------------------------------------------------------------------------------

std::unique_ptr<TrxLabel> TrxLabel::Create(QWidget* parent) {
    std::unique_ptr<TrxLabel> l(new TrxLabel(parent));
    l->Loaded();
    return l;
}

TrxLabel::TrxLabel(QWidget* parent) : QWidget(parent) {
    resize(65, 17);
    font_.OnChange = [this] {
        if (loading_) return update();
        AdjustBounds();
        update();
    };
}

TrxLabel::~TrxLabel() { font_.OnChange = nullptr; }

void TrxLabel::Loaded() {
    loading_ = false;
    UpdateShortcut();
    AdjustBounds();
}

std::string TrxLabel::GetLabelText() const {
    // 255 characters, never a character cut in two.
    size_t i = 0;
    for (int n = 0; i < caption_.size() && n < 255; ++n) {
        const unsigned char c = static_cast<unsigned char>(caption_[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        i = std::min(caption_.size(), i + len);
    }
    return caption_.substr(0, i);
}

void TrxLabel::DoDrawText(TCanvas& canvas, TRect& rect, uint32_t flags) {
    std::string text = GetLabelText();
    if ((flags & DT_CALCRECT) && (text.empty() || text == "&")) text = " ";
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    flags |= DT_EXPANDTABS;
    canvas.Font = font_;
    canvas.Brush.Style = bsClear;
    const int32_t s = shadowSize_;
    TRect textR = rect, shadowR = rect;
    auto move = [](TRect& r, int32_t dx, int32_t dy) { r = TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; };
    switch (shadowPos_) {
    case spLeftTop: move(textR, s, s); break;
    case spLeftBottom:
        move(textR, s, 0);
        move(shadowR, 0, s);
        break;
    case spRightBottom: move(shadowR, s, s); break;
    case spRightTop:
        move(textR, 0, s);
        move(shadowR, s, 0);
        break;
    }
    canvas.Font.SetColor(shadowColor_);
    DrawText(canvas, text, shadowR, flags);
    canvas.Font.SetColor(isEnabled() ? font_.Color() : clGrayText);
    DrawText(canvas, text, textR, flags);
    rect = TRect{std::min(textR.Left, shadowR.Left), std::min(textR.Top, shadowR.Top),
                 std::max(textR.Right, shadowR.Right), std::max(textR.Bottom, shadowR.Bottom)};
}

void TrxLabel::Paint(TCanvas& canvas) {
    if (!transparent_) {
        canvas.Brush.Style = bsSolid;
        canvas.Brush.Color = GetColor();
        canvas.FillRect(TRect{0, 0, width(), height()});
    }
    // The text and its shadow both stay inside.
    TRect r{0, 0, width() - shadowSize_, height() - shadowSize_};
    static constexpr uint32_t kAlignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    DoDrawText(canvas, r, DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0) | kAlignments[alignment_]);
}

void TrxLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(&painter);
    Paint(canvas);
}

void TrxLabel::AdjustBounds() {
    if (loading_ || !autoSize_) return;
    TCanvas screen;  // no surface: measures on the screen
    TRect r{0, 0, width(), height()};
    DoDrawText(screen, r, DT_EXPANDTABS | DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0));
    int x = this->x();
    if (alignment_ == taRightJustify) x += width() - r.Right;
    setGeometry(x, y(), std::max(r.Right, 0), std::max(r.Bottom, 0));
    if (GetAlign() != TAlign::alNone) RequestAlign(parentWidget());
}

void TrxLabel::SetAlignment(TAlignment value) {
    if (value > taCenter || value == alignment_) return;
    alignment_ = value;
    update();
}

void TrxLabel::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    AdjustBounds();
}

void TrxLabel::SetCaption(const std::string& value) {
    if (value == caption_) return;
    caption_ = value;
    UpdateShortcut();
    update();
    AdjustBounds();
}

TColor TrxLabel::GetColor() const {
    if (parentColor_ && parentWidget()) return ControlColor(parentWidget());
    return color_;
}

void TrxLabel::SetColor(TColor value) {
    color_ = value;
    parentColor_ = false;
    update();
}

void TrxLabel::SetParentColor(bool value) {
    if (value == parentColor_) return;
    parentColor_ = value;
    update();
}

void TrxLabel::SetShadowColor(TColor value) {
    if (value == shadowColor_) return;
    shadowColor_ = value;
    update();
}

void TrxLabel::SetShadowSize(int value) {
    if (value < 0 || value > 255) throw ERangeError("ShadowSize " + std::to_string(value) + " is out of range 0..255");
    if (value == shadowSize_) return;
    shadowSize_ = uint8_t(value);
    AdjustBounds();
    update();
}

void TrxLabel::SetShadowPos(TShadowPosition value) {
    if (value > spRightTop || value == shadowPos_) return;
    shadowPos_ = value;
    update();
}

void TrxLabel::SetShowAccelChar(bool value) {
    if (value == showAccelChar_) return;
    showAccelChar_ = value;
    UpdateShortcut();
    update();
}

void TrxLabel::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    update();
}

void TrxLabel::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    AdjustBounds();
}

void TrxLabel::UpdateShortcut() {
    if (loading_) return;
    const QKeySequence key =
        showAccelChar_ ? QKeySequence::mnemonic(QString::fromStdString(GetLabelText())) : QKeySequence();
    if (key.isEmpty()) {
        delete shortcut_;
        shortcut_ = nullptr;
        return;
    }
    if (!shortcut_) {
        shortcut_ = new QShortcut(this);
        shortcut_->setContext(Qt::WindowShortcut);
        connect(shortcut_, &QShortcut::activated, this, [this] { Accelerated(); });
    }
    shortcut_->setKey(key);
}

void TrxLabel::Accelerated() {
    QWidget* target = focusControl_;
    if (!isEnabled() || !showAccelChar_ || !target) return;
    if (!target->isEnabled() || !target->isVisible() || target->focusPolicy() == Qt::NoFocus) return;
    target->setFocus(Qt::ShortcutFocusReason);
}

void TrxLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::ParentChange) update();
}

void TrxLabel::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) OnClick(this);
}

void TrxLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    QWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && OnDblClick) OnDblClick(this);
}

// ---- hand table ------------------------------------------------------------------------------

namespace {

QString& ResourcePath() {
    static QString path = QStringLiteral(":/velt/PCLOCK");
    return path;
}

std::weak_ptr<const THandTable>& SharedTable() {
    static std::weak_ptr<const THandTable> table;
    return table;
}

// Pixels per length down over across; 1 when the screen does not say.
double ScreenAspect(double xdpi, double ydpi) {
    if (!(xdpi > 0) || !(ydpi > 0) || !std::isfinite(xdpi) || !std::isfinite(ydpi)) return 1.0;
    return ydpi / xdpi;
}

void ScreenDpi(double& xdpi, double& ydpi) {
    xdpi = ydpi = 0;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        xdpi = screen->physicalDotsPerInchX();
        ydpi = screen->physicalDotsPerInchY();
    }
}

int32_t ScreenWidth() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

std::shared_ptr<const THandTable> SharedHandTable() {
    if (auto table = SharedTable().lock()) return table;
    InitRxArt();
    QFile file(ResourcePath());
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    // More than the table's size is read only to tell that it is too long.
    const QByteArray bytes = file.read(241);
    double xdpi, ydpi;
    ScreenDpi(xdpi, ydpi);
    auto table = LoadHandTable(bytes, xdpi, ydpi);
    SharedTable() = table;
    return table;
}

}  // namespace

std::shared_ptr<const THandTable> LoadHandTable(const QByteArray& bytes, double xdpi, double ydpi) {
    if (bytes.size() != 240) return nullptr;
    // The ratio is kept sane, so a scaled Y stays far inside 32 bits.
    const double aspect = std::clamp(ScreenAspect(xdpi, ydpi), 1.0 / 16, 16.0);
    auto table = std::make_shared<THandTable>();
    for (int i = 0; i < 60; ++i) {
        int16_t xy[2];
        std::memcpy(xy, bytes.constData() + i * 4, 4);  // little-endian, as the host is
        table->P[size_t(i)] = TPoint{xy[0], int32_t(std::trunc(double(xy[1]) * aspect))};
    }
    return table;
}

void SetHandTableResource(const QString& path) { ResourcePath() = path; }

QString HandTableResource() { return ResourcePath(); }

// ---- clock ----------------------------------------------------------------------------------

std::unique_ptr<TrxClock> TrxClock::Create(QWidget* parent) {
    std::unique_ptr<TrxClock> c(new TrxClock(parent));
    c->Loaded();
    return c;
}

TrxClock::TrxClock(QWidget* parent) : TCustomPanel(parent) {
    SetCaption(TimeToStr(GetTimerSource().Now()));
    SetBevelInner(bvLowered);
    SetBevelOuter(bvRaised);
    hands_ = SharedHandTable();
    timer_ = NewTimer(450, [this] { TimerExpired(); });
    ResetAlarm();
}

TrxClock::~TrxClock() { timer_.reset(); }

void TrxClock::Loaded() {
    TCustomPanel::Loaded();
    RequestAlign(this);
}

void TrxClock::CurrentTime(int& h, int& m, int& s) const {
    int ms;
    DecodeTime(GetTimerSource().Now(), h, m, s, ms);
}

// ---- alarm ----

void TrxClock::SetAlarmTime(TDateTime value) {
    // The time of day only.
    int h, m, s, ms;
    DecodeTime(value, h, m, s, ms);
    alarm_ = EncodeTime(h, m, s, ms);
    ResetAlarm();
}

void TrxClock::ResetAlarm() {
    lastMs_ = MsOfDay(GetTimerSource().Now());
    alarmWait_ = lastMs_ < MsOfDay(alarm_);
}

void TrxClock::ArmPastMidnight(int64_t nowMs) {
    // The time of day went back by more than half a day: midnight passed
    // since the last look, and an alarm between midnight and now, 00:00:00
    // included, is due although no look saw the time before it.
    constexpr int64_t kHalfDay = 12 * 3600 * 1000;
    if (lastMs_ - nowMs > kHalfDay && MsOfDay(alarm_) <= nowMs) alarmWait_ = true;
    lastMs_ = nowMs;
}

bool TrxClock::IsAlarmTime(TDateTime time) const {
    int h, m, s, ms, ah, am, as, ams;
    DecodeTime(time, h, m, s, ms);
    DecodeTime(alarm_, ah, am, as, ams);
    return alarmWait_ && h == ah && m == am && s >= as && s < as + 60;
}

int TrxClock::GetAlarmElement(int index) const {
    int h, m, s, ms;
    DecodeTime(alarm_, h, m, s, ms);
    switch (index) {
    case 1: return h;
    case 2: return m;
    case 3: return s;
    default: throw ERangeError("Alarm element " + std::to_string(index) + " is out of range 1..3");
    }
}

void TrxClock::SetAlarmElement(int index, int value) {
    int h, m, s, ms;
    DecodeTime(alarm_, h, m, s, ms);
    switch (index) {
    case 1: h = value; break;
    case 2: m = value; break;
    case 3: s = value; break;
    default: throw ERangeError("Alarm element " + std::to_string(index) + " is out of range 1..3");
    }
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) {
        char text[48];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", h, m, s);
        throw EConvertError("'" + std::string(text) + "' is not a valid time");
    }
    alarm_ = EncodeTime(h, m, s, 0);
    ResetAlarm();
}

void TrxClock::Alarm() {
    if (OnAlarm) OnAlarm(this);
}

// ---- modes and geometry ----

void TrxClock::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    if (IsLoading()) return;
    RequestAlign(this);
    Invalidate();
}

void TrxClock::SetShowMode(TShowClock value) {
    if (value > scAnalog || (value == scAnalog && !hands_)) return;
    if (value == showMode_) return;
    showMode_ = value;
    if (IsLoading()) return;
    RequestAlign(this);
    Invalidate();
}

void TrxClock::FontChanged() {
    if (autoSize_ && !resizingFont_) RequestAlign(this);
    Invalidate();
}

void TrxClock::Invalidate() {
    imageValid_ = false;
    update();
}

int32_t TrxClock::TickWidth() const {
    const int32_t screenWidth = ScreenWidth();
    const int64_t w = screenWidth > 0 ? int64_t(clockRect_.Width()) * 25 / screenWidth : 0;
    return int32_t(std::clamp<int64_t>(w, 2, 1 << 20));
}

void TrxClock::AlignControls(const QRect& r) {
    TCustomPanel::AlignControls(r);
    // The largest square in physical units, centred; a radius clear of
    // half a tick.
    TRect rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    double xdpi, ydpi;
    ScreenDpi(xdpi, ydpi);
    const double aspect = std::clamp(ScreenAspect(xdpi, ydpi), 1.0 / 16, 16.0);
    const int32_t w = std::max(rect.Width(), 0), h = std::max(rect.Height(), 0);
    int32_t sideX = std::min<int32_t>(w, int32_t(h / aspect));
    int32_t sideY = std::min<int32_t>(h, int32_t(sideX * aspect));
    clockCenter_ = TPoint{rect.Left + w / 2, rect.Top + h / 2};
    clockRect_ = TRect{clockCenter_.X - sideX / 2, clockCenter_.Y - sideY / 2, clockCenter_.X - sideX / 2 + sideX,
                       clockCenter_.Y - sideY / 2 + sideY};
    clockRadius_ = std::max<int32_t>((sideX - TickWidth()) / 2, 0);
    if (autoSize_) ResizeFont(rect);
    imageValid_ = false;
}

void TrxClock::ResizeFont(const TRect& rect) {
    const int32_t h = rect.Height() - 4;
    if (h <= 0 || rect.Width() < 8 || resizingFont_) return;
    TFont probe = Font();
    probe.SetHeight(1000);
    const int w8 = QFontMetrics(ToQFont(probe)).horizontalAdvance(QLatin1Char('8'));
    if (w8 <= 0) return;
    const int64_t byWidth = int64_t(1000) * rect.Width() / (int64_t(8) * w8);
    const int64_t height = std::min<int64_t>(int64_t(h) * 4 / 5, byWidth);
    if (height <= 0 || height == Font().Height()) return;
    resizingFont_ = true;
    Font().SetHeight(int32_t(std::min<int64_t>(height, 100000)));
    resizingFont_ = false;
}

// ---- painting ----

TPoint TrxClock::Offset(int i, int pct) const {
    const TPoint& p = hands_->P[size_t(((i % 60) + 60) % 60)];
    const int64_t scale = int64_t(clockRadius_) * pct;
    return TPoint{int32_t(int64_t(p.X) * scale / 800000), int32_t(int64_t(p.Y) * scale / 800000)};
}

TPoint TrxClock::HandPoint(int i, int pct) const {
    const TPoint o = Offset(i, pct);
    return TPoint{clockCenter_.X + o.X, clockCenter_.Y + o.Y};
}

void TrxClock::DrawHand(int i, int sidePct, int tipPct, int tailPct) {
    TCanvas& c = Canvas();
    const TPoint side = Offset(i + 15, sidePct);
    const TPoint tip = HandPoint(i, tipPct), tail = HandPoint(i + 30, tailPct);
    const TPoint a{clockCenter_.X + side.X, clockCenter_.Y + side.Y};
    const TPoint b{clockCenter_.X - side.X, clockCenter_.Y - side.Y};
    c.Pen.Mode = pmCopy;
    for (const TPoint& from : {a, b})
        for (const TPoint& to : {tip, tail}) {
            c.MoveTo(from.X, from.Y);
            c.LineTo(to.X, to.Y);
        }
}

void TrxClock::DrawSecondHand(int i) {
    TCanvas& c = Canvas();
    const TPenMode mode = c.Pen.Mode;
    c.Pen.Mode = pmNot;  // drawn again, it is gone
    const TPoint tip = HandPoint(i, 80);
    c.MoveTo(clockCenter_.X, clockCenter_.Y);
    c.LineTo(tip.X, tip.Y);
    c.Pen.Mode = mode;
}

void TrxClock::PaintAnalogClock(TPaintMode mode) {
    if (!hands_) return;
    TCanvas& c = Canvas();
    const TColor ink = Font().Color(), back = GetColor();
    int h, m, s;
    CurrentTime(h, m, s);
    if (mode == pmPaintAll || lastSecond_ < 0) {
        c.Brush.Style = bsSolid;
        c.Brush.Color = back;
        c.FillRect(clockRect_);
        const int32_t tick = TickWidth();
        double xdpi, ydpi;
        ScreenDpi(xdpi, ydpi);
        const int32_t tickH = std::max<int32_t>(int32_t(tick * std::clamp(ScreenAspect(xdpi, ydpi), 1.0 / 16, 16.0)), 1);
        c.Brush.Color = ink;
        for (int i = 0; i < 60; ++i) {
            const TPoint p = HandPoint(i, 100);
            if (i % 5 == 0) c.FillRect(TRect{p.X - tick / 2, p.Y - tickH / 2, p.X - tick / 2 + tick, p.Y - tickH / 2 + tickH});
            else if (tick > 2 && tickH > 1) c.SetPixel(p.X, p.Y, ink);
        }
        c.Pen.Color = ink;
        DrawHand(HourHandPoint(h, m), 7, 65, 15);
        DrawHand(m, 5, 80, 20);
        DrawSecondHand(s);
    } else {
        const bool handsMoved = h != lastHour_ || m != lastMinute_;
        const bool secondMoved = handsMoved || s != lastSecond_;
        // The old second hand goes first, so that nothing is drawn over it.
        if (secondMoved) DrawSecondHand(lastSecond_);
        if (handsMoved) {
            c.Pen.Color = back;
            DrawHand(HourHandPoint(lastHour_, lastMinute_), 7, 65, 15);
            DrawHand(lastMinute_, 5, 80, 20);
            c.Pen.Color = ink;
            DrawHand(HourHandPoint(h, m), 7, 65, 15);
            DrawHand(m, 5, 80, 20);
        }
        if (secondMoved) DrawSecondHand(s);
    }
    lastHour_ = h, lastMinute_ = m, lastSecond_ = s;
}

void TrxClock::PaintTimeStr(TRect& rect, bool fullRepaint) {
    TCanvas& c = Canvas();
    int h, m, s;
    CurrentTime(h, m, s);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", h % 100, m % 100, s % 100);
    c.Font = Font();
    const int32_t cw = c.TextWidth("8"), ch = c.TextHeight(text);
    const int32_t x0 = rect.Left + (rect.Width() - 8 * cw) / 2, y0 = rect.Top + (rect.Height() - ch) / 2;
    for (int i = 0; i < 8; ++i) {
        bool paint = fullRepaint || lastSecond_ < 0;
        if (i < 2) paint |= h != lastHour_;
        else if (i > 2 && i < 5) paint |= m != lastMinute_;
        else if (i > 5) paint |= s != lastSecond_;
        if (!paint) continue;
        TRect cell{x0 + i * cw, y0, x0 + (i + 1) * cw, y0 + ch};
        c.Brush.Style = bsSolid;
        c.Brush.Color = GetColor();
        c.FillRect(cell);
        c.Brush.Style = bsClear;
        DrawText(c, std::string(1, text[i]), cell, DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    lastHour_ = h, lastMinute_ = m, lastSecond_ = s;
}

void TrxClock::Paint3DFrame(TRect& r) {
    PaintBorder();
    r = ClientRect();
    PaintBevels(r);
}

void TrxClock::Paint() {
    TCanvas& c = Canvas();
    TRect r;
    Paint3DFrame(r);
    c.Brush.Style = bsSolid;
    c.Brush.Color = GetColor();
    c.FillRect(r);
    c.Font = Font();
    c.Pen.Color = Font().Color();
    if (showMode_ == scAnalog && hands_) PaintAnalogClock(pmPaintAll);
    else PaintTimeStr(r, true);
}

void TrxClock::EnsureSurface() {
    if (image_.size() != size()) {
        image_ = QImage(size(), QImage::Format_RGB32);
        imageValid_ = false;
        RequestAlign(this);
    }
    if (imageValid_ || image_.isNull()) return;
    Canvas().Attach(&image_);
    Paint();
    Canvas().Detach();
    imageValid_ = true;
}

void TrxClock::TimerExpired() {
    const bool wasValid = imageValid_ && image_.size() == size();
    EnsureSurface();
    if (wasValid && !image_.isNull()) {
        TCanvas& c = Canvas();
        c.Attach(&image_);
        c.Brush.Color = GetColor();
        c.Font = Font();
        c.Pen.Color = Font().Color();
        if (showMode_ == scAnalog && hands_) {
            PaintAnalogClock(pmHandPaint);
        } else {
            TRect r = ClientRect();
            AdjustClientRect(r);
            PaintTimeStr(r, false);
        }
        c.Detach();
    }
    update();
    const TDateTime now = GetTimerSource().Now();
    ArmPastMidnight(MsOfDay(now));
    if (alarmEnabled_ && IsAlarmTime(now)) {
        alarmWait_ = false;
        Alarm();
    } else {
        ResetAlarm();
    }
}

void TrxClock::paintEvent(QPaintEvent*) {
    EnsureSurface();
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

void TrxClock::resizeEvent(QResizeEvent* event) {
    TCustomPanel::resizeEvent(event);
    RequestAlign(this);
    Invalidate();
}

void TrxClock::changeEvent(QEvent* event) {
    TCustomPanel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange ||
        event->type() == QEvent::ParentChange)
        Invalidate();
}

}  // namespace velt
