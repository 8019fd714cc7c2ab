#include <gtest/gtest.h>

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Classes.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Graphic.h"
#include "platform/ui/tests/GoldenImage.h"

using namespace velt;

using test::Art;
using test::Blank;
using test::Lines;

TEST(Canvas, FiguresFollowThePlatformPixelRules) {
    QImage im = Blank(12, 12);
    {
        TCanvas c(&im);
        c.Brush.Color = clRed;
        c.FillRect(Rect(0, 0, 3, 2));  // right and bottom edge left out
        c.Rectangle(4, 0, 9, 4);       // outline through 4..8 x 0..3, filled inside
        c.Pen.Style = psClear;
        c.Rectangle(9, 5, 12, 8);  // no pen: the fill keeps clear of one more row and column
        c.Pen.Style = psSolid;
        c.MoveTo(0, 5);
        c.LineTo(4, 5);  // the end pixel is left out
        EXPECT_EQ(c.PenPos, Point(4, 5));
        const TPoint poly[] = {{0, 7}, {3, 7}, {3, 10}};
        c.Polyline(poly);
        c.Brush.Color = clBlue;
        const TPoint tri[] = {{5, 7}, {8, 7}, {8, 10}};
        c.Polygon(tri);
    }
    EXPECT_EQ(Art(im), Lines({
                           "rrr.#####...",
                           "rrr.#rrr#...",
                           "....#rrr#...",
                           "....#####...",
                           "............",
                           "####.....rr.",
                           ".........rr.",
                           "####.####...",
                           "...#..#b#...",
                           "...#...##...",
                           "........#...",
                           "............",
                       }));
}

TEST(Canvas, WidePensAreCentredAndRoundWhileThinOnesAreCosmetic) {
    QImage im = Blank(14, 9);
    {
        TCanvas c(&im);
        c.Pen.Width = 5;
        c.MoveTo(3, 4);
        c.LineTo(9, 4);
        c.Pen.Width = 0;  // the one-pixel pen, as width 1
        c.MoveTo(13, 0);
        c.LineTo(13, 9);
    }
    EXPECT_EQ(Art(im), Lines({
                           ".............#",
                           ".............#",
                           "..#########..#",
                           ".###########.#",
                           ".###########.#",
                           ".###########.#",
                           "..#########..#",
                           ".............#",
                           ".............#",
                       }));
    // psInsideFrame keeps a wide pen inside the figure's box.
    QImage framed = Blank(8, 8);
    {
        TCanvas c(&framed);
        c.Pen.Width = 3;
        c.Pen.Style = psInsideFrame;
        c.Brush.Style = bsClear;
        c.Rectangle(1, 1, 7, 7);
    }
    EXPECT_EQ(Art(framed), Lines({
                               "........",
                               ".######.",
                               ".######.",
                               ".######.",
                               ".######.",
                               ".######.",
                               ".######.",
                               "........",
                           }));
}

TEST(Canvas, StyledPensFillTheirGapsOnlyOverASolidBrush) {
    QImage im = Blank(14, 2);
    {
        TCanvas c(&im);
        c.Pen.Style = psDot;
        c.Brush.Color = clRed;
        c.MoveTo(0, 0);
        c.LineTo(14, 0);
        c.Brush.Style = bsClear;
        c.MoveTo(0, 1);
        c.LineTo(14, 1);
    }
    EXPECT_EQ(Art(im), Lines({"###rrr###rrr##", "###...###...##"}));
}

TEST(Canvas, AStyledOutlineRunsItsPatternOnRoundTheCorners) {
    QImage im = Blank(7, 5);
    {
        TCanvas c(&im);
        c.Pen.Style = psDot;
        c.Brush.Style = bsClear;
        // Clockwise from the top left; each side goes on where the last one
        // left the pattern, the bottom one starting in a gap.
        c.Rectangle(0, 0, 7, 5);
    }
    EXPECT_EQ(Art(im), Lines({"###...#", "#.....#", "#.....#", ".......", "..###.."}));
}

