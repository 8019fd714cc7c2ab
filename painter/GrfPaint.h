#pragma once
// The world-coordinate drawing surface: a widget that paints into its own
// image through a TCanvas, in world units of Single scaled by Mst pixels a
// unit about an integer origin, with snapping, dot and line grids, rulers,
// auto-scroll, batched invalidation and the drawing operations of the
// painter (pens, brushes, fonts honouring the draw mode; primitives through
// the current matrix; markers, styled lines, TrueType and stroked text).

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "graphics/GRFCtrl.h"
#include "graphics/GrfUtils.h"
#include "painter/Grfont.h"
#include "painter/PainterTypes.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/MouseTypes.h"
#include "platform/ui/TimerSource.h"

namespace velt {

class TGraphPaint;
class TGraphRuller;
class TGraphic;

using TRealMouseEvent = std::function<void(TGraphPaint* Sender, TMouseButton Button, TShiftState Shift, float X, float Y)>;
using TRealMouseMoveEvent = std::function<void(TGraphPaint* Sender, TShiftState Shift, float X, float Y)>;
using TPaintNotify = std::function<void(TGraphPaint* Sender)>;

class TPainterObject {
public:
    explicit TPainterObject(TGraphPaint* owner) : Owner(owner) {}
    virtual ~TPainterObject() = default;
    TGraphPaint* Owner;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on) { enabled_ = on; }

private:
    bool enabled_ = false;
};

class TStep : public TPainterObject {
public:
    using TPainterObject::TPainterObject;
    float Value() const { return value_; }
    void SetValue(float v) { value_ = v; }
    // Enabled with a positive finite value.
    bool Active() const;

protected:
    float value_ = 10;
};

class TGrid : public TStep {
public:
    explicit TGrid(TGraphPaint* owner) : TStep(owner) { value_ = 20; }
    TColor Color() const { return color_; }
    void SetColor(TColor c) { color_ = c; }

private:
    TColor color_ = 0xC0C0C0;
};

class TRullers : public TPainterObject {
public:
    using TPainterObject::TPainterObject;
    TGraphRuller* Horz() const;
    TGraphRuller* Vert() const;
    // Files r by its Kind and binds it, taking it from the surface it
    // served before; a ruler it replaces is unbound. Null does nothing here
    // (use SetHorz / SetVert).
    void SetRuller(TGraphRuller* r);
    // Null unbinds the ruler filed there: it no longer scrolls the surface.
    void SetHorz(TGraphRuller* r);
    void SetVert(TGraphRuller* r);
    bool Visible() const;
    void SetVisible(bool on);
    bool ShowCoord() const;
    void SetShowCoord(bool on);
    void SetWorkArea(const TSRect& r);
    TSRect GetWorkArea() const;
    void RulChanged(TGraphRuller* r);
    void UpdatePainter(TGraphRuller* r);

private:
    void Bind(TGraphRuller* r);
    void Unbind(TGraphRuller* r);
    void Forget(TGraphRuller* r);
    QPointer<TGraphRuller> horz_, vert_;
};

class TGraphPaint : public QWidget {
    Q_OBJECT
    Q_PROPERTY(float Mst READ Mst WRITE SetMst)
    Q_PROPERTY(bool AutoPaint MEMBER AutoPaint)
    Q_PROPERTY(velt::TGraphPaint::TMeasureEnum MeasureType READ MeasureTypeEnum WRITE SetMeasureTypeEnum)
    Q_PROPERTY(velt::TGraphPaint::TMeasureEnum MeasureShow READ MeasureShowEnum WRITE SetMeasureShowEnum)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(bool StandartScale MEMBER StandartScale)
    Q_PROPERTY(int MinTextTT READ GetMinTextTT WRITE SetMinTextTT)
    Q_PROPERTY(bool AutoScroll MEMBER AutoScroll)

public:
    // TMeasureType as the meta-object knows it: the same values and names.
    enum class TMeasureEnum : uint8_t { mtPoint, mtMMt, mtCMt, mtMt, mtKM, mtInch };
    Q_ENUM(TMeasureEnum)

    explicit TGraphPaint(QWidget* parent = nullptr);
    ~TGraphPaint() override;

