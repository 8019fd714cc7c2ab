#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <bit>
#include <set>

#include "painter/tests/SurfaceTestSupport.h"
#include "platform/ui/Graphic.h"
#include "platform/ui/tests/GoldenImage.h"

using namespace velt;
using velt::test::SurfaceTest;

namespace {

class GraphPaintDraw : public SurfaceTest {
protected:
    static int Differing(const QImage& a, const QImage& b) {
        int n = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) n += (a.pixel(x, y) != b.pixel(x, y));
        return n;
    }
    static std::set<int> Rows(const QImage& im) {
        std::set<int> rows;
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x)
                if ((im.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) rows.insert(y);
        return rows;
    }
};

// Every operation once, in world units at the surface's scale.
void Everything(TGraphPaint& p) {
    p.DefPen(psSolid, clBlue, 0);
    p.DefBrush(bsSolid, clYellow);
    p.Line(5, 5, 60, 30);
    p.MoveTo(5, 40);
    p.LineRel(20, 0);
    p.MoveRel(0, 5);
    p.LineRel(-20, 0);
    p.Rectangle(70, 5, 100, 25);
    p.RoundRectangle(4, 105, 5, 140, 25);
    p.Ellipse(145, 5, 190, 30);
    p.Arc(5, 50, 40, 90, 40, 70, 5, 70);
    const TSPoint tri[3] = {{50, 50}, {80, 90}, {50, 90}};
    p.Polygon(tri, 3);
    TPoints line;
    line.Add(SPoint(90, 50)), line.Add(SPoint(120, 60)), line.Add(SPoint(100, 90));
    p.PolylineEx(line);
    p.GridPt(130, 70);
    p.GridPtEx(145, 70, 1, false);
    p.DefPen(psSolid, clBlack, 0);
    TPoints styled;
    styled.Add(SPoint(150, 85)), styled.Add(SPoint(195, 60));
    p.DrawLine(lm1, psP1Filled, psCircle, styled, 6, true);
    p.DefFont(clBlack, 0, "");
    p.TextOut(150, 98, 10, 0, "Крок 019");
}

}  // namespace

TEST_F(GraphPaintDraw, DragDrawsTwiceToRestoreEveryByte) {
    box->SetColor(0x02FFFFFF);  // palette-relative white, as the dialog stores it
    const QImage blank = Drawn([](TGraphPaint&) {});
    QImage once, twice;
    box->OnPaint = [&](TGraphPaint* p) {
        p->SetDrawMode(dmDrag);
        Everything(*p);
        p->Canvas().EndPaint();
        once = p->Image().copy();
        Everything(*p);
        p->SetDrawMode(dmNone);
    };
    box->Invalidate();
    box->Update();
    twice = box->Image().copy();
    EXPECT_GT(Differing(blank, once), 500);
    EXPECT_EQ(Differing(blank, twice), 0);
    // Black text on white XORs to black: it shows while dragged.
    int dark = 0;
    for (int y = 80; y < 100; ++y)
        for (int x = 150; x < 200; ++x) dark += (once.pixel(x, y) & 0xFFFFFF) == 0;
    EXPECT_GT(dark, 10);
}

TEST_F(GraphPaintDraw, DragPenAgainstThePaletteRelativeBackground) {
    box->SetColor(0x02FFFFFF);
    box->SetDrawMode(dmDrag);
    box->DefPen(psSolid, 0x02FFFFFF, 3);
    EXPECT_EQ(box->Canvas().Pen.Color, 0xFFFFFF);
    EXPECT_EQ(box->Canvas().Pen.Width, 0);
    EXPECT_EQ(box->Canvas().Pen.Mode, pmXor);
    box->DefPen(psDash, clRed, 1);
    EXPECT_EQ(box->Canvas().Pen.Color, 0xFFFF00);
    EXPECT_EQ(box->Canvas().Pen.Style, psSolid);
    box->SetDrawMode(dmHide);
    box->DefPen(psSolid, clRed, 2);
    EXPECT_EQ(box->Canvas().Pen.Color, 0x02FFFFFF);
    EXPECT_EQ(box->Canvas().Pen.Width, 2);
    box->SetDrawMode(dmShadow);
    box->DefPen(psSolid, clRed, 1);
    EXPECT_EQ(box->Canvas().Pen.Color, 0x0F0F0F);
    EXPECT_EQ(box->Canvas().Pen.Mode, pmMask);
}

