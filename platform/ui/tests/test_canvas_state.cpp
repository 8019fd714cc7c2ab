#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "platform/ui/Canvas.h"
#include "platform/ui/FrameControl.h"
#include "platform/ui/MouseTypes.h"
#include "platform/ui/UpDown.h"
#include "platform/ui/tests/GoldenImage.h"

using namespace velt;
using velt::test::Art;
using velt::test::Blank;
using velt::test::Lines;

TEST(CanvasState, SaveRestoreAndClips) {
    QImage im = Blank(8, 4);
    TCanvas c(&im);
    EXPECT_FALSE(c.RestoreDC());  // nothing saved: nothing changes
    c.Brush.Color = clBlack;
    EXPECT_EQ(c.SaveDC(), 1);
    c.IntersectClipRect(1, 0, 7, 4);
    c.ExcludeClipRect(3, 1, 5, 3);
    c.Brush.Color = clRed;
    c.FillRect(TRect{0, 0, 8, 4});
    EXPECT_TRUE(c.RestoreDC());
    EXPECT_EQ(c.Brush.Color, clBlack);
    EXPECT_FALSE(c.HasClip());
    c.Pen.Color = clBlue;
    c.MoveTo(0, 3), c.LineTo(8, 3);
    c.EndPaint();
    EXPECT_EQ(Art(im), Lines({".rrrrrr.", ".rr..rr.", ".rr..rr.", "bbbbbbbb"}));
}

TEST(CanvasState, DirectLinesMatchThePainterAndXorTwice) {
    // The same diagonal lines through the painter (a borrowed painter never
    // takes the direct path) and into the image directly.
    QImage direct = Blank(40, 30), painted = Blank(40, 30);
    const TPoint pts[] = {{-5, 2}, {37, 29}, {3, 25}, {39, 0}, {20, 14}, {20, 14}, {0, 14}};
    {
        TCanvas c(&direct);
        c.Polyline(pts);
    }
    {
        QPainter p(&painted);
        TCanvas c(&p);
        c.Polyline(pts);
    }
    EXPECT_EQ(Art(direct), Art(painted));
    QImage x = Blank(40, 30);
    TCanvas c(&x);
    c.Pen.Mode = pmXor;
    c.Pen.Color = clRed;
    c.Polyline(pts);
    c.EndPaint();
    EXPECT_NE(Art(x), Art(Blank(40, 30)));
    c.Polyline(pts);
    c.EndPaint();
    EXPECT_EQ(Art(x), Art(Blank(40, 30)));
}

