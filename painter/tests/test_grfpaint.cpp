#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <cmath>

#include "foundation/Classes.h"
#include "foundation/SysUtils.h"
#include "painter/tests/SurfaceTestSupport.h"
#include "platform/ui/ExceptionReporter.h"
#include "platform/ui/TimerSource.h"

using namespace velt;
using velt::test::SurfaceTest;

using GraphPaintView = SurfaceTest;

TEST_F(GraphPaintView, ScaleStepUnitsAndMeasures) {
    box->SetMst(0);
    EXPECT_EQ(box->Mst(), 0.0005f);
    box->SetMst(0.3f);
    EXPECT_EQ(box->Mst(), 0.25f);
    box->StandartScale = false;
    box->SetMst(0.3f);
    EXPECT_EQ(box->Mst(), 0.3f);
    box->SetMst(NAN);
    EXPECT_EQ(box->Mst(), 0.3f);
    float v = 14.9f;
    box->ToStep(v);
    EXPECT_EQ(v, 10.0f);
    v = 15, box->ToStep(v);
    EXPECT_EQ(v, 20.0f);
    v = -15, box->ToStep(v);
    EXPECT_EQ(v, -20.0f);
    box->Step().SetValue(NAN);
    v = 14.9f, box->ToStep(v);
    EXPECT_EQ(v, 14.9f);
    std::string s;
    ASSERT_TRUE(box->SetMeasureShow(mtInch));
    box->Un(25, s, true);
    EXPECT_EQ(s, "1.\"");
    EXPECT_FALSE(box->SetMeasureType(-1));
    EXPECT_FALSE(box->SetMeasureShow(6));
    EXPECT_EQ(box->MeasureShow(), mtInch);
}

TEST_F(GraphPaintView, ConversionFarFromTheOrigin) {
    box->SetView(SPoint(2e9f, 0), TPoint{100, 0}, 0, 0.05f);
    EXPECT_EQ(box->OrgX(), -99999901);  // 0.05f is a little above 0.05
    EXPECT_EQ(box->Cx(2e9f), 100);
    // Beyond the pixel range it is clamped, never wrapped.
    EXPECT_EQ(box->Cx(-2e9f), -(1 << 27));
    box->SetView(SPoint(2e9f, 0), TPoint{100, 0}, 0, 1);
    EXPECT_EQ(box->OrgX(), -(1 << 27));
    EXPECT_TRUE(box->PtInAct(0, 0, 4, -4));
    EXPECT_FALSE(box->PtInAct(0, 0, 4.5f, 0));
}

TEST_F(GraphPaintView, ScrollRepaintsOnlyTheUncoveredStrip) {
    std::vector<TRect> clips;
    box->OnPaint = [&](TGraphPaint* p) {
        clips.push_back(p->Canvas().ClipRect());
        p->DefPen(psSolid, clBlack, 0);
        p->SetPixel(50, 50, clBlack);
    };
    box->Invalidate();
    box->Update();
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(clips[0], (TRect{0, 0, W, H}));
    EXPECT_EQ(Px(50, 50), 0u);
    clips.clear();
    // World (10, 0) to pixel (0, 0): a scroll by 10 to the left.
    box->SetView(SPoint(10, 0), TPoint{0, 0}, SetViewBit(svoScroll), 1);
    EXPECT_EQ(box->OrgX(), -10);
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(clips[0], (TRect{W - 10, 0, W, H}));
    EXPECT_EQ(Px(40, 50), 0u);
    EXPECT_EQ(Px(50, 50), 0xFFFFFFu);
    // A new scale repaints everything.
    clips.clear();
    box->SetView(SPoint(10, 0), TPoint{0, 0}, SetViewBit(svoScroll), 2);
    box->Update();
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(clips[0], (TRect{0, 0, W, H}));
}