TEST_F(GraphPaintDraw, PrimitivesGolden) {
    TBitmap bmp(4, 4);
    QImage checks(4, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) checks.setPixel(x, y, (x + y) % 2 ? 0xFF000080 : 0xFF00C000);
    bmp.Assign(checks);
    const QImage im = Drawn([&](TGraphPaint& p) {
        Everything(p);
        // A device rectangle framed and filled, a stretched bitmap, and a
        // region from points under the matrix.
        p.DefPen(psSolid, clBlue, 0);
        p.DefBrush(bsSolid, clYellow);
        p.PaintRect(TRect{70, 32, 85, 45});
        p.BitmapOut(bmp, 100, 32, 116, 48);
        TPoints tri;
        tri.Add(SPoint(0, 0)), tri.Add(SPoint(20, 0)), tri.Add(SPoint(10, 14));
        p.PushMatr();
        p.Matrix.Translate(120, 32);
        const QRegion rgn = p.CreateRGNFromPoints(tri);
        p.PopMatr();
        if (QPainter* q = p.Canvas().Painter())
            for (const QRect& r : rgn) q->fillRect(r, QColor(0, 160, 0));
    });
    EXPECT_TRUE(velt::test::MatchesGolden(im, VELT_PAINTER_TEST_DATA, "primitives"));
}

TEST_F(GraphPaintDraw, MatrixFiguresAndSinglePoints) {
    const auto ellipse = [](TGraphPaint& p) {
        p.DefPen(psSolid, clBlack, 0);
        p.DefBrush(bsClear, clWhite);
        p.PushMatr();
        p.Matrix.Rotate(30);
        p.Ellipse(20, 20, 80, 60);
        p.PopMatr();
    };
    const auto polygon = [](TGraphPaint& p) {
        p.DefPen(psSolid, clBlack, 0);
        p.DefBrush(bsClear, clWhite);
        p.PushMatr();
        p.Matrix.Rotate(30);
        p.Matrix.Translate(50, 40);
        TSPoint pts[73];
        for (int i = 0; i <= 72; ++i)
            pts[i] = SPoint(float(30 * std::cos(i * 5 * pi_180)), float(20 * std::sin(i * 5 * pi_180)));
        p.Polygon(pts, 73);
        p.PopMatr();
    };
    EXPECT_EQ(Differing(Drawn(ellipse), Drawn(polygon)), 0);
    EXPECT_EQ(box->MatrDepth(), 0);

    const QImage one = Drawn([](TGraphPaint& p) {
        p.DefPen(psSolid, clRed, 0);
        TPoints l;
        l.Add(SPoint(10, 12));
        p.PolylineEx(l);
        TPoints two;
        two.Add(SPoint(30, 30));
        p.DrawLine(lm1, psP1, psP1, two, 5, true);  // one point: nothing
    });
    EXPECT_EQ(Rows(one), (std::set<int>{12}));
    EXPECT_EQ(one.pixel(10, 12) & 0xFFFFFF, 0xFF0000u);
    // A radius below 0.0001 is a plain rectangle.
    const auto rr = [](float r) {
        return [r](TGraphPaint& p) {
            p.DefPen(psSolid, clBlack, 0);
            p.DefBrush(bsSolid, clRed);
            p.RoundRectangle(r, 10, 10, 60, 40);
        };
    };
    const auto rect = [](TGraphPaint& p) {
        p.DefPen(psSolid, clBlack, 0);
        p.DefBrush(bsSolid, clRed);
        p.Rectangle(10, 10, 60, 40);
    };
    EXPECT_EQ(Differing(Drawn(rr(0.00005f)), Drawn(rect)), 0);
    EXPECT_GT(Differing(Drawn(rr(8)), Drawn(rect)), 0);
    // The shared point buffer keeps its size.
    const size_t cap = TGraphPaint::PointBufferCapacity();
    EXPECT_GE(cap, 73u);
    Drawn([](TGraphPaint& p) {
        TSPoint pts[3] = {{0, 0}, {1, 1}, {2, 0}};
        p.Polyline(pts, 3);
    });
    EXPECT_EQ(TGraphPaint::PointBufferCapacity(), cap);
}

