#include <gtest/gtest.h>

#include <QImage>
#include <limits>
#include <string>

#include "graphics/GRFCtrl.h"
#include "platform/ui/tests/GoldenImage.h"

using namespace velt;

using test::Art;
using test::Blank;
using test::Lines;

TEST(Pointers, ALineOfAtMostHalfAPixelDrawsNothingAtAll) {
    QImage im = Blank(8, 8);
    const QImage before = im.copy();
    {
        TCanvas c(&im);
        c.Brush.Style = bsClear;
        DrawPtr(c, psP2Filled, true, 3, 3, 3.4f, 3.2f, 4, 0);
        EXPECT_EQ(c.Brush.Style, bsClear);  // not even the brush changes
    }
    EXPECT_EQ(im, before);
}

TEST(Pointers, CoordinatesOrSizesThatAreNotFiniteDrawNothing) {
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    QImage im = Blank(8, 8);
    const QImage before = im.copy();
    {
        TCanvas c(&im);
        DrawPtr(c, psP2, true, 3, 3, inf, 5, 2, 0);
        DrawPtr(c, psP2Filled, true, nan, 3, 5, 5, 2, 0);
        DrawPtr(c, psP1, true, 3, 3, 6, 6, inf, 0);
        DrawPtr(c, psCircle, true, 3, 3, 6, 6, 2, nan);
        DrawPtr(c, psP3, true, -3e38f, 3, 3e38f, 3, 2, 0);  // a length beyond a Single
        DrawOneLineMarker(c, lmCircle, true, 4, 4, inf, false);
        DrawOneLineMarker(c, lm4, false, nan, 4, 3, false);
        EXPECT_EQ(DrawLineMarker(c, lm7, false, 1, 1, 7, 1, nan, 2, 0, false, false), 2);  // runs on
    }
    EXPECT_EQ(Art(im), Art(before));
}

TEST(Markers, PhaseRunsOnFromSegmentToSegment) {
    QImage im = Blank(12, 7);
    float next;
    {
        TCanvas c(&im);
        // Length 10, first marker 4 pixels in, then every 4: markers at 4 and 8.
        next = DrawLineMarker(c, lm2, false, 0, 3, 10, 3, 5, 4, 4, false, false);
    }
    EXPECT_EQ(next, 2);
    EXPECT_EQ(Art(im), "............\n"
                       "....#...#...\n"
                       "....#...#...\n"
                       "....#...#...\n"
                       "....#...#...\n"
                       "....#...#...\n"
                       "....#...#...\n");
    TCanvas c;
    EXPECT_EQ(DrawLineMarker(c, lm2, false, 0, 0, 3, 0, 5, 4, 5, false, false), 2);  // no marker: phase - length
    EXPECT_EQ(DrawLineMarker(c, lm2, false, 0, 0, 2, 0, 5, 0, 0, false, false), 0.5f);  // spacing 0 counts as 0.5
    EXPECT_EQ(DrawLineMarker(c, lmNone, false, 0, 0, 9, 0, 5, 4, 1, false, false), 1);
    EXPECT_EQ(DrawLineMarker(c, lm2, false, 1, 1, 1.2f, 1.1f, 5, 4, 1, false, false), 1);  // length rounds to 0
}

TEST(Markers, AnEnormousPenStillReachesTheClip) {
    QImage im = Blank(12, 7);
    float next;
    {
        TCanvas c(&im);
        c.Pen.Width = INT32_MAX;
        // Both markers lie outside; the pen's reach brings them in.
        next = DrawLineMarker(c, lm1, false, -20, 3, -10, 3, 5, 4, 4, false, false);
    }
    EXPECT_EQ(next, 2);
    EXPECT_EQ(Art(im).find('.'), std::string::npos) << Art(im);
}