TEST_F(GraphPaintView, ViewPointsAndBases) {
    box->SetViewPoint(SPoint(500, 50), LookBit(ltAuto));
    EXPECT_EQ(box->OrgX(), 180 - 500);
    EXPECT_EQ(box->OrgY(), 0);
    const TSPoint p = box->GetViewPoint(LookBit(ltRight));
    EXPECT_EQ(p.X, 500.0f);
    EXPECT_EQ(p.Y, 50.0f);
    // Left beats right when both are given.
    box->SetViewPoint(SPoint(0, 0), LookBit(ltLeft) | LookBit(ltRight));
    EXPECT_EQ(box->OrgX(), 20);

    box->SetView(SPoint(0, 0), TPoint{0, 0}, 0, 2);
    box->OfsetBase(10.7f, 5);
    EXPECT_EQ(box->OrgX(), 21);
    EXPECT_EQ(box->OrgY(), 10);
    TSPoint off;
    box->RestoreBase(off);
    EXPECT_EQ(off.X, 10.5f);
    EXPECT_EQ(off.Y, 5.0f);
    EXPECT_EQ(box->OrgX(), 0);
    box->RestoreBase(off);  // nothing pushed
    EXPECT_EQ(off.X, 0.0f);
    // Origins that a Single cannot hold come back whole.
    box->SetView(SPoint(0, 0), TPoint{20000001, -20000003}, 0, 1);
    box->OfsetBase(3, 4);
    box->OfsetBase(1, 1);
    box->RestoreBase(off);
    box->RestoreBase(off);
    EXPECT_EQ(box->OrgX(), 20000001);
    EXPECT_EQ(box->OrgY(), -20000003);
    EXPECT_EQ(off.X, 3.0f);

    // Top ranks over bottom, as left over right.
    box->SetView(SPoint(0, 0), TPoint{0, 0}, 0, 1);
    box->SetViewPoint(SPoint(0, 0), LookBit(ltTop) | LookBit(ltBottom));
    EXPECT_EQ(box->OrgY(), 10);
    box->SetViewPoint(SPoint(0, 0), LookBit(ltBottom));
    EXPECT_EQ(box->OrgY(), 90);
}

TEST_F(GraphPaintView, ShowPointRecentresOnlyOutsideItsMargin) {
    box->StandartScale = false;
    box->SetView(SPoint(0, 0), TPoint{0, 0}, 0, 1);
    for (TSPoint inside : {SPoint(20, 20), SPoint(180, 80), SPoint(20, 80), SPoint(100, 50)}) {
        box->ShowPoint(inside);
        EXPECT_EQ(box->OrgX(), 0) << inside.X << "," << inside.Y;
        EXPECT_EQ(box->OrgY(), 0) << inside.X << "," << inside.Y;
    }
    for (TSPoint outside : {SPoint(19.5f, 50), SPoint(180.5f, 50), SPoint(100, 19.5f), SPoint(100, 80.5f)}) {
        box->SetView(SPoint(0, 0), TPoint{0, 0}, 0, 1);
        box->ShowPoint(outside);
        EXPECT_EQ(box->OrgX(), int(std::trunc(100 - outside.X))) << outside.X << "," << outside.Y;
        EXPECT_EQ(box->OrgY(), int(std::trunc(50 - outside.Y))) << outside.X << "," << outside.Y;
    }
}

TEST_F(GraphPaintView, ViewStateStreams) {
    box->SetView(SPoint(0, 0), TPoint{7, -3}, 0, 0.5f);
    TMemoryStream s;
    box->SaveToStream(s);
    ASSERT_EQ(s.GetSize(), 12);
    EXPECT_EQ(std::string(s.Memory(), 12), std::string("\x00\x00\x00\x3F\x07\x00\x00\x00\xFD\xFF\xFF\xFF", 12));
    box->SetView(SPoint(0, 0), TPoint{0, 0}, 0, 1);
    box->Update();
    int changes = 0;
    box->OnDeviceChange = [&](TGraphPaint*) { ++changes; };
    s.SetPosition(0);
    box->LoadFromStream(s);
    EXPECT_EQ(box->Mst(), 0.5f);
    EXPECT_EQ(box->OrgX(), 7);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(box->DirtyRegion().isEmpty());
    TMemoryStream shortS;
    shortS.WriteBuffer("\x00\x00\x80\x3F", 4);
    shortS.SetPosition(0);
    EXPECT_THROW(box->LoadFromStream(shortS), EReadError);
    EXPECT_EQ(box->Mst(), 0.5f);
    EXPECT_EQ(changes, 1);
    // Loaded origins are kept within the pixel range, as every other path
    // keeps them, and survive a base pushed and restored.
    TMemoryStream far;
    WriteViewState(far, TViewState{1, INT32_MAX, INT32_MIN});
    far.SetPosition(0);
    box->LoadFromStream(far);
    EXPECT_EQ(box->OrgX(), 1 << 27);
    EXPECT_EQ(box->OrgY(), -(1 << 27));
    box->OfsetBase(0, 0);
    TSPoint off;
    box->RestoreBase(off);
    EXPECT_EQ(box->OrgX(), 1 << 27);
    EXPECT_EQ(box->OrgY(), -(1 << 27));
}

