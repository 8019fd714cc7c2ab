#include "examples/palette/SurfacePage.h"

#include <QDialog>
#include <QGridLayout>
#include <QPointer>
#include <cmath>
#include <memory>

#include "painter/GrfPaint.h"
#include "painter/GrfRul.h"
#include "painter/dPainter.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/Graphic.h"

namespace velt {

namespace {

void Drawing(TGraphPaint& p) {
    // Figures.
    p.DefPen(psSolid, clNavy, 0.5f);
    p.DefBrush(bsSolid, clYellow);
    p.Rectangle(10, 10, 50, 35);
    p.RoundRectangle(4, 60, 10, 100, 35);
    p.DefBrush(bsSolid, clAqua);
    p.Ellipse(110, 10, 150, 35);
    p.DefBrush(bsDiagCross, clGreen);
    p.PushMatr();
    p.Matrix.Translate(180, 22);
    p.Matrix.Rotate(30);
    p.Ellipse(-20, -10, 20, 10);  // the 73-point polygon under the matrix
    p.Rectangle(-8, -4, 8, 4);
    p.PopMatr();
    p.DefBrush(bsSolid, clFuchsia);
    p.Arc(210, 10, 250, 45, 250, 28, 230, 10);
    p.DefBrush(bsClear, clWhite);
    p.Arc(255, 10, 295, 45, 295, 28, 275, 10);
    // Lines.
    p.DefPen(psSolid, clBlack, 0);
    p.Line(10, 45, 60, 60);
    p.MoveTo(70, 45);
    p.LineRel(30, 0);
    p.MoveRel(0, 5);
    p.LineRel(-30, 10);
    p.DefPen(psDash, clMaroon, 0);
    const TSPoint zig[5] = {{110, 60}, {120, 45}, {130, 60}, {140, 45}, {150, 60}};
    p.Polyline(zig, 5);
    p.DefPen(psSolid, clTeal, 0.3f);
    p.DefBrush(bsSolid, clLime);
    const TSPoint tri[3] = {{160, 60}, {180, 42}, {200, 60}};
    p.Polygon(tri, 3);
    TPoints wave;
    for (int i = 0; i <= 40; ++i) wave.Add(SPoint(float(210 + i * 2), float(52 + 7 * std::sin(i * 0.4))));
    p.DefPen(psSolid, clBlue, 0);
    p.PolylineEx(wave);
    TPoints star;
    for (int i = 0; i < 10; ++i) {
        const double a = i * 36 * pi_180, r = i % 2 ? 5 : 12;
        star.Add(SPoint(float(300 + r * std::sin(a)), float(52 - r * std::cos(a))));
    }
    p.DefBrush(bsSolid, clRed);
    p.PolygonEx(star);
    // Styled lines with markers and pointers.
    p.DefPen(psSolid, clBlack, 0);
    p.DefBrush(bsSolid, clRed);
    TPoints styled;
    styled.Add(SPoint(10, 75)), styled.Add(SPoint(80, 75)), styled.Add(SPoint(110, 95));
    p.DrawLine(lm2, psP1Filled, psP2, styled, 6, true);
    TPoints circles;
    circles.Add(SPoint(120, 95)), circles.Add(SPoint(190, 75));
    p.DrawLine(lmCircle, psCircleFilled, psP3, circles, 5, false);
    // Markers and pixels.
    p.GridPt(205, 80);
    p.GridPtEx(220, 80, 1, true);
    p.GridPtEx(235, 80, 2, true);
    p.GridPtEx(250, 80, 3, false);
    p.MidlGridPt(260, 75, 290, 95);
    for (int i = 0; i < 20; ++i) p.SetPixel(float(260 + i), 100, clRed);
    TBitmap bmp(8, 8);
    QImage im(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) im.setPixel(x, y, (x + y) % 2 ? 0xFF000080 : 0xFFFFFF00);
    bmp.Assign(im);
    p.BitmapOut(bmp, 300, 75, 316, 91);
    // Text three ways: TrueType, the stroked font, and a single stroke.
    p.DefBrushEx(bsClear, clWhite, false, -1);
    p.DefFont(clNavy, FontStyleBit(fsBold), "DejaVu Sans");
    p.TextOut(10, 118, 8, 0, "TrueType text");
    p.DefFont(clBlack, 0, "");
    p.TextOut(110, 118, 6, 0, "Крок та сітка ҐЄІЇ 019");
    p.DefFont(clMaroon, FontStyleBit(fsUnderline), "");
    p.TextOut(260, 130, 5, 30, "Вектор");
    p.DefPen(psSolid, clGray, 0);
    p.TextOut(10, 126, 1, 0, "a line of text too small to read");
    p.DefFont(clBlack, 0, "DejaVu Sans");
    p.DefPen(psSolid, clBlack, 0);
    p.DefBrush(bsClear, clWhite);
    p.Rectangle(110, 125, 200, 140);
    p.TextOutRect(SRect(110, 125, 200, 140), "Text in a rectangle", 0, 4);
    // A clipped figure inside a saved state.
    p.SaveDC();
    p.SetClipRect(SRect(210, 120, 240, 140));
    p.DefBrush(bsSolid, clOlive);
    p.Ellipse(200, 115, 250, 145);
    p.RestoreDC();
}

}  // namespace

TGraphPaint* FillSurfacePage(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(0);
    auto* box = new TGraphPaint(page);
    box->setObjectName("GraphPaint1");
    auto* horz = new TGraphRuller(page);
    horz->setObjectName("GraphRuller1");
    horz->setFixedHeight(24);
    auto* vert = new TGraphRuller(page);
    vert->setObjectName("GraphRuller2");
    vert->SetKind(rkVert);
    vert->setFixedWidth(24);
    horz->Loaded();
    vert->Loaded();
    grid->addItem(new QSpacerItem(24, 24), 0, 0);
    grid->addWidget(horz, 0, 1);
    grid->addWidget(vert, 1, 0);
    grid->addWidget(box, 1, 1);
    box->SetMeasureType(mtMMt);
    box->SetMeasureShow(mtMMt);
    box->SetMst(2);
    box->Step().SetValue(5);
    box->Grid().SetEnabled(true);
    box->Grid().SetValue(10);
    box->Grid().SetColor(clGray);
    box->GridLn().SetEnabled(true);
    box->GridLn().SetValue(50);
    box->GridLn().SetColor(0xF0E0D0);
    box->SetView(SPoint(0, 0), TPoint{0, 0}, 0, 2);
    box->Rullers().SetRuller(horz);
    box->Rullers().SetRuller(vert);
    box->Rullers().SetWorkArea(SRect(-100, -100, 1000, 600));
    box->OnPaint = [](TGraphPaint* p) { Drawing(*p); };
    // The dialog's own loop must not run inside the press handler: it opens
    // once the press is done.
    box->OnRealMouseDbl = [](TGraphPaint* p, TMouseButton, TShiftState, float, float) {
        QMetaObject::invokeMethod(
            p, [guard = QPointer<TGraphPaint>(p)] { if (guard) SetupSurface(guard); }, Qt::QueuedConnection);
    };
    return box;
}

void SetupSurface(TGraphPaint* surface) {
    // The dialog takes the mouse: the surface never sees the release that
    // would stop its auto-scroll.
    auto stopScrolling = [&] {
        if (surface && surface->ScrollTimer()) surface->ScrollTimer()->SetEnabled(false);
    };
    stopScrolling();
    TDlgPainterSetup dlg(surface ? surface->window() : nullptr);
    dlg.LoadFromBox(surface);
    if (RunDialog(dlg) == QDialog::Accepted) dlg.SaveToBox(surface);
    stopScrolling();
}

}  // namespace velt