TEST(Canvas, RasterOperationsMeetEveryPixelOnce) {
    const QColor background(0x20, 0x40, 0x60);
    QImage im(10, 10, QImage::Format_RGB32);
    im.fill(background);
    const QImage before = im.copy();
    TCanvas c(&im);
    c.Pen.Mode = pmXor;
    c.Pen.Color = clWhite;
    c.Brush.Color = RGB(0xFF, 0, 0);
    c.Rectangle(1, 1, 9, 9);
    c.EndPaint();
    // The outline and the fill are each combined once with what was there.
    EXPECT_EQ(im.pixel(1, 1) & 0xFFFFFF, 0xDFBF9Fu);
    EXPECT_EQ(im.pixel(8, 4) & 0xFFFFFF, 0xDFBF9Fu);
    EXPECT_EQ(im.pixel(4, 4) & 0xFFFFFF, 0xDF4060u);
    EXPECT_EQ(im.pixel(0, 0) & 0xFFFFFF, before.pixel(0, 0) & 0xFFFFFF);
    c.Rectangle(1, 1, 9, 9);  // XOR twice restores
    c.Pen.Mode = pmNotXor;    // with black: the inverse, twice
    c.Pen.Color = clBlack;
    c.Brush.Style = bsClear;
    c.Ellipse(0, 0, 10, 10);
    c.Ellipse(0, 0, 10, 10);
    c.Pen.Mode = pmNot;
    c.MoveTo(0, 5);
    c.LineTo(10, 5);
    c.EndPaint();
    EXPECT_EQ(im.pixel(3, 5) & 0xFFFFFF, 0xDFBF9Fu);
    c.MoveTo(0, 5);
    c.LineTo(10, 5);
    c.DrawFocusRect(Rect(2, 2, 8, 8));
    c.DrawFocusRect(Rect(2, 2, 8, 8));
    c.EndPaint();
    EXPECT_EQ(im, before);
    // FillRect and text ignore the pen mode.
    c.Brush.Style = bsSolid;
    c.FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(c.Pixel(0, 0), clRed);
}

TEST(Canvas, SceneMatchesItsGoldenImage) {
    QImage im = Blank(64, 48);
    {
        TCanvas c(&im);
        c.Brush.Style = bsDiagCross;
        c.Brush.Color = clGreen;
        c.Rectangle(2, 2, 30, 20);
        c.Brush.Style = bsSolid;
        c.Brush.Color = clYellow;
        c.Pen.Color = clNavy;
        c.Ellipse(34, 2, 62, 20);
        c.Pie(2, 22, 30, 46, 30, 34, 16, 22);
        c.Pen.Width = 4;
        c.Pen.Color = clMaroon;
        c.Arc(34, 22, 62, 46, 62, 34, 34, 34);
        c.Pen.Width = 1;
        c.Pen.Style = psDashDot;
        c.Brush.Style = bsClear;
        c.MoveTo(0, 47);
        c.LineTo(64, 47);
    }
    EXPECT_TRUE(test::MatchesGolden(im, VELT_TEST_DATA_DIR, "canvas_scene"));
}

TEST(Canvas, TextMovesThePenAndFillsItsCellOverASolidBrush) {
    QImage im = Blank(80, 30);
    TCanvas c(&im);
    c.Font.SetColor(clBlack);
    c.Brush.Color = clRed;
    const TSize size = c.TextExtent("Hello");
    ASSERT_GT(size.cx, 0);
    ASSERT_GT(size.cy, 0);
    c.TextOut(2, 3, "Hello");
    EXPECT_EQ(c.PenPos, Point(2 + size.cx, 3));
    EXPECT_EQ(c.Pixel(2, 3), clRed);  // the cell's corner is background
    EXPECT_EQ(c.Pixel(2 + size.cx, 3), clWhite);
    c.Brush.Style = bsClear;
    c.TextOut(2, 3 + size.cy, "x");
    EXPECT_EQ(c.Pixel(2, 3 + size.cy), clWhite);
}