TEST_F(GraphPaintView, GridsAtTenPixelsOnly) {
    box->Grid().SetEnabled(true);
    box->Grid().SetColor(clRed);
    box->SetMst(0.5f);
    box->Invalidate();
    box->Update();
    EXPECT_EQ(Px(10, 10), 0xFF0000u);
    EXPECT_EQ(Px(0, 0), 0xFF0000u);
    EXPECT_EQ(Px(5, 10), 0xFFFFFFu);
    box->StandartScale = false;
    box->SetMst(0.45f);
    box->Invalidate();
    box->Update();
    int red = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) red += Px(x, y) == 0xFF0000u;
    EXPECT_EQ(red, 0);
    // The line grid far from the origin ends, and still draws its lattice.
    box->GridLn().SetEnabled(true);
    box->GridLn().SetColor(clBlue);
    box->GridLn().SetValue(200);
    box->SetView(SPoint(2e9f, 2e9f), TPoint{0, 0}, 0, 0.05f);
    box->Update();
    // Every gap is 200 x 0.05 = 10 pixels, across and down.
    std::vector<int> cols, rows;
    for (int x = 0; x < W; ++x)
        if (Px(x, 55) == 0x0000FFu) cols.push_back(x);
    for (int y = 0; y < H; ++y)
        if (Px(5, y) == 0x0000FFu) rows.push_back(y);
    ASSERT_GE(cols.size(), 19u);
    ASSERT_GE(rows.size(), 9u);
    for (size_t i = 1; i < cols.size(); ++i) EXPECT_EQ(cols[i] - cols[i - 1], 10) << cols[i];
    for (size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i] - rows[i - 1], 10) << rows[i];
    int blue = 0;
    box->GridLn().SetValue(INFINITY);
    box->Invalidate();
    box->Update();
    blue = 0;
    for (int x = 0; x < W; ++x) blue += Px(x, 50) == 0x0000FFu;
    EXPECT_EQ(blue, 0);
}

TEST_F(GraphPaintView, FailingPaintUnwinds) {
    TExceptionReporterGuard quiet([](const std::exception&) {});
    box->OnPaint = [](TGraphPaint* p) {
        p->PushMatr();
        p->Matrix.Translate(5, 5);
        p->OfsetBase(5, 5);
        p->SaveDC();
        throw Exception("broken");
    };
    box->Invalidate();
    box->Update();
    EXPECT_EQ(box->MatrDepth(), 0);
    EXPECT_EQ(box->Matrix, T2DMatrix());
    EXPECT_EQ(box->OrgX(), 0);
    EXPECT_EQ(box->BaseDepth(), 0);
    EXPECT_EQ(box->Canvas().SavedDCCount(), 0);
    EXPECT_FALSE(box->Painting());
    box->PopMatr();
    box->RestoreDC();
    EXPECT_EQ(box->MatrDepth(), 0);
}

namespace {
void Send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton b, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), b, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
}  // namespace