    // ---- settings ----
    float Mst() const { return mst_; }
    void SetMst(float m);
    int32_t OrgX() const { return orgX_; }
    int32_t OrgY() const { return orgY_; }
    bool AutoPaint = true;
    TMeasureType MeasureType() const { return measureType_; }
    TMeasureType MeasureShow() const { return measureShow_; }
    // False, the old value kept, outside the measure table.
    bool SetMeasureType(int v);
    bool SetMeasureShow(int v);
    TMeasureEnum MeasureTypeEnum() const { return TMeasureEnum(measureType_); }
    TMeasureEnum MeasureShowEnum() const { return TMeasureEnum(measureShow_); }
    void SetMeasureTypeEnum(TMeasureEnum v) { SetMeasureType(int(v)); }
    void SetMeasureShowEnum(TMeasureEnum v) { SetMeasureShow(int(v)); }
    TColor Color() const { return color_; }
    TColor ColorRGB() const { return colorRGB_; }
    void SetColor(TColor c);
    TStep& Step() { return *step_; }
    TGrid& Grid() { return *grid_; }
    TGrid& GridLn() { return *gridLn_; }
    TRullers& Rullers() { return *rullers_; }
    bool StandartScale = true;
    int32_t TextSpasing() const { return textSpasing_; }
    bool TrueTypeFont() const { return trueTypeFont_; }
    int32_t MinTextTT = 10;
    int GetMinTextTT() const { return MinTextTT; }
    // 0 .. 2^27 pixels; other values keep the old one.
    void SetMinTextTT(int v);
    float TextPunkt() const { return textPunkt_; }
    bool Batching() const { return batching_; }
    bool AutoScroll = true;
    int32_t MatrDepth() const { return matrDepth_; }
    TShiftState LastShift() const { return lastShift_; }
    bool Painting() const { return painting_; }
    TDrawMode DrawMode() const { return drawMode_; }
    const TSPoint& LastPt() const { return lastPt_; }
    const TSPoint& RealPt() const { return realPt_; }
    const TSPoint& MoveDelta() const { return moveDelta_; }
    int BaseDepth() const { return int(baseStack_.size()); }
    T2DMatrix Matrix;

    TRealMouseEvent OnRealMouseDown, OnRealMouseUp, OnRealMouseDbl;
    TRealMouseMoveEvent OnRealMouseMove;
    TPaintNotify OnDeviceChange;
    TPaintNotify OnPaint;

    template <class T>
    T* CreatePO() {
        auto p = std::make_unique<T>(this);
        T* raw = p.get();
        poList_.push_back(std::move(p));
        return raw;
    }

    // ---- device ----
    virtual TCanvas& GetDeviceContext();
    TCanvas& Canvas() { return GetDeviceContext(); }
    const QImage& Image() const { return image_; }
    HPALETTE GetPalette() const { return PalHandle(); }
    QWidget* WinHandle() const { return parentWidget(); }

