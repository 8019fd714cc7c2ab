#pragma once
// Three small controls of the "RX" palette page: a splitter bar that the
// user drags to resize the aligned control beside it, a label that draws
// its caption with a coloured shadow, and a clock that shows the time as
// digits or on a dial, with an alarm.
//
// Make them with their Create (it runs Loaded once they are set up); with a
// parent, hand the pointer over to Qt's ownership (release it).

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "foundation/DateUtils.h"
#include "platform/ui/Controls.h"
#include "platform/ui/TimerSource.h"

class QShortcut;

namespace velt {
namespace rx {
Q_NAMESPACE

enum TSplitterStyle : uint8_t { spUnknown, spHorizontalFirst, spHorizontalSecond, spVerticalFirst, spVerticalSecond };
Q_ENUM_NS(TSplitterStyle)
enum TInverseMode : uint8_t { imNew, imClear, imMove };
Q_ENUM_NS(TInverseMode)
enum TShadowPosition : uint8_t { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
Q_ENUM_NS(TShadowPosition)
enum TShowClock : uint8_t { scDigital, scAnalog };
Q_ENUM_NS(TShowClock)
enum TPaintMode : uint8_t { pmPaintAll, pmHandPaint };
Q_ENUM_NS(TPaintMode)

}  // namespace rx

using rx::TSplitterStyle;
using rx::spUnknown;
using rx::spHorizontalFirst;
using rx::spHorizontalSecond;
using rx::spVerticalFirst;
using rx::spVerticalSecond;
using rx::TInverseMode;
using rx::imNew;
using rx::imClear;
using rx::imMove;
using rx::TShadowPosition;
using rx::spLeftTop;
using rx::spLeftBottom;
using rx::spRightBottom;
using rx::spRightTop;
using rx::TShowClock;
using rx::scDigital;
using rx::scAnalog;
using rx::TPaintMode;
using rx::pmPaintAll;
using rx::pmHandPaint;

// ---- splitter ---------------------------------------------------------------------------

// A bar between ControlFirst and ControlSecond (siblings of the splitter):
// dragging it with the left button resizes the one of them that is
// aligned to a side, as the splitter itself is. While it drags, an
// inverted 2-pixel line follows the mouse within the limits; a point held
// at a limit shows the no-drop cursor.
class TrxSplitter : public TCustomPanel {
    Q_OBJECT
    Q_PROPERTY(QWidget* ControlFirst READ GetControlFirst WRITE SetControlFirst)
    Q_PROPERTY(QWidget* ControlSecond READ GetControlSecond WRITE SetControlSecond)
    Q_PROPERTY(int LimitOffset READ GetLimitOffset WRITE SetLimitOffset)
    Q_PROPERTY(int Cursor READ GetCursorCode)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool Visible READ isVisible WRITE setVisible)

public:
    // 185 x 3, no inner bevel, the outer one raised, not aligned.
    static std::unique_ptr<TrxSplitter> Create(QWidget* parent = nullptr);
    void Loaded() override;

    // Referenced, not owned; a control that goes reads as none. The
    // splitter itself is none.
    QWidget* GetControlFirst() const { return controlFirst_; }
    void SetControlFirst(QWidget* value);
    QWidget* GetControlSecond() const { return controlSecond_; }
    void SetControlSecond(QWidget* value);
    int GetLimitOffset() const { return limitOffset_; }
    // 0..32767; else ERangeError.
    void SetLimitOffset(int value);

    // How the controls and the splitter stand; spUnknown unless both
    // controls share the splitter's parent and the splitter is aligned as
    // the control it resizes.
    TSplitterStyle GetStyle() const;
    // The split cursor across the moving axis; the arrow for spUnknown.
    Qt::CursorShape GetCursor() const;
    // The cursor shown, as the platform numbers it: -15 vertical split,
    // -14 horizontal split, -13 no drop, 0 the default.
    int GetCursorCode() const;
    // The cursor from the style.
    void UpdateState();
    // A bar not yet aligned to a side takes 3 pixels across it.
    void SetAlign(TAlign value) override;
    bool Dragging() const { return active_; }