TEST_F(GraphPaintView, PressesDoubleClicksAndMoves) {
    TManualTimerSource clock;
    TTimerSourceGuard guard(&clock);
    std::string log;
    box->OnRealMouseDown = [&](TGraphPaint*, TMouseButton, TShiftState, float, float) { log += "down "; };
    box->OnRealMouseDbl = [&](TGraphPaint*, TMouseButton, TShiftState, float, float) { log += "dbl "; };
    box->OnRealMouseMove = [&](TGraphPaint*, TShiftState, float x, float) { log += "move" + std::to_string(int(x)) + " "; };
    auto click = [&] {
        Send(box, QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton, Qt::LeftButton);
        Send(box, QEvent::MouseButtonRelease, {20, 20}, Qt::LeftButton, Qt::NoButton);
    };
    click();  // at time 0: a first press is never a double click
    clock.Advance(100);
    click();
    clock.Advance(100);
    click();
    EXPECT_EQ(log, "down dbl down ");
    log.clear();
    Send(box, QEvent::MouseMove, {23, 20}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(log, "");
    Send(box, QEvent::MouseMove, {26, 20}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(log, "move30 ");
    EXPECT_EQ(box->MoveDelta().X, 10.0f);
}

TEST_F(GraphPaintView, AutoScrollWhileHeldOutside) {
    TManualTimerSource clock;
    TTimerSourceGuard guard(&clock);
    box->Step().SetEnabled(false);
    Send(box, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::LeftButton);
    Send(box, QEvent::MouseMove, {-5, 50}, Qt::NoButton, Qt::LeftButton);
    clock.Advance(10);
    EXPECT_EQ(box->OrgX(), 10);
    Send(box, QEvent::MouseMove, {-40, 120}, Qt::NoButton, Qt::LeftButton);
    clock.Advance(10);
    EXPECT_EQ(box->OrgX(), 40);
    EXPECT_EQ(box->OrgY(), -10);
    Send(box, QEvent::MouseButtonRelease, {-40, 120}, Qt::LeftButton, Qt::NoButton);
    clock.Advance(50);
    EXPECT_EQ(box->OrgX(), 40);
}

TEST(GraphPaintAlone, SurfaceWithoutAParentRepaints) {
    PainterStartup();
    {
        TGraphPaint p;
        p.resize(60, 40);
        int paints = 0;
        p.OnPaint = [&](TGraphPaint* s) {
            ++paints;
            s->DefPen(psSolid, clRed, 0);
            s->Line(10, 0, 10, 40);
        };
        p.Update();
        ASSERT_EQ(paints, 1);
        p.SetView(SPoint(0, 0), TPoint{5, 0}, 0, 1);
        EXPECT_EQ(p.DirtyRegion(), QRegion(0, 0, 60, 40));
        p.Update();
        EXPECT_EQ(paints, 2);
        EXPECT_EQ(p.Image().pixel(15, 20) & 0xFFFFFF, 0xFF0000u);
        EXPECT_EQ(p.Image().pixel(10, 20) & 0xFFFFFF, 0xFFFFFFu);
        p.InvalidateRect(SRect(0, 0, 10, 10));
        EXPECT_EQ(p.DirtyRegion(), QRegion(5, 0, 10, 10));
    }
    PainterShutdown();
}

TEST(GraphPaintAlone, HandedCanvasIsErasedClippedAndDrawnOn) {
    PainterStartup();
    {
        QImage outside(60, 40, QImage::Format_RGB32);
        outside.fill(Qt::blue);
        TCanvas device;
        device.Attach(&outside);
        QWidget holder;
        THandeledGraphPaint p(&device, &holder);
        p.resize(60, 40);
        p.OnPaint = [](TGraphPaint* s) {
            s->DefPen(psSolid, clRed, 0);
            s->Line(0, 20, 60, 20);
        };
        p.Update();
        p.InvalidateRect(SRect(10, 10, 30, 30));
        outside.fill(Qt::blue);
        p.Update();
        device.EndPaint();
        auto px = [&](int x, int y) { return outside.pixel(x, y) & 0xFFFFFF; };
        EXPECT_EQ(px(20, 20), 0xFF0000u);  // drawn inside the dirty part
        EXPECT_EQ(px(20, 12), 0xFFFFFFu);  // erased there
        EXPECT_EQ(px(5, 20), 0x0000FFu);   // nothing outside it
        EXPECT_EQ(px(40, 20), 0x0000FFu);
        EXPECT_EQ(px(5, 5), 0x0000FFu);
        device.Detach();
    }
    PainterShutdown();
}

TEST_F(GraphPaintView, BatchedInvalidationKeepsEachErase) {
    box->OnPaint = [](TGraphPaint* p) {
        p->DefPen(psClear, clBlack, 0);
        p->DefBrush(bsSolid, clBlack);
        p->Canvas().FillRect(TRect{0, 0, 200, 100});
    };
    box->Invalidate();
    box->Update();
    box->OnPaint = nullptr;
    box->BeginInvalidate();
    box->InvalidateRectEx(SRect(0, 0, 20, 20), true);
    box->InvalidateRectEx(SRect(40, 0, 60, 20), false);
    EXPECT_TRUE(box->DirtyRegion().isEmpty());  // collected, not yet dirty
    box->EndInvalidate();
    EXPECT_EQ(box->DirtyRegion(), QRegion(0, 0, 20, 20).united(QRegion(40, 0, 20, 20)));
    box->Update();
    EXPECT_EQ(Px(10, 10), 0xFFFFFFu);  // erased
    EXPECT_EQ(Px(50, 10), 0x000000u);  // repainted without erasing
    EXPECT_EQ(Px(30, 10), 0x000000u);
}