TEST(Markers, AnchorsFarOutsideTheClipAreCountedNotWalked) {
    QImage im = Blank(20, 10);
    float next;
    {
        TCanvas c(&im);
        // Four thousand million anchors along the segment; about forty of
        // them, and those a marker's reach around the clip, are visited.
        int64_t before = LineMarkerAnchorsVisited();
        next = DrawLineMarker(c, lmCircle, true, -1e9f, 5, 1e9f, 5, 4, 0.5f, 0, false, false);
        int64_t visited = LineMarkerAnchorsVisited() - before;
        EXPECT_GE(visited, 40);
        EXPECT_LE(visited, 200);
        // So far along a segment a step of k no longer changes k: the walk
        // counts its steps, and ends.
        for (float y : {5.0f, 50.0f}) {
            before = LineMarkerAnchorsVisited();
            DrawLineMarker(c, lm1, false, -1e20f, y, 10, y, 5, 0.5f, 0, false, false);
            DrawLineMarker(c, lm1, false, 0, y, 10, y, 5, 0.5f, -1e20f, false, false);
            visited = LineMarkerAnchorsVisited() - before;
            EXPECT_LE(visited, 200) << y;
        }
    }
    EXPECT_EQ(next, 0.5f);
    // The visible part still has its markers, and the line.
    EXPECT_EQ(im.pixel(0, 5) & 0xFFFFFF, 0u);
    EXPECT_EQ(im.pixel(10, 3) & 0xFFFFFF, 0u);
}

TEST(Markers, AnchorsRoundHalvesToEven) {
    QImage im = Blank(8, 5);
    {
        TCanvas c(&im);
        DrawOneLineMarker(c, lm1, false, 2.5f, 4, 5, false);  // at x = 2
        DrawOneLineMarker(c, lm1, false, 5.5f, 4, 5, false);  // at x = 6
    }
    EXPECT_EQ(Art(im), "........\n"
                       "..#...#.\n"
                       "..#...#.\n"
                       "..#...#.\n"
                       "..#...#.\n");
}

TEST(Markers, FilledTicksTakeTheBrushColourAndPolygonsLeaveOutTheirLastPoint) {
    QImage im = Blank(4, 4);
    TCanvas c(&im);
    c.Brush.Color = clRed;
    DrawOneLineMarker(c, lm3, true, 2, 2, 5, false);
    EXPECT_EQ(c.Pen.Color, clRed);
    c.Pen.Color = clBlack;
    DrawOneLineMarker(c, lm7, true, 2, 2, 5, false);
    EXPECT_EQ(c.Pen.Color, clBlack);
}

TEST(Markers, EveryStyleAndPointerMatchesTheGoldenImage) {
    QImage im = Blank(200, 290);
    {
        TCanvas c(&im);
        c.Brush.Color = clYellow;
        for (int i = 0; i < 14; ++i) {
            const float y = 10 + 20 * float(i);
            const TLineMarkerStyle style = StdLineMarkerStyle[size_t(i)];
            const float spacing = (style == lm11 || style == lm12) ? 50 : 20;
            c.Pen.Color = clBlack;
            const float phase = DrawLineMarker(c, style, true, 5, y, 60, y, 8, spacing, 4, false, false);
            DrawLineMarker(c, style, true, 60, y, 100, y + 8, 8, spacing, phase, true, true);
            DrawOneLineMarker(c, style, i % 2 == 1, 115, y, 8, i % 3 == 0);
        }
        for (int i = 0; i < 8; ++i) {
            const float y = 10 + 36 * float(i);
            c.Pen.Color = clNavy;
            DrawPtr(c, StdPointerStyle[size_t(i)], true, 130, y, 190, y + 6, 6, 0);
            DrawPtr(c, StdPointerStyle[size_t(i)], false, 190, y + 12, 150, y + 20, 5, 2);
        }
    }
    EXPECT_TRUE(test::MatchesGolden(im, VELT_TEST_DATA_DIR, "markers_and_pointers"));
}