    // ---- conversion ----
    int32_t Cx(float x) const;
    int32_t Cy(float y) const;
    TPoint Convert(float x, float y) const { return TPoint{Cx(x), Cy(y)}; }
    TPoint ConvertPt(const TSPoint& p) const { return Convert(p.X, p.Y); }
    TRect ConvertRect(const TSRect& r) const;
    TSPoint ToDevice(int32_t x, int32_t y) const;
    TSRect ToDeviceRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const;
    TSRect ToDeviceStep(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    TSRect VisRect() const;
    TSPoint ScrToUnit(int32_t x, int32_t y);
    void ToStep(float& v) const;
    bool PtInAct(float x1, float y1, float x2, float y2) const;
    bool GridPtOver(const TSPoint& p1, const TSPoint& p2) const;
    void Un(float value, std::string& s, bool showUnit) const;

    // ---- view ----
    float NextStdMst(bool up, float m) const { return velt::NextStdMst(up, m); }
    void SetView(const TSPoint& worldPt, const TPoint& devPt, TSetViewOptions options, float newMst);
    void ShowPoint(const TSPoint& p);
    TSPoint GetViewPoint(TLookTypes look) const;
    void SetViewPoint(const TSPoint& p, TLookTypes look);
    void OfsetBase(float dx, float dy);
    void RestoreBase(TSPoint& offset);
    void SetupRullers();
    void ShiftWindow(int32_t dx, int32_t dy);
    void SaveToStream(TStream& s) const;
    void LoadFromStream(TStream& s);

    // ---- invalidation ----
    virtual void Invalidate();
    void InvalidateRect(const TSRect& r) { InvalidateRectEx(r, true); }
    void InvalidateRectEx(const TSRect& r, bool erase);
    void BeginInvalidate();
    void EndInvalidate();
    // Repaints what is dirty and shows it now.
    void Update();
    // The device region waiting to be repainted.
    QRegion DirtyRegion() const { return dirtyErase_.united(dirtyKeep_); }

    // ---- drawing ----
    void SetDrawMode(TDrawMode m);
    void DefPen(TPenStyle style, TColor color, float width);
    void DefBrush(TBrushStyle style, TColor color);
    void DefBrushEx(TBrushStyle style, TColor color, bool opaque, TColor bkColor);
    void DefFont(TColor color, TFontStyles style, const std::string& name);
    void SetTextSpasing(int32_t n);
    bool GetTextPunkt() const { return textPunkt_ < 1; }
    void SetTextPunkt(bool on);
    void MoveTo(float x, float y);
    void LineTo(float x, float y);
    void Line(float x1, float y1, float x2, float y2);
    void SetPixel(float x, float y, TColor color);
    void LineRel(float dx, float dy);
    void MoveRel(float dx, float dy);
    void Polyline(const TSPoint* points, int count);
    void Polygon(const TSPoint* points, int count);
    void PolylineEx(const TPoints& list);
    void PolygonEx(const TPoints& list);
    QRegion CreateRGNFromPoints(const TPoints& list);
    void Rectangle(float x1, float y1, float x2, float y2);
    void RectangleEx(const TSRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void RoundRectangle(float r, float x1, float y1, float x2, float y2);
    void Ellipse(float x1, float y1, float x2, float y2);
    void Arc(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4);
    void PaintRect(const TRect& r);
    void BitmapOut(const TGraphic& graphic, float x1, float y1, float x2, float y2);
    void GridPt(float x, float y);
    void GridPtEx(float x, float y, int kind, bool filled);
    void MidlGridPt(float x1, float y1, float x2, float y2);
    void DrawLine(TLineMarkerStyle marker, TPointerStyle beginPtr, TPointerStyle endPtr, TPoints& points, float size,
                  bool fill);
    void TextOut(float x, float y, float h, float angle, const std::string& text);
    void TextOutRect(const TSRect& r, const std::string& text, uint32_t flags, float h);
    float TextWidht(const std::string& text, float h);
    void SetClipRect(const TSRect& r);
    void SaveDC();
    void RestoreDC();
    void PushMatr();
    void PopMatr();
    // The shared device-point buffer's capacity, in points.
    static size_t PointBufferCapacity();

    // ---- overridables ----
    virtual void Paint();
    virtual void RealMouseDown(TMouseButton button, TShiftState shift, float x, float y);
    virtual void RealMouseDbl(TMouseButton button, TShiftState shift, float x, float y);
    virtual void RealMouseMove(TShiftState shift, float x, float y);
    virtual void RealMouseUp(TMouseButton button, TShiftState shift, float x, float y);
    virtual void DeviceChanged();
    virtual void BeforeShiftWindow() {}
    virtual void AfterShiftWindow() {}
    virtual void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    virtual void MouseMove(TShiftState shift, int32_t x, int32_t y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    void TimeToScroll();
    TTimer* ScrollTimer() const { return scrollTimer_.get(); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void PaintGrids(TCanvas& c);
    void RepaintDirty();
    void EnsureImage();
    void Dirty(const QRect& r, bool erase);
    void ScrollImage(int32_t dx, int32_t dy);
    // Points mapped through Matrix and converted into the shared buffer.
    std::span<const TPoint> MapPoints(const TSPoint* points, int count);
    std::span<const TPoint> MapPoints(const TPoints& list);
    void VectorText(float x, float y, float s, float angle, const std::string& text);

    float mst_ = 1;
    int32_t orgX_ = 0, orgY_ = 0;
    TMeasureType measureType_ = mtMMt, measureShow_ = mtMMt;
    TColor color_ = clWhite, colorRGB_ = clWhite;
    std::vector<std::unique_ptr<TPainterObject>> poList_;
    TStep* step_ = nullptr;
    TGrid* grid_ = nullptr;
    TGrid* gridLn_ = nullptr;
    TRullers* rullers_ = nullptr;
    int32_t textSpasing_ = 0;
    bool trueTypeFont_ = false;
    float textPunkt_ = 1;
    bool batching_ = false;
    std::unique_ptr<T2dMatrList> matrStack_;
    int32_t matrDepth_ = 0;
    std::unique_ptr<TTimer> scrollTimer_;
    TShiftState lastShift_ = 0;
    bool painting_ = false;
    std::optional<int64_t> lastClick_;  // none: never pressed
    TDrawMode drawMode_ = dmNone;
    std::unique_ptr<TInvalidRects> invRects_;
    std::vector<TPoint> baseStack_;  // whole pixels: a Single would round them
    TSPoint lastPt_, realPt_, moveDelta_;

    QImage image_;
    TCanvas canvas_;
    QRegion dirtyErase_, dirtyKeep_;
    bool captured_ = false;
    QPoint lastMouse_;
};

static_assert(int(TGraphPaint::TMeasureEnum::mtInch) == mtInch && int(TGraphPaint::TMeasureEnum::mtMMt) == mtMMt);

// Draws on a canvas handed in; CloseDevice does nothing.
class THandeledGraphPaint : public TGraphPaint {
public:
    explicit THandeledGraphPaint(TCanvas* device, QWidget* parent = nullptr) : TGraphPaint(parent), device_(device) {}
    TCanvas& GetDeviceContext() override { return *device_; }
    virtual void CloseDevice() {}

private:
    TCanvas* device_;
};

// The shared stroked font; null before PainterStartup.
TVectorFont* StandFont();

}  // namespace velt