    TNotifyEvent OnPosChanged;

protected:
    explicit TrxSplitter(QWidget* parent);
    // OnPosChanged.
    virtual void Changed();

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QWidget* Resized() const;
    bool Horizontal() const { return style_ == spHorizontalFirst || style_ == spHorizontalSecond; }
    TPoint Clamped(const QPoint& p) const;
    // The inverted line at p (splitter coordinates) in the given way.
    void DrawLine(TInverseMode mode, const TPoint& p);
    void Watch(QPointer<QWidget>& slot, QMetaObject::Connection& connection, QWidget* value);

    QPointer<QWidget> controlFirst_, controlSecond_;
    QMetaObject::Connection firstGone_, secondGone_;
    bool active_ = false;
    TSplitterStyle style_ = spUnknown;
    // The line last drawn, on the screen: its corners.
    TPoint lineOrg_, lineEnd_;
    bool lineShown_ = false;
    bool noDrop_ = false;
    TRect limits_;
    int limitOffset_ = 2;
};

// ---- label ----------------------------------------------------------------------------------

// A label whose caption (at most 255 characters) is drawn twice: first
// ShadowSize pixels off in ShadowColor, then in the font's colour (grey
// text when disabled). "&" marks the accelerator unless ShowAccelChar is
// off; the accelerator gives FocusControl the focus.
class TrxLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(velt::controls::TAlign Align READ GetAlign WRITE SetAlign)
    Q_PROPERTY(velt::controls::TAlignment Alignment READ GetAlignment WRITE SetAlignment)
    Q_PROPERTY(bool AutoSize READ GetAutoSize WRITE SetAutoSize)
    Q_PROPERTY(QString Caption READ GetCaptionQ WRITE SetCaptionQ)
    Q_PROPERTY(int Color READ GetColor WRITE SetColor)
    Q_PROPERTY(QWidget* FocusControl READ GetFocusControl WRITE SetFocusControl)
    Q_PROPERTY(bool ParentColor READ GetParentColor WRITE SetParentColor)
    Q_PROPERTY(bool ParentFont READ GetParentFont WRITE SetParentFont)
    Q_PROPERTY(int ShadowColor READ GetShadowColor WRITE SetShadowColor)
    Q_PROPERTY(int ShadowSize READ GetShadowSize WRITE SetShadowSize)
    Q_PROPERTY(velt::rx::TShadowPosition ShadowPos READ GetShadowPos WRITE SetShadowPos)
    Q_PROPERTY(bool ShowAccelChar READ GetShowAccelChar WRITE SetShowAccelChar)
    Q_PROPERTY(bool Transparent READ GetTransparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ GetWordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool Visible READ isVisible WRITE setVisible)

public:
    // 65 x 17 before Loaded sizes it to its caption.
    static std::unique_ptr<TrxLabel> Create(QWidget* parent = nullptr);
    ~TrxLabel() override;
    virtual void Loaded();
    bool IsLoading() const { return loading_; }

    virtual TAlign GetAlign() const { return velt::GetAlign(this); }
    virtual void SetAlign(TAlign value) {
        if (value <= TAlign::alClient) StoreAlign(this, value);
    }
    TAlignment GetAlignment() const { return alignment_; }
    // Enumeration setters ignore values outside their enumeration.
    void SetAlignment(TAlignment value);
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    const std::string& GetCaption() const { return caption_; }
    void SetCaption(const std::string& value);
    // With ParentColor, the parent's colour; setting one clears it.
    TColor GetColor() const;
    void SetColor(TColor value);
    bool GetParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    // Kept without effect: the label's font is its own.
    bool GetParentFont() const { return parentFont_; }
    void SetParentFont(bool value) { parentFont_ = value; }
    QWidget* GetFocusControl() const { return focusControl_; }
    void SetFocusControl(QWidget* value) { focusControl_ = value == this ? nullptr : value; }
    TColor GetShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor value);
    int GetShadowSize() const { return shadowSize_; }
    // 0..255; else ERangeError.
    void SetShadowSize(int value);
    TShadowPosition GetShadowPos() const { return shadowPos_; }
    void SetShadowPos(TShadowPosition value);
    bool GetShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    // Not filled with Color: the parent shows through.
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    TFont& Font() { return font_; }

    // Draws the caption and its shadow in rect, which becomes the union
    // of the two; with DT_CALCRECT only measures.
    void DoDrawText(TCanvas& canvas, TRect& rect, uint32_t flags);
    // With AutoSize: the size of the caption and its shadow, measured on
    // the screen; a right-aligned label keeps its right edge.
    void AdjustBounds();
    // The caption as drawn: at most 255 code points.
    std::string GetLabelText() const;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;

