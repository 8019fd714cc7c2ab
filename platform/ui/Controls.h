#pragma once
// The control base of the windowed parts: alignment of child widgets to
// the sides of their parent, the 3-D frame, and the panel with bevels and
// a caption that the small controls build on.
//
// Alignment: any widget can be aligned (a dynamic property); its parent
// then places its aligned children as the platform does, in five passes:
// the top-aligned ones from the top down, the bottom-aligned from the
// bottom up, then left, right, and last the client-aligned ones in what is
// left. Within one pass the children keep the order of their positions
// (top-aligned by their top edge, bottom-aligned by their bottom edge from
// below, and so on), ties in the order of the children. Children with
// alNone and windows stay where they are. The parent's contentsRect is the
// area given out (a panel insets it by its border and bevels).
//
// The enumerations are registered with Qt's meta-object system, so the
// component group can set them by name ("alClient"). foundation/Types.h has
// an alNone of its own (an access level): write TAlign::alNone.

#include <QLayout>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <unordered_set>
#include <memory>
#include <string>

#include "platform/ui/Canvas.h"
#include "platform/ui/Colors.h"
#include "platform/ui/Font.h"
#include "platform/ui/GdiTypes.h"

namespace velt {
namespace controls {
Q_NAMESPACE

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
Q_ENUM_NS(TAlign)
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)
enum TPanelBevel : uint8_t { bvNone, bvLowered, bvRaised };
Q_ENUM_NS(TPanelBevel)
enum TBorderStyle : uint8_t { bsNone, bsSingle };
Q_ENUM_NS(TBorderStyle)

}  // namespace controls

using controls::TAlign;
using controls::alTop;
using controls::alBottom;
using controls::alLeft;
using controls::alRight;
using controls::alClient;
using controls::TAlignment;
using controls::taLeftJustify;
using controls::taRightJustify;
using controls::taCenter;
using controls::TPanelBevel;
using controls::bvNone;
using controls::bvLowered;
using controls::bvRaised;
using controls::TBorderStyle;
using controls::bsNone;
using controls::bsSingle;

// Events of the controls: the sender.
using TNotifyEvent = std::function<void(QObject* Sender)>;

// ---- alignment -------------------------------------------------------------------

// alNone for a widget never aligned.
TAlign GetAlign(const QWidget* control);
// Through the widget's own "Align" property when its class publishes one
// (so a control's own rules run), else StoreAlign.
void SetAlign(QWidget* control, TAlign value);
// Keeps the value and realigns the parent; a parent without a layout gets
// a TAlignLayout.
void StoreAlign(QWidget* control, TAlign value);
// Places the aligned children of parent now (after code resized one). Does
// nothing for a parent whose layout is another kind.
void RequestAlign(QWidget* parent);

// The parent's alignment rules as a layout. It holds no items: it places
// the parent's aligned child widgets, and realigns when one is added,
// removed, shown, hidden or resized.
class TAlignLayout : public QLayout {
public:
    explicit TAlignLayout(QWidget* parent);
    ~TAlignLayout() override;

    // Places the children in r at once.
    void PlaceChildren(const QRect& r);
    // Places them in the parent's contentsRect (through a panel's
    // AlignControls).
    void Realign();

    void setGeometry(const QRect& r) override;
    QSize sizeHint() const override { return QSize(0, 0); }
    QSize minimumSize() const override { return QSize(0, 0); }
    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int) const override { return nullptr; }
    QLayoutItem* takeAt(int) override { return nullptr; }
    int count() const override { return 0; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Watch(QObject* child);
    bool aligning_ = false;
    // The widget children watched (only these are aligned).
    std::unordered_set<QObject*> watched_;
};

// ---- 3-D frames --------------------------------------------------------------------

// width rings inside r, each one pixel inside the last: the top row and
// the left column in topColor, the bottom row and the right column in
// bottomColor (the top-right and bottom-left corners are bottomColor's).
// r shrinks by width on every side.
void Frame3D(TCanvas& canvas, TRect& r, TColor topColor, TColor bottomColor, int32_t width);

// ---- panel -----------------------------------------------------------------------------

