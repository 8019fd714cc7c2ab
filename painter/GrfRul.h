#pragma once
// Rulers: a panel that is at once a scroll bar over a world range and a
// measuring scale bound to a drawing surface. Min..Max is the range,
// MinV..MaxV the visible window; buttons and pages scroll with repeat,
// the thumb drags, its ends zoom.

#include <QCursor>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "graphics/GrfUtils.h"
#include "platform/ui/Controls.h"
#include "platform/ui/MouseTypes.h"
#include "platform/ui/TimerSource.h"
#include "treeview/GeneralNode.h"

namespace velt {

class TGraphPaint;
class TRullers;
class TGraphRuller;

namespace rullers {
Q_NAMESPACE
enum TRullerKind : uint8_t { rkHorz, rkVert };
Q_ENUM_NS(TRullerKind)
}  // namespace rullers
using rullers::TRullerKind;
using rullers::rkHorz;
using rullers::rkVert;
enum TScrollMode : uint8_t { smNone, smBtnUp, smBtnDown, smPageUp, smPageDown, smTrack, smMin, smMax, smCustom };

class TCustomRuller : public TCustomPanel {
    Q_OBJECT
    Q_PROPERTY(bool Tracking MEMBER Tracking)
    Q_PROPERTY(velt::rullers::TRullerKind Kind READ Kind WRITE SetKind)
    Q_PROPERTY(float Min READ Min WRITE SetMin)
    Q_PROPERTY(float Max READ Max WRITE SetMax)
    Q_PROPERTY(float MinV READ MinV WRITE SetMinV)
    Q_PROPERTY(float MaxV READ MaxV WRITE SetMaxV)
    Q_PROPERTY(bool StdDraw READ StdDraw WRITE SetStdDraw)
    Q_PROPERTY(bool NoScaleBox MEMBER NoScaleBox)

public:
    explicit TCustomRuller(QWidget* parent = nullptr);
    ~TCustomRuller() override;

    TScrollMode Mode() const { return mode_; }
    bool Tracking = false;
    TRullerKind Kind() const { return kind_; }
    // A kind other than rkHorz and rkVert is refused.
    void SetKind(TRullerKind k);
    float Min() const { return min_; }
    float Max() const { return max_; }
    float MinV() const { return minV_; }
    float MaxV() const { return maxV_; }
    // A value that is no finite number is refused.
    void SetMin(float v);
    void SetMax(float v);
    void SetMinV(float v);
    void SetMaxV(float v);
    std::function<void(TCustomRuller*)> OnChanged;
    std::function<void(TCustomRuller*, TScrollMode)> OnScroll;
    // Width for a horizontal ruler, Height for a vertical one.
    int32_t Length() const { return kind_ == rkHorz ? width() : height(); }
    bool StdDraw() const { return stdDraw_; }
    void SetStdDraw(bool on);
    TTimer* RepeatTimer() const { return repeatTimer_.get(); }
    bool Dragging() const { return dragging_; }
    bool NoScaleBox = false;
    bool Modified() const { return modified_; }
    bool ChangedFlag() const { return changedFlag_; }
    int32_t StartOfs() const { return startOfs_; }
    int32_t EndOfs() const { return endOfs_; }
    bool Visible() const { return !isHidden(); }

    std::function<void(TCustomRuller*, const TDragSource&, int, int)> OnDragDrop;
    std::function<void(TCustomRuller*, const TDragSource&, int, int, TDragState, bool&)> OnDragOver;
    std::function<void(TCustomRuller*, QObject*, int, int)> OnEndDrag;

    int32_t ScrollWidth() const { return kind_ == rkHorz ? height() : width(); }
    int32_t BtnSize() const;
    int32_t ActLen() const { return Length() - 2 * BtnSize(); }
    double ScrollMst() const;
    TRect WorkRect() const;
    TRect VisRect() const;
    TRect BtnRect(bool up) const;
    TScrollMode GetMode(TPoint p);
    virtual void Scroll(TScrollMode mode);
    virtual void Changed();
    virtual QCursor QueryCursor(TPoint p);
    virtual void PaintScroll();
    void Loaded() override;
    // One repeat step of the pressed button or page.
    void RepeatStep();

protected:
    void Paint() override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    virtual void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    virtual void MouseMove(TShiftState shift, int32_t x, int32_t y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    virtual void Resize();
    bool ButtonPressed(bool up) const;
    // OnDragOver's answer for a drag at p; false without a handler.
    bool DragOverAt(QDropEvent* e, TDragState state);
    TPoint lastMouse_;

    TScrollMode mode_ = smNone;

private:
    void Drag(int32_t along);
    TRullerKind kind_ = rkHorz;
    float min_ = 0, max_ = 100, minV_ = 0, maxV_ = 10;
    bool stdDraw_ = false;
    std::unique_ptr<TTimer> repeatTimer_;
    bool dragging_ = false;
    bool modified_ = false;
    bool changedFlag_ = false;
    int32_t startOfs_ = 0, endOfs_ = 0;
};

class TGraphRuller : public TCustomRuller {
    Q_OBJECT
    Q_PROPERTY(bool ShowCoord READ ShowCoord WRITE SetShowCoord)
    Q_PROPERTY(bool AllCoord READ AllCoord WRITE SetAllCoord)

public:
    explicit TGraphRuller(QWidget* parent = nullptr);

    int32_t CursorPos() const { return cursorPos_; }
    bool ShowCoord() const { return showCoord_; }
    void SetShowCoord(bool on);
    bool AllCoord() const { return allCoord_; }
    void SetAllCoord(bool on);
    TGraphPaint* Painter() const { return painter_; }
    // The surface's ruler settings this ruler is bound through, or null.
    TRullers* Link() const { return link_; }
    bool InfoShown() const { return infoShown_; }
    void SetInfoShown(bool on);
    void SetPainterLink(TRullers* link, TGraphPaint* painter);

    void Scroll(TScrollMode mode) override;
    QCursor QueryCursor(TPoint p) override;
    void PaintScroll() override;
    void PaintCoord();
    // Moves the mark to the surface's last mouse point; repaints the old
    // and new mark and the info area.
    void PaintCurCursor(bool full);
    void PaintCoordVal();
    void CMResized();
    void BoxSetAllCoord(bool on);
    TRect BtnPanelRect() const;
    TRect InfoPanelRect() const;
    // The mark's box at a position along the axis.
    TRect MarkRect(int32_t pos) const;
    // Where the surface's world value v lies on this ruler.
    int32_t PosOf(float v) const;
    // The cells of the labels the last paint of the scale drew.
    const std::vector<TRect>& LabelBoxes() const { return labelBoxes_; }

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
    void Resize() override;

private:
    void PaintMark();
    int32_t cursorPos_ = -5;
    bool showCoord_ = true;
    bool allCoord_ = false;
    QPointer<TGraphPaint> painter_;
    TRullers* link_ = nullptr;
    bool infoShown_ = false;
    std::vector<TRect> labelBoxes_;
};

// The spacing of the scale's ticks: the surface's step when enabled (else
// 0, and below 0.001 it is 1) grown or shrunk by 5 to lie over 6 and at most
// 30 pixels at scale pixels a unit, and never below an enabled step. 0 when
// no finite spacing exists.
double RullerTickStep(double step, bool stepEnabled, double scale);

// The cursor of a ruler part (9 modes by 2 kinds); the arrow for none.
QCursor RullerCursor(TScrollMode mode, TRullerKind kind);
// Frees the cursors (PainterShutdown).
void FreeRullerCursors();

}  // namespace velt