protected:
    explicit TrxLabel(QWidget* parent);
    virtual void Paint(TCanvas& canvas);
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void UpdateShortcut();
    void Accelerated();
    QString GetCaptionQ() const { return QString::fromStdString(caption_); }
    void SetCaptionQ(const QString& v) { SetCaption(v.toStdString()); }

    QPointer<QWidget> focusControl_;
    TAlignment alignment_ = taLeftJustify;
    bool autoSize_ = true;
    TColor shadowColor_ = clBtnHighlight;
    uint8_t shadowSize_ = 1;
    TShadowPosition shadowPos_ = spLeftTop;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    bool transparent_ = false;
    std::string caption_;
    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    bool parentFont_ = true;
    bool loading_ = true;
    TFont font_;
    QShortcut* shortcut_ = nullptr;  // a child: Qt owns it
};

// ---- clock ----------------------------------------------------------------------------------

// The 60 hand points: point i at i x 6 degrees clockwise from twelve
// o'clock on a circle of radius 8000, Y scaled so that the dial is round
// on the screen (32 bits: a scaled Y may pass 16).
struct THandTable {
    std::array<TPoint, 60> P;
};
// The table from its resource bytes: exactly 240 (60 signed 16-bit
// little-endian X, Y pairs), else none. Y is multiplied by
// ydpi / xdpi; a ratio that is unknown (0, negative, not finite) is 1.
std::shared_ptr<const THandTable> LoadHandTable(const QByteArray& bytes, double xdpi, double ydpi);
// Where clocks load the table from (":/velt/PCLOCK"); the table is read
// once and shared while any clock holds it.
void SetHandTableResource(const QString& path);
QString HandTableResource();

// A panel showing the time of the timer source's clock, "HH:MM:SS" or on
// a dial (when the hand table loaded), refreshed every 450 ms. With the
// alarm enabled, OnAlarm runs once when the time of day reaches AlarmTime,
// and again on the next day.
class TrxClock : public TCustomPanel {
    Q_OBJECT
    Q_PROPERTY(bool AlarmEnabled READ GetAlarmEnabled WRITE SetAlarmEnabled)
    Q_PROPERTY(int AlarmHour READ GetAlarmHour WRITE SetAlarmHour)
    Q_PROPERTY(int AlarmMinute READ GetAlarmMinute WRITE SetAlarmMinute)
    Q_PROPERTY(int AlarmSecond READ GetAlarmSecond WRITE SetAlarmSecond)
    Q_PROPERTY(bool AutoSize READ GetAutoSize WRITE SetAutoSize)
    Q_PROPERTY(velt::rx::TShowClock ShowMode READ GetShowMode WRITE SetShowMode)
    Q_PROPERTY(bool ParentFont READ GetParentFont WRITE SetParentFont)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool Visible READ isVisible WRITE setVisible)