// A panel: an optional single border, the outer bevel, BorderWidth pixels
// of its colour, the inner bevel, then its caption on its colour, centred
// vertically and aligned by Alignment. Raised: highlight above and left,
// shadow below and right; lowered the other way round. Its aligned
// children share what is inside the border, the bevels and BorderWidth.
//
// Made for the controls built on it (splitter, clock, ruler, hint line);
// a subclass paints by overriding Paint, drawing on Canvas().
class TCustomPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(velt::controls::TAlign Align READ GetAlign WRITE SetAlign)
    Q_PROPERTY(velt::controls::TPanelBevel BevelInner READ GetBevelInner WRITE SetBevelInner)
    Q_PROPERTY(velt::controls::TPanelBevel BevelOuter READ GetBevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ GetBevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(int BorderWidth READ GetBorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(velt::controls::TBorderStyle BorderStyle READ GetBorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(QString Caption READ GetCaptionQ WRITE SetCaptionQ)
    Q_PROPERTY(velt::controls::TAlignment Alignment READ GetAlignment WRITE SetAlignment)
    Q_PROPERTY(int Color READ GetColor WRITE SetColor)
    Q_PROPERTY(bool ParentColor READ GetParentColor WRITE SetParentColor)
    Q_PROPERTY(bool Ctl3D READ GetCtl3D WRITE SetCtl3D)
    Q_PROPERTY(bool ParentCtl3D READ GetParentCtl3D WRITE SetParentCtl3D)

public:
    explicit TCustomPanel(QWidget* parent = nullptr);
    ~TCustomPanel() override;
    // A panel with Loaded run.
    static std::unique_ptr<TCustomPanel> Create(QWidget* parent = nullptr);

    virtual TAlign GetAlign() const;
    virtual void SetAlign(TAlign value);
    TPanelBevel GetBevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel value);
    TPanelBevel GetBevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel value);
    // 1 or more; a smaller value raises ERangeError.
    int GetBevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    // 0 or more; a negative value raises ERangeError.
    int GetBorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    TBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    const std::string& GetCaption() const { return caption_; }
    void SetCaption(const std::string& value);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    // With ParentColor, the parent's Color (a panel's, else its palette's
    // window colour); setting a colour clears ParentColor.
    TColor GetColor() const;
    void SetColor(TColor value);
    bool GetParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    // The 3-D look is the only one here: kept, without effect.
    bool GetCtl3D() const { return ctl3D_; }
    void SetCtl3D(bool value) { ctl3D_ = value; }
    bool GetParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool value) { parentCtl3D_ = value; }

    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }

    // The widget less the single border.
    TRect ClientRect() const;
    // ClientRect less BorderWidth and the bevels that are not none: where
    // the aligned children go.
    void AdjustClientRect(TRect& r) const;

    // Until Loaded runs, setters keep values without their side effects
    // (the class's Create runs it once the control is set up).
    bool IsLoading() const { return loading_; }
    virtual void Loaded();

    // Invalidate = update() (a control painting on its own surface also
    // marks it stale), Update = repaint().
    virtual void Invalidate() { update(); }
    void Update() { repaint(); }

    // Places the aligned children in r (the layout calls it with the
    // contentsRect); a subclass that lays out more does it after this.
    virtual void AlignControls(const QRect& r);

    // The canvas Paint draws on.
    TCanvas& Canvas() { return canvas_; }

    std::function<void(QObject*)> OnClick;
    std::function<void(QObject*)> OnDblClick;
    std::function<void(QObject*)> OnResize;

protected:
    // Bevels, border, colour and caption, on Canvas().
    virtual void Paint();
    // The single border, when BorderStyle has one.
    void PaintBorder();
    // Draws the bevels and BorderWidth inside r and leaves r inside them.
    void PaintBevels(TRect& r);
    // A frame change: the aligned children follow the new client area, and
    // the panel repaints.
    void FrameChanged();
    // Runs on every change of Font once loaded (before, a change repaints).
    virtual void FontChanged();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    QString GetCaptionQ() const { return QString::fromStdString(caption_); }
    void SetCaptionQ(const QString& v) { SetCaption(v.toStdString()); }

private:
    // The contents margins from the border and bevels.
    void ApplyMargins();
    // Invalidate, or a plain repaint while loading.
    void Changed();

    TPanelBevel bevelInner_ = bvNone;
    TPanelBevel bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNone;
    std::string caption_;
    TAlignment alignment_ = taCenter;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    bool ctl3D_ = true;
    bool parentCtl3D_ = true;
    bool loading_ = true;
    TFont font_;
    TCanvas canvas_;
};

// The colour a control shows as its background: a panel's Color, else
// the palette's window colour.
TColor ControlColor(const QWidget* control);

}  // namespace velt