TEST(Colors, SystemColoursComeFromTheQtPaletteAndPlainOnesStay) {
    const QColor button = QGuiApplication::palette().color(QPalette::Active, QPalette::Button);
    EXPECT_EQ(ColorToRGB(clBtnFace), QColorToColor(button));
    EXPECT_EQ(ColorToRGB(0x02123456), 0x02123456);  // the platform keeps the flag
    EXPECT_EQ(ColorToQColor(0x02123456), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(ColorToQColor(clNone).alpha(), 0);
    EXPECT_EQ(QColorToColor(QColor(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(ColorToRGB(SystemColor(200)), clBlack);
}

TEST(Canvas, AnEnormousPenInARasterModeMeetsEachPixelOnce) {
    QImage im = Blank(6, 4);
    {
        TCanvas c(&im);
        c.Pen.Width = INT32_MAX;
        c.Pen.Mode = pmXor;
        c.Pen.Color = clWhite;
        c.Brush.Style = bsClear;
        c.Rectangle(1, 1, 4, 3);  // white XOR white: black, once
    }
    EXPECT_EQ(Art(im), Lines({"######", "######", "######", "######"}));
}

TEST(Font, SizeFollowsHeightAndEveryChangeIsReported) {
    TFont f;
    int changes = 0;
    f.OnChange = [&] { ++changes; };
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -13);
    EXPECT_EQ(f.Size(), 10);
    f.SetSize(10);
    f.SetStyle(FontStyleBit(fsBold) | FontStyleBit(fsItalic));
    f.SetName("");  // the face stays
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(f.Name(), "MS Sans Serif");
    const QFont q = ToQFont(f);
    EXPECT_EQ(q.pixelSize(), 13);
    EXPECT_TRUE(q.bold() && q.italic());
    EXPECT_EQ(q.styleStrategy() & QFont::NoAntialias, QFont::NoAntialias);
}

TEST(Font, FixedPitchLinesUpColumnsEvenWhereTheNamedFaceIsProportional) {
    const auto advances = [](const QFont& q) {
        const QFontMetrics fm(q);
        return std::vector<int>{fm.horizontalAdvance("iiii"), fm.horizontalAdvance("WWWW"),
                                fm.horizontalAdvance("0000")};
    };
    const QString proportional = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
    QFont named(proportional);
    named.setPixelSize(20);
    const std::vector<int> plain = advances(named);
    if (plain[0] == plain[1]) GTEST_SKIP() << proportional.toStdString() << " is fixed-pitch here";
    EXPECT_FALSE(HasEvenAdvances(named));

    TFont f;
    f.SetName(proportional.toStdString());
    f.SetHeight(-20);
    f.SetStyle(FontStyleBit(fsBold));
    f.SetPitch(fpFixed);
    const QFont q = ToQFont(f);
    const std::vector<int> fixed = advances(q);
    EXPECT_GT(fixed[0], 0);
    EXPECT_EQ(fixed[1], fixed[0]) << QFontInfo(q).family().toStdString();
    EXPECT_EQ(fixed[2], fixed[0]) << QFontInfo(q).family().toStdString();
    // The stand-in keeps the size and styles asked for.
    EXPECT_EQ(q.pixelSize(), 20);
    EXPECT_TRUE(q.bold());
    EXPECT_EQ(q.styleStrategy() & QFont::NoAntialias, QFont::NoAntialias);

    // A face whose columns already line up is kept.
    const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (HasEvenAdvances(mono)) {
        EXPECT_EQ(FixedPitchFont(mono), mono);
    }
}

TEST(Bitmap, ResizingKeepsThePictureAndMonochromeKeepsWhiteOnly) {
    TBitmap b(4, 3);
    b.Canvas().SetPixel(1, 1, clRed);
    b.SetSize(6, 2);
    EXPECT_EQ(b.Canvas().Pixel(1, 1), clRed);
    EXPECT_EQ(b.Canvas().Pixel(5, 1), clWhite);
    EXPECT_EQ(b.TransparentColor(), clWhite);
    b.SetMonochrome(true);
    EXPECT_EQ(b.Canvas().Pixel(1, 1), clBlack);
    EXPECT_EQ(b.BitsPerPixel(), 1);
    b.SetSize(0, 2);
    EXPECT_TRUE(b.Empty());
    TMemoryStream s;
    EXPECT_THROW(WriteBitmapFile(s, b.Image(), 24), EInvalidGraphic);
}

TEST(Bitmap, AFileWithoutAllItsRowsIsNotValid) {
    TBitmap b(3, 2);
    b.Canvas().SetPixel(2, 0, clRed);
    TMemoryStream whole;
    b.SaveToStream(whole);
    std::string bytes(whole.Memory(), size_t(whole.Size()));
    auto load = [](const std::string& file) {
        TMemoryStream s;
        s.WriteBuffer(file.data(), int64_t(file.size()));
        s.SetPosition(0);
        TBitmap read;
        read.LoadFromStream(s);
        return read;
    };
    EXPECT_EQ(load(bytes).Canvas().Pixel(2, 0), clRed);
    bytes.pop_back();  // the padding of the last row
    EXPECT_THROW(load(bytes), EInvalidGraphic);
    // A few bytes that claim 4 x 7,497,473 pixels of 4 bits.
    std::string claim = bytes.substr(0, 54) + std::string(64, '\0');
    const uint32_t height = 7497473, bits = 4;
    std::memcpy(claim.data() + 22, &height, 4);
    std::memcpy(claim.data() + 28, &bits, 2);
    try {
        load(claim);
        ADD_FAILURE() << "read";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Bitmap image is not valid");
    }
}

namespace {

// A bitmap file of 8 bits per pixel, two colours (white, red) and the given
// compression, its pixel data as given.
std::string BitmapFile(int32_t width, int32_t height, uint32_t compression, const std::string& data) {
    std::string b(62, '\0');
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); };
    b[0] = 'B', b[1] = 'M';
    put32(2, uint32_t(62 + data.size()));
    put32(10, 62);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    b[26] = 1, b[28] = 8;
    put32(30, compression);
    put32(34, uint32_t(data.size()));
    put32(46, 2);
    put32(54, 0xFFFFFF);
    put32(58, 0xFF0000);
    return b + data;
}

TBitmap LoadBitmap(const std::string& file) {
    TMemoryStream s;
    s.WriteBuffer(file.data(), int64_t(file.size()));
    s.SetPosition(0);
    TBitmap read;
    read.LoadFromStream(s);
    return read;
}

void ExpectNotValid(const std::string& file, const char* what) {
    try {
        LoadBitmap(file);
        ADD_FAILURE() << what << " read";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Bitmap image is not valid") << what;
    }
}

}  // namespace

TEST(Bitmap, AFileClaimingMorePixelsThanItCanHoldIsNotValid) {
    // Run lengths: a red row, end of line, a white row, end of bitmap.
    const std::string runs("\x04\x01\x00\x00\x04\x00\x00\x01", 8);
    TBitmap two = LoadBitmap(BitmapFile(4, 2, 1, runs));
    EXPECT_EQ(two.Canvas().Pixel(3, 1), clRed);
    EXPECT_EQ(two.Canvas().Pixel(3, 0), clWhite);
    // A red row, then twice down 255 rows: ten bytes for a picture 511 high.
    const std::string ten("\x04\x01\x00\x02\x00\xFF\x00\x02\x00\xFF", 10);
    TBitmap tall = LoadBitmap(BitmapFile(4, 511, 1, ten));
    EXPECT_EQ(tall.Height(), 511);
    EXPECT_EQ(tall.Canvas().Pixel(3, 510), clRed);
    // Left blank by the end of the bitmap: a megapixel at most.
    const std::string end("\x00\x01", 2);
    EXPECT_EQ(LoadBitmap(BitmapFile(1024, 1024, 1, end)).Canvas().Pixel(1023, 1023), clWhite);
    ExpectNotValid(BitmapFile(1024, 1025, 1, end), "1024 x 1025 in two bytes of run lengths");
    ExpectNotValid(BitmapFile(4, 5111808, 1, ten), "4 x 5,111,808 in ten bytes of run lengths");
    // All its rows there, yet more pixels than a bitmap may have.
    const int32_t wide = 4097, high = 4096;
    ExpectNotValid(BitmapFile(wide, high, 0, std::string(size_t(4100) * high, '\0')), "4097 x 4096");
    // Nor is one written.
    TMemoryStream out;
    EXPECT_THROW(WriteBitmapFile(out, QImage(wide, high, QImage::Format_Mono), 1), EInvalidGraphic);
    EXPECT_EQ(out.Size(), 0);
}

TEST(Bitmap, BrushCopyPaintsOneColourWithTheBrush) {
    TBitmap source(3, 1);
    source.Canvas().SetPixel(1, 0, clBlue);
    QImage im = Blank(3, 1);
    TCanvas c(&im);
    c.Brush.Color = clRed;
    c.BrushCopy(Rect(0, 0, 3, 1), source.Image(), Rect(0, 0, 3, 1), clBlue);
    c.EndPaint();
    EXPECT_EQ(Art(im), ".r.\n");
}

TEST(Metafile, KeepsItsBytesAndReadsItsFrame) {
    // An enhanced metafile header: frame 0..2540 x 0..1270 (0.01 mm).
    std::string emf(88, '\0');
    auto put = [&](size_t at, uint32_t v) { std::memcpy(emf.data() + at, &v, 4); };
    put(0, 1);
    put(32, 2540);
    put(36, 1270);
    put(40, 0x464D4520);
    TMemoryStream in;
    in.WriteBuffer(emf.data(), int64_t(emf.size()));
    in.SetPosition(0);
    TMetafile m;
    m.LoadFromStream(in);
    EXPECT_EQ(m.Width(), 96);
    EXPECT_EQ(m.Height(), 48);
    TMemoryStream out;
    m.SaveToStream(out);
    EXPECT_EQ(std::string(out.Memory(), size_t(out.Size())), emf);
}