TEST(CanvasState, TouchedTextBackgroundAndRoundRect) {
    QImage im = Blank(60, 30);
    TCanvas c(&im);
    EXPECT_TRUE(c.TakeTouched().IsEmpty());
    c.SetPixels(std::vector<TPoint>{{3, 4}, {10, 2}, {99, 99}}, clBlack);
    EXPECT_EQ(c.TakeTouched(), (TRect{3, 2, 11, 5}));
    EXPECT_TRUE(c.TakeTouched().IsEmpty());
    c.Brush.Style = bsClear;
    c.SetBkMode(OPAQUE);
    c.SetBkColor(clRed);
    c.Font.SetName("DejaVu Sans");
    c.Font.SetHeight(-12);
    c.TextOut(2, 2, "Ab");
    c.EndPaint();
    EXPECT_EQ(im.pixel(2, 2) & 0xFFFFFF, 0xFF0000u);  // the cell takes the background colour
    EXPECT_FALSE(c.TakeTouched().IsEmpty());
    c.SetBkMode(TRANSPARENT);
    c.SetTextAlign(TA_BASELINE);
    im.fill(Qt::white);
    c.TextOut(30, 20, "Ab");
    c.EndPaint();
    // On the baseline: nothing of it below row 20 but the cell's descent.
    int above = 0;
    for (int y = 0; y < 21; ++y)
        for (int x = 30; x < 50; ++x) above += (im.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    EXPECT_GT(above, 10);
    EXPECT_EQ(im.pixel(31, 27) & 0xFFFFFF, 0xFFFFFFu);
    // A round rectangle leaves its corners.
    QImage rr = Blank(12, 12);
    TCanvas r(&rr);
    r.Brush.Color = clBlack;
    r.RoundRect(0, 0, 12, 12, 8, 8);
    r.EndPaint();
    EXPECT_EQ(rr.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(rr.pixel(6, 6) & 0xFFFFFF, 0u);
    EXPECT_EQ(rr.pixel(0, 6) & 0xFFFFFF, 0u);
}

TEST(CanvasState, EscapementCharacterExtraAndFontCopy) {
    TFont f;
    f.SetEscapement(-900);
    TFont g(f);
    EXPECT_EQ(g.Escapement(), -900);
    EXPECT_TRUE(g.SameAs(f));
    g.SetEscapement(0);
    EXPECT_FALSE(g.SameAs(f));
    QImage im = Blank(40, 60);
    TCanvas c(&im);
    c.Font.SetName("DejaVu Sans");
    c.Font.SetHeight(-12);
    const int plain = c.TextWidth("abc");
    c.SetTextCharacterExtra(4);
    EXPECT_EQ(c.TextWidth("abc"), plain + 12);
    c.SetTextCharacterExtra(0);
    // Turned by -90 degrees the text runs downwards from (10, 5).
    c.Brush.Style = bsClear;
    c.Font.SetEscapement(-900);
    c.TextOut(20, 5, "abc");
    c.EndPaint();
    int lowest = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 40; ++x)
            if ((im.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) lowest = y;
    EXPECT_GT(lowest, 5 + plain - 4);
}

TEST(FrameControls, ButtonsArrowsAndInputTypes) {
    QImage im = Blank(12, 12);
    TCanvas c(&im);
    EXPECT_FALSE(DrawFrameControl(c, TRect{0, 0, 12, 12}, 99, 0));
    EXPECT_TRUE(DrawFrameControl(c, TRect{0, 0, 12, 12}, DFC_SCROLL, DFCS_SCROLLUP));
    c.EndPaint();
    // Classic colours: the light top-left edge, the button face, a black arrow.
    EXPECT_EQ(im.pixel(0, 0) & 0xFFFFFF, unsigned(ColorToQColor(ColorToRGB(cl3DLight)).rgb() & 0xFFFFFF));
    EXPECT_EQ(im.pixel(11, 11) & 0xFFFFFF, unsigned(ColorToQColor(ColorToRGB(cl3DDkShadow)).rgb() & 0xFFFFFF));
    EXPECT_EQ(im.pixel(6, 5) & 0xFFFFFF, 0u);
    const unsigned face = im.pixel(3, 9) & 0xFFFFFF;
    EXPECT_EQ(face, unsigned(QColor(ColorToQColor(ColorToRGB(clBtnFace))).rgb() & 0xFFFFFF));
    EXPECT_EQ(sizeof(TShiftState), 1u);
    EXPECT_EQ(sizeof(TMouseButton), 1u);
    EXPECT_EQ(ShiftFromQt(Qt::ShiftModifier | Qt::ControlModifier, Qt::LeftButton),
              ShiftBit(ssShift) | ShiftBit(ssCtrl) | ShiftBit(ssLeft));
    EXPECT_EQ(ButtonFromQt(Qt::RightButton), mbRight);
}

TEST(UpDown, ClicksReportAndNeverWriteTheEdit) {
    QWidget form;
    auto* edit = new QWidget(&form);
    edit->setGeometry(10, 10, 50, 20);
    auto* ud = new TUpDown(&form);
    ud->SetMin(-2), ud->SetMax(1);
    ud->SetAssociate(edit);
    EXPECT_EQ(ud->geometry(), QRect(60, 10, 16, 20));
    std::string log;
    ud->OnClick = [&](QObject* s, TUDBtnType b) {
        EXPECT_EQ(s, ud);
        log += b == btNext ? "next " : "prev ";
    };
    ud->Click(btNext);
    ud->Click(btNext);
    EXPECT_EQ(ud->Position(), 1);  // kept within Max
    ud->Click(btPrev);
    EXPECT_EQ(log, "next next prev ");
    EXPECT_EQ(ud->Position(), 0);
}