public:
    static std::unique_ptr<TrxClock> Create(QWidget* parent = nullptr);
    ~TrxClock() override;
    void Loaded() override;

    bool GetAlarmEnabled() const { return alarmEnabled_; }
    void SetAlarmEnabled(bool value) { alarmEnabled_ = value; }
    // Its time of day only.
    TDateTime GetAlarmTime() const { return alarm_; }
    void SetAlarmTime(TDateTime value);
    // 1 hour, 2 minute, 3 second of AlarmTime. A value outside the
    // clock's range raises EConvertError "'24:00:00' is not a valid time"
    // (the time it would make) and keeps the alarm.
    int GetAlarmElement(int index) const;
    void SetAlarmElement(int index, int value);
    int GetAlarmHour() const { return GetAlarmElement(1); }
    void SetAlarmHour(int v) { SetAlarmElement(1, v); }
    int GetAlarmMinute() const { return GetAlarmElement(2); }
    void SetAlarmMinute(int v) { SetAlarmElement(2, v); }
    int GetAlarmSecond() const { return GetAlarmElement(3); }
    void SetAlarmSecond(int v) { SetAlarmElement(3, v); }
    bool GetAutoSize() const { return autoSize_; }
    // The font follows the size.
    void SetAutoSize(bool value);
    TShowClock GetShowMode() const { return showMode_; }
    // scAnalog is refused without the hand table.
    void SetShowMode(TShowClock value);
    bool HandsLoaded() const { return hands_ != nullptr; }
    // Kept without effect: the clock's font is its own.
    bool GetParentFont() const { return parentFont_; }
    void SetParentFont(bool value) { parentFont_ = value; }

    // Armed while the time of day is before AlarmTime; a look past
    // midnight arms an alarm that fell due since (00:00:00 included).
    void ResetAlarm();
    bool AlarmArmed() const { return alarmWait_; }
    // Armed, at the alarm's hour and minute, at or past its second.
    bool IsAlarmTime(TDateTime time) const;
    // The hour hand's point: (hour mod 12) x 5 + minute div 12.
    static int HourHandPoint(int hour, int minute) { return (hour % 12) * 5 + minute / 12; }

    // Font height for the rectangle: the smaller of 4/5 of its height less
    // 4 and the height at which "8" is an eighth of its width; nothing
    // for a rectangle too small or a font without an "8".
    void ResizeFont(const TRect& rect);
    void AlignControls(const QRect& r) override;
    // The dial of the last alignment: its square, radius and centre.
    TRect ClockRect() const { return clockRect_; }
    int32_t ClockRadius() const { return clockRadius_; }
    TPoint ClockCenter() const { return clockCenter_; }
    // Its own surface, what the widget shows.
    QImage& Surface() { return image_; }
    // The refresh the timer runs: the changed hands or digits on the
    // surface, then the alarm.
    void TimerExpired();
    void Invalidate() override;

    TNotifyEvent OnAlarm;

protected:
    explicit TrxClock(QWidget* parent);
    void PaintAnalogClock(TPaintMode mode);
    void PaintTimeStr(TRect& rect, bool fullRepaint);
    // The border and bevels; r ends inside them.
    void Paint3DFrame(TRect& r);
    void Paint() override;
    // OnAlarm.
    virtual void Alarm();
    void FontChanged() override;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The surface sized to the widget and fully painted.
    void EnsureSurface();
    // Point i scaled to pct % of the radius, from the centre.
    TPoint HandPoint(int i, int pct) const;
    TPoint Offset(int i, int pct) const;
    void DrawHand(int i, int sidePct, int tipPct, int tailPct);
    void DrawSecondHand(int i);
    int32_t TickWidth() const;
    void CurrentTime(int& h, int& m, int& s) const;
    void ArmPastMidnight(int64_t nowMs);

    std::unique_ptr<TTimer> timer_;
    bool autoSize_ = false;
    TShowClock showMode_ = scDigital;
    TDateTime alarm_ = 0;
    bool alarmEnabled_ = false;
    bool alarmWait_ = false;
    // The time of day (ms) the alarm was last judged at.
    int64_t lastMs_ = 0;
    std::shared_ptr<const THandTable> hands_;
    // Per clock: the dial and the time last painted.
    TRect clockRect_;
    int32_t clockRadius_ = 0;
    TPoint clockCenter_;
    int lastHour_ = -1, lastMinute_ = -1, lastSecond_ = -1;
    QImage image_;
    bool imageValid_ = false;
    bool resizingFont_ = false;
    bool parentFont_ = true;
};

}  // namespace velt