TEST_F(GraphPaintDraw, TextByScaledHeight) {
    box->MinTextTT = 10;
    const auto text = [](float h, const char* font) {
        return [h, font](TGraphPaint& p) {
            p.DefFont(clBlack, 0, font);
            p.DefPen(psSolid, clBlack, 0);
            p.TextOut(10, 50, h, 0, "Sample");
        };
    };
    // 4 pixels: a single stroke along the baseline.
    EXPECT_EQ(Rows(Drawn(text(4, "DejaVu Sans"))), (std::set<int>{50}));
    // 6 pixels: the stroked font, above the baseline.
    const std::set<int> six = Rows(Drawn(text(6, "DejaVu Sans")));
    EXPECT_GT(six.size(), 3u);
    EXPECT_LE(*six.rbegin(), 52);
    // 11 pixels with a named font: TrueType, unlike the stroked font at 11.
    const QImage tt = Drawn(text(11, "DejaVu Sans")), vec = Drawn(text(11, ""));
    EXPECT_GT(Differing(tt, vec), 20);
    EXPECT_FALSE(Rows(tt).empty());
    EXPECT_TRUE(box->TrueTypeFont() == false);  // the last DefFont had no name
}

TEST_F(GraphPaintDraw, VectorSpacingIsKeptForEverySurface) {
    box->StandartScale = false;
    box->SetMst(0.4f);
    box->DefFont(clBlack, 0, "");
    box->SetTextSpasing(1);
    ASSERT_NE(StandFont(), nullptr);
    EXPECT_EQ(StandFont()->Spacing(), 1);
    Drawn([](TGraphPaint& p) { p.TextOut(10, 50, 30, 0, "AB"); });
    EXPECT_EQ(StandFont()->Spacing(), 1);
    box->DefFont(clBlack, FontStyleBit(fsBold), "");
    box->SetTextSpasing(1);
    EXPECT_EQ(StandFont()->Spacing(), 3);
}

TEST_F(GraphPaintDraw, TinyTextDrawsAndMeasuresNothing) {
    box->DefFont(clBlack, 0, "DejaVu Sans");
    EXPECT_EQ(box->TextWidht("Sample", 0.2f), 0.0f);
    EXPECT_GT(box->TextWidht("Sample", 12), 10.0f);
    const QImage blank = Drawn([](TGraphPaint&) {});
    const auto rect = [](float h) {
        return [h](TGraphPaint& p) {
            p.DefFont(clBlack, 0, "DejaVu Sans");
            p.TextOutRect(SRect(0, 0, 100, 50), "Sample", 0, h);
        };
    };
    EXPECT_EQ(Differing(Drawn(rect(0.5f)), blank), 0);
    EXPECT_GT(Differing(Drawn(rect(12)), blank), 20);
    box->DefFont(clBlack, 0, "");
    EXPECT_EQ(box->TextWidht("Sample", 0.2f), 0.0f);
    // With MinTextTT at 0 a scaled height of 0.2 pixels is TrueType at size
    // 0: nothing, never the platform's default size.
    box->MinTextTT = 0;
    EXPECT_EQ(Differing(Drawn([](TGraphPaint& p) {
                  p.DefFont(clBlack, 0, "DejaVu Sans");
                  p.TextOut(10, 50, 0.2f, 0, "Sample");
              }),
              blank),
              0);
}

TEST_F(GraphPaintDraw, UkrainianVectorTextGolden) {
    for (float h : {12.0f, 24.0f}) {
        const QImage im = Drawn([h](TGraphPaint& p) {
            p.DefFont(clBlack, 0, "");
            p.DefPen(psSolid, clBlack, 0);
            p.TextOut(4, 60, h, 0, "Крок та сітка ҐЄІЇ 019");
        });
        EXPECT_TRUE(velt::test::MatchesGolden(im, VELT_PAINTER_TEST_DATA, "vector-text-" + std::to_string(int(h))));
    }
}

TEST_F(GraphPaintDraw, TextInPointsAndStates) {
    EXPECT_FALSE(box->GetTextPunkt());
    box->SetTextPunkt(true);
    EXPECT_TRUE(box->GetTextPunkt());
    EXPECT_EQ(std::bit_cast<uint32_t>(box->TextPunkt()), 0x3EB49F4Au);
    box->SetTextPunkt(false);
    EXPECT_EQ(box->TextPunkt(), 1.0f);
    // Saved states and clips of the surface's canvas.
    const QImage clipped = Drawn([](TGraphPaint& p) {
        p.SaveDC();
        p.SetClipRect(SRect(10, 10, 20, 20));
        p.DefPen(psSolid, clBlack, 0);
        p.DefBrush(bsSolid, clBlack);
        p.Rectangle(0, 0, 100, 50);
        p.RestoreDC();
        p.SetPixel(50, 40, clRed);  // the clip is gone again
    });
    int black = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) black += (clipped.pixel(x, y) & 0xFFFFFF) == 0;
    EXPECT_EQ(black, 100);
    EXPECT_EQ(clipped.pixel(50, 40) & 0xFFFFFF, 0xFF0000u);
}
